// The search's tables and conversions, with the edge cases a user meets:
// contexts as typed, filters with characters that filters escape, columns
// of attributes returned in another case, tree names and saved names.
#include <gtest/gtest.h>

#include "engine/searchtables.h"

using namespace orrel::find;

namespace {

TEST(SearchTables, ClassesAndAttributesByName)
{
    EXPECT_EQ("inetOrgPerson", ClassToLdap("User"));
    EXPECT_EQ("Queue", ClassToLdap("Queue"));
    EXPECT_EQ("Group", ClassToLdap("Group")) << "unknown names pass unchanged";
    EXPECT_EQ("user", ClassToLdap("user")) << "the lookups compare case-sensitively";
    EXPECT_EQ(4u, ClassMaskOf("Volume"));
    EXPECT_EQ(0u, ClassMaskOf("Group"));
    EXPECT_EQ(0u, ClassMaskOf(""));
    EXPECT_EQ("Phone Number", AttributeToDisplay("telephoneNumber"));
    EXPECT_EQ("telephonenumber", AttributeToDisplay("telephonenumber"));
    EXPECT_EQ("hostResourceName", DisplayToAttribute("Host Resource Name"));
    EXPECT_EQ("Surname", DisplayToAttribute("Surname"));
    EXPECT_EQ(IconUser, ResultIconOf("User"));
    EXPECT_EQ(IconQueue, ResultIconOf("Queue"));
    EXPECT_EQ(IconGeneric, ResultIconOf("Group"));
}

TEST(SearchTables, ColumnsAndFieldsPerClass)
{
    struct Case {
        const char* cls;
        std::vector<std::string> columns;
    };
    const Case cases[] = {
        {"User", {"dn", "fullName", "telephoneNumber", "givenName", "sn", "l", "cn"}},
        {"Volume", {"dn", "cn", "hostServer", "hostResourceName"}},
        {"Printer", {"dn", "l", "cn", "owner"}},
        {"Queue", {"dn", "l", "cn", "hostServer", "operator"}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.columns, ResultAttributesOf(ClassMaskOf(c.cls))) << c.cls;
    EXPECT_EQ((std::vector<std::string>{"Full Name", "First Name", "Last Name", "Location", "Object Name"}),
              CriteriaFieldsOf(1));
    EXPECT_EQ((std::vector<std::string>{"Object Name", "Host Server", "Host Resource Name"}), CriteriaFieldsOf(4));
    EXPECT_TRUE(CriteriaFieldsOf(0).empty());
}

TEST(SearchContext, TypedContextsBecomeBaseDns)
{
    struct Case {
        const char* typed;
        const char* dn;
    };
    const Case cases[] = {
        {"", ""},
        {"o=corp", "o=corp"},
        {"ou=a,o=b", "ou=a,o=b"},
        {"cn=x", "cn=x"},
        {"sales.corp", "ou=sales,o=corp"},
        {".sales.corp", "ou=sales,o=corp"},
        {"...sales.corp", "ou=sales,o=corp"},
        {"a.b.c", "ou=a,ou=b,o=c"},
        {"corp", "o=corp"},
        {".corp", "o=corp"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.dn, ToLdapContext(c.typed)) << "[" << c.typed << "]";
    EXPECT_EQ(".jdoe.sales.corp", JoinDotted({"jdoe", "sales", "corp"}));
    EXPECT_EQ("", JoinDotted({}));
    EXPECT_EQ("Smith, Jr", UnescapeDnValue("Smith\\2C Jr"));
    EXPECT_EQ("Smith, Jr", UnescapeDnValue("Smith\\, Jr"));
    EXPECT_EQ("a\\b+c", UnescapeDnValue("a\\5cb\\+c"));
    EXPECT_EQ("end\\", UnescapeDnValue("end\\"));
}

TEST(SearchFilter, ValuesAreEscapedAndStarStaysAWildcard)
{
    EXPECT_EQ("(&(objectClass=inetOrgPerson))", BuildFilter("User", {}));
    EXPECT_EQ("(&(objectClass=volume)(cn=SYS*)(hostServer=cn=FS1,o=Corp))",
              BuildFilter("Volume", {{"Object Name", "SYS*"}, {"Host Server", "cn=FS1,o=Corp"}}));
    EXPECT_EQ("(&(objectClass=inetOrgPerson)(sn=Smith \\28Contractor\\29))",
              BuildFilter("User", {{"Last Name", "Smith (Contractor)"}}));
    EXPECT_EQ("a\\5cb\\00c*", EscapeFilterValue(std::string("a\\b\0c*", 6)));
    EXPECT_EQ("(&(objectClass=Group)(Unknown Field=x))", BuildFilter("Group", {{"Unknown Field", "x"}}))
        << "unknown names are passed on for the server to judge";
}

TEST(SearchColumns, ReturnedNamesMatchIgnoringCase)
{
    std::vector<std::string> user = ResultAttributesOf(1);
    EXPECT_EQ(2, ColumnOfAttribute(user, "telephoneNumber"));
    EXPECT_EQ(2, ColumnOfAttribute(user, "telephonenumber"));
    EXPECT_EQ(4, ColumnOfAttribute(user, "SN"));
    EXPECT_EQ(-1, ColumnOfAttribute(user, "telephoneNumbers"));
    EXPECT_EQ(-1, ColumnOfAttribute(user, "telephone"));
    EXPECT_EQ(-1, ColumnOfAttribute(user, "mail"));
    EXPECT_EQ(-1, ColumnOfAttribute(user, nullptr));
}

TEST(SearchCodes, LibraryCodesBecomeResultCodes)
{
    EXPECT_EQ(0, NormaliseLdapCode(0));
    EXPECT_EQ(0x51, NormaliseLdapCode(-1)) << "server down";
    EXPECT_EQ(0x57, NormaliseLdapCode(-7)) << "filter error";
    EXPECT_EQ(0x61, NormaliseLdapCode(-17));
    EXPECT_EQ(-18, NormaliseLdapCode(-18));
    EXPECT_EQ(0x20, NormaliseLdapCode(0x20));
}

TEST(SavedNames, TreeNamesLoseTheirPadding)
{
    EXPECT_EQ("CORP_TREE", TrimTreeName("CORP_TREE___________"));
    EXPECT_EQ("CORP_TREE", TrimTreeName("CORP_TREE"));
    EXPECT_EQ("_", TrimTreeName("______"));
    EXPECT_EQ("", TrimTreeName(""));
    EXPECT_EQ("AB", TrimTreeName(std::string("AB__\0junk", 9)));
}

TEST(SavedNames, DottedNamesAreLabelCounted)
{
    std::vector<unsigned char> out;
    ASSERT_TRUE(EncodeDottedName(".jdoe.sales.corp", out));
    const unsigned char expected[] = {4, 'j', 'd', 'o', 'e', 5, 's', 'a', 'l', 'e', 's', 4, 'c', 'o', 'r', 'p', 0};
    EXPECT_EQ(std::vector<unsigned char>(expected, expected + sizeof(expected)), out);
    ASSERT_TRUE(EncodeDottedName("corp", out));
    EXPECT_EQ((std::vector<unsigned char>{4, 'c', 'o', 'r', 'p', 0}), out);

    EXPECT_FALSE(EncodeDottedName(".a..b", out)) << "empty component";
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(EncodeDottedName("", out));
    EXPECT_FALSE(EncodeDottedName("." + std::string(256, 'x') + ".corp", out)) << "component over 255";
    EXPECT_TRUE(EncodeDottedName("." + std::string(255, 'x') + ".corp", out));
    std::string many;
    for (int i = 0; i < 200; ++i) many += ".abcd";  // 200 * 5 + 1 = 1001 bytes
    EXPECT_TRUE(EncodeDottedName(many, out));
    EXPECT_EQ(1001u, out.size());
    for (int i = 0; i < 5; ++i) many += ".abcd";  // 1026 bytes
    EXPECT_FALSE(EncodeDottedName(many, out)) << "over the 1024-byte buffer";
    EXPECT_EQ("jdoe", FirstComponent(".jdoe.sales.corp"));
    EXPECT_EQ("corp", FirstComponent("corp"));
}

TEST(SavedNames, FolderPathsAreMadeSafeAndChecked)
{
    EXPECT_EQ("a_b_c_d_e_f_g_h_\\i", SanitizeFolderPath("a*b?c:d<e>f/g.h\"\\i"));
    struct Case {
        const char* typed;
        bool valid;
        const char* path;
    };
    const Case cases[] = {
        {"Results", true, "Results"},
        {"\\\\Results\\Week 1", true, "Results\\Week 1"},
        {"a\\b", true, "a\\b"},
        {"", false, ""},
        {"\\", false, ""},
        {"a\\", false, "a\\"},
        {"a\\\\b", false, "a\\\\b"},
        {"   ", false, "   "},
        {"a\\ \\b", false, "a\\ \\b"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(c.valid, NormaliseFolderPath(c.typed, out)) << "[" << c.typed << "]";
        EXPECT_EQ(c.path, out) << "[" << c.typed << "]";
    }
}

}  // namespace
