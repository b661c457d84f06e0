// Helpers of the object tools' tests, written once for every tool: a tool
// DLL loaded as a COM server, a tool made and initialised with a real
// "Orrel::Object" data object, its menu and help texts, the namespace's item
// UI object over registered tools, and Wine's mail and web handlers pointed
// at a recorder. The page tests' helpers (modal scripts, dialogs, the sample
// image, screenshots) are shared, not copied.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "../../../pages/common/tests/com_test_support.h"
#include "orrel/com.h"
#include "orrel/registry.h"
#include "pages_testing.h"

namespace tooltest {

using pagetest::ChildNames;
using pagetest::Click;
using pagetest::ConfigureTree;
using pagetest::FindChild;
using pagetest::FindDialog;
using pagetest::ListBoxTexts;
using pagetest::ModalScript;
using pagetest::PumpUntil;
using pagetest::SampleImage;
using pagetest::SaveScreenshot;
// The texts of a dialog's static controls, joined.
inline std::string DialogStaticText(HWND dialog)
{
    return pagetest::StaticTexts(dialog, "");
}
using pages_test::RegDword;
using pages_test::RegKeyExists;
using pages_test::RegString;

extern const CLSID kCsvWriterClsid;  // {84FFC889-921C-11D3-91F7-E8EB3BEB7451}
extern const CLSID kMailLinkClsid;   // {0FEC2002-2800-11D3-8685-00A0C9D59E71}
extern const CLSID kWebPageClsid;    // {5C394A40-7FF8-11D3-91D0-B247F6229351}

std::string BinPath(const char* file);
// A folder under the build folder for a test's artefacts (made when missing).
std::string ArtefactFolder(const char* name);

// A tool DLL of build/bin, loaded once per process and never freed.
HMODULE ToolModule(const char* dll);
HRESULT CallToolExport(const char* dll, const char* name);

// One selected object of ORREL_TREE: its class and absolute dotted name.
struct Obj {
    const char* className;
    const char* name;  // ".JDoe.Sales.Corp"
};

// A tool made through its DLL's class object, initialised with a data
// object carrying objects. *init receives Initialize's result.
orrel::ComPtr<IContextMenu> MakeTool(const char* dll, REFCLSID clsid, const std::vector<Obj>& objects,
                                     HRESULT* init = nullptr);

// What QueryContextMenu put into a new popup menu (first id given).
struct MenuResult {
    HRESULT hr = E_FAIL;
    std::vector<std::string> texts;
    std::vector<UINT> ids;
};
MenuResult QueryMenu(IContextMenu* menu, UINT firstId = 1);
// InvokeCommand with an integer verb.
HRESULT InvokeVerb(IContextMenu* menu, UINT verb);
// GetCommandString(GCS_HELPTEXTA) of an id offset into a 256-byte buffer.
std::string HelpText(IContextMenu* menu, UINT_PTR id, HRESULT* hr);

// Registers DLLs of build/bin for a test; unregisters each afterwards unless
// it was registered before.
class Registration {
public:
    Registration(const char* dll, const CLSID& clsid);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    bool Ok() const { return ok_; }

private:
    std::string dll_;
    bool before_ = false;
    bool ok_ = false;
};

// The namespace folder of a path below the configured tree, e.g.
// {"Corp", "Sales"}; null when a step is missing.
orrel::ComPtr<IShellFolder> BindPath(const std::vector<std::string>& path);
// The absolute identifier list (task allocator) of a path below the
// configured tree ({} for the tree itself); null when a step is missing.
LPITEMIDLIST AbsolutePath(const std::vector<std::string>& path);
// The namespace's item UI object (IContextMenu) for children of a folder.
orrel::ComPtr<IContextMenu> ItemMenu(IShellFolder* folder, const std::vector<std::string>& children);

// Points Wine's web browser ("Browsers") or mail handler ("Mailers") at a
// recorder that appends each address it is asked to open to a file.
class UrlRecorder {
public:
    explicit UrlRecorder(const char* setting);
    ~UrlRecorder();
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;
    // The addresses recorded so far, one a line.
    std::string Recorded() const;
    // Waits until something was recorded (true) or the time is up.
    bool WaitForRecord(DWORD timeoutMs = 15000) const;

private:
    std::string setting_;
    std::string record_;
    orrel::RegKey key_;
    bool had_ = false;
    std::string before_;
};

std::string ReadFileBytes(const std::string& path);

}  // namespace tooltest
