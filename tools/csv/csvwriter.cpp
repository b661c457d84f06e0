// OrrelCsvWriter: "Export objects..." on selected directory objects of one
// class writes their chosen attributes to a comma-separated file.
#include <windows.h>

#include "exportdialog.h"
#include "orrel/tools/objecttool.h"
#include "orrel/tools/tooldll.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace {

using orrel::tools::ObjectTool;
using orrel::tools::SelectedItem;

// {84FFC889-921C-11D3-91F7-E8EB3BEB7451}
const CLSID CLSID_OrrelCsvWriter = {
    0x84FFC889, 0x921C, 0x11D3, {0x91, 0xF7, 0xE8, 0xEB, 0x3B, 0xEB, 0x74, 0x51}};

class CsvWriterTool final : public ObjectTool {
public:
    CsvWriterTool() noexcept : ObjectTool(IDS_CSV_HELP) {}

protected:
    // Objects of one class only.
    HRESULT CheckSelection() override { return RequireSameClass(); }

    bool MenuText(std::string* text) override
    {
        *text = orrel::ui::LoadModuleText(Count() < 2 ? IDS_CSV_MENU_ONE : IDS_CSV_MENU_SEVERAL);
        return !text->empty();
    }

    HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override
    {
        std::vector<orrel::csv::ExportObject> objects;
        SelectedItem item;
        for (int i = 0; i < Count(); ++i) {
            if (Object(i, &item)) objects.push_back({item.objectName, item.treeName, item.nameContext});
        }
        orrel::csv::ExportDialog dialog(std::move(objects));
        dialog.DoModal(nullptr);
        return E_NOTIMPL;
    }
};

const char* const kClasses[] = {"User"};

const orrel::tools::ToolInfo kCsvWriter = {
    &CLSID_OrrelCsvWriter,
    "Corvane Orrel Export Context Menu",
    "Corvane Orrel Export Object Context Menu",
    kClasses,
    1,
    1,
    1,
    nullptr,
    &orrel::CreateComObject<CsvWriterTool>,
};

}  // namespace

ORREL_TOOL_DLL(kCsvWriter)
