// DirSession and DirIterator against the stand-in directory: start-up,
// contexts and their values, object information, the iterating requests and
// their errors, and what a session that is not ready does.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <halvet/dirclient.h>

#include "dirsession_support.h"
#include "orrel/core/dirsession.h"

using namespace orrel;
using namespace dstest;

namespace {

class DirSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(UseImage(folder_, ImageText(StandardObjects(300)))); }
    void TearDown() override { ClearImage(); }

    static std::string ContextText(std::int32_t context, std::uint32_t key)
    {
        char text[300] = {};
        if (GetDirContextValue(context, key, text, sizeof text) != HALVET_OK) return "<error>";
        return text;
    }
    static std::uint32_t ContextFlags(std::int32_t context)
    {
        std::uint32_t flags = 0xDEADBEEF;
        GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags);
        return flags;
    }

    ScratchFolder folder_;
};

// ---------------------------------------------------------------------------
// Contexts

TEST_F(DirSessionTest, NewSessionOwnsAContextThatDestructionFrees)
{
    std::int32_t context = kNoContext;
    {
        DirSession session;
        ASSERT_TRUE(session.Ready()) << "lastError " << session.LastError();
        context = session.Context();
        ASSERT_NE(context, kNoContext);
        EXPECT_EQ(ContextText(context, HALVET_CTX_KEY_TREE_NAME), kTree);
        EXPECT_EQ(ContextText(context, HALVET_CTX_KEY_NAME_CONTEXT), "[Root]");
    }
    char text[64];
    EXPECT_EQ(GetDirContextValue(context, HALVET_CTX_KEY_TREE_NAME, text, sizeof text), HALVET_ERR_BAD_CONTEXT)
        << "the context of a destroyed session is still live";
}

TEST_F(DirSessionTest, SessionFromAContextCopiesItAndLeavesTheOriginalToItsOwner)
{
    HALVET_CONTEXT own = kNoContext;
    ASSERT_EQ(CreateDirContext(&own), HALVET_OK);
    ASSERT_EQ(SetDirContextValue(own, HALVET_CTX_KEY_TREE_NAME, kOtherTree), HALVET_OK);
    ASSERT_EQ(SetDirContextValue(own, HALVET_CTX_KEY_NAME_CONTEXT, "Org"), HALVET_OK);
    {
        DirSession session(own);
        ASSERT_TRUE(session.Ready()) << "lastError " << session.LastError();
        EXPECT_NE(session.Context(), own);
        EXPECT_EQ(ContextText(session.Context(), HALVET_CTX_KEY_TREE_NAME), kOtherTree);
        EXPECT_EQ(ContextText(session.Context(), HALVET_CTX_KEY_NAME_CONTEXT), "Org");
        // Changing the copy leaves the original alone.
        EXPECT_TRUE(session.SetTree(kTree));
        EXPECT_EQ(ContextText(own, HALVET_CTX_KEY_TREE_NAME), kOtherTree);
    }
    EXPECT_EQ(ContextText(own, HALVET_CTX_KEY_TREE_NAME), kOtherTree) << "the session freed its source context";
    EXPECT_EQ(FreeDirContext(own), HALVET_OK);

    DirSession fromDead(own);
    EXPECT_FALSE(fromDead.Ready());
    EXPECT_EQ(fromDead.Context(), kNoContext);
    EXPECT_EQ(fromDead.LastError(), HALVET_ERR_BAD_CONTEXT);
}

TEST_F(DirSessionTest, ContextValuesReachTheContextAndFailuresAreRecorded)
{
    DirSession session;
    ASSERT_TRUE(session.Ready());
    const std::uint32_t start = 0x100;
    ASSERT_EQ(SetDirContextValue(session.Context(), HALVET_CTX_KEY_FLAGS, &start), HALVET_OK);
    EXPECT_TRUE(session.SetFlags(kContextFlags));
    EXPECT_EQ(ContextFlags(session.Context()), 0x145u);
    EXPECT_TRUE(session.SetFlags(0x2));
    EXPECT_EQ(ContextFlags(session.Context()), 0x147u);

    EXPECT_TRUE(session.SetTree(kOtherTree));
    EXPECT_TRUE(session.SetNameContext("Sales.Org"));
    EXPECT_EQ(ContextText(session.Context(), HALVET_CTX_KEY_TREE_NAME), kOtherTree);
    EXPECT_EQ(ContextText(session.Context(), HALVET_CTX_KEY_NAME_CONTEXT), "Sales.Org");
    EXPECT_FALSE(session.SetTree("NO_SUCH_TREE"));
    EXPECT_EQ(session.LastError(), HALVET_ERR_NO_SUCH_TREE);
    EXPECT_FALSE(session.SetNameContext("a..b"));
    EXPECT_EQ(session.LastError(), HALVET_ERR_ILLEGAL_NAME);
}

// ---------------------------------------------------------------------------
// Object information

struct InfoCase {
    const char* name;
    const char* absolute;
    std::uint32_t entryFlags;
    const char* baseClass;
};

TEST_F(DirSessionTest, ReadObjectInfoGivesNameFlagsAndBaseClass)
{
    const InfoCase cases[] = {
        {".Admin.Org", ".Admin.Org", 0, "User"},
        {"Sales.Org", ".Sales.Org", HALVET_ENTRY_CONTAINER, "Organizational Unit"},
        {".SalesLink.Org", ".SalesLink.Org", HALVET_ENTRY_CONTAINER_ALIAS, "Organizational Unit"},
        {".AdminLink.Org", ".AdminLink.Org", HALVET_ENTRY_ALIAS, "User"},
        {".Part", ".Part", HALVET_ENTRY_CONTAINER | HALVET_ENTRY_PARTITION_ROOT, "Organizational Unit"},
        {"[Root]", "[Root]", HALVET_ENTRY_CONTAINER | HALVET_ENTRY_PARTITION_ROOT, "Tree Root"},
    };
    DirSession session;
    ASSERT_TRUE(session.Ready());
    ASSERT_TRUE(session.SetFlags(kContextFlags));
    for (const InfoCase& c : cases) {
        std::string name = "<unset>";
        DirObjectInfoOut info;
        info.entryFlags = 0xFFFF;
        ASSERT_TRUE(session.ReadObjectInfo(c.name, &name, &info)) << c.name << ": " << session.LastError();
        EXPECT_EQ(name, c.absolute) << c.name;
        EXPECT_EQ(info.entryFlags, c.entryFlags) << c.name;
        EXPECT_EQ(info.baseClass, c.baseClass) << c.name;
    }
    DirObjectInfoOut info;
    info.baseClass = "kept";
    EXPECT_FALSE(session.ReadObjectInfo(".Gone.Org", nullptr, &info));
    EXPECT_EQ(session.LastError(), HALVET_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(info.baseClass, "kept") << "a failed read wrote the info";
    EXPECT_TRUE(session.ReadObjectInfo(".Admin.Org", nullptr, nullptr)) << "null outputs are allowed";
}

// ---------------------------------------------------------------------------
// Iterators

TEST_F(DirSessionTest, DestroyingAnIteratorEndsItsRunningIteration)
{
    DirSession session;
    ASSERT_TRUE(session.SetNameContext("Big.Org"));
    std::int32_t running = -1;
    {
        std::unique_ptr<DirIterator> it = session.NewIterator(DIR_OP_LIST, 1, kDirListBufferSize);
        ASSERT_TRUE(it);
        ASSERT_TRUE(it->NextObject(nullptr, nullptr, nullptr));
        running = it->Iteration();
        ASSERT_NE(running, -1) << "the first reply held the whole container";
    }
    EXPECT_EQ(CloseIteration(session.Context(), running), HALVET_ERR_BAD_ITERATION)
        << "the iteration was still open after the iterator went";
}

TEST_F(DirSessionTest, FetchOfAnotherContainerDoesNotContinueTheRunningListing)
{
    DirSession session;
    ASSERT_TRUE(session.SetFlags(kContextFlags));
    std::unique_ptr<DirIterator> it = session.NewIterator(DIR_OP_LIST, 1, kDirListBufferSize);
    ASSERT_TRUE(it);
    ASSERT_TRUE(it->Fetch("Big.Org"));
    const std::int32_t running = it->Iteration();
    ASSERT_NE(running, -1);

    ASSERT_TRUE(it->Fetch("Sales.Org")) << it->LastError();
    EXPECT_EQ(it->Name(), "Sales.Org");
    EXPECT_EQ(it->Remaining(), 1u);
    std::string name;
    ASSERT_TRUE(it->NextObject(&name, nullptr, nullptr));
    EXPECT_EQ(name, "JDoe");
    EXPECT_EQ(CloseIteration(session.Context(), running), HALVET_ERR_BAD_ITERATION)
        << "the listing of Big.Org was left open";
}

TEST_F(DirSessionTest, FetchOfAReadCountsTheAttributesAndRecordsAMissingName)
{
    DirSession session;
    ASSERT_TRUE(session.SetFlags(kContextFlags));
    std::unique_ptr<DirIterator> it = session.NewIterator(DIR_OP_READ, 1, kDirDefaultBufferSize);
    ASSERT_TRUE(it && it->Ready());
    ASSERT_TRUE(it->Fetch(".SalesLink.Org")) << it->LastError();
    // Through the alias to Sales: its one naming value.
    EXPECT_EQ(it->Remaining(), 1u);
    EXPECT_FALSE(it->First());
    uint32_t count = 0;
    EXPECT_EQ(GetAttrCount(session.Context(), it->Reply(), &count), HALVET_OK);
    EXPECT_EQ(count, 1u);

    EXPECT_FALSE(it->Fetch(nullptr));
    EXPECT_EQ(it->LastError(), HALVET_ERR_NULL_POINTER);
    EXPECT_EQ(it->Remaining(), 0u);
    EXPECT_FALSE(it->Fetch(".Gone.Org"));
    EXPECT_EQ(it->LastError(), HALVET_ERR_NO_SUCH_ENTRY);
    EXPECT_FALSE(it->NextObject(nullptr, nullptr, nullptr)) << "NextObject worked on a read";
    EXPECT_EQ(it->LastError(), HALVET_ERR_INVALID_REQUEST);
}

TEST_F(DirSessionTest, DefinitionRequestsCountDefinitionsAndRefuseOtherInformationTypes)
{
    DirSession session;
    struct Case {
        std::uint32_t operation;
        std::uint32_t infoType;
        bool ok;
        std::uint32_t remaining;
        std::int32_t error;
    } cases[] = {
        {DIR_OP_CLASS_DEFS, 0, true, 6, HALVET_OK},
        {DIR_OP_CLASS_DEFS, 1, true, 6, HALVET_OK},
        {DIR_OP_CLASS_DEFS, 2, false, 0, HALVET_ERR_INVALID_REQUEST},
        {DIR_OP_ATTR_DEFS, 1, true, 6, HALVET_OK},
        {DIR_OP_ATTR_DEFS, 7, false, 0, HALVET_ERR_INVALID_REQUEST},
    };
    for (const Case& c : cases) {
        std::unique_ptr<DirIterator> it = session.NewIterator(c.operation, c.infoType, 4096);
        ASSERT_TRUE(it && it->Ready()) << c.operation;
        EXPECT_EQ(it->BufferSize(), kDirDefaultBufferSize) << "definitions take no caller's size";
        EXPECT_EQ(it->Fetch(""), c.ok) << c.operation << "/" << c.infoType;
        EXPECT_EQ(it->Remaining(), c.remaining) << c.operation << "/" << c.infoType;
        EXPECT_EQ(it->LastError(), c.error) << c.operation << "/" << c.infoType;
        EXPECT_TRUE(it->Ready()) << "only a reply too small releases the buffers";
    }
}

TEST_F(DirSessionTest, ClassDefinitionTooLargeForTheReplyReleasesTheBuffers)
{
    // One more class whose full definition needs more than 64512 bytes (a
    // list holds at most 1024 names, so two lists).
    std::string text = ImageText(StandardObjects());
    std::string attributes, mandatory, optional;
    for (int i = 0; i < 1900; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "Attribute number %014d", i);
        attributes += std::string(",\n          { \"name\": \"") + name + "\", \"syntax\": 3 }";
        std::string& list = i < 1000 ? mandatory : optional;
        list += std::string(list.empty() ? "\"" : ", \"") + name + "\"";
    }
    const std::string volume = R"({ "name": "Volume", "superClasses": ["Top"], "naming": ["CN"] })";
    const std::string huge = ",\n          { \"name\": \"Huge\", \"superClasses\": [\"Top\"], \"mandatory\": [" +
                             mandatory + "], \"optional\": [" + optional + "] }";
    const std::string lastAttr = R"({ "name": "Surname", "syntax": 3 })";
    std::size_t at = text.find(volume);
    ASSERT_NE(at, std::string::npos);
    text.insert(at + volume.size(), huge);
    at = text.find(lastAttr);
    ASSERT_NE(at, std::string::npos);
    text.insert(at + lastAttr.size(), attributes);
    ASSERT_TRUE(UseImage(folder_, text));

    DirSession session;
    ASSERT_TRUE(session.Ready()) << session.LastError();
    std::unique_ptr<DirIterator> it = session.NewIterator(DIR_OP_CLASS_DEFS, 1, 0);
    ASSERT_TRUE(it && it->Ready());
    // Six classes fit; the seventh does not fit even alone.
    EXPECT_TRUE(it->Fetch("")) << it->LastError();
    EXPECT_EQ(it->Remaining(), 6u);
    EXPECT_FALSE(it->Fetch(""));
    EXPECT_EQ(it->LastError(), HALVET_ERR_BUFFER_TOO_SMALL);
    EXPECT_FALSE(it->Ready());
    EXPECT_EQ(it->Reply(), nullptr);
    EXPECT_EQ(it->Request(), nullptr);
    EXPECT_EQ(it->Iteration(), -1);
    // Not ready: no further request reaches the library.
    EXPECT_FALSE(it->Fetch(""));
    EXPECT_EQ(it->LastError(), HALVET_ERR_BUFFER_TOO_SMALL);
}

// ---------------------------------------------------------------------------
// Sessions that are not ready

struct BrokenImage {
    const char* what;
    std::string text;  // empty: no file at all
};

TEST_F(DirSessionTest, IteratorWhoseBuffersCannotBeMadeFailsWithoutCrashing)
{
    DirSession session;
    std::unique_ptr<DirIterator> it = session.NewIterator(DIR_OP_LIST, 1, 8);  // below the library's minimum
    ASSERT_TRUE(it);
    EXPECT_FALSE(it->Ready());
    EXPECT_EQ(it->LastError(), HALVET_ERR_INVALID_REQUEST);
    EXPECT_FALSE(it->Fetch(""));
    EXPECT_FALSE(it->NextObject(nullptr, nullptr, nullptr));
    EXPECT_EQ(it->LastError(), HALVET_ERR_INVALID_REQUEST) << "calls reached the library";
}

TEST_F(DirSessionTest, SessionWithoutADirectoryFailsEveryCallWithoutCrashing)
{
    const BrokenImage images[] = {
        {"missing", ""},
        {"not JSON", "{ this is not an image"},
        {"wrong format", R"({"format": "something else", "version": 1, "trees": []})"},
    };
    for (const BrokenImage& image : images) {
        if (image.text.empty())
            UseMissingImage(folder_);
        else
            ASSERT_TRUE(UseImage(folder_, image.text));
        DirSession session;
        EXPECT_FALSE(session.Ready()) << image.what;
        EXPECT_EQ(session.Context(), kNoContext) << image.what;
        EXPECT_FALSE(session.SetFlags(kContextFlags)) << image.what;
        EXPECT_FALSE(session.SetTree(kTree)) << image.what;
        EXPECT_FALSE(session.SetNameContext("[Root]")) << image.what;
        DirObjectInfoOut info;
        EXPECT_FALSE(session.ReadObjectInfo(".Admin.Org", nullptr, &info)) << image.what;
        EXPECT_TRUE(session.NewIterator(DIR_OP_LIST, 1, kDirListBufferSize) == nullptr) << image.what;
        EXPECT_EQ(session.LastError(), HALVET_OK) << image.what << ": calls reached the library";
    }
}

}  // namespace
