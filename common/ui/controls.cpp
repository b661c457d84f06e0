#include "orrel/ui/controls.h"

#include <cstring>
#include <vector>

#include "orrel/ui/window.h"

namespace orrel {
namespace ui {
namespace {
// Text readers without a length message grow their buffer up to this.
constexpr int kMaxItemText = 1 << 20;
}  // namespace

std::string WindowView::GetText() const
{
    return GetWindowTextString(hwnd_);
}

DWORD WindowView::ModifyStyle(DWORD remove, DWORD add) const noexcept
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed != style) SetWindowLongPtrA(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(changed));
    return style;
}

// ------------------------------------------------------------ list view

int ListViewCtrl::InsertColumn(int index, const char* text, int width, int format) const noexcept
{
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(text ? text : "");
    column.iSubItem = index;
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int ListViewCtrl::GetColumnCount() const noexcept
{
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ListViewCtrl::InsertItem(int index, const char* text, int image, LPARAM data) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.iImage = image;
    item.lParam = data;
    return InsertItem(item);
}

std::string ListViewCtrl::GetItemText(int index, int subItem) const
{
    std::string text;
    for (int size = 256; size <= kMaxItemText; size *= 4) {
        std::vector<char> buffer(static_cast<size_t>(size), '\0');
        LVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.iSubItem = subItem;
        item.pszText = buffer.data();
        item.cchTextMax = size;
        int n = static_cast<int>(Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (n < 0) n = 0;
        if (n < size - 1) {
            // The control may answer with its own buffer instead of ours.
            const char* from = item.pszText ? item.pszText : buffer.data();
            text.assign(from, strnlen(from, static_cast<size_t>(n)));
            return text;
        }
    }
    return text;
}

bool ListViewCtrl::SetItemText(int index, int subItem, const char* text) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text ? text : "");
    return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM ListViewCtrl::GetItemData(int index) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(item) ? item.lParam : 0;
}

bool ListViewCtrl::SetItemData(int index, LPARAM data) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return SetItem(item);
}

int ListViewCtrl::GetItemImage(int index) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    return GetItem(item) ? item.iImage : -1;
}

bool ListViewCtrl::SetItemImage(int index, int image) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    return SetItem(item);
}

bool ListViewCtrl::SetItemState(int index, UINT state, UINT mask) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.state = state;
    item.stateMask = mask;
    return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

int ListViewCtrl::FindItemByData(LPARAM data, int start) const noexcept
{
    LVFINDINFOA find;
    ZeroMemory(&find, sizeof find);
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return FindItem(find, start);
}

int ListViewCtrl::FindString(const char* text, bool partial, int start) const noexcept
{
    LVFINDINFOA find;
    ZeroMemory(&find, sizeof find);
    find.flags = partial ? LVFI_PARTIAL | LVFI_STRING : LVFI_STRING;
    find.psz = text ? text : "";
    return FindItem(find, start);
}

int ListViewCtrl::HitTest(POINT point, UINT* flags) const noexcept
{
    LVHITTESTINFO info;
    ZeroMemory(&info, sizeof info);
    info.pt = point;
    int index = static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return index;
}

bool ListViewCtrl::GetItemRect(int index, RECT& rect, int code) const noexcept
{
    rect.left = code;
    return Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) != 0;
}

// ------------------------------------------------------------ tree view

HTREEITEM TreeViewCtrl::InsertItem(const char* text, HTREEITEM parent, HTREEITEM after, LPARAM data,
                                   int image, int selectedImage, int children) const noexcept
{
    TVINSERTSTRUCTA insert;
    ZeroMemory(&insert, sizeof insert);
    insert.hParent = parent;
    insert.hInsertAfter = after;
    TVITEMA& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_PARAM;
    item.pszText = text == LPSTR_TEXTCALLBACKA ? LPSTR_TEXTCALLBACKA : const_cast<char*>(text ? text : "");
    item.lParam = data;
    if (image >= 0 || image == I_IMAGECALLBACK) {
        item.mask |= TVIF_IMAGE;
        item.iImage = image;
    }
    if (selectedImage >= 0 || selectedImage == I_IMAGECALLBACK) {
        item.mask |= TVIF_SELECTEDIMAGE;
        item.iSelectedImage = selectedImage;
    }
    if (children != -2) {
        item.mask |= TVIF_CHILDREN;
        item.cChildren = children;
    }
    return InsertItem(insert);
}

std::string TreeViewCtrl::GetItemText(HTREEITEM handle) const
{
    std::string text;
    for (int size = 256; size <= kMaxItemText; size *= 4) {
        std::vector<char> buffer(static_cast<size_t>(size), '\0');
        TVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.mask = TVIF_TEXT;
        item.hItem = handle;
        item.pszText = buffer.data();
        item.cchTextMax = size;
        if (!GetItem(item)) return text;
        const char* from = item.pszText ? item.pszText : buffer.data();
        size_t n = strnlen(from, static_cast<size_t>(size));
        if (n < static_cast<size_t>(size) - 1) {
            text.assign(from, n);
            return text;
        }
    }
    return text;
}

bool TreeViewCtrl::SetItemText(HTREEITEM handle, const char* text) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = const_cast<char*>(text ? text : "");
    return SetItem(item);
}

LPARAM TreeViewCtrl::GetItemData(HTREEITEM handle) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    return GetItem(item) ? item.lParam : 0;
}

bool TreeViewCtrl::SetItemData(HTREEITEM handle, LPARAM data) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    item.lParam = data;
    return SetItem(item);
}

bool TreeViewCtrl::SetChildren(HTREEITEM handle, int children) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_CHILDREN;
    item.hItem = handle;
    item.cChildren = children;
    return SetItem(item);
}

HTREEITEM TreeViewCtrl::HitTest(POINT point, UINT* flags) const noexcept
{
    TVHITTESTINFO info;
    ZeroMemory(&info, sizeof info);
    info.pt = point;
    auto item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
}

// ------------------------------------------------------------ combo, list box, status bar

std::string ComboBoxCtrl::GetLBText(int index) const
{
    std::string text;
    LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length < 0) return text;
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT n = Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (n == CB_ERR || n < 0) return text;
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return text;
}

std::string ListBoxCtrl::GetText(int index) const
{
    std::string text;
    LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR || length < 0) return text;
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT n = Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (n == LB_ERR || n < 0) return text;
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return text;
}

std::string StatusBarCtrl::GetText(int part) const
{
    std::string text;
    // Some status bars answer for the simple text only as part 0 while in
    // simple mode.
    if (part == SB_SIMPLEID && LOWORD(Send(SB_GETTEXTLENGTHA, SB_SIMPLEID)) == 0 && IsSimple()) part = 0;
    LRESULT info = Send(SB_GETTEXTLENGTHA, static_cast<WPARAM>(part));
    size_t length = LOWORD(info);
    std::vector<char> buffer(length + 1, '\0');
    Send(SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer.data()));
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return text;
}

}  // namespace ui
}  // namespace orrel
