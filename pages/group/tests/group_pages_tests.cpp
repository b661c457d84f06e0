// The Group pages driven for real: the owned Identification page on the
// Group's own control ids, edited and applied, and the members by display
// name, for a group with members and one without.
#include <gtest/gtest.h>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "resource.h"

namespace {

using namespace pagetest;

const PageDll kDll("OrrelGroupPages.dll", {0x0FEC5111, 0x2800, 0x11D3,
                                           {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}});

struct GroupSheet {
    explicit GroupSheet(const char* object, bool second = false)
        : handler((SampleImage::UseSecondIdentity(second), kDll.MakeHandler("Group", {object}))),
          sheet(handler.Get(), "Group Properties")
    {
    }
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

Texts Combo(HWND page, int id)
{
    return ComboTexts(GetDlgItem(page, id));
}

TEST(GroupPagesDll, KeepsThePageDllContract)
{
    // The restricted identity may not read "Member".
    ExpectPageDllContract(kDll, {"Group", "Corvane Orrel Group Properties", "Staff.Sales.Corp",
                                 {"Identification", "Members"}, {"Identification"}});
}

TEST(GroupIdentificationPage, ShowsAndAppliesOnTheGroupsControls)
{
    SampleImage image;
    {
        GroupSheet s("Staff.Sales.Corp");
        HWND page = s.sheet.Page(0);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(Texts{"Sales Staff"}, Combo(page, IDC_GROUP_OTHER_NAMES));
        EXPECT_EQ(Texts{".MStone.Sales.Corp"}, Combo(page, IDC_GROUP_OWNER));
        EXPECT_FALSE(IsEnabled(page, IDC_GROUP_EDIT_OWNER));
        EXPECT_EQ("Everyone in Sales", ItemText(page, IDC_GROUP_DESCRIPTION));
        EXPECT_EQ(Texts{"Boston"}, Combo(page, IDC_GROUP_LOCATION));
        EXPECT_EQ(Texts{"Sales"}, Combo(page, IDC_GROUP_DEPARTMENT));
        EXPECT_EQ(Texts{"Corp"}, Combo(page, IDC_GROUP_ORGANIZATION));

        EditList(page, IDC_GROUP_EDIT_OTHER_NAMES, "Edit: Other Names", {"Sellers"});
        EditList(page, IDC_GROUP_EDIT_LOCATION, "Edit: Location", {"Austin"});
        EditList(page, IDC_GROUP_EDIT_DEPARTMENT, "Edit: Department", {"Inside"});
        EditList(page, IDC_GROUP_EDIT_ORGANIZATION, "Edit: Organization", {"Corp Incorporated"});
        SetText(page, IDC_GROUP_DESCRIPTION, "Everyone selling");
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ(Strings({"Staff", "Sales Staff", "Sellers"}), image.Values("Staff.Sales.Corp", "CN"));
    EXPECT_EQ(Strings({"Boston", "Austin"}), image.Values("Staff.Sales.Corp", "L"));
    EXPECT_EQ(Strings({"Sales", "Inside"}), image.Values("Staff.Sales.Corp", "OU"));
    EXPECT_EQ(Strings({"Corp", "Corp Incorporated"}), image.Values("Staff.Sales.Corp", "O"));
    EXPECT_EQ(Strings({"Everyone selling"}), image.Values("Staff.Sales.Corp", "Description"));
}

TEST(GroupMembersPage, ListsMembersByDisplayNameAndEmptyGroupsEmpty)
{
    SampleImage image;
    {
        GroupSheet s("NoMail.Support.Corp");
        HWND page = s.sheet.Page(1);
        ASSERT_NE(nullptr, page);
        HWND list = GetDlgItem(page, IDC_GROUP_MEMBERS);
        EXPECT_EQ((Texts{".GHill.Support.Corp", ".IJones.Support.Corp"}), ListViewTexts(list));
        EXPECT_NE(nullptr, reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
    }
    GroupSheet empty("Empty.Corp");
    ASSERT_EQ((Texts{"Identification", "Members"}), empty.sheet.Captions());
    EXPECT_EQ(Texts{}, ListViewTexts(GetDlgItem(empty.sheet.Page(1), IDC_GROUP_MEMBERS)));
}

TEST(GroupPages, RestrictedIdentityReadsTheIdentificationOnly)
{
    SampleImage image;
    GroupSheet s("Staff.Sales.Corp", true);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{"Sales Staff"}, Combo(page, IDC_GROUP_OTHER_NAMES));
    EXPECT_FALSE(IsEnabled(page, IDC_GROUP_EDIT_LOCATION));
    // "Description" below Sales is the restricted identity's to change.
    EXPECT_FALSE(IsReadOnly(page, IDC_GROUP_DESCRIPTION));
    SetText(page, IDC_GROUP_DESCRIPTION, "Sales people");
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(Strings({"Sales people"}), image.Values("Staff.Sales.Corp", "Description"));
}

TEST(GroupPagesInTheShell, ThePropertiesCommandOpensTheSheet)
{
    SampleImage image;
    CommandSheet sheet(kDll, "Group", "Empty.Corp");
    ASSERT_NE(nullptr, sheet.Handle());
    EXPECT_EQ((Texts{"Identification", "Members"}), sheet.Captions());
}

TEST(GroupPages, Screenshots)
{
    SampleImage image;
    GroupSheet s("Staff.Sales.Corp");
    EXPECT_EQ(2u, SaveSheetPages(s.sheet, "group-pages-screens").size());
}

}  // namespace
