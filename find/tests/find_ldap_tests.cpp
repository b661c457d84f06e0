// The search engine against the sample in a real slapd on 127.0.0.1:389
// (nothing listens on 127.0.0.2): sessions, the context browser's listing,
// DNs as dotted names, the LDAP port probe, the workstation's search
// servers and the tree behind a server.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ldapdirectory.h"
#include "engine/servers.h"
#include "find_test_support.h"

using namespace orrel::find;

namespace {

class LdapEngine : public ::testing::Test {
protected:
    findtest::PrivateUser user;
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(LdapEngine, SessionsBindAnonymouslyOrReportTheCode)
{
    LdapDirectory directory;
    LDAP* session = nullptr;
    ASSERT_EQ(0, directory.OpenLdapSession("127.0.0.1", &session));
    ASSERT_NE(nullptr, session);
    directory.CloseLdapSession(session);

    session = reinterpret_cast<LDAP*>(1);
    long rc = directory.OpenLdapSession("127.0.0.2", &session);
    EXPECT_EQ(0x51, rc) << "no server on 127.0.0.2: server down, as a result code";
    EXPECT_EQ(nullptr, session);
    EXPECT_STRNE("", LdapErrorText(rc));
    EXPECT_STREQ(LdapErrorText(0x51), LdapErrorText(-1)) << "the library's own code reads as the result code";
}

TEST_F(LdapEngine, ContainersOneLevelBelowABase)
{
    LdapDirectory directory;
    LDAP* session = nullptr;
    ASSERT_EQ(0, directory.OpenLdapSession("127.0.0.1", &session));
    std::vector<std::string> top;
    EXPECT_EQ(0, directory.ListContainers(session, "", LDAP_SCOPE_ONELEVEL, false, &top));
    EXPECT_EQ((std::vector<std::string>{"c=FR", "o=Corp"}), Sorted(top));

    std::vector<std::string> corp;
    EXPECT_EQ(0, directory.ListContainers(session, "o=Corp", LDAP_SCOPE_ONELEVEL, false, &corp));
    EXPECT_EQ((std::vector<std::string>{"l=Boston", "ou=Contractors", "ou=Engineering", "ou=Marketing",
                                        "ou=Sales", "ou=Support", "st=Texas"}),
              Sorted(corp));

    std::vector<std::string> full;
    EXPECT_EQ(0, directory.ListContainers(session, "ou=Engineering,o=Corp", LDAP_SCOPE_ONELEVEL, true, &full));
    EXPECT_EQ((std::vector<std::string>{"ou=QA,ou=Engineering,o=Corp"}), full);

    std::vector<std::string> none;
    EXPECT_EQ(0x20, directory.ListContainers(session, "o=Nowhere", LDAP_SCOPE_ONELEVEL, false, &none))
        << "no such object";
    EXPECT_TRUE(none.empty());
    directory.CloseLdapSession(session);
}

TEST(DottedNames, DnsBecomeDottedNames)
{
    EXPECT_EQ(".jdoe.sales.corp", ToDottedName("cn=jdoe,ou=sales,o=corp"));
    EXPECT_EQ(".Paris.FR", ToDottedName("l=Paris,c=FR"));
    EXPECT_EQ(".Smith, Jr.Corp", ToDottedName("cn=Smith\\, Jr,o=Corp"));
    EXPECT_EQ("not a dn", ToDottedName("not a dn"));
    EXPECT_EQ("", ToDottedName(nullptr));
}

TEST_F(LdapEngine, TheProbeFindsTheLdapPort)
{
    EXPECT_EQ(0, ProbeLdapPort("127.0.0.1"));
    EXPECT_NE(0, ProbeLdapPort("127.0.0.2"));
}

TEST_F(LdapEngine, SearchServersWithAndWithoutTheProbe)
{
    std::vector<SearchServer> probed = ScanSearchServers(true, false);
    ASSERT_EQ(1u, probed.size()) << "only 127.0.0.1 answers on the LDAP port";
    EXPECT_EQ("127.0.0.1", probed[0].internetName);
    EXPECT_EQ(".ORREL-FS1.Corp", probed[0].directoryName);

    std::vector<SearchServer> all = ScanSearchServers(false, false);
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ("127.0.0.2", all[1].internetName);
    EXPECT_EQ(".ORREL-FS2.Engineering.Corp", all[1].directoryName);
    EXPECT_EQ("127.0.0.3", all[2].internetName);
    EXPECT_EQ(".ACME-FS1.Acme", all[2].directoryName);

    // Resolved, the address is named by its host name; the search (and
    // Save) can use that name as well as the address.
    std::vector<SearchServer> named = ScanSearchServers(true, true);
    ASSERT_EQ(1u, named.size());
    EXPECT_FALSE(named[0].internetName.empty());
    std::string tree;
    EXPECT_EQ(0, GetServerTreeName(named[0].internetName.c_str(), &tree)) << named[0].internetName;
    EXPECT_EQ("ORREL_TREE", tree);
}

TEST_F(LdapEngine, TheTreeOfAServer)
{
    struct Case {
        const char* server;
        const char* tree;
    };
    const Case cases[] = {
        {"127.0.0.1", "ORREL_TREE"},
        {"ORREL-FS2", "ORREL_TREE"},
        {"127.0.0.3", "SMALL_TREE"},
    };
    for (const Case& c : cases) {
        std::string tree = "old";
        EXPECT_EQ(0, GetServerTreeName(c.server, &tree)) << c.server;
        EXPECT_EQ(c.tree, tree) << c.server;
    }
    std::string tree = "old";
    EXPECT_NE(0, GetServerTreeName("10.9.9.9", &tree));
    EXPECT_EQ("", tree);
}

}  // namespace
