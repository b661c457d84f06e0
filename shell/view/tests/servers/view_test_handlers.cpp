// The extension objects of the view tests (see view_test_handlers.h). The
// search stand-in answers the search extension's class identifier.
#include "view_test_handlers.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/core/searchsite.h"
#include "orrel/module.h"

namespace {

std::string g_log;

void Log(const std::string& line)
{
    g_log += line;
    g_log += '\n';
}

std::string Describe(LPCMINVOKECOMMANDINFO info)
{
    char text[160];
    if (!info) return "null";
    std::snprintf(text, sizeof text, "verb=%u size=%lu owner=%s show=%d mask=0x%lx",
                  IS_INTRESOURCE(info->lpVerb)
                      ? static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(info->lpVerb))
                      : 0xFFFFu,
                  static_cast<unsigned long>(info->cbSize), info->hwnd ? "window" : "none",
                  info->nShow, static_cast<unsigned long>(info->fMask));
    return text;
}

// A context-menu handler with a fixed list of items.
class MenuHandler : public IShellExtInit, public IContextMenu {
public:
    MenuHandler(const char* name, bool withDefault) noexcept : name_(name), default_(withDefault) {}

    STDMETHODIMP Initialize(LPCITEMIDLIST, IDataObject* data, HKEY) override
    {
        Log(std::string(name_) + " Initialize data=" + (data ? "yes" : "no"));
        return S_OK;
    }
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT first, UINT, UINT) override
    {
        if (default_) {
            InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, first, "&Open Object");
            SetMenuDefaultItem(menu, first, FALSE);
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
        }
        InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, first, "Handler &One");
        InsertMenuA(menu, position + 1, MF_BYPOSITION | MF_STRING, first + 1, "Handler &Two");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
    }
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override
    {
        Log(std::string(name_) + " InvokeCommand " + Describe(info));
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }

protected:
    virtual ~MenuHandler() = default;

private:
    const char* name_;
    bool default_;
};

class TestMenu final : public MenuHandler {
public:
    TestMenu() noexcept : MenuHandler("TestMenu", false) {}
    ORREL_IUNKNOWN_METHODS(TestMenu)
    static const orrel::QIEntry* QITable() noexcept
    {
        static const orrel::QIEntry table[] = {ORREL_QI(TestMenu, IShellExtInit),
                                               ORREL_QI(TestMenu, IContextMenu), ORREL_QI_END};
        return table;
    }

private:
    orrel::RefCount refs_;
};

class TestDefaultMenu final : public MenuHandler {
public:
    TestDefaultMenu() noexcept : MenuHandler("TestDefaultMenu", true) {}
    ORREL_IUNKNOWN_METHODS(TestDefaultMenu)
    static const orrel::QIEntry* QITable() noexcept
    {
        static const orrel::QIEntry table[] = {ORREL_QI(TestDefaultMenu, IShellExtInit),
                                               ORREL_QI(TestDefaultMenu, IContextMenu),
                                               ORREL_QI_END};
        return table;
    }

private:
    orrel::RefCount refs_;
};

// The search extension as the namespace sees it: one "&Search..." item, the
// namespace host kept until the command runs, which refreshes through it.
class TestSearch final : public IShellExtInit, public IContextMenu, public ISearchSite {
public:
    ORREL_IUNKNOWN_METHODS(TestSearch)
    static const orrel::QIEntry* QITable() noexcept
    {
        static const orrel::QIEntry table[] = {ORREL_QI(TestSearch, IShellExtInit),
                                               ORREL_QI(TestSearch, IContextMenu),
                                               ORREL_QI(TestSearch, ISearchSite), ORREL_QI_END};
        return table;
    }
    TestSearch() noexcept { Log("TestSearch Created"); }

    STDMETHODIMP Initialize(LPCITEMIDLIST, IDataObject*, HKEY) override
    {
        Log("TestSearch Initialize");
        return S_OK;
    }
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT first, UINT last, UINT) override
    {
        char text[96];
        std::snprintf(text, sizeof text, "TestSearch QueryContextMenu position=%u first=%u last=%u",
                      position, first, last);
        Log(text);
        InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, first, "&Search...");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
    }
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override
    {
        Log("TestSearch InvokeCommand " + Describe(info) + " host=" + (host_ ? "set" : "none"));
        if (host_) Log(std::string("TestSearch Refresh ") + (SUCCEEDED(host_->Refresh()) ? "ok" : "failed"));
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
    STDMETHODIMP SetNamespaceHost(IOrrelRefresh* host) override
    {
        Log(std::string("TestSearch SetNamespaceHost ") + (host ? "host" : "null"));
        host_ = orrel::ComPtr<IOrrelRefresh>(host);
        return S_OK;
    }

private:
    ~TestSearch() { Log("TestSearch Released"); }
    orrel::RefCount refs_;
    orrel::ComPtr<IOrrelRefresh> host_;
};

const orrel::FactoryEntry kClasses[] = {
    {&vtest::kClsidTestMenu, &orrel::CreateComObject<TestMenu>},
    {&vtest::kClsidTestDefaultMenu, &orrel::CreateComObject<TestDefaultMenu>},
    {&CLSID_OrrelFind, &orrel::CreateComObject<TestSearch>},
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) orrel::Module::Attach(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return orrel::GetClassObject(kClasses, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;  // the log lives as long as the test
}

__declspec(dllexport) int __cdecl ViewTestLog(char* buffer, int size)
{
    if (!buffer || size <= 0) return static_cast<int>(g_log.size());
    const int n = static_cast<int>(g_log.size()) < size - 1 ? static_cast<int>(g_log.size()) : size - 1;
    std::memcpy(buffer, g_log.data(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
}

__declspec(dllexport) void __cdecl ViewTestReset()
{
    g_log.clear();
}

}  // extern "C"
