// The shortcut wizard driven for real through its pages: started by
// "Shortcut Wizard..." of the folder's menu, on its own thread, its sheet
// and dialogs worked with property sheet messages and controls by id from
// the test's thread; the registry and the namespace checked afterwards.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "screenshot.h"
#include "view_support.h"

namespace vtest {
namespace {

using orrel::ComPtr;

constexpr char kWizardCaption[] = "Orrel Shortcut creation Wizard";
constexpr char kLocateCaption[] = "Locate Tree by Server";
constexpr char kTreesKey[] = "Software\\Halvet\\Orrel Namespace\\Trees";
constexpr int kBackButton = 0x3023, kNextButton = 0x3024, kFinishButton = 0x3025;

template <class Condition>
bool WaitFor(Condition condition, DWORD milliseconds = 5000)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Pump(10);
    }
    return true;
}

std::string TextOf(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A dialog window of a thread with this caption (not the one excluded).
HWND FindDialog(DWORD thread, const std::string& caption, HWND except = nullptr)
{
    struct Search {
        std::string caption;
        HWND except;
        HWND found;
    } search{caption, except, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char className[64] = {};
            GetClassNameA(hwnd, className, sizeof className);
            if (hwnd != s->except && std::string(className) == "#32770" && IsWindowVisible(hwnd) &&
                TextOf(hwnd) == s->caption) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Sorted(std::vector<std::string> texts)
{
    std::sort(texts.begin(), texts.end());
    return Join(texts);
}

std::string StoredText(const std::string& key, const char* value)
{
    char data[256] = {};
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_ANY, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return std::string(data, size > 0 ? size - 1 : 0);
}

DWORD StoredFlags(const std::string& key)
{
    DWORD flags = 0, size = sizeof flags;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Flags", RRF_RT_REG_DWORD, nullptr, &flags,
                     &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return flags;
}

DWORD TreeValueCount()
{
    HKEY key = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTreesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return values;
}

std::string ScreenPath(const char* name)
{
    char exe[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string folder(exe);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1) + "..\\shortcut-screens";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

// Keeps a picture of a window of the wizard's thread as a test artefact.
void Screenshot(HWND window, const char* name)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(300);
    orrel::launcher::Picture picture;
    std::string error;
    ASSERT_TRUE(orrel::launcher::CaptureClientArea(window, &picture, &error)) << name << ": " << error;
    bool varied = false;
    for (int y = 0; y < picture.height && !varied; y += 3)
        for (int x = 0; x < picture.width && !varied; x += 3)
            varied = picture.At(x, y) != picture.At(0, 0);
    EXPECT_TRUE(varied) << name << " is of one colour";
    EXPECT_TRUE(orrel::launcher::WriteBmp(picture, ScreenPath(name), &error)) << error;
}

// A wizard started through "Shortcut Wizard..." of a folder object's menu,
// worked from the test's thread.
class Wizard {
public:
    explicit Wizard(IContextMenu* menu)
    {
        HMENU popup = CreatePopupMenu();
        const HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 0x7F00, CMF_EXPLORE);
        MENUITEMINFOA item = {};
        char text[64] = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_ID;
        item.dwTypeData = text;
        item.cch = sizeof text - 1;
        GetMenuItemInfoA(popup, 0, TRUE, &item);
        EXPECT_TRUE(SUCCEEDED(hr) && std::string(text) == "Shortcut Wizard..." && item.wID == 1)
            << text;
        DestroyMenu(popup);
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(0);
        info.nShow = SW_SHOWNORMAL;
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
        WaitFor([&] {
            sheet_ = FindWindowA(nullptr, kWizardCaption);
            return sheet_ && IsWindowVisible(sheet_) && Page();
        });
        thread_ = sheet_ ? GetWindowThreadProcessId(sheet_, nullptr) : 0;
    }
    ~Wizard()
    {
        if (IsWindow(sheet_)) PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        Closed();
    }

    HWND Sheet() const { return sheet_; }
    DWORD Thread() const { return thread_; }
    HWND Page() const { return reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    HWND Control(int id) const { return GetDlgItem(Page(), id); }
    std::string Text(int id) const { return TextOf(Control(id)); }
    bool Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

    // The enabled, visible buttons of the sheet, once they are as expected.
    std::string Buttons(const std::string& expected) const
    {
        std::string shown;
        WaitFor([&] {
            shown.clear();
            const std::pair<int, const char*> buttons[] = {
                {kBackButton, "Back"}, {kNextButton, "Next"}, {kFinishButton, "Finish"}};
            for (const auto& button : buttons) {
                HWND hwnd = GetDlgItem(sheet_, button.first);
                if (hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
                    shown += (shown.empty() ? "" : " ") + std::string(button.second);
            }
            return shown == expected;
        }, 2000);
        return shown;
    }

    void Click(int id) const { SendMessageA(Control(id), BM_CLICK, 0, 0); }
    void Type(int id, const std::string& text) const
    {
        SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Next or Back, and the page that has the control id comes.
    bool Go(int button, int controlOfNextPage)
    {
        HWND before = Page();
        PostMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
        return WaitFor([&] { return Page() != before && Control(controlOfNextPage); });
    }
    bool Finish()
    {
        PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        return Closed();
    }
    bool Closed() const
    {
        if (!WaitFor([&] { return !IsWindow(sheet_); })) return false;
        Pump(100);  // the wizard's thread ends after its sheet
        return true;
    }
    // Whether the sheet holds a page at this index.
    bool HasPage(int index) const { return SendMessageA(sheet_, PSM_INDEXTOPAGE, index, 0) != 0; }

    // The list box's strings, in order.
    std::vector<std::string> ListItems(int id) const
    {
        std::vector<std::string> items;
        const int count = static_cast<int>(SendMessageA(Control(id), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[128] = {};
            SendMessageA(Control(id), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    void SelectListItem(int id, const std::string& text) const
    {
        const LRESULT index =
            SendMessageA(Control(id), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(Control(id), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
    }

private:
    HWND sheet_ = nullptr;
    DWORD thread_ = 0;
};

// Tree view items: texts of the children of an item (TVI_ROOT for the top).
std::vector<std::string> TreeChildren(HWND tree, HTREEITEM parent, std::vector<HTREEITEM>* items = nullptr)
{
    std::vector<std::string> texts;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(
        tree, TVM_GETNEXTITEM, parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        char text[128] = {};
        TVITEMA info = {};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
        texts.push_back(text);
        if (items) items->push_back(item);
    }
    return texts;
}

HTREEITEM TreeChild(HWND tree, HTREEITEM parent, const std::string& text)
{
    std::vector<HTREEITEM> items;
    const std::vector<std::string> texts = TreeChildren(tree, parent, &items);
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == text) return items[i];
    return nullptr;
}

// The folder object's own menu acting on a personal folder of the root, or
// on the root itself.
ComPtr<IContextMenu> MenuOf(const std::string& personalFolder)
{
    ComPtr<IContextMenu> menu;
    ComPtr<IShellFolder> root = BindPath({});
    if (!root) return menu;
    if (personalFolder.empty()) {
        root->QueryInterface(IID_IContextMenu, menu.PutVoid());
        return menu;
    }
    Pidl child = ChildPidl(root.Get(), personalFolder);
    LPCITEMIDLIST list = child.Get();
    if (list) root->GetUIObjectOf(nullptr, 1, &list, IID_IContextMenu, nullptr, menu.PutVoid());
    return menu;
}

// A message box the wizard's thread shows: its text, answered with OK.
std::string AnswerMessage(const Wizard& wizard, HWND except)
{
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindDialog(wizard.Thread(), "Orrel Explorer", except)) != nullptr; }))
        return "<no message>";
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); });
    return text;
}

class ShortcutWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetConfiguration();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTreesKey);
        HKEY key = nullptr;
        RegCreateKeyA(HKEY_CURRENT_USER, kTreesKey, &key);
        if (key) RegCloseKey(key);
    }
    void TearDown() override { ResetConfiguration(); }
};

TEST_F(ShortcutWizard, FolderAtAnyDepthWithItsLocationFollowingTheName)
{
    ComPtr<IContextMenu> menu = MenuOf("Projects");
    ASSERT_TRUE(menu);
    Wizard wizard(menu.Get());
    ASSERT_TRUE(wizard.Sheet()) << "no wizard shown";
    EXPECT_TRUE(wizard.Checked(2007)) << "Folder is the first choice";
    EXPECT_EQ(wizard.Buttons("Next"), "Next");
    Screenshot(wizard.Sheet(), "wizard-type.bmp");

    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2010));
    EXPECT_EQ(wizard.Text(2014), "\\Projects\\");
    EXPECT_EQ(wizard.Buttons(""), "") << "no name, no Finish; no Back on this page";
    wizard.Type(2010, "New");
    EXPECT_EQ(wizard.Text(2014), "\\Projects\\New");
    wizard.Type(2010, "Newer");
    EXPECT_EQ(wizard.Text(2014), "\\Projects\\Newer");
    EXPECT_EQ(wizard.Buttons("Finish"), "Finish");

    // The folder tree holds the personal folders, nested; picking one puts
    // the name under it.
    HWND tree = wizard.Control(2011);
    EXPECT_EQ(Sorted(TreeChildren(tree, TVI_ROOT)), "Empty, Locked, One, Projects, Sorting");
    HTREEITEM projects = TreeChild(tree, TVI_ROOT, "Projects");
    ASSERT_TRUE(projects);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(projects));
    HTREEITEM sub = TreeChild(tree, projects, "Sub");
    ASSERT_TRUE(sub);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(sub));
    EXPECT_EQ(wizard.Text(2014), "Projects\\Sub\\Newer");
    Screenshot(wizard.Sheet(), "wizard-folder.bmp");

    // A location that exists already keeps the page open, without a word.
    wizard.Type(2014, "Projects\\Sub");
    PostMessageA(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    Pump(300);
    EXPECT_TRUE(IsWindow(wizard.Sheet()));

    // Only Projects exists of Projects\Deep\Er: Deep and Er are made.
    wizard.Type(2014, "Projects\\Deep\\Er");
    ASSERT_TRUE(wizard.Finish());
    EXPECT_EQ(StoredFlags(FolderKey("Projects\\Deep")), 0x81u);
    EXPECT_EQ(StoredFlags(FolderKey("Projects\\Deep\\Er")), 0x81u);
    EXPECT_EQ(Join(ChildNames({"Projects", "Deep"})), "Er");
}

TEST_F(ShortcutWizard, TreeFromTheConnectionsListedOnceWithoutPadding)
{
    ViewHost root;  // an open view of the root shows the new tree at once
    ASSERT_TRUE(root.Open({}));
    ComPtr<IContextMenu> menu = MenuOf("");
    ASSERT_TRUE(menu);
    Wizard wizard(menu.Get());
    ASSERT_TRUE(wizard.Sheet());
    wizard.Click(2009);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2015));
    // Authenticated trees first: the main tree, seen on two connections.
    EXPECT_TRUE(wizard.Checked(2003));
    EXPECT_EQ(Join(wizard.ListItems(2015)), "VIEWTREE");
    EXPECT_EQ(wizard.Buttons("Back"), "Back");
    EXPECT_FALSE(wizard.Enabled(2025));

    // All trees: every connection's and what their servers advertise.
    wizard.Click(2002);
    EXPECT_EQ(Join(wizard.ListItems(2015)), "ACMETREE, REMOTETREE, VIEWTREE");
    wizard.SelectListItem(2015, "ACMETREE");
    EXPECT_EQ(wizard.Buttons("Back Finish"), "Back Finish");
    Screenshot(wizard.Sheet(), "wizard-tree.bmp");
    ASSERT_TRUE(wizard.Finish());

    const std::string key = FolderKey("ACMETREE-ACMETREE");
    EXPECT_EQ(StoredFlags(key), 0x301u);
    EXPECT_EQ(StoredText(key, "Class"), "Tree Root");
    EXPECT_EQ(StoredText(key, "Tree"), "ACMETREE");
    EXPECT_EQ(StoredText(key, "Server"), "");
    const std::vector<std::string> top = ChildNames({});
    EXPECT_NE(std::find(top.begin(), top.end(), "ACMETREE"), top.end()) << Join(top);
    EXPECT_TRUE(WaitFor([&] { return ItemIndex(root.List(), "ACMETREE") >= 0; }))
        << Join(Column(root.List(), 0));
    EXPECT_EQ(Join(ChildNames({"ACMETREE"})), "Acme");
}

TEST_F(ShortcutWizard, TreeLocatedByServerNameOrAddress)
{
    ComPtr<IContextMenu> menu = MenuOf("Empty");
    ASSERT_TRUE(menu);
    Wizard wizard(menu.Get());
    ASSERT_TRUE(wizard.Sheet());
    wizard.Click(2009);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2015));
    PostMessageA(wizard.Control(2023), BM_CLICK, 0, 0);
    HWND locate = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (locate = FindDialog(wizard.Thread(), kLocateCaption)) != nullptr; }));
    auto item = [&](int id) { return GetDlgItem(locate, id); };
    EXPECT_EQ(SendMessageA(item(2020), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(item(IDOK)));
    EXPECT_FALSE(IsWindowEnabled(item(2019)));

    // An incomplete address: message 123.
    SendMessageA(item(2017), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(item(2019)));
    HWND firstField = FindWindowExA(item(2019), nullptr, "Edit", nullptr);
    ASSERT_TRUE(firstField);
    SendMessageA(firstField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10"));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(item(IDOK)) != FALSE; }));
    Screenshot(locate, "wizard-locate.bmp");
    PostMessageA(locate, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(AnswerMessage(wizard, locate), "A server name or IP Address was not specified.");

    // A server that answers without a tree, and one that does not answer.
    SendMessageA(item(2020), BM_CLICK, 0, 0);
    SendMessageA(item(2021), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("SILENT-FS"));
    PostMessageA(locate, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(AnswerMessage(wizard, locate), "Unable to locate a tree on the server 'SILENT-FS'");
    EXPECT_EQ(TreeValueCount(), 0u) << "nothing written";
    SendMessageA(item(2021), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("NOSUCH-FS"));
    PostMessageA(locate, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(AnswerMessage(wizard, locate), "Unable to connect to a Halvet server at NOSUCH-FS");

    // By address: found, recorded and shown.
    SendMessageA(item(2017), BM_CLICK, 0, 0);
    SendMessageA(item(2019), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 3));
    PostMessageA(locate, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(locate); }));
    EXPECT_EQ(StoredText(kTreesKey, "ACMETREE"), "127.0.0.3");
    EXPECT_EQ(Join(wizard.ListItems(2015)), "ACMETREE");
    EXPECT_EQ(wizard.Text(2026), "127.0.0.3");
    EXPECT_TRUE(wizard.Enabled(2026));
    EXPECT_FALSE(wizard.Enabled(2002) || wizard.Enabled(2003));
    EXPECT_EQ(wizard.Buttons("Back Finish"), "Back Finish");
    ASSERT_TRUE(wizard.Finish());

    const std::string key = FolderKey("Empty\\ACMETREE-ACMETREE");
    EXPECT_EQ(StoredFlags(key), 0x301u);
    EXPECT_EQ(StoredText(key, "Server"), "127.0.0.3");
    EXPECT_EQ(Join(ChildNames({"Empty"})), "ACMETREE");
}

TEST_F(ShortcutWizard, ShortcutToAnOrganizationalUnitPickedInTheDirectory)
{
    ComPtr<IContextMenu> menu = MenuOf("Empty");
    ASSERT_TRUE(menu);
    Wizard wizard(menu.Get());
    ASSERT_TRUE(wizard.Sheet());
    wizard.Click(2008);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2015));
    wizard.Click(2002);
    wizard.SelectListItem(2015, "ACMETREE");
    EXPECT_EQ(wizard.Buttons("Back Next"), "Back Next");
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2027));
    EXPECT_EQ(wizard.Text(2009), "ACMETREE");

    // Only Organizations and Organizational Units, never leaves or other
    // containers.
    HWND tree = wizard.Control(2027);
    EXPECT_EQ(Join(TreeChildren(tree, TVI_ROOT)), "Acme");
    HTREEITEM acme = TreeChild(tree, TVI_ROOT, "Acme");
    ASSERT_TRUE(acme);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(acme));
    EXPECT_EQ(Join(TreeChildren(tree, acme)), "Ops, Sales");
    HTREEITEM sales = TreeChild(tree, acme, "Sales");
    ASSERT_TRUE(sales);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(sales));
    EXPECT_EQ(Join(TreeChildren(tree, sales)), "East");
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(sales));
    EXPECT_EQ(wizard.Text(2028), "Sales.Acme");
    EXPECT_EQ(wizard.Buttons("Back Finish"), "Back Finish");
    Screenshot(wizard.Sheet(), "wizard-shortcut.bmp");
    ASSERT_TRUE(wizard.Finish());

    const std::string key = FolderKey("Empty\\ACMETREE-Sales.Acme");
    EXPECT_EQ(StoredText(key, "DN"), std::string("\x05Sales\x04" "Acme"));
    EXPECT_EQ(StoredFlags(key), 0x101u);
    EXPECT_EQ(StoredText(key, "DisplayName"), "Sales");
    EXPECT_EQ(StoredText(key, "Class"), "Organizational Unit");
    EXPECT_EQ(StoredText(key, "Tree"), "ACMETREE");
    EXPECT_EQ(Join(ChildNames({"Empty"})), "Sales");
    EXPECT_EQ(Sorted(ChildNames({"Empty", "Sales"})), "East, JDoe");
}

TEST_F(ShortcutWizard, BackAndNextLeaveThePagesOfTheTypeFinallyChosen)
{
    ComPtr<IContextMenu> menu = MenuOf("");
    ASSERT_TRUE(menu);
    Wizard wizard(menu.Get());
    ASSERT_TRUE(wizard.Sheet());
    wizard.Click(2008);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2015));
    EXPECT_TRUE(wizard.HasPage(2) && !wizard.HasPage(3)) << "type, tree and shortcut pages";
    ASSERT_TRUE(wizard.Go(PSBTN_BACK, 2007));
    EXPECT_TRUE(wizard.Checked(2008)) << "the choice is kept";
    wizard.Click(2007);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2010));
    EXPECT_TRUE(wizard.HasPage(1) && !wizard.HasPage(2)) << "type and folder pages only";
    ASSERT_TRUE(wizard.Go(PSBTN_BACK, 2007));
    wizard.Click(2009);
    ASSERT_TRUE(wizard.Go(PSBTN_NEXT, 2015));
    EXPECT_TRUE(wizard.HasPage(1) && !wizard.HasPage(2)) << "type and tree pages only";
    wizard.SelectListItem(2015, "VIEWTREE");
    EXPECT_EQ(wizard.Buttons("Back Finish"), "Back Finish") << "the tree page ends a Tree";

    // Cancel changes nothing.
    PostMessageA(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(wizard.Closed());
    EXPECT_EQ(ChildNames({}).size(), 6u) << Join(ChildNames({}));
}

}  // namespace
}  // namespace vtest
