// The namespace core's directory tasks against the stand-in directory:
// listing a container as records, completing stored shortcuts, locating the
// tree of a server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include <halvet/dirclient.h>

#include "dirsession_support.h"
#include "orrel/core/classhandlers.h"
#include "orrel/core/dirsession.h"

using namespace orrel;
using namespace dstest;

namespace {

constexpr char kTreesKeyPath[] = "Software\\Halvet\\Orrel Namespace\\Trees";

ItemRecord Container(const std::string& dotted, const std::string& tree = kTree)
{
    ItemRecord record;
    record.flags = ITEM_CONTAINER;
    record.displayName = dotted.substr(0, dotted.find('.'));
    record.className = "Organizational Unit";
    record.path = Labels(dotted);
    record.tree = tree;
    return record;
}

std::vector<std::string> Names(const std::vector<ItemRecord>& records)
{
    std::vector<std::string> names;
    for (const ItemRecord& r : records) names.push_back(r.displayName);
    return names;
}

const ItemRecord* Find(const std::vector<ItemRecord>& records, const std::string& name)
{
    for (const ItemRecord& r : records)
        if (r.displayName == name) return &r;
    return nullptr;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ",") + n;
    return out;
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UseImage(folder_, ImageText(StandardObjects(), {{"Elsewhere", "Organization", {"container"}, ""},
                                                                    {"Guest.Elsewhere", "User", {}, ""}})));
        ASSERT_TRUE(classes_.LoadClassHandlers(keys_.Root()));
    }
    void TearDown() override { ClearImage(); }

    std::vector<ItemRecord> List(const ItemRecord& container, bool expectOk = true)
    {
        std::vector<ItemRecord> children;
        EXPECT_EQ(ListChildren(container, classes_, &children), expectOk)
            << "listing " << DecodePath(container.path, true, '.') << " in " << container.tree;
        return children;
    }

    ScratchFolder folder_;
    ClassKeys keys_{{"User", "Organization", "Organizational Unit", "Unknown"}};
    ClassHandlerTable classes_;
};

// ---------------------------------------------------------------------------
// Listing

TEST_F(ListingTest, ContainerLargerThanOneReplyComesBackWholeInDirectoryOrder)
{
    ASSERT_TRUE(UseImage(folder_, ImageText(StandardObjects(500))));

    // What the directory holds, in its order, read in one large reply.
    std::vector<std::string> expected;
    {
        HALVET_CONTEXT context = kNoContext;
        ASSERT_EQ(CreateDirContext(&context), HALVET_OK);
        HALVET_BUFFER* reply = nullptr;
        ASSERT_EQ(AllocDirBuffer(HALVET_MAX_BUFFER_SIZE, &reply), HALVET_OK);
        HALVET_ITERATION iteration = -1;
        ASSERT_EQ(ListContainer(context, ".Big.Org", &iteration, reply), HALVET_OK);
        EXPECT_EQ(iteration, -1) << "the reference listing did not fit one reply";
        char name[300];
        while (GetObjectName(context, reply, name, sizeof name, nullptr, nullptr) == HALVET_OK)
            expected.push_back(name);
        // And a 4096-byte reply holds only part of it.
        HALVET_BUFFER* small = nullptr;
        ASSERT_EQ(AllocDirBuffer(kDirListBufferSize, &small), HALVET_OK);
        iteration = -1;
        ASSERT_EQ(ListContainer(context, ".Big.Org", &iteration, small), HALVET_OK);
        uint32_t count = 0;
        GetObjectCount(context, small, &count);
        EXPECT_LT(count, 500u);
        if (iteration != -1) CloseIteration(context, iteration);
        FreeDirBuffer(small);
        FreeDirBuffer(reply);
        FreeDirContext(context);
    }
    ASSERT_EQ(expected.size(), 500u);

    const std::vector<ItemRecord> children = List(Container("Big.Org"));
    ASSERT_EQ(children.size(), expected.size());
    for (std::size_t i = 0; i < children.size(); ++i)
        ASSERT_EQ(children[i].displayName, expected[i]) << "at " << i;
    EXPECT_EQ(children.front().displayName, "U00499");
    EXPECT_EQ(children.back().displayName, "U00000");
}

TEST_F(ListingTest, ObjectsOfClassesWithoutAKeyAreLeftOutEvenWithUnknown)
{
    ASSERT_NE(classes_.FindClass("Unknown", false), nullptr);
    const std::vector<ItemRecord> children = List(Container("Org"));
    EXPECT_EQ(Joined(Names(children)), "Sales,SalesLink,Admin,alpha,AdminLink,Big");
    EXPECT_EQ(classes_.FindClass("Printer", false), nullptr) << "the listing inserted a fallback entry";
    EXPECT_EQ(classes_.FindClass("Volume", false), nullptr) << "the listing inserted a fallback entry";
}

TEST_F(ListingTest, TreeWithEmptyPathListsTheTopOfItsOwnTree)
{
    ItemRecord tree;
    tree.flags = ITEM_CONTAINER | ITEM_SHORTCUT | ITEM_TREE;
    tree.displayName = kTree;
    tree.className = kTreeRootClass;
    tree.tree = kTree;
    const std::vector<ItemRecord> top = List(tree);
    EXPECT_EQ(Joined(Names(top)), "Org,Part");
    for (const ItemRecord& child : top)
        EXPECT_EQ(Hex(child.path), Hex(Labels(child.displayName))) << child.displayName;

    tree.displayName = tree.tree = kOtherTree;
    EXPECT_EQ(Joined(Names(List(tree))), "Elsewhere");
}

struct FlagCase {
    const char* container;
    const char* child;
    std::uint32_t flags;
};

TEST_F(ListingTest, EntryFlagsBecomeItemFlags)
{
    const FlagCase cases[] = {
        {"Org", "Admin", 0},
        {"Org", "Sales", ITEM_CONTAINER},
        {"Org", "SalesLink", ITEM_CONTAINER | ITEM_ALIAS},
        {"Org", "AdminLink", ITEM_ALIAS},
        {"", "Part", ITEM_CONTAINER | ITEM_PARTITION_ROOT},
        {"", "Org", ITEM_CONTAINER},
    };
    for (const FlagCase& c : cases) {
        ItemRecord container = Container(c.container);
        const std::vector<ItemRecord> children = List(container);
        const ItemRecord* child = Find(children, c.child);
        ASSERT_NE(child, nullptr) << c.child << " not in " << Joined(Names(children));
        EXPECT_EQ(child->flags, c.flags) << c.child;
    }
}

TEST_F(ListingTest, ChildRecordIsTheLabelInFrontOfTheContainerPath)
{
    const ItemRecord sales = Container("Sales.Org");
    const std::vector<ItemRecord> children = List(sales);
    ASSERT_EQ(children.size(), 1u);
    const ItemRecord& jdoe = children[0];
    EXPECT_EQ(Hex(jdoe.path), Hex(std::string("\x04JDoe\x05Sales\x03Org")));
    EXPECT_EQ(jdoe.displayName, "JDoe");
    EXPECT_EQ(jdoe.className, "User");
    EXPECT_EQ(jdoe.tree, kTree);
    EXPECT_EQ(jdoe.server, "");
    EXPECT_EQ(jdoe.flags, 0u);

    // The same below an alias: the alias's own path, not the target's.
    const std::vector<ItemRecord> viaAlias = List(Container("SalesLink.Org"));
    ASSERT_EQ(viaAlias.size(), 1u);
    EXPECT_EQ(Hex(viaAlias[0].path), Hex(Labels("JDoe.SalesLink.Org")));

    for (const ItemRecord& child : List(Container("Org")))
        EXPECT_EQ(Hex(child.path), Hex(Labels(child.displayName + ".Org"))) << child.displayName;
}

TEST_F(ListingTest, SuccessfulListingReplacesWhatTheListHeld)
{
    std::vector<ItemRecord> children(3, Container("Stale.Org"));
    ASSERT_TRUE(ListChildren(Container("Sales.Org"), classes_, &children));
    EXPECT_EQ(Joined(Names(children)), "JDoe");
    ASSERT_TRUE(ListChildren(Container("Part"), classes_, &children));
    EXPECT_TRUE(children.empty()) << "an empty container gave " << Joined(Names(children));
}

struct FailCase {
    const char* what;
    ItemRecord container;
};

TEST_F(ListingTest, ListingThatCannotReachTheContainerFailsWithAnEmptyList)
{
    ItemRecord malformed = Container("Sales.Org");
    malformed.path[0] = 40;  // a count past the end
    ItemRecord negative = Container("Sales.Org");
    negative.path += static_cast<char>(0x90);
    const FailCase cases[] = {
        {"unknown tree", Container("Org", "NO_SUCH_TREE")},
        {"no such container", Container("Gone.Org")},
        {"path with a count past its end", malformed},
        {"path with a negative count", negative},
    };
    for (const FailCase& c : cases) {
        std::vector<ItemRecord> children(2, Container("Stale.Org"));
        EXPECT_FALSE(ListChildren(c.container, classes_, &children)) << c.what;
        EXPECT_TRUE(children.empty()) << c.what << ": " << Joined(Names(children));
    }
}

TEST_F(ListingTest, ListingWithoutADirectoryFails)
{
    const char* const images[] = {"", "[1, 2, 3]"};
    for (const char* image : images) {
        if (*image)
            ASSERT_TRUE(UseImage(folder_, image));
        else
            UseMissingImage(folder_);
        std::vector<ItemRecord> children(1, Container("Stale.Org"));
        EXPECT_FALSE(ListChildren(Container("Org"), classes_, &children)) << "image '" << image << "'";
        EXPECT_TRUE(children.empty());
    }
}

// ---------------------------------------------------------------------------
// Stored shortcuts

struct ShortcutCase {
    const char* dotted;
    const char* cls;
    std::uint32_t flags;  // besides ITEM_SHORTCUT
};

TEST_F(ListingTest, StoredShortcutWithoutClassIsCompletedFromTheDirectory)
{
    const ShortcutCase cases[] = {
        {"Sales.Org", "Organizational Unit", ITEM_CONTAINER},
        {"SalesLink.Org", "Organizational Unit", ITEM_CONTAINER | ITEM_ALIAS},
        {"AdminLink.Org", "User", ITEM_ALIAS},
        {"JDoe.Sales.Org", "User", 0},
        {"Part", "Organizational Unit", ITEM_CONTAINER | ITEM_PARTITION_ROOT},
    };
    for (const ShortcutCase& c : cases) {
        ItemRecord record;
        record.flags = ITEM_SHORTCUT;
        record.displayName = "My shortcut";
        record.path = Labels(c.dotted);
        record.tree = kTree;
        record.server = kServer;
        ASSERT_TRUE(CompleteShortcut(&record)) << c.dotted;
        EXPECT_EQ(record.className, c.cls) << c.dotted;
        EXPECT_EQ(record.flags, ITEM_SHORTCUT | c.flags) << c.dotted;
        EXPECT_EQ(record.displayName, "My shortcut");
        EXPECT_EQ(Hex(record.path), Hex(Labels(c.dotted)));
        EXPECT_EQ(record.tree, kTree);
        EXPECT_EQ(record.server, kServer);
    }
}

TEST_F(ListingTest, ShortcutThatCannotBeReadFailsAndStaysUnchanged)
{
    ItemRecord gone;
    gone.flags = ITEM_SHORTCUT;
    gone.displayName = "Gone";
    gone.path = Labels("Gone.Org");
    gone.tree = kTree;
    ItemRecord otherTree = gone;
    otherTree.path = Labels("Sales.Org");
    otherTree.tree = kOtherTree;
    ItemRecord noTree = otherTree;
    noTree.tree = "NO_SUCH_TREE";
    ItemRecord malformed = otherTree;
    malformed.tree = kTree;
    malformed.path[0] = 30;
    const FailCase cases[] = {
        {"object no longer there", gone},
        {"object of another tree", otherTree},
        {"unknown tree", noTree},
        {"malformed path", malformed},
    };
    for (const FailCase& c : cases) {
        ItemRecord record = c.container;
        EXPECT_FALSE(CompleteShortcut(&record)) << c.what;
        EXPECT_EQ(record.className, "") << c.what;
        EXPECT_EQ(record.flags, ITEM_SHORTCUT) << c.what;
    }
    UseMissingImage(folder_);
    ItemRecord record = otherTree;
    record.tree = kTree;
    EXPECT_FALSE(CompleteShortcut(&record)) << "without a directory";
    EXPECT_EQ(record.className, "");
}

// ---------------------------------------------------------------------------
// The tree of a server

std::vector<std::string> ValueNames(const char* path)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    return names;
}

// The data of a REG_SZ value, or a description of what is there instead.
std::string StringValue(const char* path, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return "<no value>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return data;
}

TEST_F(ListingTest, TreeOfAServerIsStoredWithoutItsPadding)
{
    SavedKey saved(kTreesKeyPath);
    struct Case {
        const char* server;
        const char* tree;
    } cases[] = {{kServer, kTree}, {"ds-fs2", kOtherTree}};
    for (const Case& c : cases) {
        std::string tree = "<unset>";
        EXPECT_EQ(RegisterTreeOfServer(c.server, &tree), REGISTER_TREE_OK) << c.server;
        EXPECT_EQ(tree, c.tree);
        EXPECT_EQ(StringValue(kTreesKeyPath, c.tree), c.server);
    }
    for (const std::string& name : ValueNames(kTreesKeyPath)) {
        const bool padded = (name.rfind(kTree, 0) == 0 || name.rfind(kOtherTree, 0) == 0) &&
                            name.find('_') != std::string::npos;
        EXPECT_FALSE(padded) << "padded tree name stored: " << name;
    }
}

TEST_F(ListingTest, ServerThatCannotBeReachedGivesOneAndStoresNothing)
{
    SavedKey saved(kTreesKeyPath);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTreesKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::size_t before = ValueNames(kTreesKeyPath).size();
    std::string tree = "<unset>";
    EXPECT_EQ(RegisterTreeOfServer("NO-SUCH-SERVER", &tree), REGISTER_TREE_NO_SERVER);
    EXPECT_EQ(RegisterTreeOfServer("", &tree), REGISTER_TREE_NO_SERVER);
    EXPECT_EQ(RegisterTreeOfServer(std::string(300, 'S'), &tree), REGISTER_TREE_NO_SERVER);
    UseMissingImage(folder_);
    EXPECT_EQ(RegisterTreeOfServer(kServer, &tree), REGISTER_TREE_NO_SERVER);
    EXPECT_EQ(tree, "<unset>");
    EXPECT_EQ(ValueNames(kTreesKeyPath).size(), before);
}

TEST_F(ListingTest, LocatedTreeIsStoredEvenWithoutTheTreesKey)
{
    SavedKey saved(kTreesKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTreesKeyPath);
    EXPECT_EQ(RegisterTreeOfServer(kServer), REGISTER_TREE_OK);
    EXPECT_EQ(StringValue(kTreesKeyPath, kTree), kServer);
}

}  // namespace
