// The list editor of the pages ("Edit Properties", dialog 10000 of
// editlist.rc): edits a page's ValueList in place, modally. There is no
// cancel: what was changed stays in the list; Modified() tells the page to
// mark its attribute dirty and refill its combo box.
#pragma once

#include <windows.h>

#include <string>

#include "orrel/pages/valuelist.h"
#include "orrel/ui/dialog.h"

namespace orrel {
namespace pages {

class EditListDialog : public ui::Dialog {
public:
    // titleId: a string of the module's string table ("Edit: Title");
    // showFirst false hides (and protects) the list's first node.
    EditListDialog(UINT titleId, ValueList& list, bool showFirst) noexcept;
    // A title given as text.
    EditListDialog(std::string title, ValueList& list, bool showFirst);

    // Runs the dialog modally over parent; the EndDialog value (IDOK) or -1.
    INT_PTR Run(HWND parent) noexcept { return DoModal(parent); }
    bool Modified() const noexcept { return modified_; }

    // The beep of Remove and of moves that cannot be made; MessageBeep by
    // default (tests count the beeps through it).
    using BeepFunction = BOOL(WINAPI*)(UINT);
    static void SetBeepFunction(BeepFunction beep) noexcept;

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnCancel() override;

private:
    std::size_t NodeIndex(int entry) const noexcept { return static_cast<std::size_t>(entry) + (showFirst_ ? 0 : 1); }
    void Add();
    void Remove();
    void MoveUp();
    void MoveDown();
    static void Beep() noexcept;

    UINT titleId_ = 0;
    std::string title_;
    ValueList& list_;
    bool showFirst_;
    bool modified_ = false;
};

}  // namespace pages
}  // namespace orrel
