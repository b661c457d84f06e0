// The list's drop source on a list of our own: when a drag goes on, drops
// or is cancelled, and the highlight of the item under the cursor.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "orrel/view/dragdrop.h"

namespace {

using orrel::view::ListDropSource;

TEST(ListDropSourceTest, EscapeCancelsReleasedButtonsDropAndAHeldButtonGoesOn)
{
    ListDropSource source;
    const struct {
        BOOL escape;
        DWORD keys;
        HRESULT result;
    } cases[] = {
        {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},  {TRUE, 0, DRAGDROP_S_CANCEL},
        {FALSE, 0, DRAGDROP_S_DROP},            {FALSE, MK_SHIFT | MK_CONTROL, DRAGDROP_S_DROP},
        {FALSE, MK_LBUTTON, S_OK},              {FALSE, MK_RBUTTON | MK_SHIFT, S_OK},
    };
    for (const auto& c : cases)
        EXPECT_EQ(source.QueryContinueDrag(c.escape, c.keys), c.result)
            << "escape " << c.escape << " keys 0x" << std::hex << c.keys;
    IDropSource* answered = nullptr;
    EXPECT_EQ(source.QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&answered)), S_OK);
    EXPECT_EQ(answered, &source);
    source.Release();
    IUnknown* other = nullptr;
    EXPECT_EQ(source.QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&other)), E_NOINTERFACE);
}

TEST(ListDropSourceTest, FeedbackHighlightsTheItemUnderTheCursorAndRestoresItAfter)
{
    HWND list = CreateWindowExA(WS_EX_TOPMOST, WC_LISTVIEWA, "", WS_POPUP | WS_VISIBLE | LVS_REPORT,
                                40, 40, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (const char* name : {"first", "second", "third"}) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = 99;
        item.pszText = const_cast<char*>(name);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    auto highlighted = [list](int index) {
        return (SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_DROPHILITED) & LVIS_DROPHILITED) != 0;
    };
    ListDropSource source;
    source.SetList(list);

    RECT label = {};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&label));
    POINT over = {label.left + 5, (label.top + label.bottom) / 2};
    ClientToScreen(list, &over);
    SetCursorPos(over.x, over.y);
    EXPECT_EQ(source.GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(source.HighlightedItem(), 1);
    EXPECT_TRUE(highlighted(1));
    EXPECT_FALSE(highlighted(0));

    POINT empty = {150, 180};
    ClientToScreen(list, &empty);
    SetCursorPos(empty.x, empty.y);
    EXPECT_EQ(source.GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(source.HighlightedItem(), -1);
    EXPECT_FALSE(highlighted(1)) << "the item's own state is back";
    DestroyWindow(list);
}

}  // namespace
