// Control views over real controls, and the owning image list.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "orrel/ui/controls.h"
#include "orrel/ui/imagelist.h"
#include "orrel/ui/window.h"

namespace {

using namespace orrel::ui;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, parent_);
    }
    void TearDown() override { DestroyWindow(parent_); }
    HWND Make(const char* cls, DWORD style, int id = 100)
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 200, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    }
    HWND parent_ = nullptr;
};

struct Entry {
    const char* name;
    const char* kind;
    bool container;
};

// Containers first, then by kind, then by name (case-insensitive).
int CALLBACK CompareEntries(LPARAM a, LPARAM b, LPARAM)
{
    auto* x = reinterpret_cast<const Entry*>(a);
    auto* y = reinterpret_cast<const Entry*>(b);
    if (x->container != y->container) return x->container ? -1 : 1;
    int kind = lstrcmpiA(x->kind, y->kind);
    return kind ? kind : lstrcmpiA(x->name, y->name);
}

TEST_F(ControlsTest, ListViewInsertsSortsAndReadsBack)
{
    ListViewCtrl list(Make(WC_LISTVIEWA, LVS_REPORT | LVS_EDITLABELS));
    ASSERT_TRUE(list);
    EXPECT_EQ(0, list.InsertColumn(0, "Name", 175));
    EXPECT_EQ(1, list.InsertColumn(1, "Object Type", 150));
    EXPECT_EQ(2, list.GetColumnCount());
    EXPECT_EQ(175, list.GetColumnWidth(0));

    static const Entry entries[] = {
        {"a", "User", false}, {"b", "Z", true}, {"c", "group", false}, {"Alpha", "User", false}};
    for (const Entry& e : entries) {
        int index = list.InsertItem(0, e.name, -1, reinterpret_cast<LPARAM>(&e));
        ASSERT_EQ(0, index);
        EXPECT_TRUE(list.SetItemText(index, 1, e.kind));
    }
    EXPECT_EQ(4, list.GetItemCount());
    ASSERT_TRUE(list.SortItems(&CompareEntries, 0));
    std::vector<std::string> names;
    std::vector<std::string> kinds;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        names.push_back(list.GetItemText(i));
        kinds.push_back(list.GetItemText(i, 1));
    }
    EXPECT_EQ((std::vector<std::string>{"b", "c", "a", "Alpha"}), names);
    EXPECT_EQ((std::vector<std::string>{"Z", "group", "User", "User"}), kinds);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&entries[1]), list.GetItemData(0)) << "item data travels with its item";

    EXPECT_EQ(2, list.FindItemByData(reinterpret_cast<LPARAM>(&entries[0])));
    EXPECT_EQ(3, list.FindString("Alpha"));
    EXPECT_EQ(3, list.FindString("Al", true));
    EXPECT_EQ(-1, list.FindString("nothing"));
    EXPECT_TRUE(list.SetItemData(3, 99));
    EXPECT_EQ(99, list.GetItemData(3));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(ControlsTest, ListViewSelectionStateAndHitTest)
{
    ListViewCtrl list(Make(WC_LISTVIEWA, LVS_REPORT));
    list.InsertColumn(0, "Name", 200);
    for (const char* name : {"zero", "one", "two"}) list.InsertItem(list.GetItemCount(), name);
    EXPECT_EQ(0, list.GetSelectedCount());
    EXPECT_EQ(-1, list.GetNextSelected());
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(2, list.GetSelectedCount());
    EXPECT_EQ(1, list.GetNextSelected());
    EXPECT_EQ(2, list.GetNextSelected(1));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(2, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(-1, 0, LVIS_SELECTED)) << "index -1 applies to every item";
    EXPECT_EQ(0, list.GetSelectedCount());

    RECT rect = {};
    ASSERT_TRUE(list.GetItemRect(1, rect, LVIR_LABEL));
    POINT inside = {rect.left + 2, (rect.top + rect.bottom) / 2};
    UINT flags = 0;
    EXPECT_EQ(1, list.HitTest(inside, &flags));
    EXPECT_NE(0u, flags & LVHT_ONITEM);
    EXPECT_EQ(-1, list.HitTest(POINT{5, 190}, &flags)) << "below the last item";
    EXPECT_TRUE(list.EnsureVisible(2));
}

TEST_F(ControlsTest, ListViewStyleBitsImageListsAndLabelEdit)
{
    ListViewCtrl list(Make(WC_LISTVIEWA, LVS_REPORT | LVS_EDITLABELS | LVS_SHAREIMAGELISTS));
    EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), list.GetViewType());
    const DWORD types[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    for (DWORD type : types) {
        list.SetViewType(type);
        EXPECT_EQ(type, list.GetViewType());
        EXPECT_TRUE(list.GetStyle() & LVS_EDITLABELS) << "other style bits stay";
    }

    ImageList small;
    ASSERT_TRUE(small.Create(16, 16, ILC_COLOR4 | ILC_MASK, 50, 10));
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    EXPECT_EQ(0, small.AddIcon(icon));
    EXPECT_EQ(1, small.AddIcon(icon));
    EXPECT_EQ(2, small.GetImageCount());
    int cx = 0;
    int cy = 0;
    EXPECT_TRUE(small.GetIconSize(cx, cy));
    EXPECT_EQ(16, cx);
    EXPECT_EQ(nullptr, list.SetImageList(small.Get(), LVSIL_SMALL));
    EXPECT_EQ(small.Get(), list.GetImageList(LVSIL_SMALL));

    list.InsertColumn(0, "Name", 200);
    EXPECT_EQ(0, list.InsertItem(0, "label", 1));
    EXPECT_EQ(1, list.GetItemImage(0));
    EXPECT_TRUE(list.SetItemImage(0, 0));
    EXPECT_EQ(0, list.GetItemImage(0));
    SetFocus(list.Handle());
    HWND edit = list.EditLabel(0);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(edit, list.GetEditControl());
    EXPECT_EQ("label", GetWindowTextString(edit));
    DestroyWindow(list.Handle());
    EXPECT_EQ(2, small.GetImageCount()) << "a shared list survives its control";
}

TEST_F(ControlsTest, ListViewTextOfAnyLength)
{
    ListViewCtrl list(Make(WC_LISTVIEWA, LVS_REPORT));
    list.InsertColumn(0, "Name", 200);
    std::string longText(3000, 'x');
    longText += "tail";
    ASSERT_EQ(0, list.InsertItem(0, longText.c_str()));
    std::string read = list.GetItemText(0);
    EXPECT_EQ(longText.size(), read.size());
    EXPECT_EQ("", list.GetItemText(5)) << "no such item";
}

TEST(ImageList, OwningListIsDestroyedOnceAndDetachGivesItAway)
{
    HIMAGELIST handle = nullptr;
    {
        ImageList owned;
        ASSERT_TRUE(owned.Create(32, 32, ILC_COLOR4 | ILC_MASK, 50, 10));
        handle = owned.Get();
        ImageList moved(std::move(owned));
        EXPECT_EQ(nullptr, owned.Get());
        EXPECT_EQ(handle, moved.Get());
        EXPECT_EQ(0, moved.GetImageCount());
        ImageListView view(moved.Get());
        EXPECT_EQ(0, view.AddIcon(LoadIcon(nullptr, IDI_APPLICATION)));
        EXPECT_EQ(1, moved.GetImageCount()) << "the view works on the same list";
        HIMAGELIST given = moved.Detach();
        EXPECT_EQ(handle, given);
        EXPECT_EQ(nullptr, moved.Get());
        ImageList again(given);
    }
    ImageListView empty;
    EXPECT_EQ(0, empty.GetImageCount());
    EXPECT_EQ(-1, empty.AddIcon(LoadIcon(nullptr, IDI_APPLICATION)));
}

TEST_F(ControlsTest, TreeViewBuildsWalksAndReadsItems)
{
    TreeViewCtrl tree(Make(WC_TREEVIEWA, TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS));
    HTREEITEM root = tree.InsertItem("[Root]", TVI_ROOT, TVI_LAST, 1, -1, -1, 1);
    ASSERT_NE(nullptr, root);
    HTREEITEM acme = tree.InsertItem("Acme", root, TVI_SORT, 2);
    HTREEITEM beta = tree.InsertItem("Beta", root, TVI_SORT, 3);
    HTREEITEM abc = tree.InsertItem("Abc", root, TVI_SORT, 4);
    ASSERT_TRUE(acme && beta && abc);
    EXPECT_EQ(4u, tree.GetCount());
    EXPECT_EQ(root, tree.GetRoot());
    EXPECT_EQ(abc, tree.GetChild(root)) << "sorted insertion";
    EXPECT_EQ(acme, tree.GetNextSibling(abc));
    EXPECT_EQ(root, tree.GetParentItem(beta));
    EXPECT_EQ("Acme", tree.GetItemText(acme));
    EXPECT_EQ(3, tree.GetItemData(beta));
    EXPECT_TRUE(tree.SetItemData(beta, 30));
    EXPECT_EQ(30, tree.GetItemData(beta));
    EXPECT_TRUE(tree.SetItemText(beta, "Sales"));
    EXPECT_EQ("Sales", tree.GetItemText(beta));
    std::string longText(2000, 'n');
    EXPECT_TRUE(tree.SetItemText(abc, longText.c_str()));
    EXPECT_EQ(longText, tree.GetItemText(abc)) << "text longer than the first buffer";

    EXPECT_TRUE(tree.Expand(root));
    EXPECT_TRUE(tree.SelectItem(acme));
    EXPECT_EQ(acme, tree.GetSelection());
    EXPECT_NE(0u, tree.GetItemState(root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(tree.SetChildren(beta, 1));
    EXPECT_TRUE(tree.DeleteItem(beta));
    EXPECT_EQ(3u, tree.GetCount());
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(0u, tree.GetCount());
}

TEST_F(ControlsTest, ComboListAndStatusTextsAreReadWhole)
{
    ComboBoxCtrl combo(Make("COMBOBOX", CBS_DROPDOWN, 101));
    ASSERT_TRUE(combo);
    std::string longName = "server." + std::string(700, 'x');
    EXPECT_EQ(0, combo.AddString(longName.c_str()));
    EXPECT_EQ(1, combo.AddString("server"));
    EXPECT_EQ(0, combo.FindString("server")) << "prefix search: the first entry that begins with it";
    EXPECT_EQ(1, combo.FindStringExact("server"));
    EXPECT_EQ(0, combo.SelectString("SERV"));
    EXPECT_EQ(longName, combo.GetLBText(0));
    EXPECT_EQ(longName, combo.GetSelectedText());
    EXPECT_EQ("", combo.GetLBText(9)) << "no such entry";

    ListBoxCtrl box(Make("LISTBOX", LBS_NOTIFY, 102));
    EXPECT_EQ(0, box.AddString(longName.c_str()));
    EXPECT_EQ(1, box.InsertString(1, "after"));
    EXPECT_EQ(longName, box.GetText(0));
    EXPECT_EQ("after", box.GetText(1));
    EXPECT_EQ("", box.GetText(5));

    StatusBarCtrl status(Make(STATUSCLASSNAMEA, 0, 105));
    status.SetSimple(true);
    EXPECT_TRUE(status.IsSimple());
    EXPECT_TRUE(status.SetText(SB_SIMPLEID, "3 Objects"));
    EXPECT_EQ("3 Objects", status.GetText(SB_SIMPLEID));
    status.SetSimple(false);
    const int edges[] = {100, 200, -1};
    EXPECT_TRUE(status.SetParts(3, edges));
    EXPECT_EQ(3, status.GetPartCount());
    EXPECT_TRUE(status.SetText(1, "middle"));
    EXPECT_EQ("middle", status.GetText(1));
}

TEST_F(ControlsTest, ModifyStyleChangesOnlyTheGivenBitsAndReportsThePreviousStyle)
{
    EditCtrl edit(Make("EDIT", ES_AUTOHSCROLL, 103));
    DWORD before = edit.GetStyle();
    EXPECT_EQ(before, edit.ModifyStyle(0, WS_BORDER));
    EXPECT_EQ(before | WS_BORDER, edit.GetStyle());
    EXPECT_EQ(before | WS_BORDER, edit.ModifyStyle(WS_BORDER, 0));
    EXPECT_EQ(before, edit.GetStyle());
    EXPECT_TRUE(edit.SetReadOnly(true));
    EXPECT_TRUE(edit.IsReadOnly());
}

}  // namespace
