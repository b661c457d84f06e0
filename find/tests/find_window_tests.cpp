// OrrelFind.dll as the namespace uses it: its COM class and registration,
// and the search window "Search For Objects" driven from the test's thread
// through its controls (the window runs on a thread of its own) against
// the search tests' directory in slapd on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <shlwapi.h>

#include <halvet/dirclient.h>

#include "find_test_support.h"
#include "browserframe.h"
#include "orrel/core/searchsite.h"

using namespace findtest;

namespace {

const std::string kSettings = "Software\\Corvane\\SearchExt";
const std::string kFolders = "Software\\Halvet\\Orrel NameSpace\\Folders";
const std::vector<std::string> kUserColumns = {"Full Object Name", "Full Name", "Phone Number", "First Name",
                                               "Last Name", "Location", "Object Name"};

// Control ids of the search window.
enum {
    Results = 4000, Criteria = 4001, Go = 4002, Server = 4003, FindServer = 4004, Context = 4005,
    Subcontainers = 4006, Add = 4007, Modify = 4008, Delete = 4009, Status = 4014, Progress = 4015,
    Browse = 4016, Class = 4018
};

class FindDll : public ::testing::Test {
protected:
    PrivateUser user;
};

class SearchWindow : public ::testing::Test {
protected:
    PrivateUser user;
};

const std::vector<std::string>* RowNamed(const std::vector<std::vector<std::string>>& rows, const std::string& name)
{
    for (const auto& row : rows)
        if (!row.empty() && row[0] == name) return &row;
    return nullptr;
}

std::vector<std::string> Names(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.empty() ? std::string() : row[0]);
    std::sort(names.begin(), names.end());
    return names;
}

void SetCheck(HWND dialog, int id, bool checked)
{
    SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---- The COM class ---------------------------------------------------------

TEST_F(FindDll, ServesTheSearchExtensionOnly)
{
    orrel::ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, FindClassObject(CLSID_OrrelFind, IID_IClassFactory, factory.PutVoid()));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, FindClassObject(CLSID_OrrelShell, IID_IClassFactory, &p));
    EXPECT_EQ(nullptr, p);
    orrel::ComPtr<IUnknown> outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()),
                                                             IID_IUnknown, outer.PutVoid()));

    orrel::ComPtr<IContextMenu> menu;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, menu.PutVoid()));
    orrel::ComPtr<IShellExtInit> init;
    orrel::ComPtr<ISearchSite> site;
    EXPECT_EQ(S_OK, menu.As(IID_IShellExtInit, init));
    EXPECT_EQ(S_OK, menu.As(IID_ISearchSite, site));
    EXPECT_EQ(E_FAIL, init->Initialize(nullptr, nullptr, nullptr)) << "no selection";

    // "&Search..." at the given place, one command id used.
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "First");
    AppendMenuA(popup, MF_STRING, 2, "Last");
    HRESULT hr = menu->QueryContextMenu(popup, 1, 40, 50, 0);
    EXPECT_EQ(1, HRESULT_CODE(hr));
    char text[64] = "";
    GetMenuStringA(popup, 1, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ("&Search...", text);
    EXPECT_EQ(40u, GetMenuItemID(popup, 1));
    DestroyMenu(popup);
    char help[64] = "";
    EXPECT_EQ(S_OK, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, sizeof(help)));
    EXPECT_STREQ("Search for Orrel Explorer objects", help);
    char small[7] = "";
    EXPECT_EQ(S_OK, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, small, sizeof(small)));
    EXPECT_STREQ("Search", small) << "cut to the buffer";

    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_EQ(E_NOTIMPL, menu->InvokeCommand(&info));
    info.lpVerb = "search";
    EXPECT_EQ(E_NOTIMPL, menu->InvokeCommand(&info));

    // The host is kept with a reference of its own until the object goes.
    RecordingHost host;
    EXPECT_EQ(S_OK, site->SetNamespaceHost(&host));
    EXPECT_EQ(2, host.References());
    site.Reset();
    init.Reset();
    menu.Reset();
    EXPECT_EQ(1, host.References());
}

TEST_F(FindDll, RegistersItsClassAndForgetsItsSettings)
{
    // HKEY_CLASSES_ROOT redirected as well, so that the machine's
    // registration (other tests' and the demo's) stays as it is.
    HKEY classes = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "PrivateClasses", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &classes, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, classes));
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(FindModule(), "DllRegisterServer")));
    auto unreg =
        reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(FindModule(), "DllUnregisterServer")));
    ASSERT_TRUE(reg && unreg);
    EXPECT_EQ(S_OK, reg());
    const std::string clsid = "PrivateClasses\\CLSID\\{8AB75040-93A6-11D3-B59A-00C04F79CAC7}";
    EXPECT_EQ("Orrel Explorer Search", RegString(clsid, nullptr));
    std::string server = RegString(clsid + "\\InProcServer32", nullptr);
    EXPECT_NE(std::string::npos, server.find("OrrelFind.dll")) << server;
    EXPECT_EQ("Apartment", RegString(clsid + "\\InProcServer32", "ThreadingModel"));

    RegCreateKeyA(HKEY_CURRENT_USER, (kSettings + "\\Servers\\x").c_str(), &classes);
    RegCloseKey(classes);
    EXPECT_EQ(S_OK, unreg());
    EXPECT_FALSE(RegKeyExists(clsid));
    EXPECT_FALSE(RegKeyExists(kSettings));
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
}

// ---- Searching -------------------------------------------------------------

TEST_F(SearchWindow, FirstUseAsksForAServerThenFindsEveryUser)
{
    SearchWindowUnderTest w;
    ASSERT_TRUE(w.Handle());
    EXPECT_EQ("", ControlText(w.Handle(), Server));
    EXPECT_EQ((std::vector<std::string>{"Printer", "Queue", "User", "Volume"}), ComboEntries(w.Item(Class)))
        << "the registered classes the search knows; Group is registered but not searchable";
    EXPECT_EQ("User", ControlText(w.Handle(), Class));
    EXPECT_EQ((std::vector<std::string>{"Field", "Value"}), ListColumns(w.Item(Criteria)));
    EXPECT_FALSE(IsWindowVisible(w.Item(Progress)));

    w.TypeServer("127.0.0.1");
    SetCheck(w.Handle(), Subcontainers, true);
    ASSERT_TRUE(w.Search());
    auto rows = w.Results();
    EXPECT_EQ(42u, rows.size()) << "the sample's 40 Users and the 2 contractors";
    EXPECT_EQ(kUserColumns, ListColumns(w.Item(Results)));
    EXPECT_EQ(0u, GetWindowLongA(w.Item(Results), GWL_STYLE) & LVS_NOCOLUMNHEADER) << "the header is shown";
    const std::vector<std::string>* kim = RowNamed(rows, ".AKim.Sales.Corp");
    ASSERT_TRUE(kim);
    EXPECT_EQ((std::vector<std::string>{".AKim.Sales.Corp", "Alma R. Kim", "555-0112", "Alma", "Kim",
                                        "Boston, HomePage: http://intranet.corp.example/people/akim",
                                        "AKim, Alma Kim, Kim, Alma"}),
              *kim)
        << "multi-valued attributes joined in arrival order; no value in the name's column";
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    SendMessageA(w.Item(Results), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(1, item.iImage) << "the User icon";
    std::string status = w.Status();
    EXPECT_EQ(0u, status.find("42 object(s) found in ")) << status;
    EXPECT_EQ("&Search", ControlText(w.Handle(), Go));
    EXPECT_FALSE(IsWindowVisible(w.Item(Progress)));

    std::string error;
    EXPECT_TRUE(SaveScreenshot(w.Handle(), ScreenFolder() + "\\search-window-users.bmp", &error)) << error;
}

TEST_F(SearchWindow, CriteriaWithFilterCharactersContextsAndScope)
{
    SearchWindowUnderTest w;
    ASSERT_TRUE(w.Handle());
    w.TypeServer("127.0.0.1");
    SetCheck(w.Handle(), Subcontainers, true);

    // Values are taken literally: parentheses and backslashes are escaped,
    // "*" stays a wildcard.
    w.AddCriterion("Last Name", "Smith (Contractor)");
    ASSERT_TRUE(w.Search());
    EXPECT_EQ((std::vector<std::string>{".PSmith.Contractors.Corp"}), Names(w.Results())) << w.Status();

    SendMessageA(w.Item(Criteria), LVM_DELETEALLITEMS, 0, 0);
    w.AddCriterion("Full Name", "Rae Star\\Back");
    ASSERT_TRUE(w.Search());
    EXPECT_EQ((std::vector<std::string>{".RStar.Contractors.Corp"}), Names(w.Results()));

    SendMessageA(w.Item(Criteria), LVM_DELETEALLITEMS, 0, 0);
    w.AddCriterion("Location", "Annex (*");
    w.AddCriterion("First Name", "R*");
    ASSERT_TRUE(w.Search());
    EXPECT_EQ((std::vector<std::string>{".RStar.Contractors.Corp"}), Names(w.Results()));

    // A context typed as a dotted name, one level or with sub-containers.
    SendMessageA(w.Item(Criteria), LVM_DELETEALLITEMS, 0, 0);
    SetControlText(w.Handle(), Context, ".Sales.Corp");
    SetCheck(w.Handle(), Subcontainers, false);
    ASSERT_TRUE(w.Search());
    EXPECT_EQ(10u, w.Results().size());
    SetCheck(w.Handle(), Subcontainers, true);
    ASSERT_TRUE(w.Search());
    EXPECT_EQ(13u, w.Results().size());

    // Other classes get their own columns and icon.
    w.SelectClass("Volume");
    SetControlText(w.Handle(), Context, "o=Corp");
    w.AddCriterion("Host Server", "cn=ORREL-FS2,ou=Engineering,o=Corp");
    ASSERT_TRUE(w.Search());
    EXPECT_EQ((std::vector<std::string>{"Full Object Name", "Object Name", "Host Server", "Host Resource Name"}),
              ListColumns(w.Item(Results)));
    auto rows = w.Results();
    ASSERT_EQ(2u, rows.size());
    const std::vector<std::string>* sys = RowNamed(rows, ".ORREL-FS2_SYS.Engineering.Corp");
    ASSERT_TRUE(sys);
    EXPECT_EQ("cn=ORREL-FS2,ou=Engineering,o=Corp", (*sys)[2]);
    EXPECT_EQ("SYS", (*sys)[3]);
}

TEST_F(SearchWindow, ErrorsAreShownWithTheirLdapCodes)
{
    SearchWindowUnderTest w;
    ASSERT_TRUE(w.Handle());
    // Nothing listens on 127.0.0.2: the session fails.
    w.TypeServer("127.0.0.2");
    PostClick(w.Handle(), Go);
    std::string text = AnswerMessageBox("LDAP Error 81");
    EXPECT_EQ(0u, text.find("Login problem: ")) << text;
    EXPECT_GT(text.size(), std::string("Login problem: ").size()) << "with the library's text";
    ASSERT_TRUE(WaitUntil([&] { return w.Idle() && !w.Status().empty(); }));
    EXPECT_TRUE(ListColumns(w.Item(Results)).empty()) << "no columns without a session";
    EXPECT_EQ(0u, w.Status().find("0 object(s) found in ")) << w.Status();

    // A context the server cannot read as a DN.
    w.TypeServer("127.0.0.1");
    SetControlText(w.Handle(), Context, "ou=a,,o=Corp");
    PostClick(w.Handle(), Go);
    text = AnswerMessageBox("LDAP Error 34");
    EXPECT_EQ(0u, text.find("Search problem: ")) << text;
    ASSERT_TRUE(WaitUntil([&] { return w.Idle(); }));

    // A base that does not exist.
    SetControlText(w.Handle(), Context, "o=Nowhere");
    PostClick(w.Handle(), Go);
    text = AnswerMessageBox("LDAP Error 32");
    EXPECT_EQ(0u, text.find("Search problem: ")) << text;
    ASSERT_TRUE(WaitUntil([&] { return w.Idle(); }));
    EXPECT_EQ(kUserColumns, ListColumns(w.Item(Results)));
}

// ---- Settings ----------------------------------------------------------------

TEST_F(SearchWindow, SettingsAreKeptPerServerAndClass)
{
    {
        SearchWindowUnderTest w;
        ASSERT_TRUE(w.Handle());
        w.TypeServer("127.0.0.1");
        SetControlText(w.Handle(), Context, "o=Corp");
        SetCheck(w.Handle(), Subcontainers, true);
        w.AddCriterion("Last Name", "K*");
        w.AddCriterion("Location", "Boston");
        w.SelectClass("Queue");  // the User criteria are saved
        EXPECT_EQ(0, SendMessageA(w.Item(Criteria), LVM_GETITEMCOUNT, 0, 0));
        w.AddCriterion("Object Name", "Laser*");
        ASSERT_TRUE(w.Close());
    }
    EXPECT_EQ("127.0.0.1", RegString(kSettings, "LastServer"));
    EXPECT_EQ("Queue", RegString(kSettings, "LastClass"));
    EXPECT_EQ("o=Corp", RegString(kSettings + "\\Servers\\127.0.0.1", "BaseContext"));
    EXPECT_EQ(1u, RegDword(kSettings + "\\Servers\\127.0.0.1", "SearchSubcontainers"));
    EXPECT_EQ("Last Name", RegString(kSettings + "\\Criteria\\User\\Item0", "Field"));
    EXPECT_EQ("K*", RegString(kSettings + "\\Criteria\\User\\Item0", "Value"));
    EXPECT_EQ("Location", RegString(kSettings + "\\Criteria\\User\\Item1", "Field"));
    EXPECT_EQ("Object Name", RegString(kSettings + "\\Criteria\\Queue\\Item0", "Field"));

    // A gap ends the criteria list.
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, (kSettings + "\\Criteria\\User\\Item3").c_str(), &key);
    RegSetValueExA(key, "Field", 0, REG_SZ, reinterpret_cast<const BYTE*>("Full Name"), 10);
    RegCloseKey(key);

    {
        SearchWindowUnderTest w(nullptr, false);  // a server is known: no question
        ASSERT_TRUE(w.Handle());
        EXPECT_FALSE(WaitForDialog("No Server Configured", 500));
        EXPECT_EQ("127.0.0.1", ControlText(w.Handle(), Server));
        EXPECT_EQ("o=Corp", ControlText(w.Handle(), Context));
        EXPECT_EQ(BST_CHECKED, SendMessageA(w.Item(Subcontainers), BM_GETCHECK, 0, 0));
        EXPECT_EQ("Queue", ControlText(w.Handle(), Class));
        EXPECT_EQ((std::vector<std::vector<std::string>>{{"Object Name", "Laser*"}}), ListRows(w.Item(Criteria)));
        w.SelectClass("User");
        EXPECT_EQ((std::vector<std::vector<std::string>>{{"Last Name", "K*"}, {"Location", "Boston"}}),
                  ListRows(w.Item(Criteria)));
        ASSERT_TRUE(w.Search());
        EXPECT_EQ((std::vector<std::string>{".AKim.Sales.Corp", ".JKhan.Support.Corp"}), Names(w.Results()));
    }
}

// ---- Servers and contexts ------------------------------------------------------

TEST_F(SearchWindow, FindServerListsTheServersThatAnswerLdap)
{
    SearchWindowUnderTest w(nullptr, false);
    ASSERT_TRUE(w.Handle());
    // First use: Yes to the question opens the server list.
    PostMessageA(WaitForDialog("No Server Configured"), WM_COMMAND, IDYES, 0);
    HWND list = WaitForDialog("Known Search Servers", 20000);
    ASSERT_TRUE(list);
    HWND view = GetDlgItem(list, 4013);
    EXPECT_EQ((std::vector<std::string>{"Internet Name", "Orrel Name"}), ListColumns(view));
    auto rows = ListRows(view);
    ASSERT_EQ(1u, rows.size()) << "only the server on 127.0.0.1 answers on port 389";
    EXPECT_EQ(".ORREL-FS1.Corp", rows[0][1]);
    std::string name = rows[0][0];
    EXPECT_NE(std::string::npos, StaticTexts(list).find("These servers probably support searching."));
    std::string error;
    EXPECT_TRUE(SaveScreenshot(list, ScreenFolder() + "\\known-search-servers.bmp", &error)) << error;
    PostClick(list, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
    EXPECT_EQ(name, ControlText(w.Handle(), Server));
    EXPECT_EQ((std::vector<std::string>{name}), ComboEntries(w.Item(Server)));

    // The chosen name searches.
    SetCheck(w.Handle(), Subcontainers, true);
    SetControlText(w.Handle(), Context, "ou=QA,ou=Engineering,o=Corp");
    ASSERT_TRUE(w.Search());
    EXPECT_EQ(4u, w.Results().size());
}

TEST_F(SearchWindow, TheContextBrowserWalksTheDirectory)
{
    SearchWindowUnderTest w;
    ASSERT_TRUE(w.Handle());
    w.TypeServer("127.0.0.1");
    SetControlText(w.Handle(), Context, "QA.Engineering.Corp");
    PostClick(w.Handle(), Browse);
    HWND browser = WaitForDialog("Browse for Search Context");
    ASSERT_TRUE(browser);
    HWND tree = GetDlgItem(browser, 4017);
    auto textOf = [&](HTREEITEM item) {
        char text[256] = "";
        TVITEMA data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = sizeof(text);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
        return std::string(text);
    };
    auto children = [&](HTREEITEM parent) {
        std::vector<std::string> names;
        for (auto c = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
             c; c = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c))))
            names.push_back(textOf(c));
        std::sort(names.begin(), names.end());
        return names;
    };
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_EQ("[Root]", textOf(root));
    EXPECT_EQ((std::vector<std::string>{"c=FR", "o=Corp"}), children(root));
    // The current context is selected, its ancestors expanded.
    auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ("ou=QA", textOf(selected));
    auto engineering = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(selected)));
    EXPECT_EQ((std::vector<std::string>{"ou=QA"}), children(engineering));
    auto corp = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(engineering)));
    EXPECT_EQ((std::vector<std::string>{"l=Boston", "ou=Contractors", "ou=Engineering", "ou=Marketing", "ou=Sales",
                                        "ou=Support", "st=Texas"}),
              children(corp));
    std::string error;
    EXPECT_TRUE(SaveScreenshot(browser, ScreenFolder() + "\\browse-for-search-context.bmp", &error)) << error;

    // Choosing another container gives its DN.
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(engineering));
    PostClick(browser, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
    EXPECT_EQ("ou=Engineering,o=Corp", ControlText(w.Handle(), Context));
}

// ---- Save ----------------------------------------------------------------------

// Searches the Users of Sales (one level) on 127.0.0.1.
void SearchSales(SearchWindowUnderTest& w)
{
    w.TypeServer("127.0.0.1");
    SetControlText(w.Handle(), Context, "ou=Sales,o=Corp");
    SetCheck(w.Handle(), Subcontainers, false);
    ASSERT_TRUE(w.Search());
    ASSERT_EQ(10u, w.Results().size());
}

// Clicks Save and answers the New Folder dialog with path; returns the
// proposal the dialog made.
std::string SaveAs(SearchWindowUnderTest& w, const char* path)
{
    PostClick(w.Handle(), IDOK);
    HWND dialog = WaitForDialog("New Folder");
    if (!dialog) return "<no New Folder dialog>";
    std::string proposal = ControlText(dialog, 4019);
    SetControlText(dialog, 4019, path);
    PostClick(dialog, IDOK);
    WaitUntil([&] { return !IsWindow(dialog); });
    return proposal;
}

void ExpectFolderEntry(const std::string& path, const std::string& name)
{
    std::string key = kFolders + "\\" + path;
    EXPECT_EQ("Ombra::Folder", RegString(key, "Class")) << key;
    EXPECT_EQ(0x81u, RegDword(key, "Flags")) << key;
    EXPECT_EQ(name, RegString(key, "DisplayName")) << key;
    std::vector<unsigned char> dn = RegBinary(key, "DN");
    std::vector<unsigned char> expected{static_cast<unsigned char>(name.size())};
    expected.insert(expected.end(), name.begin(), name.end());
    expected.push_back(0);
    EXPECT_EQ(expected, dn) << key;
    EXPECT_EQ((std::vector<unsigned char>{0}), RegBinary(key, "Tree")) << key;
}

TEST_F(SearchWindow, SaveMakesNestedFoldersOfTheResults)
{
    RecordingHost host;
    SearchWindowUnderTest w(&host);
    ASSERT_TRUE(w.Handle());
    SearchSales(w);
    DWORD windowThread = GetWindowThreadProcessId(w.Handle(), nullptr);
    EXPECT_EQ("New Folder", SaveAs(w, "a\\b"));
    ASSERT_TRUE(w.WaitClosed()) << "a successful Save closes the window";

    ExpectFolderEntry("a", "a");
    ExpectFolderEntry("a\\b", "b");
    std::vector<std::string> objects = RegSubkeys(kFolders + "\\a\\b");
    EXPECT_EQ(10u, objects.size());
    const std::string jdoe = kFolders + "\\a\\b\\ORREL_TREE-JDoe.Sales.Corp";
    EXPECT_EQ("User", RegString(jdoe, "Class"));
    EXPECT_EQ("JDoe", RegString(jdoe, "DisplayName"));
    EXPECT_EQ("ORREL_TREE", RegString(jdoe, "Tree"));
    EXPECT_EQ((std::vector<unsigned char>{0}), RegBinary(jdoe, "Server"));
    EXPECT_EQ(0u, RegDword(jdoe, "Flags"));
    const unsigned char dn[] = {4, 'J', 'D', 'o', 'e', 5, 'S', 'a', 'l', 'e', 's', 4, 'C', 'o', 'r', 'p', 0};
    EXPECT_EQ(std::vector<unsigned char>(dn, dn + sizeof(dn)), RegBinary(jdoe, "DN"));

    EXPECT_EQ(1, host.Calls()) << "the namespace is asked to show the new folder";
    EXPECT_EQ(windowThread, host.LastThread()) << "from the search window's thread";
    EXPECT_EQ("127.0.0.1", RegString(kSettings, "LastServer")) << "closing after Save keeps the settings";
}

TEST_F(SearchWindow, SaveIntoAnExistingFolderAndProposals)
{
    RecordingHost host;
    for (int pass = 0; pass < 2; ++pass) {
        SearchWindowUnderTest w(&host, pass == 0);
        ASSERT_TRUE(w.Handle());
        SearchSales(w);
        // With "New Folder" present, the next proposal is "New Folder (2)".
        EXPECT_EQ(pass == 0 ? "New Folder" : "New Folder (2)", SaveAs(w, pass == 0 ? "New Folder" : "\\New Folder"));
        ASSERT_TRUE(w.WaitClosed());
    }
    EXPECT_EQ(2, host.Calls());
    ExpectFolderEntry("New Folder", "New Folder");
    EXPECT_EQ(10u, RegSubkeys(kFolders + "\\New Folder").size()) << "saving twice rewrites the same entries";

    // With only "New Folder (2)", "New Folder" is a prefix of it: (3).
    RegDeleteTreeA(HKEY_CURRENT_USER, kFolders.c_str());
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, (kFolders + "\\New Folder (2)").c_str(), &key);
    RegSetValueExA(key, "Class", 0, REG_BINARY, reinterpret_cast<const BYTE*>("Ombra::Folder"), 14);
    RegCloseKey(key);
    SearchWindowUnderTest w(&host, false);
    ASSERT_TRUE(w.Handle());
    PostClick(w.Handle(), IDOK);
    HWND dialog = WaitForDialog("New Folder");
    ASSERT_TRUE(dialog);
    EXPECT_EQ("New Folder (3)", ControlText(dialog, 4019));
    EXPECT_EQ((std::vector<std::string>{"New Folder (2)"}), ComboEntries(GetDlgItem(dialog, 4019)));
    // Typed names are made safe.
    SetControlText(dialog, 4019, "Q3: a/b*c.d");
    PostClick(dialog, IDOK);
    ASSERT_TRUE(w.WaitClosed());
    ExpectFolderEntry("Q3_ a_b_c_d", "Q3_ a_b_c_d");
    EXPECT_TRUE(RegSubkeys(kFolders + "\\Q3_ a_b_c_d").empty()) << "an empty result list still makes the folder";
}

TEST_F(SearchWindow, SaveRefusesWhatCannotBeAFolder)
{
    // A tree configured at the top: no folder can be made inside it.
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, (kFolders + "\\ORREL_TREE-ORREL_TREE").c_str(), &key);
    RegSetValueExA(key, "Class", 0, REG_BINARY, reinterpret_cast<const BYTE*>("Tree Root"), 10);
    RegCloseKey(key);

    RecordingHost host;
    SearchWindowUnderTest w(&host);
    ASSERT_TRUE(w.Handle());
    SearchSales(w);
    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"", "Invalid folder name specified: "},
        {"a\\", "Invalid folder name specified: a\\"},
        {"a\\\\b", "Invalid folder name specified: a\\\\b"},
        {"ORREL_TREE-ORREL_TREE\\x", "Invalid folder name specified: ORREL_TREE-ORREL_TREE\\x"},
    };
    for (const Case& c : cases) {
        SaveAs(w, c.typed);
        EXPECT_EQ(c.shown, AnswerMessageBox("Unable to Save Folder")) << c.typed;
        EXPECT_TRUE(IsWindow(w.Handle())) << "the window stays open";
    }
    EXPECT_FALSE(RegKeyExists(kFolders + "\\a\\b"));
    EXPECT_FALSE(RegKeyExists(kFolders + "\\ORREL_TREE-ORREL_TREE\\x"));
    EXPECT_EQ("Tree Root", RegString(kFolders + "\\ORREL_TREE-ORREL_TREE", "Class")) << "left as it was";

    // A server with no tree behind it: nothing is written.
    w.TypeServer("10.9.9.9");
    PostClick(w.Handle(), IDOK);
    std::string text = AnswerMessageBox("Unable to Save Folder");
    EXPECT_EQ(0u, text.find("Unable to get tree name for \"10.9.9.9\" (error = -")) << text;
    EXPECT_NE(std::string::npos, text.find("Items will not be saved.")) << text;
    EXPECT_TRUE(IsWindow(w.Handle()));
    EXPECT_EQ(0, host.Calls());
}

}  // namespace

// ---- The saved folder in the namespace -------------------------------------------

namespace saved {

using GetClassObjectFunc = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::vector<std::string> FolderNames(IShellFolder* folder)
{
    std::vector<std::string> names;
    orrel::ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK || !items)
        return names;
    LPITEMIDLIST child = nullptr;
    while (items->Next(1, &child, nullptr) == S_OK) {
        STRRET name{};
        char text[MAX_PATH] = "";
        if (SUCCEEDED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name))) StrRetToBufA(&name, child, text, sizeof(text));
        names.push_back(text);
        CoTaskMemFree(child);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace saved

TEST_F(SearchWindow, TheSavedFolderAppearsInTheNamespace)
{
    // OrrelShell.dll in this process, reading the same (private) user
    // configuration: its root folder is the search's host.
    HKEY folders = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kFolders.c_str(), &folders));
    RegCloseKey(folders);
    HMODULE shell = LoadLibraryExA(BinPath("OrrelShell.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_TRUE(shell);
    auto get = reinterpret_cast<saved::GetClassObjectFunc>(
        reinterpret_cast<void*>(GetProcAddress(shell, "DllGetClassObject")));
    ASSERT_TRUE(get);
    orrel::ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, get(CLSID_OrrelShell, IID_IClassFactory, factory.PutVoid()));
    orrel::ComPtr<IShellFolder> root;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellFolder, root.PutVoid()));
    orrel::ComPtr<IPersistFolder> persist;
    ASSERT_EQ(S_OK, root.As(IID_IPersistFolder, persist));
    ITEMIDLIST empty{};
    persist->Initialize(&empty);
    std::vector<std::string> before = saved::FolderNames(root.Get());
    EXPECT_EQ(before.end(), std::find(before.begin(), before.end(), "Found"));

    orrel::ComPtr<IOrrelRefresh> host;
    ASSERT_EQ(S_OK, root.As(IID_IOrrelRefresh, host));
    {
        SearchWindowUnderTest w(host.Get());
        ASSERT_TRUE(w.Handle());
        SearchSales(w);
        SaveAs(w, "Found");
        ASSERT_TRUE(w.WaitClosed());
    }
    std::vector<std::string> after = saved::FolderNames(root.Get());
    EXPECT_NE(after.end(), std::find(after.begin(), after.end(), "Found"))
        << "the namespace shows the new folder after the search's refresh";

    // As Wine's explorer browser shows it (OrrelShell.dll registered in this
    // test's own prefix, the same module): the saved folder's objects.
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(shell, "DllRegisterServer")));
    ASSERT_TRUE(reg);
    reg();
    orrel::launcher::BrowserFrame frame;
    ASSERT_EQ(S_OK, frame.Create(GetModuleHandleA(nullptr), "Orrel Explorer", 900, 560));
    ShowWindow(frame.Window(), SW_SHOWNORMAL);
    std::string report;
    HRESULT hr = frame.Navigate("::{76AAD000-C21A-11D1-8115-00C04FB67EB7}", &report);
    EXPECT_EQ(S_OK, hr) << report;
    WaitUntil([&] { return frame.Filled(); }, 20000);
    HWND tree = frame.FindDescendant("SysTreeView32");
    if (tree) {
        // Open "Found" in the tree pane, then in the view.
        for (int round = 0; round < 2; ++round) {
            for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
                 item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE,
                                                                 reinterpret_cast<LPARAM>(item)))) {
                char text[260] = "";
                TVITEMA data{};
                data.mask = TVIF_TEXT;
                data.hItem = item;
                data.pszText = text;
                data.cchTextMax = sizeof(text);
                SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
                if (lstrcmpA(text, round == 0 ? "Orrel Explorer" : "Found") == 0) {
                    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
                    if (round == 1) SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                    break;
                }
            }
            WaitUntil([] { return false; }, 1500);
        }
    }
    std::string shown;
    WaitUntil([&] {
        shown.clear();
        for (const std::string& line : frame.ViewLines()) shown += "[" + line + "]";
        return shown.find("JDoe") != std::string::npos;
    }, 15000);
    WaitUntil([] { return false; }, 1000);
    SetForegroundWindow(frame.Window());
    BringWindowToTop(frame.Window());
    if (HWND view = frame.FindDescendant("SysListView32")) SetFocus(view);
    RedrawWindow(frame.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    WaitUntil([] { return false; }, 300);
    std::string error;
    EXPECT_TRUE(SaveScreenshot(frame.Window(), ScreenFolder() + "\\saved-search-folder.bmp", &error)) << error;
    EXPECT_NE(std::string::npos, shown.find("JDoe")) << "the view of the saved folder: " << shown;
    frame.Destroy();
}

// A tree served live by the same server: what the directory client writes
// there (as a page's Apply does) is what the search finds, at once.
TEST_F(SearchWindow, FindsWhatTheLiveTreeWasJustGiven)
{
    std::ifstream in(BinPath("find-test-directory.json"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string tree = "\"name\": \"ORREL_TREE\",";
    const size_t at = text.find(tree);
    ASSERT_NE(std::string::npos, at);
    text.insert(at + tree.size(), " \"ldap\": {\"host\": \"127.0.0.1\", \"port\": 389, \"password\": \"orrel\"},");
    const std::string live = BinPath("find-test-directory-live.json");
    std::ofstream(live, std::ios::binary | std::ios::trunc) << text;
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", live.c_str());

    HALVET_CONTEXT ctx = HALVET_NO_CONTEXT;
    ASSERT_EQ(HALVET_OK, CreateDirContext(&ctx));
    uint32_t flags = HALVET_CTX_FLAGS_USUAL;
    HALVET_BUFFER* request = nullptr;
    int32_t rc = SetDirContextValue(ctx, HALVET_CTX_KEY_FLAGS, &flags);
    if (rc == HALVET_OK) rc = SetDirContextValue(ctx, HALVET_CTX_KEY_NAME_CONTEXT, "Sales.Corp");
    if (rc == HALVET_OK) rc = AllocDirBuffer(HALVET_DEFAULT_BUFFER_SIZE, &request);
    if (rc == HALVET_OK) rc = InitDirBuffer(HALVET_OP_MODIFY, request);
    if (rc == HALVET_OK) rc = PutChange(ctx, request, HALVET_CHANGE_OVERWRITE_VALUE, "Full Name");
    if (rc == HALVET_OK) rc = PutAttrVal(ctx, request, HALVET_SYNTAX_CI_STRING, "Johnny Live Doe");
    if (rc == HALVET_OK) rc = ModifyObject(ctx, "JDoe", request);
    if (request) FreeDirBuffer(request);
    FreeDirContext(ctx);
    ASSERT_EQ(HALVET_OK, rc);

    SearchWindowUnderTest w;
    ASSERT_TRUE(w.Handle());
    w.TypeServer("127.0.0.1");
    SetCheck(w.Handle(), Subcontainers, true);
    w.AddCriterion("Full Name", "Johnny Live Doe");
    ASSERT_TRUE(w.Search());
    auto rows = w.Results();
    EXPECT_EQ((std::vector<std::string>{".JDoe.Sales.Corp"}), Names(rows)) << w.Status();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("Johnny Live Doe", rows[0][1]);
    DeleteFileA(live.c_str());
}
