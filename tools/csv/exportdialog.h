// The dialog "Export Object Data": the fields the selected objects' classes
// offer, the ordered list of fields to export, and the export into a file
// chosen with the save dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "exportdata.h"
#include "orrel/ui/dialog.h"

namespace orrel {
namespace csv {

class ExportDialog final : public ui::Dialog {
public:
    // The selection's objects in selection order.
    explicit ExportDialog(std::vector<ExportObject> objects);

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;

private:
    HWND Available() const noexcept { return Item(2001); }
    HWND ToExport() const noexcept { return Item(2002); }
    // Moves the selected (or, with all, every) entries from one list to the
    // other's end (the available list sorts them).
    void Move(HWND from, HWND to, bool all);
    void MoveSelected(int step);
    void Refresh();
    void UpdateExtent(HWND list) const;
    bool ChooseFile(std::string* path);
    bool WriteFile(const std::string& path);

    std::vector<ExportObject> objects_;
};

}  // namespace csv
}  // namespace orrel
