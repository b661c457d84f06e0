// The end-to-end fixture: OrrelShell.dll registered by the test, the test
// directory image, class handlers and a stored configuration, and the shell's
// own desktop folder through which every test reaches the namespace.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "namespace_support.h"
#include "orrel/com.h"

namespace nstest {

// {76AAD001-C21A-11D1-8115-00C04FB67EB7}
extern const IID kIidRefresh;
extern const CLSID kClsidShell;
extern const wchar_t kParsingName[];  // L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}"

struct IRefresh : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
};

// The DLL's exports.
struct ShellDll {
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;
};
const ShellDll& Dll();

// The stored configuration every test starts from:
//   TESTTREE-TESTTREE            tree
//   Projects                     folder
//   Projects\Sub                 folder
//   Projects\TESTTREE-Sales.Org  shortcut to an Organizational Unit
//   TESTTREE-Admin.Org           a saved User entry (flags 0)
//   <80 x 'L'>                   folder with a long name
void WriteStandardConfiguration();
std::string LongFolderName();

// Runs this executable again with the given child task; its exit code.
DWORD RunChild(const char* task);
// The child task this process runs (empty in the parent).
std::string ChildTask();

// Shell access.
orrel::ComPtr<IShellFolder> Desktop();
Pidl RootPidl();
orrel::ComPtr<IShellFolder> BindRoot();
orrel::ComPtr<IShellFolder> Bind(IShellFolder* parent, LPCITEMIDLIST child);
std::vector<Pidl> Enumerate(IShellFolder* folder, SHCONTF flags);
std::string NameOf(IShellFolder* folder, LPCITEMIDLIST child, SHGDNF flags);
// The child with this in-folder name (null Pidl when none).
Pidl FindChild(IShellFolder* folder, const std::string& name, SHCONTF flags = 0x60);
std::vector<std::string> Names(IShellFolder* folder, SHCONTF flags);
// Reloads the namespace's configuration through IOrrelRefresh.
HRESULT RefreshNamespace();

class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override;
};

}  // namespace nstest
