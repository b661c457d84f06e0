// The Organization and Organizational Unit pages driven for real: one page
// set in two DLLs, its Identification lists edited and applied (the owner
// as directory names), the login script read, created and written, and what
// the restricted identity may do.
#include <gtest/gtest.h>

#include <tuple>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "resource.h"

namespace {

using namespace pagetest;

const PageDll kOrgDll("OrrelOrgPages.dll", {0x0FEC5118, 0x2821, 0x11D3,
                                            {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}});
const PageDll kUnitDll("OrrelUnitPages.dll", {0x0FEC5121, 0x2800, 0x11D3,
                                              {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}});

struct ContainerSheet {
    ContainerSheet(const PageDll& dll, const char* className, const char* object,
                   bool second = false)
        : handler((SampleImage::UseSecondIdentity(second), dll.MakeHandler(className, {object}))),
          sheet(handler.Get(), "Properties")
    {
    }
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

Texts Combo(HWND page, int id)
{
    return ComboTexts(GetDlgItem(page, id));
}

TEST(OrgPagesDlls, KeepThePageDllContract)
{
    ExpectPageDllContract(kOrgDll, {"Organization", "Corvane Orrel Organization Properties", "Corp",
                                    {"Identification", "Login Script"}, {"Identification"}});
    ExpectPageDllContract(kUnitDll,
                          {"Organizational Unit", "Corvane Orrel Organizational Unit Properties",
                           "Engineering.Corp", {"Identification", "Login Script"},
                           {"Identification"}});
}

TEST(OrgIdentificationPage, ShowsTheOrganizationWithoutItsNamingValue)
{
    SampleImage image;
    ContainerSheet s(kOrgDll, "Organization", "Corp");
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_NE(std::string::npos,
              StaticTexts(page).find("View and change information for this Organization."));
    EXPECT_EQ(Texts{"Corporate Headquarters"}, Combo(page, IDC_ORG_OTHER_NAMES));
    EXPECT_EQ(Texts{".Admin.Corp"}, Combo(page, IDC_ORG_OWNER));
    EXPECT_EQ("The organization of the sample directory", ItemText(page, IDC_ORG_DESCRIPTION));
    EXPECT_EQ(Texts{"Boston"}, Combo(page, IDC_ORG_LOCATION));
    EXPECT_EQ(Texts{"Headquarters"}, Combo(page, IDC_ORG_DEPARTMENT));
    EXPECT_EQ((Texts{"Corp", "Corp Incorporated"}), Combo(page, IDC_ORG_ORGANIZATION));
    EXPECT_FALSE(IsEnabled(page, IDC_ORG_EDIT_OWNER)) << "the template disables the owner's editor";
    EXPECT_TRUE(IsEnabled(page, IDC_ORG_EDIT_LOCATION));
    EXPECT_FALSE(s.sheet.ApplyEnabled());
}

TEST(OrgIdentificationPage, ListsAndDescriptionApplyAndTheOwnerIsWrittenAsNames)
{
    SampleImage image;
    {
        ContainerSheet s(kUnitDll, "Organizational Unit", "Sales.Corp");
        HWND page = s.sheet.Page(0);
        ASSERT_NE(nullptr, page);
        EXPECT_NE(std::string::npos,
                  StaticTexts(page).find("View and change information for this Organizational Unit."));
        EXPECT_EQ(Texts{"Sales Department"},
                  EditList(page, IDC_ORG_EDIT_OTHER_NAMES, "Edit: Other Names", {"Account Management"}));
        EditList(page, IDC_ORG_EDIT_LOCATION, "Edit: Location", {"Dallas"});
        EditList(page, IDC_ORG_EDIT_DEPARTMENT, "Edit: Department", {"Inside Sales"});
        EditList(page, IDC_ORG_EDIT_ORGANIZATION, "Edit: Organization", {"Corp Incorporated"});
        SetText(page, IDC_ORG_DESCRIPTION, "Sales, account management and inside sales");
        // The owner's "Edit..." is disabled by the template only; a resource
        // library may enable it. The list is then written as directory names
        // (a text value would be refused by the attribute's syntax).
        EXPECT_EQ(Texts{".MStone.Sales.Corp"},
                  EditList(page, IDC_ORG_EDIT_OWNER, "Edit: Owner", {"JDoe.Sales.Corp"}));
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ(Strings({"Sales", "Sales Department", "Account Management"}),
              image.Values("Sales.Corp", "CN"));
    EXPECT_EQ(Strings({"Boston", "Austin", "Dallas"}), image.Values("Sales.Corp", "L"));
    EXPECT_EQ(Strings({"Sales", "Field Sales", "Inside Sales"}), image.Values("Sales.Corp", "OU"));
    EXPECT_EQ(Strings({"Corp", "Corp Incorporated"}), image.Values("Sales.Corp", "O"));
    EXPECT_EQ(Strings({"Sales, account management and inside sales"}),
              image.Values("Sales.Corp", "Description"));
    EXPECT_EQ(Strings({"MStone.Sales.Corp", "JDoe.Sales.Corp"}), image.Values("Sales.Corp", "Owner"));
}

TEST(OrgIdentificationPage, OtherNamesOfAUnitWithoutCNAreShownAndKept)
{
    // A unit is named by "OU": its first "CN" value is hidden only when it is
    // the unit's own name, so the first other name given to a unit without
    // "CN" stays in sight (and in the editor's reach).
    SampleImage image;
    {
        ContainerSheet s(kUnitDll, "Organizational Unit", "Engineering.Corp");
        HWND page = s.sheet.Page(0);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(Texts{}, Combo(page, IDC_ORG_OTHER_NAMES));
        EditList(page, IDC_ORG_EDIT_OTHER_NAMES, "Edit: Other Names", {"Product Engineering", "R&D"});
        EXPECT_EQ((Texts{"Product Engineering", "R&D"}), Combo(page, IDC_ORG_OTHER_NAMES));
        EXPECT_EQ((Texts{"Product Engineering", "R&D"}),
                  EditList(page, IDC_ORG_EDIT_OTHER_NAMES, "Edit: Other Names", {}));
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ(Strings({"Product Engineering", "R&D"}), image.Values("Engineering.Corp", "CN"));
}

TEST(OrgLoginScriptPage, ReadsWritesAndCreatesTheScript)
{
    SampleImage image;
    {
        ContainerSheet s(kUnitDll, "Organizational Unit", "Engineering.Corp");
        HWND page = s.sheet.Page(1);
        ASSERT_NE(nullptr, page);
        EXPECT_NE(std::string::npos,
                  StaticTexts(page).find("Create or edit the login script for this organizational unit."));
        EXPECT_EQ(0u, ItemText(page, IDC_ORG_SCRIPT).find("REM Login script of .Engineering.Corp\r\n"));
        EXPECT_FALSE(IsReadOnly(page, IDC_ORG_SCRIPT));
        SetText(page, IDC_ORG_SCRIPT, "MAP R:=ORREL-FS2_SYS:\\ENG\r\n");
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ("MAP R:=ORREL-FS2_SYS:\\ENG\r\n", image.StreamBytes("Engineering.Corp", "Login Script"));
    {
        // Sales has no script yet: the first Apply creates it.
        ContainerSheet s(kUnitDll, "Organizational Unit", "Sales.Corp");
        HWND page = s.sheet.Page(1);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ("", ItemText(page, IDC_ORG_SCRIPT));
        SetText(page, IDC_ORG_SCRIPT, "ECHO Sales\r\n");
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ("ECHO Sales\r\n", image.StreamBytes("Sales.Corp", "Login Script"));

    ContainerSheet org(kOrgDll, "Organization", "Corp");
    HWND page = org.sheet.Page(1);
    ASSERT_NE(nullptr, page);
    EXPECT_NE(std::string::npos,
              StaticTexts(page).find("Create or edit the login script for this organization."));
    // The commands button asks first (string 108); Cancel opens nothing.
    EXPECT_NE(std::string::npos,
              AnswerMessageBox(page, IDC_ORG_SCRIPT_COMMANDS, IDCANCEL).find("Corvane's WWW site"));
}

TEST(OrgPages, RestrictedIdentityReadsTheIdentificationOnly)
{
    SampleImage image;
    ContainerSheet s(kOrgDll, "Organization", "Corp", true);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{"Corporate Headquarters"}, Combo(page, IDC_ORG_OTHER_NAMES));
    for (int button : {IDC_ORG_EDIT_OTHER_NAMES, IDC_ORG_EDIT_LOCATION, IDC_ORG_EDIT_DEPARTMENT,
                       IDC_ORG_EDIT_ORGANIZATION})
        EXPECT_FALSE(IsEnabled(page, button)) << button;
    EXPECT_TRUE(IsReadOnly(page, IDC_ORG_DESCRIPTION));
}

TEST(OrgPagesInTheShell, ThePropertiesCommandOpensEachClasssSheet)
{
    SampleImage image;
    for (auto [dll, className, object] :
         {std::tuple{&kOrgDll, "Organization", "Corp"},
          std::tuple{&kUnitDll, "Organizational Unit", "Sales.Corp"}}) {
        CommandSheet sheet(*dll, className, object);
        ASSERT_NE(nullptr, sheet.Handle()) << className;
        EXPECT_EQ((Texts{"Identification", "Login Script"}), sheet.Captions()) << className;
    }
}

TEST(OrgPages, Screenshots)
{
    SampleImage image;
    {
        ContainerSheet s(kOrgDll, "Organization", "Corp");
        EXPECT_EQ(2u, SaveSheetPages(s.sheet, "org-pages-screens").size());
    }
    ContainerSheet s(kUnitDll, "Organizational Unit", "Engineering.Corp");
    EXPECT_EQ(2u, SaveSheetPages(s.sheet, "unit-pages-screens").size());
}

}  // namespace
