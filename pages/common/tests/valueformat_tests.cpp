// The text of every syntax from value records as the client lays them out,
// and records that lie about their pointers or sizes; the value list chain.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "halvet/dirtypes.h"
#include "orrel/pages/valueformat.h"
#include "orrel/pages/valuelist.h"

namespace {

using orrel::pages::FormatValue;
using orrel::pages::ValueKind;
using orrel::pages::ValueList;
using orrel::pages::ValueNode;

// Shows names in angle brackets, so a test sees which fields went through
// the name display and which did not.
class MarkedNames final : public orrel::pages::NameDisplay {
public:
    std::string Display(const char* name) const override { return std::string("<") + name + ">"; }
};
const MarkedNames kNames;

// A record followed by its strings and bytes, in one buffer, as GetAttrVal
// writes it.
template <class Record>
struct Laid {
    Record record;
    char tail[128];
    char* Text(size_t at, const char* text)
    {
        std::strcpy(tail + at, text);
        return tail + at;
    }
    uint8_t* Bytes(size_t at, std::initializer_list<int> bytes)
    {
        size_t i = at;
        for (int b : bytes) tail[i++] = static_cast<char>(b);
        return reinterpret_cast<uint8_t*>(tail + at);
    }
};

template <class Record>
std::unique_ptr<ValueNode> Format(uint32_t syntax, const Laid<Record>& value, size_t size = 0)
{
    return FormatValue(syntax, &value, size ? size : sizeof value, kNames);
}

std::string TextOf(const std::unique_ptr<ValueNode>& node)
{
    return node ? node->text : std::string("<no node>");
}

TEST(ValueFormat, ScalarSyntaxesUseTheirFixedTexts)
{
    struct Case {
        uint32_t syntax;
        uint32_t raw;
        size_t size;
        const char* expected;
    } cases[] = {
        {HALVET_SYNTAX_BOOLEAN, 0, 1, "False"},
        {HALVET_SYNTAX_BOOLEAN, 1, 1, "True"},
        {HALVET_SYNTAX_BOOLEAN, 255, 1, "True"},
        {HALVET_SYNTAX_INTEGER, static_cast<uint32_t>(-5), 4, "-5"},
        {HALVET_SYNTAX_INTEGER, 0x80000000u, 4, "-2147483648"},
        {HALVET_SYNTAX_COUNTER, 0xFFFFFFFFu, 4, "4294967295"},
        {HALVET_SYNTAX_INTERVAL, static_cast<uint32_t>(-86400), 4, "-86400"},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        std::memcpy(bytes, &c.raw, 4);
        auto node = FormatValue(c.syntax, bytes, c.size, kNames);
        ASSERT_TRUE(node) << "syntax " << c.syntax << " value " << c.raw;
        EXPECT_EQ(c.expected, node->text) << "syntax " << c.syntax << " value " << c.raw;
        EXPECT_EQ(ValueKind::Text, node->kind);
    }
}

TEST(ValueFormat, ScalarsShorterThanTheirSyntaxGiveNoNode)
{
    uint8_t bytes[4] = {1, 2, 3, 4};
    for (uint32_t syntax : {HALVET_SYNTAX_INTEGER, HALVET_SYNTAX_COUNTER, HALVET_SYNTAX_TIME,
                            HALVET_SYNTAX_INTERVAL})
        EXPECT_EQ(nullptr, FormatValue(syntax, bytes, 3, kNames)) << "syntax " << syntax;
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_BOOLEAN, bytes, 0, kNames));
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_PO_ADDRESS, nullptr, 64, kNames));
}

TEST(ValueFormat, NetworkAddressesByType)
{
    struct Case {
        uint32_t type;
        std::vector<int> bytes;
        const char* expected;
    } cases[] = {
        {0, {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x04, 0x51},
         "01020304:00001B2C3D4E:0451"},
        {0, {0xFF, 0xFE, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0x99},
         "FFFEABCD:EF0123456789:ABCD"},
        {1, {10, 0, 0, 1}, "10.0.0.1"},
        {1, {255, 254, 128, 127, 9}, "255.254.128.127"},
        {7, {1, 2, 3, 4}, "<Not supportted yet>"},
        {0, {1, 2, 3, 4}, "<Not supportted yet>"},  // too short for its type
        {1, {10, 0}, "<Not supportted yet>"},
    };
    for (const Case& c : cases) {
        Laid<HALVET_NET_ADDRESS> v{};
        v.record.addressType = c.type;
        v.record.addressLength = static_cast<uint32_t>(c.bytes.size());
        v.record.address = reinterpret_cast<uint8_t*>(v.tail);
        for (size_t i = 0; i < c.bytes.size(); ++i) v.tail[i] = static_cast<char>(c.bytes[i]);
        EXPECT_EQ(c.expected, TextOf(Format(HALVET_SYNTAX_NET_ADDRESS, v)))
            << "type " << c.type << " with " << c.bytes.size() << " bytes";
    }
}

TEST(ValueFormat, StructuredRecordsGiveTheirTextAndShowNamesForDisplay)
{
    Laid<HALVET_PATH> path{};
    path.record.volumeName = path.Text(0, ".VOL.Corp");
    path.record.path = path.Text(20, "\\HOME\\ADMIN");
    EXPECT_EQ("<.VOL.Corp>:\\HOME\\ADMIN", TextOf(Format(HALVET_SYNTAX_PATH, path)));

    Laid<HALVET_BACK_LINK> link{};
    link.record.objectName = link.Text(0, ".FS1.Corp");
    EXPECT_EQ("<.FS1.Corp>", TextOf(Format(HALVET_SYNTAX_BACK_LINK, link)));

    Laid<HALVET_HOLD> hold{};
    hold.record.objectName = hold.Text(0, ".Admin.Corp");
    hold.record.amount = 4000000000u;
    EXPECT_EQ("<.Admin.Corp>:4000000000", TextOf(Format(HALVET_SYNTAX_HOLD, hold)));

    Laid<HALVET_FAX_NUMBER> fax{};
    fax.record.telephoneNumber = fax.Text(0, "555-0100");
    fax.record.bitCount = 8;
    fax.record.data = fax.Bytes(20, {0xFF});
    EXPECT_EQ("555-0100", TextOf(Format(HALVET_SYNTAX_FAX_NUMBER, fax)));

    Laid<HALVET_EMAIL_ADDRESS> mail{};
    mail.record.type = 7;
    mail.record.address = mail.Text(0, "SMTP:jdoe@corp.example");
    EXPECT_EQ("SMTP:jdoe@corp.example", TextOf(Format(HALVET_SYNTAX_EMAIL_ADDRESS, mail)));
}

TEST(ValueFormat, TypedNamesAndAclEntriesKeepTheirFieldsInTheirNodeKinds)
{
    Laid<HALVET_TYPED_NAME> typed{};
    typed.record.objectName = typed.Text(0, ".Print.Corp");
    typed.record.level = 3;
    typed.record.interval = 60;
    auto node = Format(HALVET_SYNTAX_TYPED_NAME, typed);
    ASSERT_TRUE(node);
    EXPECT_EQ(ValueKind::TypedName, node->kind);
    EXPECT_EQ(".Print.Corp", node->text) << "a typed name is kept as stored";
    EXPECT_EQ(3u, node->level);
    EXPECT_EQ(60u, node->interval);

    Laid<HALVET_OBJECT_ACL> acl{};
    acl.record.protectedAttrName = acl.Text(0, "Telephone Number");
    acl.record.subjectName = acl.Text(40, ".Admin.Corp");
    acl.record.privileges = 6;
    node = Format(HALVET_SYNTAX_OBJECT_ACL, acl);
    ASSERT_TRUE(node);
    EXPECT_EQ(ValueKind::AclEntry, node->kind);
    EXPECT_EQ("Telephone Number", node->text);
    EXPECT_EQ("<.Admin.Corp>", node->subjectName);
    EXPECT_EQ(6u, node->privileges);
}

TEST(ValueFormat, PostalAddressJoinsAllSixLinesEmptyOnesIncluded)
{
    Laid<HALVET_POSTAL_ADDRESS> postal{};
    postal.record.line[0] = postal.Text(0, "A");
    postal.record.line[1] = postal.Text(2, "");
    postal.record.line[2] = postal.Text(3, "B");
    postal.record.line[3] = postal.Text(2, "");
    postal.record.line[4] = nullptr;  // a missing line is an empty one
    postal.record.line[5] = postal.Text(2, "");
    EXPECT_EQ("A, , B, , , ", TextOf(Format(HALVET_SYNTAX_PO_ADDRESS, postal)));
}

TEST(ValueFormat, ListsAreJoinedAndBinarySyntaxesShownAsHexadecimal)
{
    struct TwoNodes {
        HALVET_CI_LIST first;
        HALVET_CI_LIST second;
        char text[16];
    } list{};
    list.first.next = &list.second;
    list.first.s = list.text;
    list.second.s = list.text + 4;
    std::memcpy(list.text, "one\0two", 8);
    EXPECT_EQ("one, two",
              TextOf(FormatValue(HALVET_SYNTAX_CI_LIST, &list, sizeof list, kNames)));

    Laid<HALVET_OCTET_STRING> octets{};
    octets.record.length = 3;
    octets.record.data = octets.Bytes(0, {0x01, 0x02, 0x0A});
    EXPECT_EQ("01 02 0A", TextOf(Format(HALVET_SYNTAX_OCTET_STRING, octets)));
    EXPECT_EQ("01 02 0A", TextOf(Format(HALVET_SYNTAX_REPLICA_POINTER, octets)));
    octets.record.length = 0;
    EXPECT_EQ("", TextOf(Format(HALVET_SYNTAX_OCTET_STRING, octets)));

    struct OctetNodes {
        HALVET_OCTET_LIST first;
        HALVET_OCTET_LIST second;
        uint8_t bytes[4];
    } olist{};
    olist.first = {&olist.second, 1, olist.bytes};
    olist.second = {nullptr, 2, olist.bytes + 1};
    olist.bytes[0] = 0xAB;
    olist.bytes[1] = 0x00;
    olist.bytes[2] = 0xFF;
    EXPECT_EQ("AB, 00 FF",
              TextOf(FormatValue(HALVET_SYNTAX_OCTET_LIST, &olist, sizeof olist, kNames)));
}

TEST(ValueFormat, TextSyntaxesAreTheirBytesBoundedByTheValueSize)
{
    const char text[] = "Case Exact";
    for (uint32_t syntax : {1u, 2u, 3u, 4u, 5u, 10u, 20u, 99u})
        EXPECT_EQ("Case Exact", TextOf(FormatValue(syntax, text, sizeof text, kNames)))
            << "syntax " << syntax;
    // No terminator inside the value: the text stops at its end.
    EXPECT_EQ("Case", TextOf(FormatValue(3, text, 4, kNames)));
    EXPECT_EQ("", TextOf(FormatValue(3, text, 0, kNames)));
}

TEST(ValueFormat, TimesAreLocalTimeInTheRuntimesFormat)
{
    std::time_t when = 946684800;  // 2000-01-01 00:00:00 UTC
    char expected[128];
    std::strftime(expected, sizeof expected, "%c", std::localtime(&when));
    uint32_t seconds = 946684800;
    EXPECT_EQ(expected, TextOf(FormatValue(HALVET_SYNTAX_TIME, &seconds, 4, kNames)));
    HALVET_TIMESTAMP stamp{946684800, 12};
    EXPECT_EQ(expected, TextOf(FormatValue(HALVET_SYNTAX_TIMESTAMP, &stamp, sizeof stamp, kNames)));
}

// Records whose pointers leave the value buffer are refused, never followed.
TEST(ValueFormat, PointersOutsideTheValueBufferAreNeverFollowed)
{
    static const char outside[] = "outside";
    Laid<HALVET_EMAIL_ADDRESS> mail{};
    mail.record.address = const_cast<char*>(outside);
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_EMAIL_ADDRESS, mail)) << "pointer to another object";

    Laid<HALVET_BACK_LINK> link{};
    link.record.objectName = link.Text(0, "x");
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_BACK_LINK, link, sizeof link.record))
        << "string after the reported size";

    Laid<HALVET_OCTET_STRING> octets{};
    octets.record.data = octets.Bytes(120, {1, 2});
    octets.record.length = 9;  // runs past the buffer
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_OCTET_STRING, octets));
    octets.record.length = 0xFFFFFFFFu;
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_OCTET_STRING, octets));

    Laid<HALVET_NET_ADDRESS> address{};
    address.record.addressType = 0;
    address.record.addressLength = 12;
    address.record.address = reinterpret_cast<uint8_t*>(address.tail + 120);  // 8 bytes left
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_NET_ADDRESS, address));

    // A record cut short by the reported size.
    Laid<HALVET_POSTAL_ADDRESS> postal{};
    EXPECT_EQ(nullptr, Format(HALVET_SYNTAX_PO_ADDRESS, postal, sizeof postal.record - 1));

    // A string that runs to the end of the buffer without a terminator ends there.
    Laid<HALVET_EMAIL_ADDRESS> cut{};
    std::memset(cut.tail, 'x', sizeof cut.tail);
    cut.record.address = cut.tail + sizeof cut.tail - 3;
    EXPECT_EQ("xxx", TextOf(Format(HALVET_SYNTAX_EMAIL_ADDRESS, cut)));
}

TEST(ValueFormat, ListsThatLoopOrLeaveTheBufferEndWithoutANode)
{
    struct Loop {
        HALVET_CI_LIST node;
        char text[4];
    } loop{};
    loop.node.next = &loop.node;  // a list that never ends
    loop.node.s = loop.text;
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_CI_LIST, &loop, sizeof loop, kNames));

    static HALVET_CI_LIST elsewhere{nullptr, nullptr};
    loop.node.next = &elsewhere;
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_CI_LIST, &loop, sizeof loop, kNames));

    struct OctetLoop {
        HALVET_OCTET_LIST a;
        HALVET_OCTET_LIST b;
    } ol{};
    ol.a = {&ol.b, 0, nullptr};
    ol.b = {&ol.a, 0, nullptr};
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_OCTET_LIST, &ol, sizeof ol, kNames));
}

TEST(ValueFormat, RecordsWhoseStringsOverlapCannotBlowUpTheirText)
{
    // Six lines all pointing at the one long string of the buffer: more text
    // than any well-formed record of that size could give.
    struct Postal {
        HALVET_POSTAL_ADDRESS record;
        char text[201];
    } postal{};
    std::memset(postal.text, 'a', 200);
    for (char*& line : postal.record.line) line = postal.text;
    EXPECT_EQ(nullptr, FormatValue(HALVET_SYNTAX_PO_ADDRESS, &postal, sizeof postal, kNames));
    // The same lines, once each, are fine.
    for (int i = 1; i < HALVET_POSTAL_LINES; ++i) postal.record.line[i] = postal.text + 200;
    auto node = FormatValue(HALVET_SYNTAX_PO_ADDRESS, &postal, sizeof postal, kNames);
    ASSERT_TRUE(node);
    EXPECT_EQ(std::string(200, 'a') + ", , , , , ", node->text);
}

TEST(ValueList, AppendKeepsOrderAndRemoveOrSwapRelinkTheChain)
{
    ValueList list;
    EXPECT_TRUE(list.Empty());
    for (const char* text : {"a", "b", "c", "d"}) list.Append(text);
    auto texts = [&] {
        std::string all;
        for (const ValueNode& node : list) all += node.text;
        return all;
    };
    EXPECT_EQ("abcd", texts());
    EXPECT_EQ(4u, list.Count());
    EXPECT_EQ("d", list.Last()->text);

    EXPECT_TRUE(list.SwapWithNext(1));
    EXPECT_EQ("acbd", texts());
    EXPECT_TRUE(list.SwapWithNext(0));
    EXPECT_EQ("cabd", texts());
    EXPECT_FALSE(list.SwapWithNext(3)) << "the last node has no successor";
    EXPECT_EQ("cabd", texts());

    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ("cbd", texts()) << "removing one node keeps its successors";
    EXPECT_TRUE(list.RemoveAt(2));
    EXPECT_EQ("cb", texts());
    EXPECT_FALSE(list.RemoveAt(2));
    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_EQ("b", texts());
}

TEST(ValueList, DeletingANodeDeletesItsSuccessorsEvenInVeryLongChains)
{
    ValueList list;
    ValueNode* last = nullptr;
    for (int i = 0; i < 200000; ++i) {
        auto node = std::make_unique<ValueNode>("v");
        ValueNode* raw = node.get();
        if (last)
            last->next = std::move(node);
        else
            list.Append(std::move(node));
        last = raw;
    }
    EXPECT_EQ(200000u, list.Count());
    // A node cut out with its successors takes them all along.
    std::unique_ptr<ValueNode> tail = std::move(list.At(9)->next);
    EXPECT_EQ(10u, list.Count());
    tail.reset();  // 199990 nodes, iteratively
    list.Clear();
    EXPECT_TRUE(list.Empty());
}

}  // namespace
