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

void WriteText(orrel::RegKey& key, const char* name, const std::string& text)
{
    key.SetBinary(name, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

}  // namespace

// The namespace lists only classes with handlers: the containers above
// Sales have none in these tests.
void ConfigureTree()
{
    orrel::DeleteKeyTree(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders").c_str());
    orrel::RegKey trees;
    trees.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Trees").c_str());
    trees.SetString("ORREL_TREE", "ORREL-FS1");
    orrel::RegKey tree;
    tree.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders\\ORREL_TREE-ORREL_TREE").c_str());
    WriteText(tree, "DN", "");
    tree.SetDword("Flags", 0x1 | 0x100 | 0x200);  // container, shortcut, tree
    WriteText(tree, "DisplayName", "ORREL_TREE");
    WriteText(tree, "Tree", "ORREL_TREE");
    WriteText(tree, "Server", "ORREL-FS1");
    WriteText(tree, "Class", "Tree Root");

    orrel::RegKey sales;
    sales.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders\\ORREL_TREE-Sales.Corp").c_str());
    std::string path;
    orrel::EncodePath(".Sales.Corp", &path);
    WriteText(sales, "DN", path);
    sales.SetDword("Flags", 0x1 | 0x100);  // container, shortcut
    WriteText(sales, "DisplayName", "Sales");
    WriteText(sales, "Tree", "ORREL_TREE");
    WriteText(sales, "Server", "ORREL-FS1");
    WriteText(sales, "Class", "Organizational Unit");
}

std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST child)
{
    STRRET name = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name))) return std::string();
    char text[MAX_PATH] = {};
    StrRetToBufA(&name, child, text, sizeof text);
    return text;
}

LPITEMIDLIST FindChild(IShellFolder* folder, const char* name)
{
    orrel::ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK)
        return nullptr;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        if (DisplayName(folder, item) == name) return item;
        CoTaskMemFree(item);
    }
    return nullptr;
}

Texts ChildNames(IShellFolder* folder)
{
    Texts names;
    orrel::ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK) return names;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        names.push_back(DisplayName(folder, item));
        CoTaskMemFree(item);
    }
    return names;
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
