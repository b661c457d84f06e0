// OrrelFind: the search extension's COM server. SearchExtension adds
// "&Search..." to the namespace's own folder menu and opens the search
// window on a user-interface thread of its own.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <halvet/spacelib.h>

#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/comguard.h"
#include "orrel/core/searchsite.h"
#include "orrel/module.h"
#include "orrel/registry.h"
#include "orrel/ui/messagebox.h"
#include "orrel/ui/thread.h"
#include "resource.h"
#include "searchwindow.h"

namespace orrel {
namespace find {

namespace {

const char kSettingsKey[] = "Software\\Corvane\\SearchExt";
const char kClsidKey[] = "CLSID\\%CLSID%";
const char kServerKey[] = "CLSID\\%CLSID%\\InProcServer32";

const RegRow kRegistration[] = {
    {HKEY_CLASSES_ROOT, kClsidKey, nullptr, RegRow::String, "Orrel Explorer Search", 0},
    {HKEY_CLASSES_ROOT, kServerKey, nullptr, RegRow::String, "%MODULE%", 0},
    {HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", RegRow::String, "Apartment", 0},
};

RegSubstitutions Substitutions()
{
    RegSubstitutions subs;
    char clsid[39];
    GuidToString(CLSID_OrrelFind, clsid);
    subs.clsid = clsid;
    char path[MAX_PATH] = "";
    if (Module::FileName(path, sizeof(path))) subs.module = path;
    return subs;
}

// The window's thread: the window runs modally, then the thread ends.
class SearchUiThread : public ui::UiThread {
public:
    explicit SearchUiThread(IOrrelRefresh* host) noexcept : ui::UiThread(true), host_(host) {}

protected:
    bool InitInstance() override
    {
        try {
            SearchWindow window(host_.Get());
            window.DoModal(nullptr);
        } catch (...) {
        }
        PostQuit();
        return true;
    }

private:
    ComPtr<IOrrelRefresh> host_;
};

}  // namespace

class SearchExtension final : public IShellExtInit, public IContextMenu, public ISearchSite {
public:
    ORREL_IUNKNOWN_METHODS(SearchExtension)
    static const QIEntry* QITable() noexcept
    {
        static const QIEntry table[] = {ORREL_QI(SearchExtension, IShellExtInit),
                                        ORREL_QI(SearchExtension, IContextMenu),
                                        ORREL_QI_IID(SearchExtension, ISearchSite, IID_ISearchSite),
                                        ORREL_QI_END};
        return table;
    }

    // IShellExtInit: exactly one selected directory object.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override
    {
        return ComGuard([&]() -> HRESULT {
            HSELECTION selection = nullptr;
            if (!SelectionOpen(data, &selection) || !selection) return E_FAIL;
            HRESULT hr = E_FAIL;
            if (SelectionCount(selection) == 1) {
                SelectedObject object{};
                if (SelectionGetObject(selection, 0, &object)) hr = S_OK;
                SelectionFreeObject(&object);
            }
            SelectionClose(selection);
            return hr;
        });
    }

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override
    {
        return ComGuard([&]() -> HRESULT {
            std::string text = ui::LoadModuleText(IDS_MENU_SEARCH);
            InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, text.c_str());
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
        });
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        return ComGuard([&]() -> HRESULT {
            if (!info || !IS_INTRESOURCE(info->lpVerb) || LOWORD(info->lpVerb) != 0) return E_NOTIMPL;
            auto* thread = new (std::nothrow) SearchUiThread(host_.Get());
            if (!thread) return E_OUTOFMEMORY;
            if (!thread->Start(static_cast<IContextMenu*>(this), 65535)) {
                delete thread;
                return E_NOTIMPL;
            }
            return S_OK;
        });
    }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT flags, UINT*, LPSTR name, UINT size) override
    {
        return ComGuard([&]() -> HRESULT {
            if ((flags & GCS_HELPTEXTA) && name && size > 0) {
                std::string text = ui::LoadModuleText(IDS_MENU_HELP);
                lstrcpynA(name, text.c_str(), static_cast<int>(size));
            }
            return S_OK;
        });
    }

    // ISearchSite
    STDMETHODIMP SetNamespaceHost(IOrrelRefresh* host) override
    {
        host_ = ComPtr<IOrrelRefresh>(host);
        return S_OK;
    }

private:
    ~SearchExtension() = default;
    RefCount refs_;
    ComPtr<IOrrelRefresh> host_;
};

namespace {

const FactoryEntry kClasses[] = {
    {&CLSID_OrrelFind, &CreateComObject<SearchExtension>},
};

}  // namespace

}  // namespace find
}  // namespace orrel

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        orrel::Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return orrel::GetClassObject(orrel::find::kClasses, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return orrel::Module::CanUnloadNow();
}

STDAPI DllRegisterServer()
{
    orrel::ComGuard([] {
        orrel::WriteRegistryRows(orrel::find::kRegistration, orrel::find::Substitutions());
        return S_OK;
    });
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    orrel::ComGuard([] {
        orrel::RegSubstitutions subs = orrel::find::Substitutions();
        orrel::DeleteKeyTree(HKEY_CLASSES_ROOT, orrel::ExpandRegText(orrel::find::kClsidKey, subs).c_str());
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, orrel::find::kSettingsKey);
        return S_OK;
    });
    return S_OK;
}

}  // extern "C"
