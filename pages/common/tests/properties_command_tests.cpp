// The properties command through COM, as the namespace's item UI object
// uses it: the menu it adds, and the sheet it opens on a thread of its own
// from the page handlers registered for the object's class.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "com_test_support.h"
#include "orrel/com.h"
#include "pages_test_support.h"

namespace {

using orrel::ComPtr;
using pages_test::BinPath;
using pages_test::ObjectDataObject;
using pages_test::PumpUntil;
using pages_test::Selected;
using pages_test::TestImage;

// {0FEC2000-2800-11d3-8685-00A0C9D59E71}
const CLSID kCommand = {0x0FEC2000, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const Selected kPat = {"Pat", "Pages Test Class", ".Pat.Test", "PAGES_TREE"};
const Selected kSam = {"Sam", "Pages Test Class", ".Sam.Test", "PAGES_TREE"};

struct SheetFound {
    HWND sheet = nullptr;
};

BOOL CALLBACK FindSheet(HWND hwnd, LPARAM lp)
{
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || thread == GetCurrentThreadId() || !IsWindowVisible(hwnd))
        return TRUE;
    if (!FindWindowExA(hwnd, nullptr, "SysTabControl32", nullptr)) return TRUE;
    reinterpret_cast<SheetFound*>(lp)->sheet = hwnd;
    return FALSE;
}

// A visible property sheet of another thread of this process.
HWND OtherThreadsSheet()
{
    SheetFound found;
    EnumWindows(&FindSheet, reinterpret_cast<LPARAM>(&found));
    return found.sheet;
}

HMODULE CommandModule()
{
    static HMODULE module = LoadLibraryA(BinPath("OrrelProperties.dll").c_str());
    return module;
}

class PropertiesCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, CommandModule());
        ASSERT_NE(nullptr, pages_test::TestPagesModule());
        ASSERT_EQ(S_OK, pages_test::CallExport(CommandModule(), "DllRegisterServer"));
        ASSERT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllRegisterServer"));
    }
    void TearDown() override
    {
        EXPECT_TRUE(PumpUntil([] {
            return pages_test::CallExport(CommandModule(), "DllCanUnloadNow") == S_OK &&
                   pages_test::TestPagesCanUnloadNow() == S_OK;
        })) << "the sheet's thread gave back every reference";
        pages_test::CallExport(pages_test::TestPagesModule(), "DllUnregisterServer");
        pages_test::CallExport(CommandModule(), "DllUnregisterServer");
    }

    // The command initialised with a selection, as IContextMenu.
    ComPtr<IContextMenu> Command(IDataObject* data, HRESULT expected = S_OK)
    {
        ComPtr<IShellExtInit> init;
        HRESULT hr = CoCreateInstance(kCommand, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                      init.PutVoid());
        EXPECT_EQ(S_OK, hr) << "the command is registered as a COM class";
        ComPtr<IContextMenu> menu;
        if (!init) return menu;
        EXPECT_EQ(expected, init->Initialize(nullptr, data, nullptr));
        EXPECT_EQ(S_OK, init.As(IID_IContextMenu, menu));
        return menu;
    }

    TestImage image;
};

TEST_F(PropertiesCommand, OffersOnePropertiesItemThatIsNotTheDefault)
{
    ObjectDataObject data({kPat});
    ComPtr<IContextMenu> command = Command(&data);
    ASSERT_TRUE(command);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "&Open");
    SetMenuDefaultItem(menu, 1, FALSE);
    HRESULT hr = command->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL);
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1), hr) << "one identifier used";
    ASSERT_EQ(2, GetMenuItemCount(menu));
    char text[64] = {};
    GetMenuStringA(menu, 100, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("&Properties", text);
    EXPECT_EQ(1u, GetMenuDefaultItem(menu, FALSE, 0)) << "the open command stays the default";
    char verb[32] = {};
    EXPECT_EQ(S_OK, command->GetCommandString(0, GCS_VERBA, nullptr, verb, sizeof verb));
    EXPECT_STREQ("properties", verb);
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0),
              command->QueryContextMenu(menu, 0, 300, 400, CMF_DEFAULTONLY));
    DestroyMenu(menu);
}

TEST_F(PropertiesCommand, ASelectionOfTwoObjectsGetsNoCommand)
{
    ObjectDataObject data({kPat, kSam});
    ComPtr<IContextMenu> command = Command(&data, E_FAIL);
    ASSERT_TRUE(command);
    HMENU menu = CreatePopupMenu();
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0),
              command->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL));
    EXPECT_EQ(0, GetMenuItemCount(menu));
    DestroyMenu(menu);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_TRUE(FAILED(command->InvokeCommand(&info)));
}

TEST_F(PropertiesCommand, InvokingOpensTheClasssPagesInASheetOfItsOwnThread)
{
    ObjectDataObject data({kPat});
    {
        ComPtr<IContextMenu> command = Command(&data);
        ASSERT_TRUE(command);
        CMINVOKECOMMANDINFO bad = {};
        bad.cbSize = sizeof bad;
        bad.lpVerb = MAKEINTRESOURCEA(1);
        EXPECT_EQ(E_INVALIDARG, command->InvokeCommand(&bad)) << "only offset 0 is ours";
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = "Properties";
        info.nShow = SW_SHOWNORMAL;
        ASSERT_EQ(S_OK, command->InvokeCommand(&info));
    }  // the browser lets the command go at once
    HWND sheet = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (sheet = OtherThreadsSheet()) != nullptr; }))
        << "a sheet opened on another thread";
    EXPECT_EQ(std::vector<std::string>({"Person", "Work", "Secret"}), pagetest::SheetTabs(sheet));
    char title[256] = {};
    GetWindowTextA(sheet, title, sizeof title);
    EXPECT_NE(nullptr, std::strstr(title, "Pat")) << "title: " << title;
    EXPECT_GT(data.References(), 1) << "the sheet's thread holds the data object";
    char madeOn[32] = {};
    GetEnvironmentVariableA("ORREL_TESTPAGES_MADE_ON", madeOn, sizeof madeOn);
    EXPECT_EQ(std::to_string(GetWindowThreadProcessId(sheet, nullptr)), madeOn)
        << "the handler made its pages on the sheet's own thread";
    EXPECT_EQ(S_FALSE, pages_test::TestPagesCanUnloadNow()) << "and the handlers";

    // An edit made in the sheet is written by OK.
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SetDlgItemTextA(page, 1001, "Patty");
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(sheet); }));
    EXPECT_TRUE(PumpUntil([&] { return data.References() == 1; }))
        << "the data object was let go when the sheet closed";
    EXPECT_EQ(std::vector<std::string>({"Patty"}), image.Texts(".Pat.Test", "Given Name"));
}

TEST_F(PropertiesCommand, AClassWithoutPageHandlersIsToldNotShown)
{
    Selected stranger = {"Pat", "Unregistered Class", ".Pat.Test", "PAGES_TREE"};
    ObjectDataObject data({stranger});
    ComPtr<IContextMenu> command = Command(&data);
    ASSERT_TRUE(command);
    std::string told;
    pages_test::ModalScript script({[&] {
        HWND box = pages_test::FindDialog("Properties");
        if (!box) return false;
        told = pages_test::StaticTexts(box, "");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    }});
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(S_OK, command->InvokeCommand(&info));
    EXPECT_EQ("No properties can be shown for this object.", told);
    EXPECT_EQ(nullptr, OtherThreadsSheet());
}

}  // namespace
