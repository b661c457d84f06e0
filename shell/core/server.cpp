// OrrelShell.dll's entry points: DllMain, the class object of the namespace
// folder, the idle unload rule, and registration.
//
// Nothing here initialises COM: DllMain runs under the loader lock on the
// host's thread, where COM initialisation is unsafe; the item UI object
// initialises COM itself when a handler's creation reports that it is not.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/core/config.h"
#include "orrel/core/folder.h"
#include "orrel/core/orrelrefresh.h"
#include "orrel/core/shellglobals.h"
#include "orrel/module.h"
#include "orrel/registry.h"
#include "orrel/ui/window.h"

namespace orrel {
namespace {

IdleUnloadRule g_idle;

void CountChanged(LONG, bool) noexcept
{
    g_idle.Touch();
}

HRESULT CreateNamespaceFolder(REFIID riid, void** ppv) noexcept
{
    NamespaceModel* model = TheModel();
    if (!model) return E_FAIL;
    return CreateAndQuery<NamespaceFolder>(riid, ppv, *model);
}

const FactoryEntry kClasses[] = {
    {&CLSID_OrrelShell, &CreateNamespaceFolder},
};

#define ORREL_SHELL_CLSID_TEXT "{76AAD000-C21A-11D1-8115-00C04FB67EB7}"
#define ORREL_NAMESPACE_CLASSES "Software\\Halvet\\Orrel Namespace\\Classes"

// Written in this order; %CLSID% is the registry form of the namespace's
// class identifier, %MODULE% the full path of this DLL. The class handler
// rows carry their identifiers as fixed text.
const RegRow kRegistration[] = {
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%", nullptr, RegRow::String, "Orrel Explorer", 0},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\InProcServer32", nullptr, RegRow::String, "%MODULE%", 0},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\InProcServer32", "ThreadingModel", RegRow::String,
     "Apartment", 0},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\DefaultIcon", nullptr, RegRow::String, "%MODULE%,0", 0},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\ShellFolder", "Attributes", RegRow::Dword, nullptr,
     0xA0000140},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\shellex\\IconHandler", nullptr, RegRow::String,
     "%CLSID%", 0},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\shellex\\ContextMenuHandlers\\%CLSID%", nullptr,
     RegRow::Key, nullptr, 0},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
     ORREL_SHELL_CLSID_TEXT, RegRow::String, "Orrel Explorer", 0},
    {HKEY_LOCAL_MACHINE,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\%CLSID%", nullptr,
     RegRow::String, "Orrel Explorer", 0},
    {HKEY_CURRENT_USER, "Software\\Halvet\\Orrel Namespace\\Folders", nullptr, RegRow::Key, nullptr,
     0},
    {HKEY_CURRENT_USER, "Software\\Halvet\\Orrel Namespace\\Trees", nullptr, RegRow::Key, nullptr,
     0},
    {HKEY_CURRENT_USER, ORREL_NAMESPACE_CLASSES, nullptr, RegRow::Key, nullptr, 0},
    {HKEY_CURRENT_USER, ORREL_NAMESPACE_CLASSES "\\Ombra::Folder", nullptr, RegRow::Key, nullptr, 0},
    {HKEY_CURRENT_USER,
     ORREL_NAMESPACE_CLASSES
     "\\Ombra::Folder\\DropTargetHandlers\\{76AAD000-C21A-11d1-8115-00C04FB67EB7}",
     nullptr, RegRow::String, "Orrel Explorer", 0},
    {HKEY_CURRENT_USER,
     ORREL_NAMESPACE_CLASSES "\\Ombra::Folder\\ContextMenus\\{76AAD000-C21A-11d1-8115-00C04FB67EB7}",
     nullptr, RegRow::String, "Orrel Explorer", 0},
    {HKEY_CURRENT_USER,
     ORREL_NAMESPACE_CLASSES "\\Ombra::Folder\\IconHandler\\{0FEC1000-2900-11d3-8685-00A0C9D59E71}",
     nullptr, RegRow::String, "Default Icon Handler", 0},
};

// Removed, each with its whole subtree; the approval value stays.
const RegRow kUnregistration[] = {
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%", nullptr, RegRow::Key, nullptr, 0},
    {HKEY_CURRENT_USER, "Software\\Halvet\\Orrel Namespace", nullptr, RegRow::Key, nullptr, 0},
    {HKEY_LOCAL_MACHINE,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\%CLSID%", nullptr,
     RegRow::Key, nullptr, 0},
};

// What every shell view should look at again after (un)registration.
constexpr LONG kRegistrationEvents = 0x0C0581E0;

RegSubstitutions Substitutions()
{
    RegSubstitutions subs;
    char clsid[39];
    GuidToString(CLSID_OrrelShell, clsid);
    subs.clsid = clsid;
    // A path that does not fit is never written cut short: rows that need
    // it are left out instead.
    std::string module(32768, '\0');
    if (Module::FileName(&module[0], static_cast<DWORD>(module.size())))
        subs.module = module.c_str();
    return subs;
}

bool NeedsModule(const RegRow& row)
{
    return (row.text && std::string(row.text).find("%MODULE%") != std::string::npos);
}

}  // namespace
}  // namespace orrel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    using namespace orrel;
    if (reason == DLL_PROCESS_ATTACH) {
        Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
        Module::SetCountHook(&CountChanged);
    } else if (reason == DLL_PROCESS_DETACH) {
        Module::SetCountHook(nullptr);
        // On FreeLibrary the model and the table go (plain memory, no COM),
        // and the window classes, whose procedure is about to go with the
        // DLL. At process exit everything is left to the system.
        if (!reserved) {
            ReleaseNamespace();
            ui::Window::UnregisterClasses();
        }
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    using namespace orrel;
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_OrrelShell)) return CLASS_E_CLASSNOTAVAILABLE;
    if (!StartNamespace()) return E_FAIL;
    return GetClassObject(kClasses, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return orrel::g_idle.CanUnloadNow(orrel::Module::LockCount());
}

STDAPI DllRegisterServer()
{
    using namespace orrel;
    try {
        const RegSubstitutions subs = Substitutions();
        for (const RegRow& row : kRegistration) {
            if (subs.module.empty() && NeedsModule(row)) continue;
            WriteRegistryRows(&row, 1, subs);
        }
    } catch (...) {
        // Registration never reports failure; what could not be written is missing.
    }
    SHChangeNotify(kRegistrationEvents, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    using namespace orrel;
    try {
        DeleteRegistryKeys(kUnregistration, sizeof kUnregistration / sizeof kUnregistration[0],
                           Substitutions());
    } catch (...) {
    }
    SHChangeNotify(kRegistrationEvents, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    return S_OK;
}
