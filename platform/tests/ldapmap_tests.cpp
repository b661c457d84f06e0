// The mapping between directory names and LDAP, as the LDAP source uses it:
// the built-in table (the one the LDIF export reads), distinguished names,
// value conversions both ways, and the subschema entry's definitions.
#include <gtest/gtest.h>

#include <halvet/dirtypes.h>

#include "ldapmap.h"
#include "values.h"

using namespace orrel::ldapmap;
using orrel::dirstore::Value;

namespace {

TEST(LdapMapping, BuiltInTableNamesClassesAsTheExportWritesThem)
{
    const Mapping& m = Mapping::Get();
    ASSERT_FALSE(m.Classes().empty()) << "the built-in table did not parse";
    // Entries as image_to_ldif.py writes them come back as their classes.
    EXPECT_EQ("User", m.ClassOfEntry({"top", "person", "organizationalPerson", "inetOrgPerson", "orrelPerson"}).cls);
    EXPECT_EQ("Organizational Unit", m.ClassOfEntry({"top", "organizationalUnit"}).cls);
    EXPECT_EQ("Group", m.ClassOfEntry({"top", "groupOfNames", "orrelGroup"}).cls);
    EXPECT_TRUE(m.ClassOfEntry({"top", "orrelObject"}).cls.empty()) << "anything else";
    // Servers of a kind have their class's object class beside orrelServer.
    EXPECT_EQ("Print Server", m.ClassOfEntry({"top", "orrelServer", "orrelPrintServer"}).cls);
    EXPECT_EQ("File Server", m.ClassOfEntry({"orrelFileServer", "orrelServer", "top"}).cls);
    EXPECT_EQ("Server", m.ClassOfEntry({"top", "orrelServer"}).cls);
    const ClassMap& alias = m.ClassOfEntry({"alias", "extensibleObject", "organizationalUnit"});
    EXPECT_TRUE(alias.alias);
    ASSERT_NE(nullptr, Mapping::Find(alias, "Aliased Object Name"));
    EXPECT_EQ(Conversion::Dn, Mapping::Find(alias, "Aliased Object Name")->conversion);
    for (const char* container : {"Organization", "Organizational Unit"}) {
        const AttrMap* script = Mapping::Find(m.ClassOf(container), "Login Script");
        ASSERT_NE(nullptr, script) << container;
        EXPECT_EQ(Conversion::Stream, script->conversion);
    }
    const ClassMap& user = m.ClassOf("user");
    ASSERT_NE(nullptr, Mapping::Find(user, "CN"));
    EXPECT_EQ("cn", Mapping::Find(user, "CN")->ldap);
    EXPECT_EQ("Surname", Mapping::FindLdap(user, "SN")->name);
    EXPECT_EQ("EMail Address", Mapping::FindLdap(user, "mail")->name) << "the first of two on one type reads it";
    EXPECT_EQ(nullptr, Mapping::Find(user, "Member"));
    const ClassMap& locality = m.ClassOf("Locality");
    ASSERT_EQ(2u, locality.naming.size());
    EXPECT_TRUE(locality.container);
    EXPECT_TRUE(m.IsContainerType("st"));
    EXPECT_FALSE(m.IsContainerType("cn"));

    Mapping bad;
    std::string why;
    EXPECT_FALSE(Mapping::Parse("{\"classes\": 3}", bad, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(Mapping::Parse("not json", bad, why));
}

TEST(LdapMapping, DistinguishedNamesAndDottedNames)
{
    std::vector<Rdn> rdns;
    ASSERT_TRUE(ParseDn("cn=Smith\\, Jr\\;#1,ou=Sales,o=Corp", rdns));
    ASSERT_EQ(3u, rdns.size());
    EXPECT_EQ("Smith, Jr;#1", rdns[0].value);
    EXPECT_EQ("ou", rdns[1].type);
    ASSERT_TRUE(ParseDn("cn=A\\2Cb+uid=x,o=Corp", rdns));
    EXPECT_EQ("A,b", rdns[0].value) << "hex escapes; a multi-valued RDN keeps its first part";
    EXPECT_FALSE(ParseDn("cn=a,", rdns));
    EXPECT_FALSE(ParseDn("novalue", rdns));
    EXPECT_FALSE(ParseDn("cn=a\\", rdns));
    EXPECT_EQ("\\#a\\,b\\ ", EscapeRdnValue("#a,b "));

    std::string name;
    ASSERT_TRUE(NameOfDn("cn=JDoe,ou=Sales,o=Corp", "", name));
    EXPECT_EQ("JDoe.Sales.Corp", name);
    ASSERT_TRUE(NameOfDn("CN=JDoe,OU=Sales,O=Corp", "o=corp", name));
    EXPECT_EQ("JDoe.Sales", name);
    EXPECT_FALSE(NameOfDn("cn=JDoe,o=Other", "o=Corp", name));
    EXPECT_FALSE(NameOfDn("cn=a.b,o=Corp", "", name)) << "a dot cannot be in a label";
}

TEST(LdapMapping, ValuesConvertBothWays)
{
    const ClassMap& user = Mapping::Get().ClassOf("User");
    auto dnToName = [](const std::string& dn, std::string& name) { return NameOfDn(dn, "", name); };
    auto nameToDn = [](const std::string& name, std::string& dn) {
        dn = "cn=" + name.substr(0, name.find('.')) + ",o=Corp";
        return int32_t(HALVET_OK);
    };
    struct Case {
        const char* attr;
        const char* ldap;
    } cases[] = {
        {"Surname", "Doe"},
        {"Login Disabled", "TRUE"},
        {"Group Membership", "cn=Staff,o=Corp"},
        {"Postal Address", "John Doe$1 Harbor Way \\24 Co$Boston"},
        {"Facsimile Telephone Number", "555-0900"},
        {"EMail Address", "jdoe@corp.example"},
    };
    for (const Case& c : cases) {
        const AttrMap* map = Mapping::Find(user, c.attr);
        ASSERT_NE(nullptr, map) << c.attr;
        Value v;
        ASSERT_TRUE(FromLdap(*map, c.ldap, dnToName, v)) << c.attr;
        EXPECT_EQ(map->syntax, v.syntax) << c.attr;
        std::string back;
        ASSERT_EQ(HALVET_OK, ToLdap(*map, v, nameToDn, back)) << c.attr;
        EXPECT_EQ(c.ldap, back) << c.attr;
    }
    Value v;
    EXPECT_FALSE(FromLdap(*Mapping::Find(user, "Login Disabled"), "maybe", dnToName, v));
    EXPECT_FALSE(FromLdap(*Mapping::Find(user, "Group Membership"), "", dnToName, v)) << "the empty DN is no member";
    EXPECT_FALSE(FromLdap(*Mapping::Find(user, "Postal Address"), "1$2$3$4$5$6$7", dnToName, v));

    const AttrMap* address = Mapping::Find(Mapping::Get().ClassOf("File Server"), "Network Address");
    ASSERT_NE(nullptr, address);
    ASSERT_TRUE(FromLdap(*address, "ip:127.0.0.1", dnToName, v));
    EXPECT_EQ(1u, v.n1);
    EXPECT_EQ((std::vector<uint8_t>{127, 0, 0, 1}), v.bytes);
    ASSERT_TRUE(FromLdap(*address, "type0:0102030400001B2C3D4E0451", dnToName, v));
    EXPECT_EQ(12u, v.bytes.size());
    EXPECT_FALSE(FromLdap(*address, "ip:300.1.1.1", dnToName, v));
    EXPECT_FALSE(FromLdap(*address, "typeX:00", dnToName, v));

    Value wrong;
    wrong.syntax = HALVET_SYNTAX_INTEGER;
    std::string out;
    EXPECT_EQ(HALVET_ERR_SYNTAX_VIOLATION, ToLdap(*Mapping::Find(user, "Surname"), wrong, nameToDn, out));
}

TEST(LdapMapping, SubschemaItemsAndTimes)
{
    SchemaItem item;
    ASSERT_TRUE(ParseSchemaItem("( 2.5.6.6 NAME 'person' DESC 'a MUST ( x )' SUP top STRUCTURAL "
                                "MUST ( sn $ cn ) MAY ( userPassword $ telephoneNumber ) )",
                                item));
    EXPECT_EQ(std::vector<std::string>{"person"}, item.names);
    EXPECT_EQ((std::vector<std::string>{"sn", "cn"}), item.must);
    EXPECT_EQ(std::vector<std::string>{"top"}, item.sup);
    ASSERT_TRUE(ParseSchemaItem("( 1.2 NAME ( 'c' 'countryName' ) SUP name SINGLE-VALUE )", item));
    EXPECT_EQ((std::vector<std::string>{"c", "countryName"}), item.names);
    EXPECT_TRUE(item.singleValued);
    EXPECT_FALSE(ParseSchemaItem("( 1.2 NAME 'unterminated )", item));
    EXPECT_FALSE(ParseSchemaItem("1.2 NAME 'x'", item));

    EXPECT_EQ(946684800u, ParseGeneralizedTime("20000101000000Z"));
    EXPECT_EQ(1715578200u, ParseGeneralizedTime("20240513053000Z"));
    EXPECT_EQ(0u, ParseGeneralizedTime("2000-01-01"));
}

}  // namespace
