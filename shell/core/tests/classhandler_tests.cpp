// The class handler table read through the real registry. Each test writes
// its own "Software\Halvet\Orrel Namespace\Classes" below a scratch key of
// HKCU (passed as the root), so that no user configuration is touched.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "orrel/com.h"
#include "orrel/core/classhandlers.h"
#include "orrel/registry.h"

using orrel::ClassEntry;
using orrel::ClassHandlerTable;
using orrel::RegKey;

namespace {

const char kScratch[] = "Software\\OrrelTests\\ClassHandlers";
const char kHandlerA[] = "{0FEC1000-2900-11D3-8685-00A0C9D59E71}";
const char kHandlerB[] = "{8AB75040-93A6-11D3-B59A-00C04F79CAC7}";
const char kHandlerC[] = "{76AAD000-C21A-11d1-8115-00C04FB67EB7}";  // lower-case d, as registered

CLSID Clsid(const char* text)
{
    CLSID id{};
    EXPECT_TRUE(orrel::StringToGuid(text, &id)) << text;
    return id;
}

std::string ClsidText(const CLSID& id)
{
    char text[39];
    orrel::GuidToString(id, text);
    return text;
}

class ClassHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(ERROR_SUCCESS, root_.Create(HKEY_CURRENT_USER, kScratch));
    }
    void TearDown() override
    {
        root_.Close();
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
    }

    // Creates Classes\<path> below the scratch root.
    RegKey Key(const std::string& path)
    {
        RegKey key;
        std::string full = std::string(orrel::kClassesKey) + (path.empty() ? "" : "\\" + path);
        EXPECT_EQ(ERROR_SUCCESS, key.Create(root_.Get(), full.c_str())) << full;
        return key;
    }
    void Handler(const std::string& cls, const char* kind, const char* clsid,
                 const DWORD* priority = nullptr, const DWORD* flags = nullptr)
    {
        RegKey key = Key(cls + "\\" + kind + "\\" + clsid);
        key.SetString(nullptr, "handler");
        if (priority) key.SetDword("LoadPriority", *priority);
        if (flags) key.SetDword("Flags", *flags);
    }
    bool Load() { return table_.LoadClassHandlers(root_.Get()); }

    RegKey root_;
    ClassHandlerTable table_;
};

TEST_F(ClassHandlerTest, OneHandlerUnderIconAndMenuKeysHasKinds3)
{
    const DWORD priority = 7, flags = orrel::HANDLER_MULTI_TOO;
    Handler("User", "IconHandler", kHandlerA, &priority, &flags);
    Handler("User", "ContextMenuHandlers", kHandlerA);
    Handler("User", "ContextMenuHandlers", kHandlerB);
    ASSERT_TRUE(Load());
    ClassEntry* user = table_.FindClass("User", false);
    ASSERT_NE(nullptr, user);
    ASSERT_EQ(2u, user->handlers.size());
    EXPECT_EQ(kHandlerA, ClsidText(user->handlers[0].clsid)) << "handlers keep the order read";
    EXPECT_EQ(3u, user->handlers[0].kinds);
    EXPECT_EQ(7u, user->handlers[0].loadPriority) << "values come from the first key read";
    EXPECT_EQ(1u, user->handlers[0].flags);
    EXPECT_EQ(kHandlerB, ClsidText(user->handlers[1].clsid));
    EXPECT_EQ(2u, user->handlers[1].kinds);
}

TEST_F(ClassHandlerTest, AllFourKindKeysAreReadAndOthersIgnored)
{
    Handler("Queue", "IconHandler", kHandlerA);
    Handler("Queue", "ContextMenuHandlers", kHandlerA);
    Handler("Queue", "DropTargetHandlers", kHandlerA);
    Handler("Queue", "DropSourceHandlers", kHandlerA);
    Handler("Queue", "ContextMenus", kHandlerB);     // not a kind key
    Handler("Queue", "PropertyPages", kHandlerC);    // written by the page DLLs
    ASSERT_TRUE(Load());
    ClassEntry* queue = table_.FindClass("Queue", false);
    ASSERT_NE(nullptr, queue);
    ASSERT_EQ(1u, queue->handlers.size()) << "only the four kind keys hold handlers";
    EXPECT_EQ(15u, queue->handlers[0].kinds);
}

TEST_F(ClassHandlerTest, MissingValuesDefaultToZero)
{
    Handler("Volume", "IconHandler", kHandlerA);
    RegKey wrongType = Key(std::string("Volume\\ContextMenuHandlers\\") + kHandlerB);
    wrongType.SetString("LoadPriority", "5");
    Key("Group");
    RegKey flagged = Key("Printer");
    flagged.SetDword("Flags", 0x40);
    ASSERT_TRUE(Load());

    ClassEntry* volume = table_.FindClass("Volume", false);
    ASSERT_NE(nullptr, volume);
    EXPECT_EQ(0u, volume->flags) << "class Flags missing";
    ASSERT_EQ(2u, volume->handlers.size());
    for (const auto& h : volume->handlers) {
        EXPECT_EQ(0u, h.loadPriority) << ClsidText(h.clsid);
        EXPECT_EQ(0u, h.flags) << ClsidText(h.clsid);
    }
    ClassEntry* group = table_.FindClass("Group", false);
    ASSERT_NE(nullptr, group) << "a class key without handlers is still a class";
    EXPECT_TRUE(group->handlers.empty());
    ClassEntry* printer = table_.FindClass("Printer", false);
    ASSERT_NE(nullptr, printer);
    EXPECT_EQ(0x40u, printer->flags);
    EXPECT_FALSE(printer->iconCached);
}

TEST_F(ClassHandlerTest, SubkeyNotNamedByAClassIdentifierUsesTheAtValue)
{
    const DWORD priority = 3;
    RegKey tool = Key("User\\ContextMenuHandlers\\CsvWriter");
    tool.SetDword("LoadPriority", priority);
    RegKey kindKey = Key("User\\ContextMenuHandlers");
    kindKey.SetString("CsvWriter\\@", kHandlerB);
    Key("User\\ContextMenuHandlers\\Nameless");                  // no value: skipped
    Key("User\\ContextMenuHandlers\\Garbled");
    kindKey.SetString("Garbled\\@", "not a class identifier");   // skipped
    Key("User\\ContextMenuHandlers\\Zweite");  // enumerated after CsvWriter
    kindKey.SetString("Zweite\\@", kHandlerB);  // same handler: merges
    Handler("User", "IconHandler", kHandlerC);
    ASSERT_TRUE(Load());

    ClassEntry* user = table_.FindClass("User", false);
    ASSERT_NE(nullptr, user);
    ASSERT_EQ(2u, user->handlers.size());
    EXPECT_EQ(ClsidText(Clsid(kHandlerC)), ClsidText(user->handlers[0].clsid))
        << "a lower-case class identifier is still one";
    EXPECT_EQ(kHandlerB, ClsidText(user->handlers[1].clsid));
    EXPECT_EQ(2u, user->handlers[1].kinds);
    EXPECT_EQ(3u, user->handlers[1].loadPriority) << "values come from the named subkey";
}

TEST_F(ClassHandlerTest, HasHandlerKindLooksAtEveryHandler)
{
    Handler("Organization", "IconHandler", kHandlerA);
    Handler("Organization", "DropTargetHandlers", kHandlerB);
    ASSERT_TRUE(Load());
    ClassEntry* org = table_.FindClass("Organization", false);
    ASSERT_NE(nullptr, org);
    const struct {
        std::uint32_t kind;
        bool has;
    } cases[] = {{1, true}, {2, false}, {4, true}, {8, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.has, orrel::HasHandlerKind(*org, c.kind)) << "kind " << c.kind;
}

TEST_F(ClassHandlerTest, FallbackInsertsOneNamedCopyOfUnknown)
{
    Handler("Unknown", "IconHandler", kHandlerA);
    Handler("User", "IconHandler", kHandlerB);
    ASSERT_TRUE(Load());
    EXPECT_EQ(nullptr, table_.FindClass("Bindery Object", false))
        << "without the fallback a class without a key has no entry (not listed)";
    const std::size_t before = table_.Size();

    ClassEntry* first = table_.FindClass("Bindery Object", true);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("Bindery Object", first->name);
    ASSERT_EQ(1u, first->handlers.size());
    EXPECT_EQ(kHandlerA, ClsidText(first->handlers[0].clsid));
    EXPECT_EQ(before + 1, table_.Size());

    ClassEntry* second = table_.FindClass("Bindery Object", true);
    EXPECT_EQ(first, second) << "the second lookup must find the inserted entry";
    EXPECT_EQ(nullptr, table_.FindClass("Bindery Object", false))
        << "an inserted fallback copy must not make the class listable";
    EXPECT_EQ(before + 1, table_.Size());

    ClassEntry* unknown = table_.FindClass("Unknown", false);
    ASSERT_NE(nullptr, unknown);
    EXPECT_NE(unknown, first) << "the fallback is a copy, not Unknown itself";
    EXPECT_EQ("Unknown", unknown->name);
}

TEST_F(ClassHandlerTest, FallbackCopyDoesNotInheritTheIconCachedForUnknown)
{
    Handler("Unknown", "IconHandler", kHandlerA);
    ASSERT_TRUE(Load());
    ClassEntry* unknown = table_.FindClass("Unknown", false);
    ASSERT_NE(nullptr, unknown);
    unknown->iconCached = true;
    unknown->iconFile = "C:\\icons.dll";
    unknown->iconIndex = -100;

    ClassEntry* copy = table_.FindClass("Volume", true);
    ASSERT_NE(nullptr, copy);
    EXPECT_FALSE(copy->iconCached) << "each class asks its icon handler for its own icon";
    EXPECT_TRUE(copy->iconFile.empty()) << copy->iconFile;
    EXPECT_TRUE(unknown->iconCached) << "Unknown keeps its own cache";
}

TEST_F(ClassHandlerTest, NamesAreComparedWithCase)
{
    Handler("User", "IconHandler", kHandlerA);
    ASSERT_TRUE(Load());
    EXPECT_NE(nullptr, table_.FindClass("User", false));
    EXPECT_EQ(nullptr, table_.FindClass("user", false));
    EXPECT_EQ(nullptr, table_.FindClass("USER", true)) << "no Unknown entry: nothing to fall back to";
}

TEST_F(ClassHandlerTest, UnknownClassWithoutUnknownEntryIsNull)
{
    Handler("User", "IconHandler", kHandlerA);
    ASSERT_TRUE(Load());
    EXPECT_EQ(nullptr, table_.FindClass("Printer", true));
    EXPECT_EQ(1u, table_.Size()) << "nothing may be inserted";
}

TEST_F(ClassHandlerTest, ClassesWithoutSubkeysFails)
{
    Key("");
    EXPECT_FALSE(Load());
    EXPECT_EQ(0u, table_.Size());
}

TEST_F(ClassHandlerTest, MissingClassesKeyFailsAndEmptiesTheTable)
{
    Handler("User", "IconHandler", kHandlerA);
    ASSERT_TRUE(Load());
    ASSERT_EQ(1u, table_.Size());
    orrel::DeleteKeyTree(root_.Get(), "Software\\Halvet");
    EXPECT_FALSE(Load());
    EXPECT_EQ(0u, table_.Size());
    EXPECT_EQ(nullptr, table_.FindClass("User", false));
}

TEST_F(ClassHandlerTest, ReloadReplacesEverything)
{
    Handler("User", "IconHandler", kHandlerA);
    Handler("Queue", "IconHandler", kHandlerA);
    ASSERT_TRUE(Load());
    orrel::DeleteKeyTree(root_.Get(), (std::string(orrel::kClassesKey) + "\\Queue").c_str());
    Handler("User", "ContextMenuHandlers", kHandlerB);
    ASSERT_TRUE(Load());
    EXPECT_EQ(nullptr, table_.FindClass("Queue", false)) << "a removed class stays gone";
    ClassEntry* user = table_.FindClass("User", false);
    ASSERT_NE(nullptr, user);
    EXPECT_EQ(2u, user->handlers.size()) << "handlers read again, not added to the old ones";
}

TEST_F(ClassHandlerTest, LongClassNameDoesNotHideLaterClasses)
{
    const std::string longName(120, 'L');
    Handler(longName, "IconHandler", kHandlerA);
    Handler("Zeta", "IconHandler", kHandlerB);
    ASSERT_TRUE(Load());
    EXPECT_NE(nullptr, table_.FindClass(longName, false));
    EXPECT_NE(nullptr, table_.FindClass("Zeta", false));
}

}  // namespace
