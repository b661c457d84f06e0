#include "user_test_support.h"

#include <shlwapi.h>

#include "orrel/core/itemrecord.h"
#include "orrel/registry.h"

namespace usertest {

// {0FEC5132-2800-11D3-8685-00A0C9D59E71}
const CLSID kUserPagesClsid = {
    0x0FEC5132, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const PageDll& UserPagesDll()
{
    static const PageDll dll("OrrelUserPages.dll", kUserPagesClsid);
    return dll;
}

HMODULE UserPagesModule()
{
    return UserPagesDll().Module();
}

HRESULT GetUserPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return UserPagesDll().ClassObject(clsid, riid, ppv);
}

orrel::ComPtr<IShellExtInit> MakeHandler(const std::vector<std::string>& objects,
                                         HRESULT* initResult)
{
    return UserPagesDll().MakeHandler("User", objects, initResult);
}

namespace {

const char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";

}  // namespace

// The namespace lists only classes with handlers: the containers above
// Sales have none in these tests.
void ConfigureTreeWithSales()
{
    ConfigureTree();
    orrel::RegKey sales;
    sales.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders\\ORREL_TREE-Sales.Corp").c_str());
    std::string path;
    orrel::EncodePath(".Sales.Corp", &path);
    WriteItemText(sales.Get(), "DN", path);
    sales.SetDword("Flags", 0x1 | 0x100);  // container, shortcut
    WriteItemText(sales.Get(), "DisplayName", "Sales");
    WriteItemText(sales.Get(), "Tree", "ORREL_TREE");
    WriteItemText(sales.Get(), "Server", "ORREL-FS1");
    WriteItemText(sales.Get(), "Class", "Organizational Unit");
}

orrel::ComPtr<IShellFolder> OpenTopFolder(const char* name)
{
    orrel::ComPtr<IShellFolder> desktop, top, folder;
    if (SHGetDesktopFolder(desktop.Put()) != S_OK) return folder;
    wchar_t root[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";
    LPITEMIDLIST list = nullptr;
    if (desktop->ParseDisplayName(nullptr, nullptr, root, nullptr, &list, nullptr) != S_OK) return folder;
    HRESULT hr = desktop->BindToObject(list, nullptr, IID_IShellFolder, top.PutVoid());
    CoTaskMemFree(list);
    if (hr != S_OK) return folder;
    list = FindChild(top.Get(), name);
    if (!list) return folder;
    if (top->BindToObject(list, nullptr, IID_IShellFolder, folder.PutVoid()) != S_OK) folder.Reset();
    CoTaskMemFree(list);
    return folder;
}

}  // namespace usertest
