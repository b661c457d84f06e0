// The properties command: one menu item, "&Properties", for a single
// selected directory object. Invoked, it loads the page handlers registered
// for the object's class (HKCU "...\Classes\<class>\PropertyPages\{clsid}",
// by "LoadPriority"), lets each add its pages, and shows the sheet on a
// thread of its own, so that the browser goes on while the sheet is open.
// That thread holds the handlers, the data object and this DLL until the
// sheet closes.
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

// The sheet's own thread: shows the sheet modally and then lets go of
// everything the pages needed.
class SheetThread final : public orrel::ui::UiThread {
public:
    SheetThread(std::vector<HPROPSHEETPAGE> pages, std::vector<ComPtr<IShellPropSheetExt>> handlers,
                ComPtr<IDataObject> data, std::string caption)
        : UiThread(true), pages_(std::move(pages)), handlers_(std::move(handlers)),
          data_(std::move(data)), caption_(std::move(caption))
    {
    }
    ~SheetThread() override { DestroyUnshownPages(); }

protected:
    bool InitInstance() override
    {
        PROPSHEETHEADERA header;
        ZeroMemory(&header, sizeof header);
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPTITLE | PSH_NOCONTEXTHELP;
        header.hwndParent = nullptr;  // the browser's thread stays free
        header.hInstance = orrel::Module::ResourceInstance();
        header.pszCaption = caption_.c_str();
        header.nPages = static_cast<UINT>(pages_.size());
        header.phpage = pages_.data();
        PropertySheetA(&header);
        pages_.clear();  // the sheet destroyed them
        handlers_.clear();
        data_.Reset();
        PostQuit(0);
        return true;
    }

private:
    // Pages handed to no sheet (the thread did not start) are destroyed
    // here, which releases the page objects.
    void DestroyUnshownPages() noexcept
    {
        for (HPROPSHEETPAGE page : pages_) DestroyPropertySheetPage(page);
        pages_.clear();
    }

    std::vector<HPROPSHEETPAGE> pages_;
    std::vector<ComPtr<IShellPropSheetExt>> handlers_;
    ComPtr<IDataObject> data_;
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
        std::vector<HPROPSHEETPAGE> pages;
        std::vector<ComPtr<IShellPropSheetExt>> handlers;
        for (const PageHandler& entry : FindPageHandlers(className_)) {
            ComPtr<IShellExtInit> init;
            if (FAILED(CoCreateInstance(entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                        init.PutVoid())) ||
                !init)
                continue;
            if (FAILED(init->Initialize(nullptr, data_.Get(), nullptr))) continue;
            ComPtr<IShellPropSheetExt> sheetExt;
            if (FAILED(init.As(IID_IShellPropSheetExt, sheetExt)) || !sheetExt) continue;
            std::size_t before = pages.size();
            sheetExt->AddPages(&CollectPage, reinterpret_cast<LPARAM>(&pages));
            if (pages.size() > before) handlers.push_back(sheetExt);
        }
        if (pages.empty()) {
            orrel::ui::MessageBoxFromStrings(owner, IDS_PROPERTIES_NONE, IDS_PROPERTIES_CAPTION,
                                             MB_OK | MB_ICONSTOP);
            return S_OK;
        }
        auto* thread = new SheetThread(std::move(pages), std::move(handlers), data_, caption_);
        if (!thread->Start(static_cast<IShellExtInit*>(this))) {
            delete thread;  // destroys the pages no sheet took
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
