#include "orrel/pages/editlist.h"

#include "editlist_res.h"
#include "orrel/ui/messagebox.h"

namespace orrel {
namespace pages {
namespace {
EditListDialog::BeepFunction g_beep = &MessageBeep;
}  // namespace

EditListDialog::EditListDialog(UINT titleId, ValueList& list, bool showFirst) noexcept
    : Dialog(IDD_EDITLIST), titleId_(titleId), list_(list), showFirst_(showFirst)
{
}

EditListDialog::EditListDialog(std::string title, ValueList& list, bool showFirst)
    : Dialog(IDD_EDITLIST), title_(std::move(title)), list_(list), showFirst_(showFirst)
{
}

void EditListDialog::SetBeepFunction(BeepFunction beep) noexcept
{
    g_beep = beep ? beep : &MessageBeep;
}

void EditListDialog::Beep() noexcept
{
    g_beep(0);
}

bool EditListDialog::OnInit()
{
    std::string title = titleId_ ? ui::LoadModuleText(titleId_) : title_;
    if (!title.empty()) SetWindowTextA(Handle(), title.c_str());
    const ValueNode* node = list_.First();
    if (node && !showFirst_) node = node->next.get();
    for (; node; node = node->next.get())
        SendItemMessage(IDC_EDITLIST_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(node->text.c_str()));
    return true;
}

bool EditListDialog::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_EDITLIST_ADD:
        Add();
        return true;
    case IDC_EDITLIST_REMOVE:
        Remove();
        return true;
    case IDC_EDITLIST_UP:
        MoveUp();
        return true;
    case IDC_EDITLIST_DOWN:
        MoveDown();
        return true;
    case IDOK:
        EndDialog(IDOK);
        return true;
    default:
        return false;
    }
}

// Escape and the close box end the dialog as "Close" does: nothing to undo.
void EditListDialog::OnCancel()
{
    EndDialog(IDOK);
}

void EditListDialog::Add()
{
    // Empty texts and duplicates are taken as they are.
    std::string text = GetItemText(IDC_EDITLIST_VALUE);
    list_.Append(text);
    modified_ = true;
    LRESULT entry = SendItemMessage(IDC_EDITLIST_LIST, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(text.c_str()));
    if (entry >= 0) SendItemMessage(IDC_EDITLIST_LIST, LB_SETCURSEL, static_cast<WPARAM>(entry));
    SendItemMessage(IDC_EDITLIST_VALUE, EM_SETSEL, 0, -1);
    SendItemMessage(IDC_EDITLIST_VALUE, EM_SCROLLCARET);
}

void EditListDialog::Remove()
{
    Beep();
    LRESULT entry = SendItemMessage(IDC_EDITLIST_LIST, LB_GETCURSEL);
    if (entry < 0) return;
    ValueNode* node = list_.At(NodeIndex(static_cast<int>(entry)));
    if (!node) return;
    int answer = ui::MessageBoxFromStrings(Handle(), IDS_PAGES_REMOVE_QUESTION, IDS_PAGES_CAPTION,
                                           MB_YESNO | MB_ICONQUESTION, node->text);
    if (answer != IDYES) return;
    list_.RemoveAt(NodeIndex(static_cast<int>(entry)));
    SendItemMessage(IDC_EDITLIST_LIST, LB_DELETESTRING, static_cast<WPARAM>(entry));
    modified_ = true;
}

void EditListDialog::MoveDown()
{
    LRESULT entry = SendItemMessage(IDC_EDITLIST_LIST, LB_GETCURSEL);
    std::size_t index = NodeIndex(static_cast<int>(entry));
    if (entry < 0 || !list_.At(index) || !list_.At(index + 1)) {
        Beep();
        return;
    }
    list_.SwapWithNext(index);
    // The entry below moves up to the selection's place; the moved entry is
    // then the one below it.
    const ValueNode* up = list_.At(index);
    SendItemMessage(IDC_EDITLIST_LIST, LB_DELETESTRING, static_cast<WPARAM>(entry + 1));
    SendItemMessage(IDC_EDITLIST_LIST, LB_INSERTSTRING, static_cast<WPARAM>(entry),
                    reinterpret_cast<LPARAM>(up->text.c_str()));
    SendItemMessage(IDC_EDITLIST_LIST, LB_SETCURSEL, static_cast<WPARAM>(entry + 1));
    modified_ = true;
}

void EditListDialog::MoveUp()
{
    LRESULT entry = SendItemMessage(IDC_EDITLIST_LIST, LB_GETCURSEL);
    if (entry <= 0) {
        Beep();
        return;
    }
    std::size_t above = NodeIndex(static_cast<int>(entry - 1));
    if (!list_.At(above) || !list_.At(above + 1)) {
        Beep();
        return;
    }
    list_.SwapWithNext(above);
    // The entry above moves down to the selection's place.
    const ValueNode* down = list_.At(above + 1);
    SendItemMessage(IDC_EDITLIST_LIST, LB_DELETESTRING, static_cast<WPARAM>(entry - 1));
    SendItemMessage(IDC_EDITLIST_LIST, LB_INSERTSTRING, static_cast<WPARAM>(entry),
                    reinterpret_cast<LPARAM>(down->text.c_str()));
    SendItemMessage(IDC_EDITLIST_LIST, LB_SETCURSEL, static_cast<WPARAM>(entry - 1));
    modified_ = true;
}

}  // namespace pages
}  // namespace orrel
