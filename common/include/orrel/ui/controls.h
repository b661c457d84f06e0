// Thin, non-owning views over control windows: each method is one message
// (a few text readers loop until the whole text fits). A view never destroys
// its window; copying a view copies the handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace orrel {
namespace ui {

class WindowView {
public:
    WindowView(HWND hwnd = nullptr) noexcept : hwnd_(hwnd) {}  // NOLINT: a view converts from HWND
    HWND Handle() const noexcept { return hwnd_; }
    void Attach(HWND hwnd) noexcept { hwnd_ = hwnd; }
    explicit operator bool() const noexcept { return hwnd_ != nullptr; }

    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const noexcept
    {
        return SendMessageA(hwnd_, msg, wp, lp);
    }
    std::string GetText() const;
    bool SetText(const char* text) const noexcept { return SetWindowTextA(hwnd_, text ? text : "") != FALSE; }
    DWORD GetStyle() const noexcept { return static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)); }
    // Clears then sets style bits; returns the previous style.
    DWORD ModifyStyle(DWORD remove, DWORD add) const noexcept;
    bool Enable(bool enable) const noexcept { return EnableWindow(hwnd_, enable ? TRUE : FALSE) != FALSE; }
    bool IsEnabled() const noexcept { return IsWindowEnabled(hwnd_) != FALSE; }
    bool Show(int command) const noexcept { return ShowWindow(hwnd_, command) != FALSE; }
    bool IsVisible() const noexcept { return IsWindowVisible(hwnd_) != FALSE; }
    int GetDlgCtrlID() const noexcept { return ::GetDlgCtrlID(hwnd_); }

protected:
    HWND hwnd_;
};

class ListViewCtrl : public WindowView {
public:
    using WindowView::WindowView;

    int InsertColumn(int index, const char* text, int width, int format = LVCFMT_LEFT) const noexcept;
    bool DeleteColumn(int index) const noexcept { return Send(LVM_DELETECOLUMN, static_cast<WPARAM>(index)) != 0; }
    int GetColumnCount() const noexcept;
    int GetColumnWidth(int index) const noexcept { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index))); }
    bool SetColumnWidth(int index, int width) const noexcept
    {
        return Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELPARAM(width, 0)) != 0;
    }

    // Inserts an item with text, image (-1: none) and item data; its index or -1.
    int InsertItem(int index, const char* text, int image = -1, LPARAM data = 0) const noexcept;
    int InsertItem(const LVITEMA& item) const noexcept
    {
        return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool DeleteItem(int index) const noexcept { return Send(LVM_DELETEITEM, static_cast<WPARAM>(index)) != 0; }
    bool DeleteAllItems() const noexcept { return Send(LVM_DELETEALLITEMS) != 0; }
    int GetItemCount() const noexcept { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    bool GetItem(LVITEMA& item) const noexcept { return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    bool SetItem(const LVITEMA& item) const noexcept
    {
        return Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }

    std::string GetItemText(int index, int subItem = 0) const;
    bool SetItemText(int index, int subItem, const char* text) const noexcept;
    LPARAM GetItemData(int index) const noexcept;
    bool SetItemData(int index, LPARAM data) const noexcept;
    int GetItemImage(int index) const noexcept;
    bool SetItemImage(int index, int image) const noexcept;
    UINT GetItemState(int index, UINT mask) const noexcept
    {
        return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), static_cast<LPARAM>(mask)));
    }
    // index -1: every item.
    bool SetItemState(int index, UINT state, UINT mask) const noexcept;
    // Focuses and selects one item.
    bool SelectItem(int index) const noexcept
    {
        return SetItemState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    int GetSelectedCount() const noexcept { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
    int GetNextItem(int start, UINT flags) const noexcept
    {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    int GetNextSelected(int start = -1) const noexcept { return GetNextItem(start, LVNI_SELECTED); }
    int GetSelectionMark() const noexcept { return static_cast<int>(Send(LVM_GETSELECTIONMARK)); }

    int FindItem(const LVFINDINFOA& find, int start = -1) const noexcept
    {
        return static_cast<int>(Send(LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&find)));
    }
    int FindItemByData(LPARAM data, int start = -1) const noexcept;
    // Exact text, or the first item whose text begins with text when partial.
    int FindString(const char* text, bool partial = false, int start = -1) const noexcept;
    // The item at a point of the client area, or -1; flags receive LVHT_*.
    int HitTest(POINT point, UINT* flags = nullptr) const noexcept;

    // Sorts with a comparison of item data (LVM_SORTITEMS) or of indices
    // (LVM_SORTITEMSEX).
    bool SortItems(PFNLVCOMPARE compare, LPARAM param) const noexcept
    {
        return Send(LVM_SORTITEMS, static_cast<WPARAM>(param), reinterpret_cast<LPARAM>(compare)) != 0;
    }
    bool SortItemsEx(PFNLVCOMPARE compare, LPARAM param) const noexcept
    {
        return Send(LVM_SORTITEMSEX, static_cast<WPARAM>(param), reinterpret_cast<LPARAM>(compare)) != 0;
    }

    // type: LVSIL_NORMAL, LVSIL_SMALL or LVSIL_STATE; returns the previous list.
    HIMAGELIST SetImageList(HIMAGELIST list, int type) const noexcept
    {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, static_cast<WPARAM>(type), reinterpret_cast<LPARAM>(list)));
    }
    HIMAGELIST GetImageList(int type) const noexcept
    {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_GETIMAGELIST, static_cast<WPARAM>(type)));
    }

    // The LVS_TYPEMASK bits of the style (LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST).
    DWORD GetViewType() const noexcept { return GetStyle() & LVS_TYPEMASK; }
    void SetViewType(DWORD type) const noexcept { ModifyStyle(LVS_TYPEMASK, type & LVS_TYPEMASK); }
    DWORD GetExtendedStyle() const noexcept { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    DWORD SetExtendedStyle(DWORD mask, DWORD style) const noexcept
    {
        return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }

    HWND EditLabel(int index) const noexcept { return reinterpret_cast<HWND>(Send(LVM_EDITLABELA, static_cast<WPARAM>(index))); }
    HWND GetEditControl() const noexcept { return reinterpret_cast<HWND>(Send(LVM_GETEDITCONTROL)); }
    bool EnsureVisible(int index, bool partialOk = false) const noexcept
    {
        return Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), partialOk ? TRUE : FALSE) != 0;
    }
    bool GetItemRect(int index, RECT& rect, int code = LVIR_BOUNDS) const noexcept;
    bool RedrawItems(int first, int last) const noexcept
    {
        return Send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last)) != 0;
    }
    bool Arrange(UINT code = LVA_DEFAULT) const noexcept { return Send(LVM_ARRANGE, code) != 0; }
};

class TreeViewCtrl : public WindowView {
public:
    using WindowView::WindowView;

    HTREEITEM InsertItem(const TVINSERTSTRUCTA& insert) const noexcept
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    // children: I_CHILDRENCALLBACK, a count, or -2 to leave it to the tree.
    HTREEITEM InsertItem(const char* text, HTREEITEM parent, HTREEITEM after = TVI_LAST, LPARAM data = 0,
                         int image = -1, int selectedImage = -1, int children = -2) const noexcept;
    bool DeleteItem(HTREEITEM item) const noexcept { return Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    bool DeleteAllItems() const noexcept { return DeleteItem(TVI_ROOT); }
    bool GetItem(TVITEMA& item) const noexcept { return Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    bool SetItem(const TVITEMA& item) const noexcept { return Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0; }

    std::string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const char* text) const noexcept;
    LPARAM GetItemData(HTREEITEM item) const noexcept;
    bool SetItemData(HTREEITEM item, LPARAM data) const noexcept;
    bool SetChildren(HTREEITEM item, int children) const noexcept;
    UINT GetItemState(HTREEITEM item, UINT mask) const noexcept
    {
        return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
    }

    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const noexcept
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRoot() const noexcept { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChild(HTREEITEM item) const noexcept { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSibling(HTREEITEM item) const noexcept { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const noexcept { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelection() const noexcept { return GetNextItem(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item) const noexcept { return Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0; }
    bool Expand(HTREEITEM item, UINT code = TVE_EXPAND) const noexcept
    {
        return Send(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool EnsureVisible(HTREEITEM item) const noexcept { return Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    bool SortChildren(HTREEITEM item, bool recurse = false) const noexcept
    {
        return Send(TVM_SORTCHILDREN, recurse ? TRUE : FALSE, reinterpret_cast<LPARAM>(item)) != 0;
    }
    UINT GetCount() const noexcept { return static_cast<UINT>(Send(TVM_GETCOUNT)); }
    HIMAGELIST SetImageList(HIMAGELIST list, int type = TVSIL_NORMAL) const noexcept
    {
        return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, static_cast<WPARAM>(type), reinterpret_cast<LPARAM>(list)));
    }
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const noexcept;
    HWND EditLabel(HTREEITEM item) const noexcept { return reinterpret_cast<HWND>(Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item))); }
};

class ComboBoxCtrl : public WindowView {
public:
    using WindowView::WindowView;

    void ResetContent() const noexcept { Send(CB_RESETCONTENT); }
    int AddString(const char* text) const noexcept { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""))); }
    int InsertString(int index, const char* text) const noexcept
    {
        return static_cast<int>(Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    int DeleteString(int index) const noexcept { return static_cast<int>(Send(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    int GetCount() const noexcept { return static_cast<int>(Send(CB_GETCOUNT)); }
    int GetCurSel() const noexcept { return static_cast<int>(Send(CB_GETCURSEL)); }
    int SetCurSel(int index) const noexcept { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The text of entry index, of any length; empty for a bad index.
    std::string GetLBText(int index) const;
    // The text of the edit field or selection.
    std::string GetSelectedText() const { return GetText(); }
    // First entry that begins with text (case-insensitive), after start.
    int FindString(const char* text, int start = -1) const noexcept
    {
        return static_cast<int>(Send(CB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    int FindStringExact(const char* text, int start = -1) const noexcept
    {
        return static_cast<int>(Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    // Selects the first entry that begins with text; its index or CB_ERR.
    int SelectString(const char* text, int start = -1) const noexcept
    {
        return static_cast<int>(Send(CB_SELECTSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    LPARAM GetItemData(int index) const noexcept { return static_cast<LPARAM>(Send(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
    bool SetItemData(int index, LPARAM data) const noexcept
    {
        return Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data) != CB_ERR;
    }
    void LimitText(int length) const noexcept { Send(CB_LIMITTEXT, static_cast<WPARAM>(length)); }
    bool ShowDropDown(bool show) const noexcept { return Send(CB_SHOWDROPDOWN, show ? TRUE : FALSE) != 0; }
};

class ListBoxCtrl : public WindowView {
public:
    using WindowView::WindowView;

    void ResetContent() const noexcept { Send(LB_RESETCONTENT); }
    int AddString(const char* text) const noexcept { return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""))); }
    int InsertString(int index, const char* text) const noexcept
    {
        return static_cast<int>(Send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    int DeleteString(int index) const noexcept { return static_cast<int>(Send(LB_DELETESTRING, static_cast<WPARAM>(index))); }
    int GetCount() const noexcept { return static_cast<int>(Send(LB_GETCOUNT)); }
    int GetCurSel() const noexcept { return static_cast<int>(Send(LB_GETCURSEL)); }
    int SetCurSel(int index) const noexcept { return static_cast<int>(Send(LB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The text of entry index, of any length; empty for a bad index.
    std::string GetText(int index) const;
    int FindString(const char* text, int start = -1) const noexcept
    {
        return static_cast<int>(Send(LB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    int FindStringExact(const char* text, int start = -1) const noexcept
    {
        return static_cast<int>(Send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    LPARAM GetItemData(int index) const noexcept { return static_cast<LPARAM>(Send(LB_GETITEMDATA, static_cast<WPARAM>(index))); }
    bool SetItemData(int index, LPARAM data) const noexcept
    {
        return Send(LB_SETITEMDATA, static_cast<WPARAM>(index), data) != LB_ERR;
    }
    int SetTopIndex(int index) const noexcept { return static_cast<int>(Send(LB_SETTOPINDEX, static_cast<WPARAM>(index))); }
};

class EditCtrl : public WindowView {
public:
    using WindowView::WindowView;

    void LimitText(int length) const noexcept { Send(EM_LIMITTEXT, static_cast<WPARAM>(length)); }
    UINT GetLimitText() const noexcept { return static_cast<UINT>(Send(EM_GETLIMITTEXT)); }
    // end -1: to the end of the text.
    void SetSel(int start, int end) const noexcept { Send(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end)); }
    void GetSel(DWORD& start, DWORD& end) const noexcept
    {
        Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    }
    void ReplaceSel(const char* text, bool canUndo = false) const noexcept
    {
        Send(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text ? text : ""));
    }
    bool SetReadOnly(bool readOnly) const noexcept { return Send(EM_SETREADONLY, readOnly ? TRUE : FALSE) != 0; }
    bool IsReadOnly() const noexcept { return (GetStyle() & ES_READONLY) != 0; }
    bool GetModify() const noexcept { return Send(EM_GETMODIFY) != 0; }
    void SetModify(bool modified) const noexcept { Send(EM_SETMODIFY, modified ? TRUE : FALSE); }
    int GetLineCount() const noexcept { return static_cast<int>(Send(EM_GETLINECOUNT)); }
    void ScrollCaret() const noexcept { Send(EM_SCROLLCARET); }
};

class ButtonCtrl : public WindowView {
public:
    using WindowView::WindowView;

    UINT GetCheck() const noexcept { return static_cast<UINT>(Send(BM_GETCHECK)); }
    void SetCheck(UINT state) const noexcept { Send(BM_SETCHECK, state); }
    void Click() const noexcept { Send(BM_CLICK); }
};

class StatusBarCtrl : public WindowView {
public:
    using WindowView::WindowView;

    void SetSimple(bool simple) const noexcept { Send(SB_SIMPLE, simple ? TRUE : FALSE); }
    // part 255 (SB_SIMPLEID): the simple-mode text.
    bool SetText(int part, const char* text, UINT type = 0) const noexcept
    {
        return Send(SB_SETTEXTA, static_cast<WPARAM>(part) | type, reinterpret_cast<LPARAM>(text ? text : "")) != 0;
    }
    // The text of a part; SB_SIMPLEID reads the simple-mode text.
    std::string GetText(int part) const;
    bool IsSimple() const noexcept { return Send(SB_ISSIMPLE) != 0; }
    bool SetParts(int count, const int* rightEdges) const noexcept
    {
        return Send(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    int GetPartCount() const noexcept { return static_cast<int>(Send(SB_GETPARTS)); }
};

}  // namespace ui
}  // namespace orrel
