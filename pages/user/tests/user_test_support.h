// Helpers of the User page tests: the shared page test helpers
// (pages/common/testing) bound to OrrelUserPages.dll.
#pragma once

#include <shlobj.h>

#include "orrel/registry.h"
#include "pages_testing.h"

namespace usertest {

using namespace pagetest;

extern const CLSID kUserPagesClsid;
// OrrelUserPages.dll loaded once for the process.
const PageDll& UserPagesDll();
HMODULE UserPagesModule();
HRESULT GetUserPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// A User handler initialised with a data object carrying the given objects
// of ORREL_TREE.
orrel::ComPtr<IShellExtInit> MakeHandler(const std::vector<std::string>& objects,
                                         HRESULT* initResult = nullptr);

// Registers a DLL for the test; unregisters it afterwards unless it was
// registered before.
class Registration {
public:
    Registration(const char* dll, const char* clsid)
    {
        module_ = LoadLibraryA(BinPath(dll).c_str());
        before_ = orrel::KeyExists(HKEY_CLASSES_ROOT,
                                   (std::string("CLSID\\") + clsid + "\\InprocServer32").c_str());
        ok_ = Call("DllRegisterServer") == S_OK;
    }
    ~Registration()
    {
        if (!before_) Call("DllUnregisterServer");
        // The module stays loaded: the shell may still hold its objects.
    }
    bool Ok() const { return ok_; }

private:
    HRESULT Call(const char* name)
    {
        auto f = module_ ? reinterpret_cast<HRESULT(WINAPI*)()>(
                               reinterpret_cast<void*>(GetProcAddress(module_, name)))
                         : nullptr;
        return f ? f() : E_UNEXPECTED;
    }
    HMODULE module_ = nullptr;
    bool before_ = false;
    bool ok_ = false;
};

// The tree ORREL_TREE found through ORREL-FS1, as the demo configures it,
// and a shortcut to Sales.Corp at the top of the namespace.
void ConfigureTreeWithSales();
// A folder at the top of the namespace (Desktop -> Orrel Explorer -> name),
// bound through the shell; null when it is not there.
orrel::ComPtr<IShellFolder> OpenTopFolder(const char* name);

}  // namespace usertest
