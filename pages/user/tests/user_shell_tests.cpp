// The User pages as a user reaches them: OrrelShell, OrrelUserPages and the
// properties command registered in the test prefix, the sample's main tree
// configured, a User picked in the namespace and "Properties" chosen from
// its item menu; the sheet the command opens is read and photographed.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "orrel/core/itemrecord.h"
#include "orrel/registry.h"
#include "user_test_support.h"

namespace {

using namespace usertest;

const char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";

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

void WriteText(orrel::RegKey& key, const char* name, const std::string& text)
{
    key.SetBinary(name, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The tree ORREL_TREE found through ORREL-FS1, as the demo configures it,
// and a shortcut to Sales.Corp at the top (the namespace lists only classes
// with handlers: the containers above Sales have none in this test).
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

// The child of a folder with this display name (freed by the caller).
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

// A property sheet of this process (on any thread) with a tab control.
HWND FindSheet()
{
    struct Search {
        HWND found;
    } search = {nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            char cls[16] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd) &&
                FindWindowExA(hwnd, nullptr, "SysTabControl32", nullptr)) {
                reinterpret_cast<Search*>(lp)->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(UserPagesInTheShell, PropertiesOfAUserInTheNamespaceOpenItsPages)
{
    SampleImage image;
    Registration shell("OrrelShell.dll", "{76AAD000-C21A-11D1-8115-00C04FB67EB7}");
    Registration pages("OrrelUserPages.dll", "{0FEC5132-2800-11D3-8685-00A0C9D59E71}");
    Registration command("OrrelProperties.dll", "{0FEC2000-2800-11D3-8685-00A0C9D59E71}");
    ASSERT_TRUE(shell.Ok() && pages.Ok() && command.Ok());
    ConfigureTree();

    // Desktop -> Orrel Explorer -> Sales (a shortcut) -> JDoe.
    orrel::ComPtr<IShellFolder> folder;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(folder.Put()));
    wchar_t root[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(S_OK, folder->ParseDisplayName(nullptr, nullptr, root, nullptr, &list, nullptr));
    for (const char* name : {"", "Sales"}) {
        if (*name) {
            CoTaskMemFree(list);
            list = FindChild(folder.Get(), name);
            ASSERT_NE(nullptr, list) << "no \"" << name << "\" in the namespace";
        }
        orrel::ComPtr<IShellFolder> next;
        ASSERT_EQ(S_OK, folder->BindToObject(list, nullptr, IID_IShellFolder, next.PutVoid())) << name;
        folder = next;
    }
    CoTaskMemFree(list);
    LPITEMIDLIST user = FindChild(folder.Get(), "JDoe");
    ASSERT_NE(nullptr, user);

    // The item menu lists the class's handlers; "Properties" opens the sheet.
    orrel::ComPtr<IContextMenu> menu;
    LPCITEMIDLIST one[] = {user};
    ASSERT_EQ(S_OK, folder->GetUIObjectOf(nullptr, 1, one, IID_IContextMenu, nullptr, menu.PutVoid()));
    CoTaskMemFree(user);
    HMENU popup = CreatePopupMenu();
    ASSERT_TRUE(SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL)));
    UINT properties = 0;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[64] = {};
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (lstrcmpA(text, "&Properties") == 0) properties = GetMenuItemID(popup, i);
    }
    DestroyMenu(popup);
    ASSERT_NE(0u, properties) << "the item menu has no \"&Properties\"";
    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = MAKEINTRESOURCEA(properties - 1);
    invoke.nShow = SW_SHOWNORMAL;
    ASSERT_EQ(S_OK, menu->InvokeCommand(&invoke));

    HWND sheet = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (sheet = FindSheet()) != nullptr; }, 15000))
        << "no property sheet opened";
    HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) == 8; }))
        << SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) << " pages";
    char caption[128] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = sizeof caption;
    SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ("Personal Information", caption);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_EQ("John", ItemText(page, 1001));

    std::string folderPath = BinPath("..\\user-pages-screens");
    CreateDirectoryA(folderPath.c_str(), nullptr);
    SetWindowPos(sheet, HWND_TOPMOST, 60, 60, 0, 0, SWP_NOSIZE);
    Pump(500);
    std::size_t colours = 0;
    EXPECT_TRUE(SaveScreenshot(sheet, folderPath + "\\properties-command.png", &colours));
    EXPECT_GE(colours, 8u);

    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(sheet); }, 10000)) << "the sheet did not close";
    menu.Reset();
    folder.Reset();
    Pump(500);  // the sheet's thread lets its handlers go
}

}  // namespace
