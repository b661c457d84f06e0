// The model and the configuration operations that the wizard, the drop
// target and the view call (adding trees, folders and shortcuts, deleting,
// copying stored subtrees), driven directly with the user's registry and the
// shell's change notifications; and the idle unload rule with its clock.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "namespace_support.h"
#include "orrel/com.h"
#include "orrel/core/classhandlers.h"
#include "orrel/core/config.h"
#include "orrel/core/folder.h"
#include "orrel/core/model.h"
#include "orrel/core/shellglobals.h"
#include "orrel/module.h"

using namespace nstest;
using orrel::ItemRecord;

namespace {

// The namespace's junction entry as the desktop makes it.
Bytes JunctionEntry()
{
    Bytes entry{20, 0, 0x1F, 0};
    entry.insert(entry.end(), kClsidBytes, kClsidBytes + 16);
    return entry;
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ItemRecord Record(std::uint32_t flags, const std::string& name, const std::string& className,
                  const std::string& path, const std::string& tree, const std::string& server = "")
{
    ItemRecord r;
    r.flags = flags;
    r.displayName = name;
    r.className = className;
    r.path = path;
    r.tree = tree;
    r.server = server;
    return r;
}

ItemRecord Folder(const std::string& keyPath)
{
    std::size_t slash = keyPath.find_last_of('\\');
    return Record(0x81, slash == std::string::npos ? keyPath : keyPath.substr(slash + 1),
                  "Ombra::Folder", Labels(keyPath), "");
}

Bytes EntryOf(const ItemRecord& r)
{
    return Entry(r.flags, r.displayName, r.className, r.path, r.tree, r.server);
}

bool HasChange(const std::vector<Change>& changes, LONG event, const Bytes& first)
{
    for (const Change& c : changes)
        if (c.event == event && c.first == first) return true;
    return false;
}

int CountChanges(const std::vector<Change>& changes, LONG event, const Bytes& first)
{
    int n = 0;
    for (const Change& c : changes)
        if (c.event == event && c.first == first) ++n;
    return n;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UseTestImage());
        DeleteTree(kNamespaceKey);
        WriteClassHandlers();
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kFoldersKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr);
        RegCloseKey(key);
        rootBytes_ = JunctionEntry();
        rootList_ = Pidl::FromBytes(rootBytes_);
    }
    void TearDown() override { DeleteTree(kNamespaceKey); }

    // Loads the table and the configuration written so far; the model then
    // notifies under the junction list.
    void Load()
    {
        ASSERT_TRUE(classes_.LoadClassHandlers());
        model_ = std::make_unique<orrel::NamespaceModel>(classes_);
        ASSERT_TRUE(orrel::LoadConfiguration(*model_));
        model_->AddRootId(rootList_.Get());
    }

    std::vector<std::string> ChildNames(const ItemRecord& record)
    {
        std::vector<std::string> names;
        orrel::ChildListPtr children = model_->ChildrenOf(record);
        if (!children) return {"<none>"};
        for (const auto& child : *children) names.push_back(child->displayName);
        std::sort(names.begin(), names.end());
        return names;
    }

    Bytes rootBytes_;
    Pidl rootList_;
    orrel::ClassHandlerTable classes_;
    std::unique_ptr<orrel::NamespaceModel> model_;
};

TEST_F(ModelTest, AddTreeStoresTheTreeAndTellsTheShell)
{
    Load();
    ChangeRecorder changes(rootList_.Get());
    ASSERT_TRUE(changes.Registered());
    ASSERT_TRUE(orrel::AddTree(*model_, kTree, "TEST-FS1", rootList_.Get()));

    const std::string key = std::string(kFoldersKey) + "\\TESTTREE-TESTTREE";
    EXPECT_EQ(ReadText(key, "DisplayName"), kTree);
    EXPECT_EQ(ReadText(key, "Tree"), kTree);
    EXPECT_EQ(ReadText(key, "Server"), "TEST-FS1");
    EXPECT_EQ(ReadText(key, "Class"), "Tree Root");
    EXPECT_EQ(ReadText(key, "DN"), "");
    const Bytes tree = Concat(rootBytes_, Entry(0x301, kTree, "Tree Root", "", kTree, "TEST-FS1"));
    const auto& seen = changes.Changes();
    EXPECT_TRUE(HasChange(seen, SHCNE_MKDIR, tree)) << changes.Describe();
    EXPECT_EQ(CountChanges(seen, SHCNE_UPDATEDIR, rootBytes_), 2) << changes.Describe();
    EXPECT_EQ(ChildNames(ItemRecord()), std::vector<std::string>{kTree});

    // Again: refused, one key, one child; the shell is told all the same.
    changes.Clear();
    EXPECT_FALSE(orrel::AddTree(*model_, kTree, "TEST-FS1", rootList_.Get()));
    EXPECT_EQ(ChildNames(ItemRecord()), std::vector<std::string>{kTree});
    EXPECT_EQ(CountChanges(changes.Changes(), SHCNE_UPDATEDIR, rootBytes_), 1) << changes.Describe();
    EXPECT_FALSE(orrel::AddTree(*model_, "", "TEST-FS1", rootList_.Get()));
    EXPECT_EQ(Subkeys(kFoldersKey).size(), 1u);
}

TEST_F(ModelTest, AddToFolderKeepsOneCopyOfAShortcut)
{
    WriteItem(StoredFolder("Projects"));
    Load();
    const ItemRecord projects = Folder("Projects");
    const ItemRecord shortcut =
        Record(0x101, "Sales", "Organizational Unit", Labels("Sales.Org"), kTree);
    ChangeRecorder changes(rootList_.Get());
    EXPECT_TRUE(orrel::AddToFolder(*model_, shortcut, projects));
    EXPECT_FALSE(orrel::AddToFolder(*model_, shortcut, projects));
    EXPECT_EQ(ChildNames(projects), std::vector<std::string>{"Sales"});
    EXPECT_EQ(Subkeys(std::string(kFoldersKey) + "\\Projects"),
              std::vector<std::string>{"TESTTREE-Sales.Org"});
    const Bytes projectsList = Concat(rootBytes_, EntryOf(projects));
    EXPECT_TRUE(HasChange(changes.Changes(), SHCNE_MKDIR, Concat(projectsList, EntryOf(shortcut))))
        << changes.Describe();
    EXPECT_TRUE(HasChange(changes.Changes(), SHCNE_UPDATEDIR, projectsList)) << changes.Describe();

    // Only personal folders and the root take items.
    const ItemRecord tree = Record(0x301, kTree, "Tree Root", "", kTree);
    EXPECT_FALSE(orrel::AddToFolder(*model_, Folder("Elsewhere"), tree));
    // A folder is filed one level below its parent folder only.
    EXPECT_FALSE(orrel::AddToFolder(*model_, Folder("Other\\Deep"), projects));
}

TEST_F(ModelTest, EnsureFolderPathCreatesWhatIsMissing)
{
    WriteItem(StoredFolder("A"));
    Load();
    ChangeRecorder changes(rootList_.Get());
    orrel::ChildListPtr out;
    EXPECT_TRUE(orrel::EnsureFolderPath(*model_, "\\A\\B\\\\C\\", &out));
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->empty());
    EXPECT_EQ(ReadText(std::string(kFoldersKey) + "\\A\\B", "DN"), Labels("A\\B"));
    EXPECT_EQ(ReadText(std::string(kFoldersKey) + "\\A\\B\\C", "DisplayName"), "C");
    EXPECT_EQ(ChildNames(Folder("A\\B")), std::vector<std::string>{"C"});
    const Bytes a = Concat(rootBytes_, EntryOf(Folder("A")));
    EXPECT_TRUE(HasChange(changes.Changes(), SHCNE_MKDIR, Concat(a, EntryOf(Folder("A\\B")))))
        << changes.Describe();

    // Everything there already: false, with out set to the last folder's children.
    out.reset();
    EXPECT_FALSE(orrel::EnsureFolderPath(*model_, "A\\B", &out));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 1u);
    EXPECT_EQ((*out)[0]->displayName, "C");

    // A name the character rule refuses stops the walk.
    EXPECT_FALSE(orrel::EnsureFolderPath(*model_, "A\\bad.name\\D", &out));
    EXPECT_FALSE(KeyExists(std::string(kFoldersKey) + "\\A\\bad.name"));
    EXPECT_EQ(ChildNames(Folder("A")), std::vector<std::string>{"B"});
}

TEST_F(ModelTest, DeleteItemsRemovesAFolderWithItsShortcuts)
{
    WriteItem(StoredFolder("P"));
    WriteItem(StoredShortcut("P", "Sales.Org", "Organizational Unit", 0x101));
    WriteItem(StoredShortcut("P", "Admin.Org", "User", 0x100));
    WriteItem(StoredFolder("P\\Q"));
    WriteItem(StoredFolder("Keep"));
    Load();
    EXPECT_TRUE(orrel::DeleteItems(*model_, rootList_.Get(), {Folder("P")}));
    EXPECT_FALSE(KeyExists(std::string(kFoldersKey) + "\\P"));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\Keep"));
    // The model follows at the next reload.
    orrel::Reload(*model_);
    EXPECT_EQ(ChildNames(ItemRecord()), std::vector<std::string>{"Keep"});
}

TEST_F(ModelTest, DeleteItemsTouchesOnlyTheItemsOwnEntries)
{
    // A browsed shortcut in a folder, and shortcuts to its children at the top.
    WriteItem(StoredFolder("F"));
    WriteItem(StoredShortcut("F", "Org", "Organization", 0x101));
    WriteItem(StoredShortcut("", "Admin.Org", "User", 0x100));
    WriteItem(StoredShortcut("", "Sales.Org", "Organizational Unit", 0x101));
    Load();
    const ItemRecord shortcut = Record(0x101, "Org", "Organization", Labels("Org"), kTree);
    ASSERT_EQ(ChildNames(shortcut).size(), 5u) << "the shortcut lists its directory children";

    Bytes folderList = Concat(rootBytes_, EntryOf(Folder("F")));
    Pidl folder = Pidl::FromBytes(folderList);
    EXPECT_TRUE(orrel::DeleteItems(*model_, folder.Get(), {shortcut}));
    EXPECT_FALSE(KeyExists(std::string(kFoldersKey) + "\\F\\TESTTREE-Org"));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\TESTTREE-Admin.Org"));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\TESTTREE-Sales.Org"));

    // A record that is not what its key holds is not deleted.
    ItemRecord impostor = Record(0x101, "Admin", "User", Labels("Admin.Org"), kTree);
    EXPECT_FALSE(orrel::DeleteItems(*model_, rootList_.Get(), {impostor}));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\TESTTREE-Admin.Org"));
    // Only folders and the root hold stored entries.
    Pidl treeList = Pidl::FromBytes(Concat(rootBytes_, Entry(0x301, kTree, "Tree Root", "", kTree)));
    EXPECT_FALSE(orrel::DeleteItems(*model_, treeList.Get(),
                                    {Record(0x100, "Admin", "User", Labels("Admin.Org"), kTree)}));
    EXPECT_TRUE(KeyExists(std::string(kFoldersKey) + "\\TESTTREE-Admin.Org"));
}

TEST_F(ModelTest, CopyConfigTreeKeepsEveryValueAndRewritesFolderPaths)
{
    const std::string longName(100, 'x');
    WriteItem(StoredFolder("Old"));
    WriteItem(StoredFolder("Old\\Inner"));
    WriteItem(StoredFolder("Old\\" + longName));
    WriteItem(StoredShortcut("Old\\Inner", "Sales.Org", "Organizational Unit", 0x101));
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kFoldersKey) + "\\Old\\Inner").c_str(), 0,
                  KEY_ALL_ACCESS, &key);
    DWORD extra = 7;
    RegSetValueExA(key, "Extra", 0, REG_DWORD, reinterpret_cast<BYTE*>(&extra), sizeof extra);
    RegCloseKey(key);

    orrel::RegKey oldKey, newKey;
    ASSERT_EQ(oldKey.Open(HKEY_CURRENT_USER, (std::string(kFoldersKey) + "\\Old").c_str()),
              ERROR_SUCCESS);
    ASSERT_EQ(newKey.Create(HKEY_CURRENT_USER, (std::string(kFoldersKey) + "\\New").c_str()),
              ERROR_SUCCESS);
    ASSERT_TRUE(orrel::CopyConfigTree(oldKey.Get(), newKey.Get(), Labels("Old"), Labels("New")));

    const std::string copy = std::string(kFoldersKey) + "\\New";
    EXPECT_EQ(ReadText(copy, "DN"), Labels("New"));
    EXPECT_EQ(ReadText(copy + "\\Inner", "DN"), Labels("New\\Inner"));
    EXPECT_EQ(ReadText(copy + "\\" + longName, "DN"), Labels("New\\" + longName));
    EXPECT_EQ(ReadText(copy + "\\Inner\\TESTTREE-Sales.Org", "DN"), Labels("Sales.Org"));
    EXPECT_EQ(ReadText(copy + "\\Inner\\TESTTREE-Sales.Org", "Class"), "Organizational Unit");
    orrel::RegKey inner;
    ASSERT_EQ(inner.Open(HKEY_CURRENT_USER, (copy + "\\Inner").c_str(), KEY_READ), ERROR_SUCCESS);
    DWORD copied = 0;
    EXPECT_EQ(inner.QueryDword("Extra", &copied), ERROR_SUCCESS);
    EXPECT_EQ(copied, 7u);
}

TEST_F(ModelTest, ChildrenAreListedOnceAndKeepTheirAddressAcrossReloads)
{
    WriteItem(StoredTree());
    Load();
    const ItemRecord tree = Record(0x301, kTree, "Tree Root", "", kTree, "TEST-FS1");
    const ItemRecord org = Record(1, "Org", "Organization", Labels("Org"), kTree);
    orrel::ChildListPtr orgChildren = model_->ChildrenOf(org);
    ASSERT_TRUE(orgChildren);
    ASSERT_EQ(orgChildren->size(), 5u);
    const ItemRecord* first = (*orgChildren)[0].get();
    EXPECT_EQ(model_->ChildrenOf(org), orgChildren) << "one node per container";
    orrel::ChildListPtr treeChildren = model_->ChildrenOf(tree);
    ASSERT_TRUE(treeChildren);
    ASSERT_EQ(treeChildren->size(), 1u);
    const ItemRecord* orgRecord = (*treeChildren)[0].get();

    orrel::Reload(*model_);
    treeChildren = model_->ChildrenOf(tree);
    ASSERT_TRUE(treeChildren);
    ASSERT_EQ(treeChildren->size(), 1u);
    EXPECT_EQ((*treeChildren)[0].get(), orgRecord) << "a relisting keeps the records it still has";
    EXPECT_EQ((*orgChildren)[0].get(), first);

    // The parent chain of a listed object: tree, container, object.
    std::vector<std::uint8_t> entries;
    ASSERT_TRUE(model_->RelativeEntries(*first, &entries));
    Bytes expected = Concat(Concat(EntryOf(tree), EntryOf(org)), EntryOf(*first));
    EXPECT_EQ(Hex(entries), Hex(expected));
}

TEST_F(ModelTest, ReloadRemovesWhatIsGoneAndAddsWhatIsNew)
{
    WriteItem(StoredFolder("Gone"));
    WriteItem(StoredFolder("Stays"));
    WriteItem(StoredShortcut("Stays", "Admin.Org", "User", 0x100));
    Load();
    DeleteTree(std::string(kFoldersKey) + "\\Gone");
    DeleteTree(std::string(kFoldersKey) + "\\Stays\\TESTTREE-Admin.Org");
    WriteItem(StoredShortcut("Stays", "Zed.Org", "User", 0x100));
    StoredItem renamed = StoredShortcut("", "Sales.Org", "Organizational Unit", 0x101);
    WriteItem(renamed);

    ChangeRecorder changes(rootList_.Get());
    orrel::Reload(*model_);
    const auto& seen = changes.Changes();
    const Bytes stays = Concat(rootBytes_, EntryOf(Folder("Stays")));
    EXPECT_TRUE(HasChange(seen, SHCNE_RMDIR, Concat(rootBytes_, EntryOf(Folder("Gone")))))
        << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_DELETE,
                          Concat(stays, Entry(0x100, "Admin", "User", Labels("Admin.Org"), kTree))))
        << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_CREATE,
                          Concat(stays, Entry(0x100, "Zed", "User", Labels("Zed.Org"), kTree))))
        << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_MKDIR,
                          Concat(rootBytes_, Entry(0x101, "Sales", "Organizational Unit",
                                                   Labels("Sales.Org"), kTree))))
        << changes.Describe();
    EXPECT_TRUE(HasChange(seen, SHCNE_UPDATEDIR, stays)) << changes.Describe();
    EXPECT_EQ(ChildNames(ItemRecord()), (std::vector<std::string>{"Sales", "Stays"}));
    EXPECT_EQ(ChildNames(Folder("Stays")), std::vector<std::string>{"Zed"});
    EXPECT_EQ(model_->FindNode(Folder("Gone")), nullptr);

    // A reload with nothing changed says only "directory updated" for the root.
    changes.Clear();
    orrel::Reload(*model_);
    ASSERT_EQ(changes.Changes().size(), 1u) << changes.Describe();
    EXPECT_EQ(changes.Changes()[0].event, SHCNE_UPDATEDIR);
    EXPECT_EQ(changes.Changes()[0].first, rootBytes_);
}

// ---------------------------------------------------------------------------
// The idle unload rule

DWORD g_now = 0;
DWORD Clock()
{
    return g_now;
}

TEST(IdleUnloadRule, UnloadsOnlyAfterFiveIdleMinutesWithoutReferences)
{
    struct Case {
        DWORD start;
        DWORD later;
        LONG references;
        HRESULT expected;
    } cases[] = {
        {1000, 1000 + 300000, 0, S_FALSE},
        {1000, 1000 + 300001, 0, S_OK},
        {0xFFFFFF00u, 0xFFFFFF00u + 300001u, 0, S_OK},  // across the counter's wrap
        {0xFFFFFF00u, 0xFFFFFF00u + 300000u, 0, S_FALSE},
        {0, 300002, 0, S_OK},  // a start at tick 0 still starts the wait (stamped as 1)
        {1000, 1000 + 900000, 1, S_FALSE},  // references held: the wait never starts
    };
    for (const Case& c : cases) {
        orrel::IdleUnloadRule rule(&Clock);
        g_now = c.start;
        EXPECT_EQ(rule.CanUnloadNow(c.references), S_FALSE) << "first ask";
        EXPECT_EQ(rule.Stamp() != 0, c.references == 0) << c.start;
        g_now = c.later;
        EXPECT_EQ(rule.CanUnloadNow(c.references), c.expected) << c.start << " -> " << c.later;
    }
}

orrel::IdleUnloadRule* g_hooked = nullptr;
void TouchHooked(LONG, bool)
{
    if (g_hooked) g_hooked->Touch();
}

TEST(IdleUnloadRule, EveryAddRefAndReleaseOfAnObjectRestartsTheWait)
{
    orrel::IdleUnloadRule rule(&Clock);
    g_hooked = &rule;
    orrel::Module::SetCountHook(&TouchHooked);
    orrel::ClassHandlerTable classes;
    orrel::NamespaceModel model(classes);
    orrel::ComPtr<IShellFolder> folder;
    ASSERT_EQ(orrel::CreateAndQuery<orrel::NamespaceFolder>(IID_IShellFolder, folder.PutVoid(), model),
              S_OK);

    g_now = 10000;
    EXPECT_EQ(rule.CanUnloadNow(0), S_FALSE);
    ASSERT_NE(rule.Stamp(), 0u);
    folder->AddRef();
    EXPECT_EQ(rule.Stamp(), 0u) << "AddRef";
    EXPECT_EQ(rule.CanUnloadNow(0), S_FALSE);
    folder->Release();
    EXPECT_EQ(rule.Stamp(), 0u) << "Release";
    g_now += 300001;
    EXPECT_EQ(rule.CanUnloadNow(0), S_FALSE) << "restarted by the traffic";
    folder.Reset();
    orrel::Module::SetCountHook(nullptr);
    g_hooked = nullptr;
}

}  // namespace
