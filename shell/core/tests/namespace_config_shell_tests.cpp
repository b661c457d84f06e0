// The stored configuration as the shell changes and sees it: renames through
// SetNameOf (with their messages), reloads after another process changed
// "Folders", and stored entries that cannot be shown.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "namespace_shell_fixture.h"

using namespace nstest;
using orrel::ComPtr;

namespace {

const char kBadName[] =
    "Name contains one or more of the following charaters. \"*?:<>|\\.";
const char kRenameFailed[] =
    "Folder name already exist or an unknown error occured during rename.";

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes FolderEntry(const std::string& keyPath)
{
    std::size_t slash = keyPath.find_last_of('\\');
    std::string name = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
    return Entry(0x81, name, "Ombra::Folder", Labels(keyPath), "");
}

bool HasChange(const std::vector<Change>& changes, LONG event, const Bytes& first,
               const Bytes& second = Bytes())
{
    for (const Change& c : changes)
        if (c.event == event && c.first == first && c.second == second) return true;
    return false;
}

class Configuration : public NamespaceTest {
protected:
    void SetUp() override
    {
        NamespaceTest::SetUp();
        if (IsSkipped()) return;
        root_ = BindRoot();
        ASSERT_TRUE(root_);
        rootBytes_ = ListBytes(RootPidl().Get());
    }

    HRESULT Rename(IShellFolder* folder, const std::string& item, const wchar_t* name,
                   LPITEMIDLIST* out = nullptr)
    {
        Pidl child = FindChild(folder, item);
        if (!child.Get()) return E_UNEXPECTED;
        return folder->SetNameOf(owner_.Get(), child.Get(), name, SHGDN_INFOLDER, out);
    }

    ComPtr<IShellFolder> root_;
    Bytes rootBytes_;
    TestWindow owner_;
};

TEST_F(Configuration, RenameRefusalsShowTheirMessageOwnedByTheWindow)
{
    struct Case {
        const char* item;
        const wchar_t* name;
        const char* message;
    } cases[] = {
        {"Projects", L"bad.name", kBadName},
        {"Projects", L"", kBadName},
        {"Projects", L"a*b", kBadName},
        {"Projects", L"say \"hi\"", kBadName},
        {"Projects", L"it's", kBadName},
        {"Projects", L"a\\b", kBadName},
        // The new key exists: the tree's own key.
        {"Projects", L"TESTTREE-TESTTREE", kRenameFailed},
        // Trees pass the first test but only folders are renamed.
        {kTree, L"OTHER", kRenameFailed},
    };
    for (const Case& c : cases) {
        MessageBoxCatcher boxes;
        LPITEMIDLIST out = reinterpret_cast<LPITEMIDLIST>(1);
        EXPECT_EQ(Rename(root_.Get(), c.item, c.name, &out), E_FAIL) << c.item;
        EXPECT_EQ(out, nullptr);
        ASSERT_EQ(boxes.Count(), 1) << c.item << " -> " << c.message;
        EXPECT_EQ(boxes.Text(), c.message);
        EXPECT_EQ(boxes.Caption(), "Orrel Explorer");
        EXPECT_EQ(boxes.Owner(), owner_.Get());
    }
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\Projects"));
    EXPECT_EQ(Names(root_.Get(), 0x20).size(), 3u);
}

TEST_F(Configuration, RenamesThatCannotHappenSayNothing)
{
    MessageBoxCatcher boxes;
    // The same name changes nothing.
    EXPECT_EQ(Rename(root_.Get(), "Projects", L"Projects"), E_FAIL);
    // A saved directory object is no folder, shortcut or tree.
    EXPECT_EQ(Rename(root_.Get(), "Admin", L"Boss"), E_FAIL);
    EXPECT_EQ(boxes.Count(), 0) << boxes.Text();
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\TESTTREE-Admin.Org"));
}

TEST_F(Configuration, RenameMovesTheFolderWithEverythingBelowIt)
{
    Pidl rootList = RootPidl();
    ChangeRecorder changes(rootList.Get());
    ASSERT_TRUE(changes.Registered());
    MessageBoxCatcher boxes;
    LPITEMIDLIST out = reinterpret_cast<LPITEMIDLIST>(1);
    ASSERT_EQ(Rename(root_.Get(), "Projects", L"Work", &out), S_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(boxes.Count(), 0) << boxes.Text();

    const std::string folders = kFoldersKey;
    EXPECT_FALSE(KeyExists(folders + "\\Projects"));
    EXPECT_EQ(ReadText(folders + "\\Work", "DisplayName"), "Work");
    EXPECT_EQ(ReadText(folders + "\\Work", "DN"), Labels("Work"));
    EXPECT_EQ(ReadText(folders + "\\Work", "Class"), "Ombra::Folder");
    EXPECT_EQ(ReadText(folders + "\\Work\\Sub", "DN"), Labels("Work\\Sub"));
    EXPECT_EQ(ReadText(folders + "\\Work\\Sub", "DisplayName"), "Sub");
    EXPECT_EQ(ReadText(folders + "\\Work\\TESTTREE-Sales.Org", "DN"), Labels("Sales.Org"));
    EXPECT_EQ(ReadText(folders + "\\Work\\TESTTREE-Sales.Org", "Class"), "Organizational Unit");
    // A folder at the top: no empty parent level in the new key.
    for (const std::string& name : Subkeys(folders)) EXPECT_FALSE(name.empty());

    const auto& seen = changes.Changes();
    const Bytes oldList = Concat(rootBytes_, FolderEntry("Projects"));
    const Bytes newList = Concat(rootBytes_, FolderEntry("Work"));
    EXPECT_TRUE(HasChange(seen, SHCNE_RENAMEITEM, oldList, newList)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_RMDIR, oldList)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_MKDIR, newList)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_UPDATEDIR, rootBytes_)) << changes.Describe();

    std::vector<std::string> expected = {LongFolderName(), kTree, "Work"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(root_.Get(), 0x20), expected);
    Pidl work = FindChild(root_.Get(), "Work");
    ComPtr<IShellFolder> workFolder = Bind(root_.Get(), work.Get());
    EXPECT_EQ(Names(workFolder.Get(), 0x60), (std::vector<std::string>{"Sales", "Sub"}));
    Pidl sub = FindChild(workFolder.Get(), "Sub");
    EXPECT_EQ(Hex(ListBytes(sub.Get())), Hex(FolderEntry("Work\\Sub")));
}

TEST_F(Configuration, RenameOfANestedFolderStaysInItsParent)
{
    Pidl rootList = RootPidl();
    ChangeRecorder changes(rootList.Get());
    Pidl projects = FindChild(root_.Get(), "Projects");
    ComPtr<IShellFolder> projectsFolder = Bind(root_.Get(), projects.Get());
    ASSERT_TRUE(projectsFolder);
    MessageBoxCatcher boxes;
    ASSERT_EQ(Rename(projectsFolder.Get(), "Sub", L"Later"), S_OK) << boxes.Text();

    const std::string folders = kFoldersKey;
    EXPECT_FALSE(KeyExists(folders + "\\Projects\\Sub"));
    EXPECT_EQ(ReadText(folders + "\\Projects\\Later", "DN"), Labels("Projects\\Later"));
    EXPECT_FALSE(KeyExists(folders + "\\Later"));
    const Bytes projectsList = Concat(rootBytes_, FolderEntry("Projects"));
    EXPECT_TRUE(HasChange(changes.Changes(), SHCNE_RENAMEITEM,
                          Concat(projectsList, FolderEntry("Projects\\Sub")),
                          Concat(projectsList, FolderEntry("Projects\\Later"))))
        << changes.Describe();
    EXPECT_EQ(Names(projectsFolder.Get(), 0x60), (std::vector<std::string>{"Later", "Sales"}));
}

TEST_F(Configuration, ReloadAfterAnotherProcessReportsOnlyTheDifferences)
{
    Pidl rootList = RootPidl();
    // Browse a shortcut first: its listed children are no configuration.
    Pidl projects = FindChild(root_.Get(), "Projects");
    ComPtr<IShellFolder> projectsFolder = Bind(root_.Get(), projects.Get());
    Pidl sales = FindChild(projectsFolder.Get(), "Sales");
    ComPtr<IShellFolder> salesFolder = Bind(projectsFolder.Get(), sales.Get());
    ASSERT_EQ(Names(salesFolder.Get(), 0x60), std::vector<std::string>{"JDoe"});

    ASSERT_EQ(RunChild("folders"), 0u);
    ChangeRecorder changes(rootList.Get());
    ASSERT_TRUE(changes.Registered());
    ASSERT_EQ(RefreshNamespace(), S_OK);

    const auto& seen = changes.Changes();
    const Bytes admin = Concat(rootBytes_, Entry(0, "Admin", "User", Labels("Admin.Org"), kTree));
    const Bytes added = Concat(rootBytes_, FolderEntry("Added"));
    const Bytes zed = Concat(Concat(rootBytes_, FolderEntry("Projects")),
                             Entry(0x100, "Zed", "User", Labels("Zed.Org"), kTree));
    EXPECT_TRUE(HasChange(seen, SHCNE_DELETE, admin)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_MKDIR, added)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_CREATE, zed)) << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_UPDATEDIR, rootBytes_)) << changes.Describe();
    // Nothing else: every event names the root, the three items, or Projects.
    const Bytes projectsList = Concat(rootBytes_, FolderEntry("Projects"));
    for (const Change& c : seen) {
        const bool known = c.first == rootBytes_ || c.first == admin || c.first == added ||
                           c.first == zed || c.first == projectsList;
        EXPECT_TRUE(known) << "unexpected event 0x" << std::hex << c.event << " " << Hex(c.first);
    }

    std::vector<std::string> expected = {"Added", LongFolderName(), "Projects", kTree};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(root_.Get(), 0x60), expected);
    EXPECT_EQ(Names(projectsFolder.Get(), 0x60),
              (std::vector<std::string>{"Sales", "Sub", "Zed"}));
    // The browsed shortcut lists its directory children again.
    EXPECT_EQ(Names(salesFolder.Get(), 0x60), std::vector<std::string>{"JDoe"});
}

// Runs only in a child process: changes "Folders" behind the namespace's back.
TEST(ChildProcess, Folders)
{
    if (ChildTask() != "folders") GTEST_SKIP();
    DeleteTree(std::string(kFoldersKey) + "\\TESTTREE-Admin.Org");
    WriteItem(StoredFolder("Added"));
    WriteItem(StoredShortcut("Projects", "Zed.Org", "User", 0x100));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\Added"));
}

TEST_F(Configuration, StoredEntriesThatCannotBeShownStayInTheRegistry)
{
    const std::string folders = kFoldersKey;
    // No Class, and the object is gone from the directory.
    WriteItem(StoredShortcut("", "Ghost.Org", "", 0x101));
    // No Class, and the object is there: completed from the directory.
    WriteItem(StoredShortcut("Projects", "SalesLink.Org", "", 0x100));
    // A DN whose counts run past its end.
    StoredItem broken = StoredShortcut("", "Zed.Org", "User", 0);
    broken.path = std::string("\x09Zed", 4);
    WriteItem(broken);
    // A folder whose key is no sequence of labels.
    WriteItem(StoredFolder("dotted.name"));
    // No DisplayName.
    StoredItem nameless = StoredShortcut("", "alpha.Org", "User", 0);
    nameless.displayName.clear();
    WriteItem(nameless);
    ASSERT_EQ(RefreshNamespace(), S_OK);

    std::vector<std::string> expected = {"Admin", LongFolderName(), "Projects", kTree};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(root_.Get(), 0x60), expected);
    for (const char* key : {"\\TESTTREE-Ghost.Org", "\\TESTTREE-Zed.Org", "\\dotted.name",
                            "\\TESTTREE-alpha.Org"})
        EXPECT_TRUE(KeyExists(folders + key)) << key;

    Pidl projects = FindChild(root_.Get(), "Projects");
    ComPtr<IShellFolder> projectsFolder = Bind(root_.Get(), projects.Get());
    Pidl link = FindChild(projectsFolder.Get(), "SalesLink");
    ASSERT_NE(link.Get(), nullptr);
    // Class and the container and alias bits come from the directory.
    EXPECT_EQ(Hex(ListBytes(link.Get())),
              Hex(Entry(0x103, "SalesLink", "Organizational Unit", Labels("SalesLink.Org"), kTree)));
}

TEST_F(Configuration, FoldersSavedWithTheirLastLevelOnlyLiveWhereTheirKeyIs)
{
    // A folder entry as the search extension saves it: "DN" holds only its
    // own name, whatever its depth.
    StoredItem saved = StoredFolder("Projects\\Results");
    saved.path = Labels("Results");
    WriteItem(saved);
    WriteItem(StoredFolder("Results"));
    ASSERT_EQ(RefreshNamespace(), S_OK);

    Pidl projects = FindChild(root_.Get(), "Projects");
    ComPtr<IShellFolder> projectsFolder = Bind(root_.Get(), projects.Get());
    Pidl nested = FindChild(projectsFolder.Get(), "Results");
    ASSERT_NE(nested.Get(), nullptr);
    EXPECT_EQ(Hex(ListBytes(nested.Get())), Hex(FolderEntry("Projects\\Results")));
    EXPECT_EQ(NameOf(projectsFolder.Get(), nested.Get(), SHGDN_NORMAL), "Projects\\Results");
    Pidl top = FindChild(root_.Get(), "Results");
    ASSERT_NE(top.Get(), nullptr);
    EXPECT_NE(Hex(ListBytes(top.Get())), Hex(ListBytes(nested.Get())));
}

}  // namespace
