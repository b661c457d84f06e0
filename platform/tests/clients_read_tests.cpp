// HalvetDirClient through its exports: contexts, listing, reading values of
// every syntax, definitions, names and rights, over an image the test writes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "clients_support.h"

using namespace clients_test;

namespace {

// Contexts and names need no tree's content (the image's location and its
// absence are the image's own).
class Contexts : public ImageTest {};
class Names : public ImageTest {};
// The behaviour a tree shows whether the image or a server serves it.
class Listing : public SourceTest {};
class Reading : public SourceTest {};
class Definitions : public SourceTest {};
class Rights : public SourceTest {};
ORREL_ON_EVERY_SOURCE(Listing);
ORREL_ON_EVERY_SOURCE(Reading);
ORREL_ON_EVERY_SOURCE(Definitions);
ORREL_ON_EVERY_SOURCE(Rights);

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(Contexts, StartSequenceAndContextValuesRoundTrip)
{
    ASSERT_EQ(HALVET_OK, SetLocale(0, ""));
    HALVET_LOCALE_CONV conv{};
    ASSERT_EQ(HALVET_OK, GetLocaleConv(&conv));
    EXPECT_EQ(static_cast<int32_t>(GetACP()), conv.codePage);
    EXPECT_EQ(HALVET_OK, InitUnicodeTables(conv.country, conv.codePage));
    EXPECT_NE(HALVET_OK, InitUnicodeTables(conv.country, 54321)) << "a code page that is not installed";
    EXPECT_NE(HALVET_OK, SetLocale(0, "xx_YY"));
    EXPECT_EQ(HALVET_OK, InitCallClient(nullptr, nullptr));
    EXPECT_NE(0, DirClientAvailable());

    HALVET_CONTEXT ctx = HALVET_NO_CONTEXT;
    ASSERT_EQ(HALVET_OK, CreateDirContext(&ctx));
    EXPECT_NE(HALVET_NO_CONTEXT, ctx);
    char text[300];
    ASSERT_EQ(HALVET_OK, GetDirContextValue(ctx, HALVET_CTX_KEY_TREE_NAME, text, sizeof(text)));
    EXPECT_STREQ("ORREL_TREE", text) << "the default tree";
    ASSERT_EQ(HALVET_OK, GetDirContextValue(ctx, HALVET_CTX_KEY_NAME_CONTEXT, text, sizeof(text)));
    EXPECT_STREQ("[Root]", text);

    uint32_t flags = 0x45;
    ASSERT_EQ(HALVET_OK, SetDirContextValue(ctx, HALVET_CTX_KEY_FLAGS, &flags));
    ASSERT_EQ(HALVET_OK, SetDirContextValue(ctx, HALVET_CTX_KEY_NAME_CONTEXT, "Sales.Corp"));
    ASSERT_EQ(HALVET_OK, SetDirContextValue(ctx, HALVET_CTX_KEY_TREE_NAME, "orrel_tree________"))
        << "padding and case are ignored";

    HALVET_CONTEXT copy = HALVET_NO_CONTEXT;
    ASSERT_EQ(HALVET_OK, DuplicateDirContext(ctx, &copy));
    EXPECT_NE(ctx, copy);
    uint32_t copiedFlags = 0;
    ASSERT_EQ(HALVET_OK, GetDirContextValue(copy, HALVET_CTX_KEY_FLAGS, &copiedFlags, sizeof(copiedFlags)));
    EXPECT_EQ(0x45u, copiedFlags);
    ASSERT_EQ(HALVET_OK, GetDirContextValue(copy, HALVET_CTX_KEY_NAME_CONTEXT, text, sizeof(text)));
    EXPECT_STREQ("Sales.Corp", text);
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, GetDirContextValue(copy, HALVET_CTX_KEY_NAME_CONTEXT, text, 5));

    EXPECT_EQ(HALVET_OK, FreeDirContext(ctx));
    EXPECT_EQ(HALVET_OK, FreeDirContext(copy));
    EXPECT_EQ(HALVET_ERR_BAD_CONTEXT, FreeDirContext(copy)) << "freed twice";
}

TEST_F(Contexts, InvalidArgumentsAreRefusedWithoutHarm)
{
    DirContext ctx;
    ASSERT_EQ(HALVET_OK, ctx.created());
    char text[64];
    uint32_t value = 0;
    EXPECT_EQ(HALVET_ERR_BAD_KEY, GetDirContextValue(ctx.get(), 99, &value, sizeof(value)));
    EXPECT_EQ(HALVET_ERR_BAD_KEY, SetDirContextValue(ctx.get(), 2, &value));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_TREE, SetDirContextValue(ctx.get(), HALVET_CTX_KEY_TREE_NAME, "NO_TREE"));
    EXPECT_EQ(HALVET_ERR_NULL_POINTER, SetDirContextValue(ctx.get(), HALVET_CTX_KEY_TREE_NAME, nullptr));
    EXPECT_EQ(HALVET_ERR_BAD_CONTEXT, GetDirContextValue(HALVET_NO_CONTEXT, 1, &value, sizeof(value)));
    EXPECT_EQ(HALVET_ERR_BAD_CONTEXT, WhoAmI(12345, text, sizeof(text)));
    EXPECT_EQ(HALVET_ERR_NULL_POINTER, CreateDirContext(nullptr));
    std::string tooLong(400, 'a');
    EXPECT_EQ(HALVET_ERR_ILLEGAL_NAME, SetDirContextValue(ctx.get(), HALVET_CTX_KEY_NAME_CONTEXT, tooLong.c_str()));

    HALVET_BUFFER* buffer = nullptr;
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, AllocDirBuffer(10, &buffer));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, AllocDirBuffer(1u << 20, &buffer));
    ASSERT_EQ(HALVET_OK, AllocDirBuffer(4096, &buffer));
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, InitDirBuffer(4, buffer));
    EXPECT_EQ(HALVET_OK, FreeDirBuffer(buffer));
    EXPECT_EQ(HALVET_ERR_BAD_BUFFER, FreeDirBuffer(buffer)) << "freed twice";
    HALVET_BUFFER* forged = reinterpret_cast<HALVET_BUFFER*>(text);
    EXPECT_EQ(HALVET_ERR_BAD_BUFFER, InitDirBuffer(HALVET_OP_READ, forged));
}

TEST_F(Contexts, WhoAmIFollowsTheChosenIdentity)
{
    DirContext ctx;
    char name[260];
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), name, sizeof(name)));
    EXPECT_STREQ(".Admin.Corp", name);
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, WhoAmI(ctx.get(), name, 4));

    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), name, sizeof(name)));
    EXPECT_STREQ(".Guest.Corp", name);

    DirContext other("[Root]", "OTHER_TREE");
    ASSERT_EQ(HALVET_OK, other.created());
    ASSERT_EQ(HALVET_OK, WhoAmI(other.get(), name, sizeof(name)));
    EXPECT_STREQ(".Admin.Other", name) << "a tree without a second identity keeps its first";
}

TEST_F(Contexts, MissingImageMeansNoDirectory)
{
    DeleteFileA(image_.c_str());
    EXPECT_EQ(0, DirClientAvailable());
    HALVET_CONTEXT ctx = 77;
    EXPECT_EQ(HALVET_ERR_TRANSPORT_FAILURE, CreateDirContext(&ctx));
    EXPECT_EQ(HALVET_NO_CONTEXT, ctx);
}

TEST_P(Listing, ChildrenCarryEntryFlagsAndBaseClass)
{
    DirContext root;
    Listed top = ListAll(root.get(), "");
    ASSERT_EQ(HALVET_OK, top.rc);
    ASSERT_EQ(std::vector<std::string>{"Corp"}, top.names);
    // The image marks its partitions; a server's tree is one partition.
    EXPECT_EQ(Ldap() ? HALVET_ENTRY_CONTAINER : HALVET_ENTRY_CONTAINER | HALVET_ENTRY_PARTITION_ROOT,
              top.infos[0].entryFlags);
    EXPECT_STREQ("Organization", top.infos[0].baseClass);

    DirContext corp("Corp");
    Listed children = ListAll(corp.get(), "");
    ASSERT_EQ(HALVET_OK, children.rc);
    std::vector<std::string> expected{"Sales", "SalesAlias", "Admin", "Guest", "FS1", "FS1_SYS"};
    EXPECT_EQ(Sorted(expected), Sorted(children.names));
    if (!Ldap()) {
        EXPECT_EQ(expected, children.names) << "the image's order";
    }
    auto info = [&](const std::string& name) {
        for (size_t i = 0; i < children.names.size(); ++i)
            if (children.names[i] == name) return children.infos[i];
        ADD_FAILURE() << name << " not listed";
        return HALVET_OBJECT_INFO{};
    };
    EXPECT_EQ(HALVET_ENTRY_CONTAINER, info("Sales").entryFlags);
    EXPECT_STREQ("User", info("Admin").baseClass);
    EXPECT_STREQ("Volume", info("FS1_SYS").baseClass);
    EXPECT_EQ(0u, info("Admin").entryFlags);
    if (Ldap()) {
        // A server tells only that there are subordinates, and stamps what it loads.
        EXPECT_EQ(1u, info("Sales").subordinateCount);
        EXPECT_EQ(0u, info("Admin").subordinateCount);
        EXPECT_GT(info("Admin").modificationTime, 1500000000u);
    } else {
        EXPECT_EQ(2u, info("Sales").subordinateCount) << "Staff and JDoe";
        EXPECT_EQ(946684800u, info("Admin").modificationTime);
    }
    EXPECT_EQ(HALVET_ENTRY_CONTAINER_ALIAS, info("SalesAlias").entryFlags);
    Listed viaAlias = ListAll(corp.get(), "SalesAlias");
    ASSERT_EQ(HALVET_OK, viaAlias.rc);
    EXPECT_EQ((std::vector<std::string>{"JDoe", "Staff"}), Sorted(viaAlias.names)) << "the alias lists its target";

    Listed users = ListAll(root.get(), ".Sales.Corp", "user");
    ASSERT_EQ(HALVET_OK, users.rc);
    EXPECT_EQ(std::vector<std::string>{"JDoe"}, users.names);

    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ListAll(root.get(), "Nowhere.Corp").rc);
    EXPECT_EQ(HALVET_ERR_ILLEGAL_NAME, ListAll(root.get(), "a..b").rc);
}

TEST_P(Listing, ContainerLargerThanOneReplyComesWholeAndInOrder)
{
    WriteImage(StandardImage(300));
    DirContext big("Big.Corp");
    Listed all = ListAll(big.get(), "");
    ASSERT_EQ(HALVET_OK, all.rc);
    ASSERT_EQ(300u, all.names.size());
    EXPECT_GT(all.replies, 3) << "a 4096-byte reply holds only some of them";
    for (int i = 0; i < 300; ++i) {
        char expected[64];
        snprintf(expected, sizeof(expected), "Member%04d-of-the-big-container", i);
        ASSERT_EQ(expected, all.names[i]) << "at " << i;
    }
    Listed wide = ListAll(big.get(), "", nullptr, 65536);
    EXPECT_EQ(1, wide.replies);
    EXPECT_EQ(300u, wide.names.size());
}

TEST_P(Listing, ReplyTooSmallForOneObjectAndClosedIterations)
{
    WriteImage(StandardImage(100));
    DirContext big("Big.Corp");
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, ListAll(big.get(), "", nullptr, 64).rc);

    DirBuffer reply(4096, HALVET_OP_LIST);
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ListContainer(big.get(), "", &iteration, reply.get()));
    ASSERT_NE(HALVET_NO_ITERATION, iteration);
    EXPECT_EQ(HALVET_OK, CloseIteration(big.get(), iteration));
    EXPECT_EQ(HALVET_ERR_BAD_ITERATION, CloseIteration(big.get(), iteration));
    EXPECT_EQ(HALVET_ERR_BAD_ITERATION, ListContainer(big.get(), "", &iteration, reply.get()));
    uint32_t count = 0;
    DirBuffer read(4096, HALVET_OP_READ);
    EXPECT_EQ(HALVET_ERR_BAD_BUFFER, GetObjectCount(big.get(), read.get(), &count)) << "not a list reply";
}

TEST_P(Reading, EveryValueRecordLiesWithinItsComputedSize)
{
    DirContext ctx("Sales.Corp");
    struct Case {
        const char* attr;
        uint32_t syntax;
        size_t count;
        bool onServer;  // a User on an LDAP server holds it
    };
    const Case cases[] = {
        {"CN", 3, 2, true}, {"Case Exact Tag", 2, 1, false}, {"Printable Code", 4, 1, false},
        {"Employee Number", 5, 1, true}, {"Language", 6, 1, false}, {"Login Disabled", 7, 1, true},
        {"Login Grace Limit", 8, 1, false}, {"Public Key", 9, 1, false}, {"Mobile Phone", 10, 1, true},
        {"Facsimile Telephone Number", 11, 1, true}, {"Network Address", 12, 2, false},
        {"Octet List Data", 13, 1, false}, {"Email Address", 14, 1, true}, {"Home Directory", 15, 1, false},
        {"Replica", 16, 1, false}, {"ACL", 17, 1, false}, {"Postal Address", 18, 1, true},
        {"Password Timestamp", 19, 1, false}, {"Object Class", 20, 2, true}, {"Login Script", 21, 1, true},
        {"Revision", 22, 1, false}, {"Back Link", 23, 1, false}, {"Last Login Time", 24, 1, false},
        {"Notify", 25, 1, false}, {"Server Holds", 26, 1, false}, {"Password Expiration Interval", 27, 1, false},
        {"Message Server", 1, 1, false}, {"Group Membership", 1, 1, true},
    };
    for (const Case& c : cases) {
        std::vector<RawValue> values;
        ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", c.attr, values)) << c.attr;
        if (Ldap() && !c.onServer) {
            EXPECT_TRUE(values.empty()) << c.attr << ": the server holds no such attribute";
            continue;
        }
        ASSERT_EQ(c.count, values.size()) << c.attr;
        EXPECT_EQ(c.syntax, values[0].syntax) << c.attr;
    }

    auto one = [&](const char* attr) {
        std::vector<RawValue> values;
        EXPECT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", attr, values)) << attr;
        // Moved, not copied: the record's pointers point into its own bytes.
        RawValue out;
        if (!values.empty()) out = std::move(values[0]);
        return out;
    };
    EXPECT_STREQ("JDoe", one("CN").text());
    EXPECT_STREQ(".Staff.Sales.Corp", one("Group Membership").text()) << "names come back absolute";
    EXPECT_STREQ("", one("Login Script").text());
    EXPECT_STREQ("+1 555 0100", one("Mobile Phone").text());
    EXPECT_STREQ("123 456", one("Employee Number").text());
    EXPECT_EQ(0, *static_cast<const uint8_t*>(one("Login Disabled").data()));

    RawValue fax = one("Facsimile Telephone Number");
    auto* f = static_cast<const HALVET_FAX_NUMBER*>(fax.data());
    ASSERT_TRUE(Inside(fax, f->telephoneNumber));
    EXPECT_STREQ("555-0199", f->telephoneNumber);

    RawValue mail = one("Email Address");
    auto* m = static_cast<const HALVET_EMAIL_ADDRESS*>(mail.data());
    EXPECT_STREQ("jdoe@corp.example", m->address);

    // A server's postal address has no empty lines.
    RawValue postal = one("Postal Address");
    auto* pa = static_cast<const HALVET_POSTAL_ADDRESS*>(postal.data());
    const char* lines[] = {"A", "", "B", "", "", ""};
    const char* serverLines[] = {"A", "B", "", "", "", ""};
    for (int i = 0; i < HALVET_POSTAL_LINES; ++i) {
        ASSERT_TRUE(Inside(postal, pa->line[i])) << i;
        EXPECT_STREQ(Ldap() ? serverLines[i] : lines[i], pa->line[i]) << i;
    }
    if (Ldap()) {
        // A server's fax number has no bits of its own.
        EXPECT_EQ(0u, f->bitCount);
        return;
    }
    // The rest are attributes of the image alone.
    ASSERT_TRUE(Inside(fax, f->data + 1));
    EXPECT_EQ(12u, f->bitCount);
    EXPECT_EQ(0xAB, f->data[0]);
    EXPECT_STREQ("MiXed", one("Case Exact Tag").text());
    EXPECT_STREQ(".FS1.Corp", one("Message Server").text());

    RawValue list = one("Language");
    auto* node = static_cast<const HALVET_CI_LIST*>(list.data());
    ASSERT_TRUE(Inside(list, node->s) && node->next && Inside(list, node->next));
    EXPECT_STREQ("ENGLISH", node->s);
    EXPECT_STREQ("GERMAN", node->next->s);
    EXPECT_EQ(nullptr, node->next->next);

    EXPECT_EQ(-6, *static_cast<const int32_t*>(one("Login Grace Limit").data()));
    EXPECT_EQ(4000000000u, *static_cast<const uint32_t*>(one("Revision").data()));
    EXPECT_EQ(946684800u, *static_cast<const uint32_t*>(one("Last Login Time").data()));
    EXPECT_EQ(-3600, *static_cast<const int32_t*>(one("Password Expiration Interval").data()));

    RawValue octets = one("Public Key");
    auto* os = static_cast<const HALVET_OCTET_STRING*>(octets.data());
    ASSERT_EQ(3u, os->length);
    ASSERT_TRUE(Inside(octets, os->data) && Inside(octets, os->data + 2));
    EXPECT_EQ(0x00, os->data[0]);
    EXPECT_EQ(0xFF, os->data[1]);
    EXPECT_EQ(0x10, os->data[2]);

    std::vector<RawValue> addresses;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Network Address", addresses));
    auto* ipx = static_cast<const HALVET_NET_ADDRESS*>(addresses[0].data());
    EXPECT_EQ(0u, ipx->addressType);
    ASSERT_EQ(12u, ipx->addressLength);
    ASSERT_TRUE(Inside(addresses[0], ipx->address + 11));
    EXPECT_EQ(0x1B, ipx->address[6]);
    EXPECT_EQ(0x51, ipx->address[11]);
    auto* ip = static_cast<const HALVET_NET_ADDRESS*>(addresses[1].data());
    EXPECT_EQ(1u, ip->addressType);
    ASSERT_EQ(4u, ip->addressLength);
    EXPECT_EQ(10, ip->address[0]);

    RawValue olist = one("Octet List Data");
    auto* on = static_cast<const HALVET_OCTET_LIST*>(olist.data());
    ASSERT_TRUE(on->next && Inside(olist, on->next));
    EXPECT_EQ(1u, on->length);
    EXPECT_EQ(2u, on->next->length);
    EXPECT_EQ(0x03, on->next->data[1]);

    RawValue path = one("Home Directory");
    auto* p = static_cast<const HALVET_PATH*>(path.data());
    EXPECT_EQ(4u, p->nameSpaceType);
    EXPECT_STREQ(".FS1_SYS.Corp", p->volumeName);
    EXPECT_STREQ("\\HOME\\JDOE", p->path);

    RawValue acl = one("ACL");
    auto* a = static_cast<const HALVET_OBJECT_ACL*>(acl.data());
    EXPECT_STREQ("Description", a->protectedAttrName);
    EXPECT_STREQ(".JDoe.Sales.Corp", a->subjectName);
    EXPECT_EQ(6u, a->privileges);

    RawValue stamp = one("Password Timestamp");
    auto* ts = static_cast<const HALVET_TIMESTAMP*>(stamp.data());
    EXPECT_EQ(946684801u, ts->wholeSeconds);
    EXPECT_EQ(7u, ts->eventId);

    RawValue link = one("Back Link");
    auto* bl = static_cast<const HALVET_BACK_LINK*>(link.data());
    EXPECT_EQ(9u, bl->remoteId);
    EXPECT_STREQ(".FS1.Corp", bl->objectName);

    RawValue typed = one("Notify");
    auto* tn = static_cast<const HALVET_TYPED_NAME*>(typed.data());
    EXPECT_STREQ(".Staff.Sales.Corp", tn->objectName);
    EXPECT_EQ(2u, tn->level);
    EXPECT_EQ(30u, tn->interval);

    RawValue hold = one("Server Holds");
    auto* h = static_cast<const HALVET_HOLD*>(hold.data());
    EXPECT_STREQ(".FS1.Corp", h->objectName);
    EXPECT_EQ(100u, h->amount);
}

TEST_P(Reading, ValueBufferRulesAndSyntaxChecks)
{
    DirContext ctx("Sales.Corp");
    DirBuffer request(HALVET_DEFAULT_BUFFER_SIZE, HALVET_OP_READ);
    DirBuffer reply;
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), "Email Address"));
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ReadObject(ctx.get(), "JDoe", 1, 0, request.get(), &iteration, reply.get()));
    EXPECT_EQ(HALVET_NO_ITERATION, iteration);
    uint32_t size = 0, count = 0, syntax = 0;
    char name[64];
    EXPECT_EQ(HALVET_ERR_BUFFER_EMPTY, ComputeAttrValSize(ctx.get(), reply.get(), 14, &size))
        << "no attribute taken yet";
    ASSERT_EQ(HALVET_OK, GetAttrName(ctx.get(), reply.get(), name, sizeof(name), &count, &syntax));
    EXPECT_EQ(HALVET_ERR_SYNTAX_VIOLATION, ComputeAttrValSize(ctx.get(), reply.get(), 3, &size));
    ASSERT_EQ(HALVET_OK, ComputeAttrValSize(ctx.get(), reply.get(), 14, &size));
    std::vector<uint8_t> value(size);
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, GetAttrVal(ctx.get(), reply.get(), 14, value.data(), size - 1));
    EXPECT_EQ(HALVET_OK, GetAttrVal(ctx.get(), reply.get(), 14, value.data(), size));
    EXPECT_EQ(HALVET_ERR_BUFFER_EMPTY, GetAttrVal(ctx.get(), reply.get(), 14, value.data(), size))
        << "only one value";

    // An attribute the object has not, and the root: no attributes, no error.
    std::vector<RawValue> none;
    EXPECT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "L", none));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadValues(ctx.get(), "Nobody", "CN", none));
    EXPECT_EQ(HALVET_ERR_NULL_POINTER, ReadObject(ctx.get(), nullptr, 1, 0, request.get(), &iteration, reply.get()));
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, ReadObject(ctx.get(), "JDoe", 2, 0, request.get(), &iteration, reply.get()));
}

TEST_P(Reading, ManyValuesContinueUnderTheSameNameInTheNextReply)
{
    DirContext ctx("Sales.Corp");
    std::vector<std::string> texts;
    std::vector<ChangeSpec> changes;
    for (int i = 0; i < 150; ++i) texts.push_back("Description value number " + std::to_string(i));
    for (const std::string& t : texts) changes.push_back(AddText("Description", t.c_str()));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", changes));

    std::vector<RawValue> values;
    int replies = 0;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Description", values, 1024, &replies));
    ASSERT_EQ(151u, values.size());
    EXPECT_GT(replies, 3);
    EXPECT_STREQ("First", values[0].text());
    for (int i = 0; i < 150; ++i) ASSERT_STREQ(texts[i].c_str(), values[i + 1].text()) << i;

    // All attributes, names only.
    DirBuffer reply;
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ReadObject(ctx.get(), "JDoe", HALVET_INFO_NAMES, 1, nullptr, &iteration, reply.get()));
    uint32_t count = 0;
    ASSERT_EQ(HALVET_OK, GetAttrCount(ctx.get(), reply.get(), &count));
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        char name[64];
        uint32_t valueCount = 9, syntax = 0;
        ASSERT_EQ(HALVET_OK, GetAttrName(ctx.get(), reply.get(), name, sizeof(name), &valueCount, &syntax));
        names.push_back(name);
        EXPECT_EQ(0u, valueCount) << name;
        if (names.back() == "CN") {
            EXPECT_EQ(3u, syntax);
        }
    }
    EXPECT_TRUE(Has(names, "CN") && Has(names, "Surname") && Has(names, "Description") && Has(names, "Login Script"));
    if (Ldap()) {
        EXPECT_FALSE(Has(names, "ACL")) << "a server holds the attributes of its schema";
    } else {
        EXPECT_EQ(32u, count);
        EXPECT_EQ("CN", names[0]);
    }
}

TEST_P(Reading, ObjectInfoReportsFlagsClassAndFullName)
{
    DirContext ctx("Corp");
    char name[515];
    HALVET_OBJECT_INFO info{};
    static_assert(offsetof(HALVET_OBJECT_INFO, baseClass) == 12, "base class from byte 12");
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "JDoe.Sales", name, sizeof(name), &info));
    EXPECT_STREQ(".JDoe.Sales.Corp", name);
    EXPECT_STREQ("User", reinterpret_cast<const char*>(&info) + 12);
    EXPECT_EQ(0u, info.entryFlags);

    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "SalesAlias", name, sizeof(name), &info));
    EXPECT_EQ(HALVET_ENTRY_CONTAINER_ALIAS, info.entryFlags) << "an alias reports itself";
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "JDoe.SalesAlias", name, sizeof(name), &info));
    EXPECT_STREQ(".JDoe.Sales.Corp", name) << "aliases above are followed";
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "[Root]", nullptr, 0, &info));
    EXPECT_TRUE(info.entryFlags & HALVET_ENTRY_CONTAINER);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadObjectInfo(ctx.get(), "Gone", name, sizeof(name), &info));
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, ReadObjectInfo(ctx.get(), "JDoe.Sales", name, 8, &info));
}

TEST_P(Definitions, ClassDefinitionHasFiveItemListsInOrder)
{
    DirContext ctx;
    DirBuffer request(HALVET_DEFAULT_BUFFER_SIZE, HALVET_OP_CLASS_DEFS);
    DirBuffer reply;
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), "User"));
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ReadClassDef(ctx.get(), HALVET_DEF_FULL, 0, request.get(), &iteration, reply.get()));
    uint32_t count = 0;
    ASSERT_EQ(HALVET_OK, GetClassDefCount(ctx.get(), reply.get(), &count));
    ASSERT_EQ(1u, count);
    char name[64];
    HALVET_CLASS_INFO info{};
    ASSERT_EQ(HALVET_OK, GetClassDef(ctx.get(), reply.get(), name, sizeof(name), &info));
    EXPECT_STREQ("User", name);
    std::vector<std::vector<std::string>> lists;
    for (int l = 0; l < HALVET_CLASS_ITEM_LISTS; ++l) {
        uint32_t items = 0;
        ASSERT_EQ(HALVET_OK, GetClassItemCount(ctx.get(), reply.get(), &items)) << l;
        EXPECT_EQ(info.itemCounts[l], items) << l;
        lists.emplace_back();
        for (uint32_t i = 0; i < items; ++i) {
            ASSERT_EQ(HALVET_OK, GetClassItem(ctx.get(), reply.get(), name, sizeof(name)));
            lists.back().push_back(name);
        }
        EXPECT_EQ(HALVET_ERR_BUFFER_EMPTY, GetClassItem(ctx.get(), reply.get(), name, sizeof(name)));
    }
    uint32_t items = 0;
    EXPECT_EQ(HALVET_ERR_BUFFER_EMPTY, GetClassItemCount(ctx.get(), reply.get(), &items)) << "only five lists";
    EXPECT_EQ(std::vector<std::string>{"Top"}, lists[0]);
    EXPECT_EQ(std::vector<std::string>{"CN"}, lists[2]);
    EXPECT_EQ((std::vector<std::string>{"CN", "Surname"}), lists[3]);
    EXPECT_TRUE(Has(lists[4], "Title") && Has(lists[4], "Login Script") && !Has(lists[4], "Surname"));
    if (Ldap()) {
        EXPECT_TRUE(lists[1].empty()) << "a server's schema says nothing of containment";
    } else {
        EXPECT_EQ((std::vector<std::string>{"Organization", "Organizational Unit"}), lists[1]);
        EXPECT_EQ(28u, lists[4].size());
    }

    // Not even one definition fits in a tiny reply; an unknown class is an error.
    DirBuffer tiny(64);
    iteration = HALVET_NO_ITERATION;
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL,
              ReadClassDef(ctx.get(), HALVET_DEF_FULL, 0, request.get(), &iteration, tiny.get()));
    EXPECT_EQ(HALVET_NO_ITERATION, iteration);
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, ReadClassDef(ctx.get(), 2, 0, request.get(), &iteration, reply.get()));
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), "Fax Machine"));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_CLASS,
              ReadClassDef(ctx.get(), HALVET_DEF_FULL, 0, request.get(), &iteration, reply.get()));
}

TEST_P(Definitions, AllClassesAndAttributeDefinitionsIterate)
{
    DirContext ctx;
    DirBuffer reply(128);
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    std::vector<std::string> classes;
    int replies = 0;
    do {
        ASSERT_EQ(HALVET_OK, ReadClassDef(ctx.get(), HALVET_DEF_NAMES, 1, nullptr, &iteration, reply.get()));
        ++replies;
        uint32_t count = 0;
        ASSERT_EQ(HALVET_OK, GetClassDefCount(ctx.get(), reply.get(), &count));
        for (uint32_t i = 0; i < count; ++i) {
            char name[64];
            ASSERT_EQ(HALVET_OK, GetClassDef(ctx.get(), reply.get(), name, sizeof(name), nullptr));
            classes.push_back(name);
        }
    } while (iteration != HALVET_NO_ITERATION);
    EXPECT_GT(replies, 1);
    EXPECT_TRUE(Has(classes, "User") && Has(classes, "Group") && Has(classes, "Organizational Unit"));
    if (!Ldap()) {
        EXPECT_EQ(7u, classes.size());
        EXPECT_EQ("Volume", classes.back());
    }

    // Sized attributes are the image's own; on a server the second is a
    // single-valued attribute of its schema.
    DirBuffer request(4096, HALVET_OP_ATTR_DEFS);
    DirBuffer defs;
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), "Surname"));
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), Ldap() ? "Login Disabled" : "Short Code"));
    iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ReadAttrDef(ctx.get(), HALVET_DEF_FULL, 0, request.get(), &iteration, defs.get()));
    uint32_t count = 0;
    ASSERT_EQ(HALVET_OK, GetAttrDefCount(ctx.get(), defs.get(), &count));
    ASSERT_EQ(2u, count);
    char name[64];
    HALVET_ATTR_INFO info{};
    ASSERT_EQ(HALVET_OK, GetAttrDef(ctx.get(), defs.get(), name, sizeof(name), &info));
    EXPECT_STREQ("Surname", name);
    EXPECT_EQ(3u, info.syntax);
    // The image's schema makes it single-valued; LDAP's sn is not.
    EXPECT_EQ(Ldap() ? 0u : HALVET_ATTR_SINGLE_VALUED, info.flags);
    ASSERT_EQ(HALVET_OK, GetAttrDef(ctx.get(), defs.get(), name, sizeof(name), &info));
    if (Ldap()) {
        EXPECT_STREQ("Login Disabled", name);
        EXPECT_EQ(HALVET_SYNTAX_BOOLEAN, info.syntax);
        EXPECT_EQ(HALVET_ATTR_SINGLE_VALUED, info.flags);
    } else {
        EXPECT_EQ(HALVET_ATTR_SIZED, info.flags);
        EXPECT_EQ(4u, info.upper);
    }
    ASSERT_EQ(HALVET_OK, PutAttrName(ctx.get(), request.get(), "No Such Thing"));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE,
              ReadAttrDef(ctx.get(), HALVET_DEF_FULL, 0, request.get(), &iteration, defs.get()));
}

TEST_F(Names, CanonicalAndAbbreviatedNamesRoundTrip)
{
    DirContext ctx("Sales.Corp");
    struct Case {
        const char* in;
        const char* canonical;
    };
    const Case cases[] = {
        {"JDoe", "JDoe.Sales.Corp"},
        {".Admin.Corp", "Admin.Corp"},
        {"Admin.", "Admin.Corp"},
        {"X..", "X"},
        {"CN=JDoe.OU=Sales.O=Corp", "JDoe.Sales.Corp.Sales.Corp"},
        {".CN=JDoe.OU=Sales.O=Corp", "JDoe.Sales.Corp"},
        {"[Root]", "[Root]"},
        {"", "Sales.Corp"},
    };
    for (const Case& c : cases) {
        char out[257];
        ASSERT_EQ(HALVET_OK, CanonicalizeName(ctx.get(), c.in, out, sizeof(out))) << c.in;
        EXPECT_STREQ(c.canonical, out) << c.in;
    }
    char out[257];
    EXPECT_EQ(HALVET_ERR_ILLEGAL_NAME, CanonicalizeName(ctx.get(), "X...", out, sizeof(out)));
    EXPECT_EQ(HALVET_ERR_ILLEGAL_NAME, CanonicalizeName(ctx.get(), "a..b", out, sizeof(out)));
    std::string longName = std::string(200, 'x') + "." + std::string(60, 'y');
    EXPECT_EQ(HALVET_ERR_ILLEGAL_NAME, CanonicalizeName(ctx.get(), longName.c_str(), out, sizeof(out)));
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, CanonicalizeName(ctx.get(), "JDoe", out, 5));

    ASSERT_EQ(HALVET_OK, AbbreviateName(ctx.get(), "CN=JDoe.OU=Sales.O=Corp", out, sizeof(out)));
    EXPECT_STREQ("JDoe.Sales.Corp", out);
    // A display name ("." + canonical + abbreviated) names the same object.
    char canonical[257], display[258] = ".";
    ASSERT_EQ(HALVET_OK, CanonicalizeName(ctx.get(), "JDoe", canonical, sizeof(canonical)));
    ASSERT_EQ(HALVET_OK, AbbreviateName(ctx.get(), canonical, display + 1, sizeof(display) - 1));
    EXPECT_STREQ(".JDoe.Sales.Corp", display);
    HALVET_OBJECT_INFO info{};
    EXPECT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), display, nullptr, 0, &info));
}

TEST_P(Rights, InheritedFromContainersGroupsAndPublic)
{
    DirContext ctx("Sales.Corp");
    struct Case {
        const char* subject;
        const char* object;
        const char* attr;
        uint32_t rights;
    };
    const uint32_t all = 0x2F;
    const Case cases[] = {
        {".Admin.Corp", "JDoe", "Title", all},                  // supervisor over the entry at Corp
        {".Admin.Corp", ".Corp", "[Entry Rights]", all},
        {"JDoe", "JDoe", "Telephone Number", 0x6},             // through the group Staff
        {"JDoe", "Staff", "Title", 0x6},                       // Sales.Corp as trustee: its members
        {"JDoe", "JDoe", "Description", 0x6},                  // its own ACL on itself
        {"JDoe", ".Guest.Corp", "Description", 0x2},           // [Public] read, no more
        {".Guest.Corp", "JDoe", "Telephone Number", 0x2},
        {".Guest.Corp", "JDoe", "Title", 0x2},
        {"[Public]", "JDoe", "Surname", 0x2},
        {"[Public]", "JDoe", "[Entry Rights]", 0x0},
    };
    for (const Case& c : cases) {
        uint32_t rights = 0xFFFF;
        ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), c.subject, c.object, c.attr, &rights))
            << c.subject << " " << c.object << " " << c.attr;
        // On a server the bind decides: its identity writes, everyone reads.
        const uint32_t live = HALVET_RIGHT_COMPARE | HALVET_RIGHT_READ |
                              (strcmp(c.subject, ".Admin.Corp") == 0 ? HALVET_RIGHT_WRITE : 0u);
        EXPECT_EQ(Ldap() ? live : c.rights, rights) << c.subject << " on " << c.object << " " << c.attr;
    }
    uint32_t rights = 0;
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, GetEffectiveRights(ctx.get(), "Nobody", "JDoe", "Title", &rights));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, GetEffectiveRights(ctx.get(), "JDoe", "Nothing", "Title", &rights));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE, GetEffectiveRights(ctx.get(), "JDoe", "JDoe", "Colour", &rights));
}

TEST_P(Rights, WhoAmIFeedsTheRightsQueryOfTheRestrictedIdentity)
{
    DirContext ctx("Sales.Corp");
    char me[260];
    uint32_t rights = 0;
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), me, sizeof(me)));
    ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), me, "JDoe", "Title", &rights));
    const uint32_t serverRead = HALVET_RIGHT_COMPARE | HALVET_RIGHT_READ;
    EXPECT_EQ(Ldap() ? serverRead | HALVET_RIGHT_WRITE : 0x2Fu, rights);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "2");
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), me, sizeof(me)));
    EXPECT_STREQ(".Guest.Corp", me);
    ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), me, "JDoe", "Title", &rights));
    EXPECT_EQ(Ldap() ? serverRead : HALVET_RIGHT_READ, rights);
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, Modify(ctx.get(), "JDoe", {AddText("Title", "Boss")}));
    EXPECT_EQ((std::vector<std::string>{"Clerk"}), ReadTexts(ctx.get(), "JDoe", "Title"));
}

}  // namespace
