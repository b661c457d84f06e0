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
    ConfigureTreeWithSales();

    // Desktop -> Orrel Explorer -> Sales (a shortcut) -> JDoe.
    orrel::ComPtr<IShellFolder> folder = OpenTopFolder("Sales");
    ASSERT_TRUE(folder) << "no \"Sales\" in the namespace";
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
