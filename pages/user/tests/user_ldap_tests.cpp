// The namespace and the User pages over the sample's main tree served live
// by slapd (platform/ldap/slapd-run.sh starts it with the sample around this
// program): a container is listed from the server, and what a page applies
// is what any other client of the server reads at once.
#include <gtest/gtest.h>

#include <algorithm>

#include "resource.h"
#include "user_test_support.h"

namespace {

using namespace usertest;

bool Has(const Texts& names, const char* name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(LiveTree, TheNamespaceListsAContainerFromTheServer)
{
    SampleImage image(ServeTreeFromSlapd);
    // An entry only the server has: the listing cannot come from the image.
    ASSERT_TRUE(AddServerEntry("cn=NLive,ou=Sales,o=Corp",
                               {{"objectClass", "top"}, {"objectClass", "person"},
                                {"objectClass", "organizationalPerson"}, {"objectClass", "inetOrgPerson"},
                                {"objectClass", "orrelPerson"}, {"sn", "Live"}}));
    Registration shell("OrrelShell.dll", "{76AAD000-C21A-11D1-8115-00C04FB67EB7}");
    Registration pages("OrrelUserPages.dll", "{0FEC5132-2800-11D3-8685-00A0C9D59E71}");
    ASSERT_TRUE(shell.Ok() && pages.Ok());
    ConfigureTreeWithSales();

    orrel::ComPtr<IShellFolder> sales = OpenTopFolder("Sales");
    ASSERT_TRUE(sales) << "no \"Sales\" in the namespace";
    Texts names = ChildNames(sales.Get());
    for (const char* user : {"AKim", "BKing", "JDoe", "MStone", "NLive"})
        EXPECT_TRUE(Has(names, user)) << user << " not listed";
    EXPECT_FALSE(Has(names, "Nobody"));
    sales.Reset();
    Pump(200);
}

TEST(LiveTree, UserPagesApplyToTheServer)
{
    SampleImage image(ServeTreeFromSlapd);
    Sheet sheet(MakeHandler({"JDoe.Sales.Corp"}).Get(), "User Properties");
    HWND personal = sheet.Page(0);
    ASSERT_NE(nullptr, personal);
    EXPECT_EQ("John", ItemText(personal, IDC_PERSONAL_GIVEN_NAME));
    SetText(personal, IDC_PERSONAL_GIVEN_NAME, "Johnny");

    HWND script = sheet.Page(3);
    ASSERT_NE(nullptr, script);
    EXPECT_EQ(0u, ItemText(script, IDC_SCRIPT_TEXT).find("REM Login script of .JDoe.Sales.Corp"))
        << ItemText(script, IDC_SCRIPT_TEXT);
    EXPECT_FALSE(IsReadOnly(script, IDC_SCRIPT_TEXT));
    SetText(script, IDC_SCRIPT_TEXT, "REM Served live\r\nDRIVE H:");

    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(Texts{"Johnny"}, ServerValues("cn=JDoe,ou=Sales,o=Corp", "givenName"));
    // The script goes to the server once the page has closed its stream.
    Texts scripts;
    EXPECT_TRUE(PumpUntil([&] {
        scripts = ServerValues("cn=JDoe,ou=Sales,o=Corp", "loginScript");
        return scripts == Texts{"REM Served live\r\nDRIVE H:"};
    })) << (scripts.empty() ? std::string("(none)") : scripts[0]);

    std::string folder = BinPath("..\\user-pages-screens");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::size_t colours = 0;
    EXPECT_TRUE(SaveScreenshot(sheet.Handle(), folder + "\\live-ldap-login-script.png", &colours));
    EXPECT_GE(colours, 8u);
}

}  // namespace
