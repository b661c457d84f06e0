// The container view hosted by a browser of our own that answers the menu,
// toolbar and status-bar calls: filling, sorting, status texts, merged menus
// and toolbar buttons, view modes, the item and background menus, open,
// delete and rename, read back through the list and the registry.
#include <cstdio>
#include <cstring>

#include "view_support.h"

namespace vtest {
namespace {

constexpr UINT kDelete = 0x7F01, kRename = 0x7F02;

class ContainerViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetConfiguration();
        ResetHandlerLog();
    }
    void TearDown() override { host.Close(); }

    // Opens the folder, selects the named items and right-clicks the first
    // of them (the background when none is named); the menu driver reads
    // the menu and picks choose.
    std::string RightClickMenu(const std::vector<std::string>& path,
                               const std::vector<std::string>& names, UINT choose = 0)
    {
        if (!host.Open(path)) return "<no view>";
        std::vector<int> indices;
        for (const std::string& name : names) indices.push_back(ItemIndex(host.List(), name));
        SelectOnly(host.List(), indices);
        MenuDriver driver(choose);
        RightClick(host.List(), names.empty() ? POINT{400, 300} : ItemPoint(host.List(), indices[0]));
        return driver.Shown() ? Describe(driver.Items()) : "<no menu>";
    }

    std::string Folder(const std::string& key) const { return std::string(kFoldersKey) + "\\" + key; }

    ViewHost host;
};

// ---------------------------------------------------------------------------
// Filling

TEST_F(ContainerViewTest, ListHasTwoColumnsAndTheFolderChildrenWithTheirTypes)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    EXPECT_EQ(GetWindowLongPtrA(host.List(), GWL_STYLE) & 0xFFFF0FFF, 0x50000301);
    char name[64] = {}, type[64] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = name;
    column.cchTextMax = sizeof name;
    ASSERT_TRUE(SendMessageA(host.List(), LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(name, "Name");
    EXPECT_EQ(column.cx, 175);
    column.pszText = type;
    ASSERT_TRUE(SendMessageA(host.List(), LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(type, "Object Type");
    EXPECT_EQ(column.cx, 150);
    // Containers first (folders by class before the Organizational Unit),
    // then the leaves.
    EXPECT_EQ(Join(Column(host.List(), 0)), "Other, Sub, Sales, Admin");
    EXPECT_EQ(Join(Column(host.List(), 1)), "Folder, Folder, Organizational Unit, User");
}

TEST_F(ContainerViewTest, SortsContainersFirstThenByClassThenByNameWithoutCase)
{
    ASSERT_TRUE(host.Open({"Sorting"}));
    EXPECT_EQ(Join(Column(host.List(), 0)), "b, a, g, M1, m2, u");
    EXPECT_EQ(Join(Column(host.List(), 1)), "Z, A, group, Same, Same, User");
}

TEST_F(ContainerViewTest, ObjectsOfOneClassShareOneImage)
{
    ASSERT_TRUE(host.Open({kTree, "Org"}));
    ASSERT_EQ(Join(Column(host.List(), 0)), "Sales, Staff, Printer1, Admin, alpha, Zed");
    const std::vector<int> images = Images(host.List());
    for (std::size_t i = 0; i < images.size(); ++i) EXPECT_GE(images[i], 0) << "item " << i;
    EXPECT_EQ(images[3], images[4]);
    EXPECT_EQ(images[3], images[5]);
    EXPECT_NE(images[0], images[1]);
    EXPECT_NE(images[1], images[2]);
    EXPECT_NE(images[2], images[3]);
    for (int kind : {LVSIL_SMALL, LVSIL_NORMAL}) {
        auto list = reinterpret_cast<HIMAGELIST>(SendMessageA(host.List(), LVM_GETIMAGELIST, kind, 0));
        EXPECT_EQ(ImageList_GetImageCount(list), 4) << "image list " << kind;
    }
}

TEST_F(ContainerViewTest, OpenViewsAreRefilledWhenTheConfigurationChanges)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    WriteFolder("Projects\\Added");
    ASSERT_EQ(RefreshNamespace(), S_OK);
    Pump();  // the view refills when its window's thread gets to it
    EXPECT_EQ(Join(Column(host.List(), 0)), "Added, Other, Sub, Sales, Admin");
    // A view whose window is gone is no longer among the model's views.
    host.Close();
    WriteFolder("Projects\\Later");
    EXPECT_EQ(RefreshNamespace(), S_OK);
}

// ---------------------------------------------------------------------------
// Status texts

struct StatusCase {
    const char* folder;
    std::vector<std::string> selected;
    const char* text;
};

TEST_F(ContainerViewTest, StatusTextCountsItemsOrSelection)
{
    const StatusCase cases[] = {
        {"Empty", {}, "0 Objects"},
        {"One", {}, "1 Object"},
        {"One", {"Printer1"}, "1 Object Selected"},
        {"Projects", {}, "4 Objects"},
        {"Projects", {"Sub", "Admin"}, "2 Objects Selected"},
    };
    for (bool lend : {true, false}) {
        for (const StatusCase& c : cases) {
            BrowserOptions options;
            options.lendStatus = lend;
            ASSERT_TRUE(host.Open({c.folder}, options));
            std::vector<int> indices;
            for (const std::string& name : c.selected) indices.push_back(ItemIndex(host.List(), name));
            SelectOnly(host.List(), indices);
            EXPECT_EQ(host.StatusText(), c.text)
                << c.folder << " with " << c.selected.size() << " selected, status window "
                << (lend ? "lent" : "not lent");
            if (!lend) {
                EXPECT_GE(host.Browser().CallCount("SendControlMsg 1 0x409 1"), 1) << "SB_SIMPLE";
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Menus, toolbar and status bar of an active view

TEST_F(ContainerViewTest, ActivationMergesTheViewModesAndEditCommands)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    ASSERT_NE(host.Browser().Menu(), nullptr);
    const std::vector<MenuItem> bar = ReadMenu(host.Browser().Menu());
    ASSERT_EQ(bar.size(), 3u) << Describe(bar);
    HMENU view = GetSubMenu(host.Browser().Menu(), 2), edit = GetSubMenu(host.Browser().Menu(), 1);
    EXPECT_EQ(Describe(ReadMenu(view)),
              "Tool&bar(40961) | Status &Bar(40962) | - | Lar&ge Icons(121) | S&mall Icons(122) | "
              "&List(123) | &Details(124) | - | &Refresh(40963)");
    EXPECT_EQ(Describe(ReadMenu(edit)),
              "Cu&t\tCtrl+X(126) | &Copy\tCtrl+C(127) | &Paste\tCtrl+V(128) | - | "
              "&Select All\tCtrl+A(132) | &Undo(40961) | &Redo(40962) | &Invert Selection(40963)");
    for (const MenuItem& item : ReadMenu(edit))
        if (item.id >= 126 && item.id <= 132) {
            EXPECT_TRUE(item.grayed) << item.text;
        }
    for (const MenuItem& item : ReadMenu(view))
        if (item.id >= 121 && item.id <= 124) {
            EXPECT_EQ(item.checked, item.id == 124) << item.text;
        }
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(host.Browser().Menu(), 0)), 4) << "the File menu gets nothing";
    EXPECT_EQ(host.Browser().CallCount("OnViewWindowActive"), 1);
}

TEST_F(ContainerViewTest, ViewMenuWithoutSeparatorGetsTheModesAtTheTop)
{
    BrowserOptions options;
    options.viewSeparator = false;
    ASSERT_TRUE(host.Open({"Projects"}, options));
    EXPECT_EQ(Describe(ReadMenu(GetSubMenu(host.Browser().Menu(), 2))),
              "Lar&ge Icons(121) | S&mall Icons(122) | &List(123) | &Details(124) | Tool&bar(40961) | "
              "Status &Bar(40962) | &Refresh(40963)");
}

TEST_F(ContainerViewTest, ToolbarGetsElevenOrEightButtonsByHotImages)
{
    for (bool hot : {false, true}) {
        BrowserOptions options;
        options.hotImages = hot;
        ASSERT_TRUE(host.Open({"Projects"}, options));
        const TestBrowser& browser = host.Browser();
        EXPECT_EQ(browser.CallCount("SendControlMsg 2 0x413 8"), 2) << "TB_ADDBITMAP of 8 images, twice";
        EXPECT_EQ(browser.ButtonFlags(), static_cast<UINT>(FCT_MERGE));
        const std::vector<int> ids = hot ? std::vector<int>{126, 127, 128, 0, 133, 131, 0, 1009}
                                         : std::vector<int>{126, 127, 128, 0, 133, 131, 0, 121, 122, 123, 124};
        const std::vector<int> images = hot ? std::vector<int>{0, 1, 2, 0, 5, 10, 0, 12}
                                            : std::vector<int>{0, 1, 2, 0, 5, 10, 0, 0, 1, 2, 3};
        ASSERT_EQ(browser.Buttons().size(), ids.size()) << (hot ? "hot images" : "no hot images");
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const TBBUTTON& button = browser.Buttons()[i];
            EXPECT_EQ(button.idCommand, ids[i]) << "button " << i;
            if (ids[i] == 0) {
                EXPECT_EQ(button.fsStyle, BTNS_SEP) << "button " << i;
                continue;
            }
            const LRESULT base = browser.BitmapBase(ids[i] >= 126 && ids[i] <= 133 ? 0 : 1);
            EXPECT_EQ(button.iBitmap, base + images[i]) << "button " << i;
            EXPECT_EQ(button.fsStyle, ids[i] == 1009 ? BTNS_DROPDOWN : BTNS_BUTTON) << "button " << i;
        }
        // The states after activation, on the real toolbar.
        EXPECT_FALSE(SendMessageA(browser.Toolbar(), TB_ISBUTTONENABLED, 126, 0));
        EXPECT_FALSE(SendMessageA(browser.Toolbar(), TB_ISBUTTONENABLED, 131, 0));
        if (hot) {
            EXPECT_TRUE(SendMessageA(browser.Toolbar(), TB_ISBUTTONENABLED, 1009, 0));
        }
    }
}

TEST_F(ContainerViewTest, DeactivationGivesTheBrowserItsMenuAndStatusBarBack)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    HWND status = host.Browser().Status();
    char text[64] = {};
    SetWindowTextA(status, "from the browser");
    SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STRNE(text, "from the browser") << "the active view's status bar keeps its own text";
    EXPECT_EQ(host.StatusText(), "from the browser");

    ASSERT_EQ(host.View()->UIActivate(SVUIA_DEACTIVATE), S_OK);
    EXPECT_EQ(host.Browser().CallCount("SetMenuSB none"), 1);
    EXPECT_EQ(host.Browser().CallCount("RemoveMenusSB"), 1);
    SetWindowTextA(status, "browser again");
    SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "browser again");
}

TEST_F(ContainerViewTest, ViewWorksWhenTheBrowserAnswersNoneOfTheMergingCalls)
{
    BrowserOptions options;
    options.menus = false;
    options.controls = false;
    ASSERT_TRUE(host.Open({"Projects"}, options));
    EXPECT_EQ(Join(Column(host.List(), 0)), "Other, Sub, Sales, Admin");
    SendMessageA(host.Window(), WM_COMMAND, 123, 0);
    EXPECT_EQ(GetWindowLongPtrA(host.List(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    EXPECT_EQ(host.View()->UIActivate(SVUIA_DEACTIVATE), S_OK);
}

// ---------------------------------------------------------------------------
// View modes

TEST_F(ContainerViewTest, ModeCommandsSetTheListTypeTheCheckMarkAndTheReportedMode)
{
    const struct {
        UINT command;
        UINT mode;
        LONG_PTR type;
    } cases[] = {{121, 1, LVS_ICON}, {122, 2, LVS_SMALLICON}, {123, 3, LVS_LIST}, {124, 4, LVS_REPORT}};
    ASSERT_TRUE(host.Open({"Projects"}));
    for (const auto& c : cases) {
        SendMessageA(host.Window(), WM_COMMAND, c.command, 0);
        EXPECT_EQ(GetWindowLongPtrA(host.List(), GWL_STYLE) & LVS_TYPEMASK, c.type) << c.command;
        FOLDERSETTINGS settings = {};
        ASSERT_EQ(host.View()->GetCurrentInfo(&settings), S_OK);
        EXPECT_EQ(settings.ViewMode, c.mode) << c.command;
        for (const MenuItem& item : ReadMenu(GetSubMenu(host.Browser().Menu(), 2)))
            if (item.id >= 121 && item.id <= 124) {
                EXPECT_EQ(item.checked, item.id == c.command) << item.text << " after " << c.command;
            }
    }
}

TEST_F(ContainerViewTest, ViewsButtonCyclesTheModesAndIgnoresANullParameter)
{
    ASSERT_TRUE(host.Open({"Projects"}, BrowserOptions(), SVUIA_ACTIVATE_FOCUS, FVM_ICON));
    const void* notABlock[3] = {nullptr, nullptr, nullptr};
    UINT seen[5] = {};
    for (UINT& mode : seen) {
        SendMessageA(host.Window(), WM_COMMAND, 1009, reinterpret_cast<LPARAM>(notABlock));
        FOLDERSETTINGS settings = {};
        host.View()->GetCurrentInfo(&settings);
        mode = settings.ViewMode;
    }
    EXPECT_EQ(seen[0], 2u);
    EXPECT_EQ(seen[1], 3u);
    EXPECT_EQ(seen[2], 4u);
    EXPECT_EQ(seen[3], 1u);
    EXPECT_EQ(seen[4], 2u);
    SendMessageA(host.Window(), WM_COMMAND, 1009, 0);
    FOLDERSETTINGS settings = {};
    host.View()->GetCurrentInfo(&settings);
    EXPECT_EQ(settings.ViewMode, 2u) << "a null parameter changes nothing";
}

TEST_F(ContainerViewTest, ViewsButtonWithItsRectangleOffersTheModes)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    // The rectangle below 4 GB, where a VT_I4 can point to it.
    void* low = nullptr;
    for (ULONG_PTR at = 0x10000000; !low && at < 0x7F000000; at += 0x01000000)
        low = VirtualAlloc(reinterpret_cast<void*>(at), 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(low, nullptr);
    auto* rect = static_cast<RECT*>(low);
    *rect = RECT{100, 100, 124, 122};
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = static_cast<LONG>(reinterpret_cast<ULONG_PTR>(rect));
    const void* block[3] = {nullptr, &variant, nullptr};
    {
        MenuDriver driver(123);
        SendMessageA(host.Window(), WM_COMMAND, 1009, reinterpret_cast<LPARAM>(block));
        Pump(50);
        ASSERT_EQ(driver.Shown(), 1);
        EXPECT_EQ(Describe(driver.Items()), "Lar&ge Icons(121) | S&mall Icons(122) | &List(123) | &Details(124)");
        EXPECT_TRUE(driver.Items()[3].checked) << "the current mode is checked";
    }
    FOLDERSETTINGS settings = {};
    host.View()->GetCurrentInfo(&settings);
    EXPECT_EQ(settings.ViewMode, 3u);
    VirtualFree(low, 0, MEM_RELEASE);
}

// ---------------------------------------------------------------------------
// The IShellView object

TEST_F(ContainerViewTest, ViewInterfaceAnswersForItsWindowAndSettings)
{
    orrel::ComPtr<IShellFolder> folder = BindPath({"Projects"});
    ASSERT_TRUE(folder);
    orrel::ComPtr<IShellView> view;
    ASSERT_EQ(folder->CreateViewObject(nullptr, IID_IShellView, view.PutVoid()), S_OK);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(view->GetWindow(nullptr), E_INVALIDARG);
    EXPECT_EQ(view->GetWindow(&window), E_FAIL);
    EXPECT_EQ(window, nullptr);
    orrel::ComPtr<IOleWindow> ole;
    orrel::ComPtr<IDropTarget> drop;
    EXPECT_EQ(view->QueryInterface(IID_IOleWindow, ole.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(ole.Get()), static_cast<void*>(view.Get()));
    EXPECT_EQ(view->QueryInterface(IID_IDropTarget, drop.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(view->TranslateAccelerator(nullptr), E_NOTIMPL);
    EXPECT_EQ(view->SaveViewState(), E_NOTIMPL);
    EXPECT_EQ(view->SelectItem(nullptr, SVSI_SELECT), E_NOTIMPL);
    EXPECT_EQ(view->EnableModeless(TRUE), E_NOTIMPL);

    ASSERT_TRUE(host.Open({"Projects"}, BrowserOptions(), 0, FVM_LIST));
    FOLDERSETTINGS settings = {};
    EXPECT_EQ(host.View()->GetCurrentInfo(nullptr), E_INVALIDARG);
    ASSERT_EQ(host.View()->GetCurrentInfo(&settings), S_OK);
    EXPECT_EQ(settings.ViewMode, static_cast<UINT>(FVM_LIST));
    ASSERT_EQ(host.View()->GetWindow(&window), S_OK);
    EXPECT_EQ(window, host.Window());
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Orrel Contianer View");
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
}

ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

BOOL CALLBACK KeepPage(HPROPSHEETPAGE page, LPARAM param)
{
    *reinterpret_cast<HPROPSHEETPAGE*>(param) = page;
    return TRUE;
}

BOOL CALLBACK RefusePage(HPROPSHEETPAGE, LPARAM)
{
    return FALSE;
}

TEST_F(ContainerViewTest, OptionsPageShowsItsCaptionAndHoldsTheViewWhileItLives)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    IShellView* view = host.View();
    const ULONG before = References(view);
    EXPECT_EQ(view->AddPropertySheetPages(0, &RefusePage, 0), S_FALSE);
    EXPECT_EQ(References(view), before) << "a refused page lets the view go";

    HPROPSHEETPAGE page = nullptr;
    ASSERT_EQ(view->AddPropertySheetPages(0, &KeepPage, reinterpret_cast<LPARAM>(&page)), S_OK);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(References(view), before + 1);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.hwndParent = host.Browser().Frame();
    header.pszCaption = "options";
    header.nPages = 1;
    header.phpage = &page;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    ASSERT_NE(sheet, nullptr);
    Pump(50);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    char caption[64] = {};
    TCITEMA tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = sizeof caption;
    SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    EXPECT_STREQ(caption, "Orrel Explorer");
    DestroyWindow(sheet);
    Pump(50);
    EXPECT_EQ(References(view), before) << "the page released the view with the sheet";
}

// ---------------------------------------------------------------------------
// Item menus, open, delete, rename

struct MenuCase {
    std::vector<std::string> folder;
    std::vector<std::string> selected;
    const char* menu;
};

TEST_F(ContainerViewTest, ItemMenuOffersOwnVerbsByEntryKindAndHandlerCommandsFromOne)
{
    const MenuCase cases[] = {
        {{"Projects"}, {"Sub"}, "Rename(32514) | Delete(32513) | - | Shortcut Wizard...(1)"},
        {{"Projects"}, {"Sub", "Other"}, "Delete(32513) | -"},
        {{"Projects"}, {"Admin"}, "Delete(32513) | - | Handler &One(1) | Handler &Two(2)"},
        {{"Projects"}, {"Sales"}, "Delete(32513) | -"},
        {{kTree, "Org"}, {"Admin"}, "Handler &One(1) | Handler &Two(2)"},
        {{kTree, "Org"}, {"Printer1"}, "&Open Object(1)"},
    };
    for (const MenuCase& c : cases)
        EXPECT_EQ(RightClickMenu(c.folder, c.selected), c.menu)
            << c.folder.back() << ": " << Join(c.selected);
}

TEST_F(ContainerViewTest, HandlerCommandGetsItsOffsetAsIntegerVerb)
{
    RightClickMenu({kTree, "Org"}, {"Admin"}, 2);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "TestMenu InvokeCommand verb=1 size=%u owner=window show=1 mask=0x0",
                  static_cast<unsigned>(sizeof(CMINVOKECOMMANDINFO)));
    EXPECT_NE(HandlerLog().find(expected), std::string::npos) << HandlerLog();
}

TEST_F(ContainerViewTest, BackgroundMenuOffersTheWizardAndAtTheRootTheSearch)
{
    EXPECT_EQ(RightClickMenu({"Projects"}, {}), "Shortcut Wizard...(1)");
    EXPECT_EQ(RightClickMenu({kTree, "Org"}, {}), "<no menu>");
    ResetHandlerLog();
    EXPECT_EQ(RightClickMenu({}, {}, 2), "Shortcut Wizard...(1) | &Search...(2)");
    const std::string log = HandlerLog();
    const std::size_t host = log.find("TestSearch SetNamespaceHost host");
    const std::size_t invoke = log.find("TestSearch InvokeCommand verb=0");
    EXPECT_NE(host, std::string::npos) << log;
    EXPECT_NE(invoke, std::string::npos) << log;
    EXPECT_LT(host, invoke) << log;
    EXPECT_NE(log.find("host=set"), std::string::npos) << log;
    EXPECT_NE(log.find("TestSearch Refresh ok"), std::string::npos) << log;
    EXPECT_NE(log.find("TestSearch Released"), std::string::npos) << "released after its command\n" << log;
}

TEST_F(ContainerViewTest, DeleteAsksAndRemovesTheStoredEntries)
{
    const struct {
        std::vector<std::string> selected;
        int answer;
        const char* question;
        std::vector<std::string> keys;
        bool gone;
    } cases[] = {
        {{"Sub"}, IDNO, "Delete object Sub ?", {"Projects\\Sub"}, false},
        {{"Sub"}, IDYES, "Delete object Sub ?", {"Projects\\Sub"}, true},
        {{"Sub", "Other"}, IDYES, "Delete 2 Objects?", {"Projects\\Sub", "Projects\\Other"}, true},
        {{"Admin"}, IDYES, "Delete object Admin ?", {"Projects\\VIEWTREE-Admin.Org"}, true},
    };
    for (const auto& c : cases) {
        ResetConfiguration();
        MessageBoxCatcher boxes(c.answer);
        RightClickMenu({"Projects"}, c.selected, kDelete);
        EXPECT_EQ(boxes.Count(), 1) << Join(c.selected);
        EXPECT_EQ(boxes.Text(), c.question);
        EXPECT_EQ(boxes.Caption(), "Orrel Explorer");
        EXPECT_EQ(boxes.Owner(), GetAncestor(host.List(), GA_ROOT)) << "owned by the list's window";
        EXPECT_EQ(boxes.Icon(), LoadIconA(nullptr, IDI_EXCLAMATION));
        for (const std::string& key : c.keys) EXPECT_EQ(KeyExists(Folder(key)), !c.gone) << key;
        for (const std::string& name : c.selected)
            EXPECT_EQ(ItemIndex(host.List(), name) >= 0, !c.gone)
                << name << " in " << Join(Column(host.List(), 0));
    }
}

TEST_F(ContainerViewTest, LabelEditIsAllowedOnlyInEditableFolders)
{
    const struct {
        std::vector<std::string> folder;
        bool allowed;
    } cases[] = {{{"Projects"}, true}, {{kTree, "Org"}, false}, {{"Locked"}, false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(host.Open(c.folder));
        HWND edit = reinterpret_cast<HWND>(SendMessageA(host.List(), LVM_EDITLABELA, 0, 0));
        EXPECT_EQ(edit != nullptr, c.allowed) << c.folder.back();
        if (edit) {
            EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 256);
        }
        SendMessageA(host.List(), LVM_CANCELEDITLABEL, 0, 0);
    }
}

TEST_F(ContainerViewTest, RenameFromTheMenuStoresTheNewNameOrExplainsTheRefusal)
{
    const struct {
        const char* name;
        const char* message;  // null: renamed
    } cases[] = {
        {"Renamed", nullptr},
        {"a.b", "Name contains one or more of the following charaters. \"*?:<>|\\."},
        {"Other", "Folder name already exist or an unknown error occured during rename."},
    };
    for (const auto& c : cases) {
        ResetConfiguration();
        RightClickMenu({"Projects"}, {"Sub"}, kRename);
        HWND edit = reinterpret_cast<HWND>(SendMessageA(host.List(), LVM_GETEDITCONTROL, 0, 0));
        ASSERT_NE(edit, nullptr) << "Rename starts editing the label";
        MessageBoxCatcher boxes;
        SetWindowTextA(edit, c.name);
        SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
        Pump(50);
        const std::string names = Join(Column(host.List(), 0));
        if (!c.message) {
            EXPECT_EQ(boxes.Count(), 0) << boxes.Text();
            EXPECT_TRUE(KeyExists(Folder("Projects\\Renamed")));
            EXPECT_FALSE(KeyExists(Folder("Projects\\Sub")));
            EXPECT_EQ(names, "Other, Renamed, Sales, Admin");
            continue;
        }
        EXPECT_EQ(boxes.Count(), 1) << c.name;
        EXPECT_EQ(boxes.Text(), c.message) << c.name;
        EXPECT_EQ(boxes.Caption(), "Orrel Explorer");
        EXPECT_EQ(boxes.Icon(), LoadIconA(nullptr, IDI_HAND));
        EXPECT_TRUE(KeyExists(Folder("Projects\\Sub"))) << c.name;
        EXPECT_EQ(names, "Other, Sub, Sales, Admin") << c.name;
    }
}

TEST_F(ContainerViewTest, EmptyNameEndingALabelEditIsRefusedWithTheNameMessage)
{
    ASSERT_TRUE(host.Open({"Projects"}));
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = host.List();
    info.hdr.idFrom = 666;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.iItem = ItemIndex(host.List(), "Sub");
    char empty[] = "";
    info.item.pszText = empty;
    MessageBoxCatcher boxes;
    EXPECT_EQ(SendMessageA(host.Window(), WM_NOTIFY, 666, reinterpret_cast<LPARAM>(&info)), FALSE);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Text(), "Name contains one or more of the following charaters. \"*?:<>|\\.");
    EXPECT_TRUE(KeyExists(Folder("Projects\\Sub")));
    info.item.pszText = nullptr;
    EXPECT_EQ(SendMessageA(host.Window(), WM_NOTIFY, 666, reinterpret_cast<LPARAM>(&info)), FALSE);
    EXPECT_EQ(boxes.Count(), 1) << "a dismissed edit says nothing";
}

TEST_F(ContainerViewTest, OpenBrowsesIntoContainersAndRunsTheDefaultCommandOfLeaves)
{
    ASSERT_TRUE(host.Open({kTree, "Org"}));
    HWND list = host.List();
    const int sales = ItemIndex(list, "Sales");
    SelectOnly(list, {sales});
    const POINT at = ItemPoint(list, sales);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    SelectOnly(list, {sales});
    SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    const TestBrowser& browser = host.Browser();
    ASSERT_EQ(browser.Browsed().size(), 2u) << "double-click and Enter";
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(browser.BrowseFlags()[i], static_cast<UINT>(SBSP_SAMEBROWSER | SBSP_RELATIVE));
        EXPECT_EQ(NameOf(host.Folder(), reinterpret_cast<LPCITEMIDLIST>(browser.Browsed()[i].data())),
                  "Sales");
    }

    for (const char* leaf : {"Admin", "Printer1"}) {
        SelectOnly(list, {ItemIndex(list, leaf)});
        SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    }
    const std::string log = HandlerLog();
    EXPECT_EQ(log.find("TestMenu InvokeCommand"), std::string::npos) << "no default, no command\n" << log;
    EXPECT_NE(log.find("TestDefaultMenu InvokeCommand verb=0"), std::string::npos) << log;
    EXPECT_EQ(browser.Browsed().size(), 2u) << "leaves are not browsed into";
}

// ---------------------------------------------------------------------------
// The folder's own menu

TEST_F(ContainerViewTest, FolderMenuAddsTheWizardAfterASeparatorAndWritesNoCommandText)
{
    orrel::ComPtr<IShellFolder> projects = BindPath({"Projects"});
    ASSERT_TRUE(projects);
    Pidl child = ChildPidl(projects.Get(), "Sub");
    ASSERT_NE(child.Get(), nullptr);
    LPCITEMIDLIST lists[] = {child.Get()};
    orrel::ComPtr<IContextMenu> menu;
    ASSERT_EQ(projects->GetUIObjectOf(nullptr, 1, lists, IID_IContextMenu, nullptr, menu.PutVoid()), S_OK);
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 7, "Existing");
    EXPECT_EQ(menu->QueryContextMenu(popup, 1, 10, 20, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
    EXPECT_EQ(Describe(ReadMenu(popup)), "Existing(7) | - | Shortcut Wizard...(10)");
    DestroyMenu(popup);

    char text[16];
    std::memset(text, 'Z', sizeof text);
    EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof text), S_OK);
    EXPECT_EQ(text[0], '\0');
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = "open";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG) << "verbs by name are not the folder's";
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
}

}  // namespace
}  // namespace vtest

namespace vtest {
namespace {

// A drop target of another window that takes every drop with one effect.
class RecordingDropTarget final : public IDropTarget {
public:
    explicit RecordingDropTarget(DWORD effect) : effect_(effect) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) ? this : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Orrel::Object")), nullptr,
                            DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        offered = data && data->QueryGetData(&format) == S_OK;
        *effect &= effect_;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect &= effect_;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        ++drops;
        *effect &= effect_;
        return S_OK;
    }
    bool offered = false;
    int drops = 0;

private:
    DWORD effect_;
};

TEST_F(ContainerViewTest, DraggedItemsMovedElsewhereLoseTheirEntriesAndCopiedOnesKeepThem)
{
    for (DWORD effect : {DWORD(DROPEFFECT_COPY), DWORD(DROPEFFECT_MOVE)}) {
        ResetConfiguration();
        ASSERT_TRUE(host.Open({"Projects"}));
        WNDCLASSA zoneClass = {};
        zoneClass.lpfnWndProc = DefWindowProcA;
        zoneClass.hInstance = GetModuleHandleA(nullptr);
        zoneClass.lpszClassName = "ViewTestDropZone";
        RegisterClassA(&zoneClass);
        HWND zone = CreateWindowExA(WS_EX_TOPMOST, "ViewTestDropZone", "drop here", WS_POPUP | WS_VISIBLE,
                                    300, 300, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        RecordingDropTarget target(effect);
        ASSERT_EQ(RegisterDragDrop(zone, &target), S_OK);
        SetCursorPos(400, 350);
        const int sub = ItemIndex(host.List(), "Sub");
        SelectOnly(host.List(), {sub});
        NMLISTVIEW begin = {};
        begin.hdr.hwndFrom = host.List();
        begin.hdr.idFrom = 666;
        begin.hdr.code = LVN_BEGINDRAG;
        begin.iItem = sub;
        SendMessageA(host.Window(), WM_NOTIFY, 666, reinterpret_cast<LPARAM>(&begin));
        Pump(300);  // the drag starts from a posted message and drops at once
        EXPECT_TRUE(target.offered) << "the drag carries Orrel::Object";
        EXPECT_EQ(target.drops, 1);
        const bool moved = effect == DROPEFFECT_MOVE;
        EXPECT_EQ(KeyExists(Folder("Projects\\Sub")), !moved) << "effect " << effect;
        EXPECT_EQ(ItemIndex(host.List(), "Sub") >= 0, !moved) << Join(Column(host.List(), 0));
        RevokeDragDrop(zone);
        DestroyWindow(zone);
    }
}

}  // namespace
}  // namespace vtest
