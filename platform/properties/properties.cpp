// The properties command: one menu item, "&Properties", for a single
// selected directory object. Invoked, it loads the page handlers registered
// for the object's class (HKCU "...\Classes\<class>\PropertyPages\{clsid}",
// by "LoadPriority") on a thread of its own, lets each add its pages and
// shows the sheet there, so that the browser goes on while the sheet is
// open. That thread holds the handlers, the data object, their DLLs and this
// one until the sheet closes.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "halvet/spacelib.h"
#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/comguard.h"
#include "orrel/module.h"
#include "orrel/registry.h"
#include "orrel/ui/messagebox.h"
#include "orrel/ui/thread.h"
#include "properties_res.h"

namespace {

using orrel::ComPtr;

// {0FEC2000-2800-11d3-8685-00A0C9D59E71}
const CLSID CLSID_PropertiesCommand = {
    0x0FEC2000, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const char kDescription[] = "Corvane Orrel Properties Handler";
const char kClassesKey[] = "Software\\Halvet\\Orrel NameSpace\\Classes";
const char kVerb[] = "properties";
constexpr std::size_t kMaxPages = MAXPROPPAGES;

struct PageHandler {
    CLSID clsid;
    DWORD priority;
};

// The page handlers of a class in the order of their "LoadPriority"
// (registry order among equals).
std::vector<PageHandler> FindPageHandlers(const std::string& className)
{
    std::vector<PageHandler> handlers;
    orrel::RegKey pages;
    std::string path = std::string(kClassesKey) + "\\" + className + "\\PropertyPages";
    if (className.empty() || pages.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) != ERROR_SUCCESS)
        return handlers;
    std::string name;
    for (DWORD i = 0; pages.EnumKey(i, &name) == ERROR_SUCCESS; ++i) {
        PageHandler handler{};
        if (!orrel::StringToGuid(name.c_str(), &handler.clsid)) continue;
        orrel::RegKey key;
        if (key.Open(pages.Get(), name.c_str(), KEY_READ) == ERROR_SUCCESS)
            key.QueryDword("LoadPriority", &handler.priority);
        handlers.push_back(handler);
    }
    std::stable_sort(handlers.begin(), handlers.end(),
                     [](const PageHandler& a, const PageHandler& b) { return a.priority < b.priority; });
    return handlers;
}

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM lParam)
{
    auto* pages = reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam);
    if (!page || pages->size() >= kMaxPages) return FALSE;
    try {
        pages->push_back(page);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

// The sheet's own thread: creates and initialises the page handlers, lets
// them add their pages, shows the sheet modally and then lets go of
// everything, so that each page DLL (its module counter, its resource
// library hook, its pages) runs on this one thread. The data object comes
// marshalled from the browser's thread. Each page DLL stays loaded until
// the sheet has ended and the last reference into it is gone.
class SheetThread final : public orrel::ui::UiThread {
public:
    SheetThread(IStream* data, std::vector<PageHandler> handlers, std::string caption)
        : UiThread(true), data_(data), handlers_(std::move(handlers)), caption_(std::move(caption))
    {
    }
    ~SheetThread() override
    {
        if (data_) {  // the thread never took it
            CoReleaseMarshalData(data_);
            data_->Release();
        }
    }

protected:
    bool InitInstance() override
    {
        ComPtr<IDataObject> data;
        IStream* stream = data_;
        data_ = nullptr;
        if (FAILED(CoGetInterfaceAndReleaseStream(stream, IID_IDataObject, data.PutVoid())))
            data.Reset();
        std::vector<HMODULE> modules;
        {
            std::vector<HPROPSHEETPAGE> pages;
            std::vector<ComPtr<IShellPropSheetExt>> handlers;
            if (data) AddPages(data.Get(), &pages, &handlers, &modules);
            if (pages.empty()) {
                orrel::ui::MessageBoxFromStrings(nullptr, IDS_PROPERTIES_NONE,
                                                 IDS_PROPERTIES_CAPTION, MB_OK | MB_ICONSTOP);
            } else {
                PROPSHEETHEADERA header;
                ZeroMemory(&header, sizeof header);
                header.dwSize = sizeof header;
                header.dwFlags = PSH_PROPTITLE | PSH_NOCONTEXTHELP;
                header.hwndParent = nullptr;  // the browser's thread stays free
                header.hInstance = orrel::Module::ResourceInstance();
                header.pszCaption = caption_.c_str();
                header.nPages = static_cast<UINT>(pages.size());
                header.phpage = pages.data();
                if (PropertySheetA(&header) < 0)
                    for (HPROPSHEETPAGE page : pages) DestroyPropertySheetPage(page);
            }
            // The sheet destroyed its pages; the handlers go now.
        }
        data.Reset();
        // No object of a page DLL is left: its module may go.
        for (HMODULE module : modules) FreeLibrary(module);
        PostQuit(0);
        return true;
    }

private:
    void AddPages(IDataObject* data, std::vector<HPROPSHEETPAGE>* pages,
                  std::vector<ComPtr<IShellPropSheetExt>>* handlers, std::vector<HMODULE>* modules)
    {
        for (const PageHandler& entry : handlers_) {
            ComPtr<IShellExtInit> init;
            if (FAILED(CoCreateInstance(entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                        init.PutVoid())) ||
                !init)
                continue;
            // A loader reference on the module of the handler's code, given
            // back after the sheet.
            HMODULE module = nullptr;
            if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   *reinterpret_cast<LPCSTR*>(init.Get()), &module) &&
                module)
                modules->push_back(module);
            if (FAILED(init->Initialize(nullptr, data, nullptr))) continue;
            ComPtr<IShellPropSheetExt> sheetExt;
            if (FAILED(init.As(IID_IShellPropSheetExt, sheetExt)) || !sheetExt) continue;
            std::size_t before = pages->size();
            sheetExt->AddPages(&CollectPage, reinterpret_cast<LPARAM>(pages));
            if (pages->size() > before) handlers->push_back(sheetExt);
        }
    }

    IStream* data_;
    std::vector<PageHandler> handlers_;
    std::string caption_;
};

class PropertiesCommand final : public IShellExtInit, public IContextMenu {
public:
    ORREL_IUNKNOWN_METHODS(PropertiesCommand)
    static const orrel::QIEntry* QITable() noexcept
    {
        static const orrel::QIEntry table[] = {
            ORREL_QI(PropertiesCommand, IShellExtInit),
            ORREL_QI(PropertiesCommand, IContextMenu),
            ORREL_QI_END,
        };
        return table;
    }

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override
    {
        return orrel::ComGuard([&]() -> HRESULT {
            data_.Reset();
            className_.clear();
            caption_.clear();
            HSELECTION selection = nullptr;
            if (!data || !SelectionOpen(data, &selection)) return E_FAIL;
            HRESULT hr = E_FAIL;
            SelectedObject object;
            std::memset(&object, 0, sizeof object);
            if (SelectionCount(selection) == 1 && SelectionGetObject(selection, 0, &object)) {
                className_ = object.className ? object.className : "";
                caption_ = object.displayName && *object.displayName ? object.displayName
                           : object.objectName                        ? object.objectName
                                                                      : "";
                SelectionFreeObject(&object);
                data_ = ComPtr<IDataObject>(data);
                hr = S_OK;
            }
            SelectionClose(selection);
            return hr;
        });
    }

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override
    {
        return orrel::ComGuard([&]() -> HRESULT {
            // Not the default item: the namespace opens objects with that.
            if (!data_ || !menu || first > last || (flags & CMF_DEFAULTONLY))
                return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
            std::string text = orrel::ui::LoadModuleText(IDS_PROPERTIES_MENU);
            if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, text.c_str()))
                return orrel::HResultFromLastError();
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
        });
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        if (!info) return E_INVALIDARG;
        return orrel::ComGuard([&]() -> HRESULT {
            if (IS_INTRESOURCE(info->lpVerb)) {
                if (LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb)) != 0) return E_INVALIDARG;
            } else if (lstrcmpiA(info->lpVerb, kVerb) != 0) {
                return E_INVALIDARG;
            }
            if (!data_) return E_FAIL;
            return ShowSheet(info->hwnd);
        });
    }

    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, CHAR* name, UINT size) override
    {
        if (id != 0) return E_INVALIDARG;
        return orrel::ComGuard([&]() -> HRESULT {
            std::string text;
            switch (type) {
            case GCS_VALIDATEA:
            case GCS_VALIDATEW:
                return S_OK;
            case GCS_VERBA:
            case GCS_VERBW:
                text = kVerb;
                break;
            case GCS_HELPTEXTA:
            case GCS_HELPTEXTW:
                text = orrel::ui::LoadModuleText(IDS_PROPERTIES_HELP);
                break;
            default:
                return E_INVALIDARG;
            }
            if (!name || size == 0) return E_INVALIDARG;
            if (type & GCS_UNICODE) {
                auto* wide = reinterpret_cast<WCHAR*>(name);
                if (!MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, static_cast<int>(size)))
                    return E_INVALIDARG;
            } else {
                lstrcpynA(name, text.c_str(), static_cast<int>(size));
            }
            return S_OK;
        });
    }

private:
    friend HRESULT CreateCommand(REFIID, void**);
    ~PropertiesCommand() = default;

    HRESULT ShowSheet(HWND owner)
    {
        std::vector<PageHandler> handlers = FindPageHandlers(className_);
        if (handlers.empty()) {
            orrel::ui::MessageBoxFromStrings(owner, IDS_PROPERTIES_NONE, IDS_PROPERTIES_CAPTION,
                                             MB_OK | MB_ICONSTOP);
            return S_OK;
        }
        IStream* stream = nullptr;
        HRESULT hr = CoMarshalInterThreadInterfaceInStream(IID_IDataObject, data_.Get(), &stream);
        if (FAILED(hr)) return hr;
        auto* thread = new SheetThread(stream, std::move(handlers), caption_);
        if (!thread->Start(static_cast<IShellExtInit*>(this))) {
            delete thread;  // releases the marshalled data object
            return E_FAIL;
        }
        return S_OK;
    }

    orrel::RefCount refs_;
    ComPtr<IDataObject> data_;
    std::string className_;
    std::string caption_;
};

HRESULT CreateCommand(REFIID riid, void** ppv)
{
    return orrel::CreateAndQuery<PropertiesCommand>(riid, ppv);
}

const orrel::FactoryEntry kClasses[] = {{&CLSID_PropertiesCommand, &CreateCommand}};

std::string ClassKeyPath()
{
    char clsid[39];
    orrel::GuidToString(CLSID_PropertiesCommand, clsid);
    return std::string("Software\\Classes\\CLSID\\") + clsid;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        orrel::Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return orrel::GetClassObject(kClasses, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return orrel::Module::CanUnloadNow();
}

STDAPI DllRegisterServer()
{
    return orrel::GuardedCall(S_OK, [] {
        char path[MAX_PATH + 1] = {};
        if (!orrel::Module::FileName(path, sizeof path)) return S_OK;
        orrel::RegKey key;
        if (key.Create(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str()) == ERROR_SUCCESS) {
            key.SetString(nullptr, kDescription);
            orrel::RegKey server;
            if (server.Create(key.Get(), "InprocServer32") == ERROR_SUCCESS) {
                server.SetString(nullptr, path);
                server.SetString("ThreadingModel", "Apartment");
            }
        }
        return S_OK;
    });
}

STDAPI DllUnregisterServer()
{
    return orrel::GuardedCall(S_OK, [] {
        orrel::DeleteKeyTree(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str());
        return S_OK;
    });
}
