// The Queue pages driven for real: Identification read, edited and applied
// (operators by display name, the volume read-only), the Assignments and
// Users lists of directory names, a queue without volume and servers, and
// what the restricted identity may change.
#include <gtest/gtest.h>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "resource.h"

namespace {

using namespace pagetest;

const PageDll kDll("OrrelQueuePages.dll", {0x0FEC5127, 0x2800, 0x11D3,
                                           {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}});

struct QueueSheet {
    explicit QueueSheet(const char* object, bool second = false)
        : handler((SampleImage::UseSecondIdentity(second), kDll.MakeHandler("Queue", {object}))),
          sheet(handler.Get(), "Queue Properties")
    {
    }
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

Texts Combo(HWND page, int id)
{
    return ComboTexts(GetDlgItem(page, id));
}

Texts List(HWND page, int id)
{
    return ListViewTexts(GetDlgItem(page, id));
}

TEST(QueuePagesDll, KeepsThePageDllContract)
{
    const Texts all = {"Identification", "Assignments", "Users"};
    ExpectPageDllContract(kDll, {"Queue", "Corvane Orrel Queue Properties", "Laser-Q.Sales.Corp",
                                 all, all});
}

TEST(QueueIdentificationPage, ShowsTheQueueAndAppliesItsLists)
{
    SampleImage image;
    {
        QueueSheet s("Laser-Q.Sales.Corp");
        HWND page = s.sheet.Page(0);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(Texts{"Sales laser queue"}, Combo(page, IDC_QUEUE_OTHER_NAMES));
        EXPECT_EQ((Texts{".Admin.Corp", ".MStone.Sales.Corp"}), Combo(page, IDC_QUEUE_OPERATOR));
        EXPECT_FALSE(IsEnabled(page, IDC_QUEUE_EDIT_OPERATOR));
        EXPECT_EQ("Queue of the Sales laser printer", ItemText(page, IDC_QUEUE_DESCRIPTION));
        EXPECT_EQ(".ORREL-FS1_SYS.Corp", ItemText(page, IDC_QUEUE_VOLUME));
        EXPECT_TRUE(IsReadOnly(page, IDC_QUEUE_VOLUME));
        EXPECT_EQ(Texts{"Boston"}, Combo(page, IDC_QUEUE_LOCATION));
        EXPECT_EQ(Texts{"Sales"}, Combo(page, IDC_QUEUE_DEPARTMENT));
        EXPECT_EQ(Texts{"Corp"}, Combo(page, IDC_QUEUE_ORGANIZATION));

        EditList(page, IDC_QUEUE_EDIT_OTHER_NAMES, "Edit: Other Names", {"Laser queue"});
        EditList(page, IDC_QUEUE_EDIT_LOCATION, "Edit: Location", {"Austin"});
        EditList(page, IDC_QUEUE_EDIT_DEPARTMENT, "Edit: Department", {"Inside"});
        EditList(page, IDC_QUEUE_EDIT_ORGANIZATION, "Edit: Organization", {"Corp Incorporated"});
        SetText(page, IDC_QUEUE_DESCRIPTION, "Laser printing for Sales");
        ASSERT_TRUE(s.sheet.Apply());
    }
    const char* q = "Laser-Q.Sales.Corp";
    EXPECT_EQ(Strings({"Laser-Q", "Sales laser queue", "Laser queue"}), image.Values(q, "CN"));
    EXPECT_EQ(Strings({"Boston", "Austin"}), image.Values(q, "L"));
    EXPECT_EQ(Strings({"Sales", "Inside"}), image.Values(q, "OU"));
    EXPECT_EQ(Strings({"Corp", "Corp Incorporated"}), image.Values(q, "O"));
    EXPECT_EQ(Strings({"Laser printing for Sales"}), image.Values(q, "Description"));
    EXPECT_EQ(Strings({"ORREL-FS1_SYS.Corp"}), image.Values(q, "Volume")) << "never written";
}

TEST(QueueAssignmentsAndUsers, ListTheNamesWithTheirIcons)
{
    SampleImage image;
    QueueSheet s("Laser-Q.Sales.Corp");
    HWND assignments = s.sheet.Page(1);
    ASSERT_NE(nullptr, assignments);
    EXPECT_EQ(".ORREL-FS1.Corp", ItemText(assignments, IDC_QUEUE_HOST_SERVER));
    EXPECT_TRUE(IsReadOnly(assignments, IDC_QUEUE_HOST_SERVER));
    EXPECT_EQ(Texts{".ORREL-PS1.Corp"}, List(assignments, IDC_QUEUE_SERVERS));
    EXPECT_EQ(Texts{".Laser-1.Sales.Corp"}, List(assignments, IDC_QUEUE_PRINTERS));
    HWND users = s.sheet.Page(2);
    ASSERT_NE(nullptr, users);
    EXPECT_EQ((Texts{".AKim.Sales.Corp", ".JDoe.Sales.Corp", ".Staff.Sales.Corp"}),
              List(users, IDC_QUEUE_USERS));
    for (auto [page, id] : {std::pair{assignments, IDC_QUEUE_SERVERS},
                            std::pair{assignments, IDC_QUEUE_PRINTERS}, std::pair{users, IDC_QUEUE_USERS}})
        EXPECT_NE(0, SendDlgItemMessageA(page, id, LVM_GETIMAGELIST, LVSIL_SMALL, 0)) << id;
}

TEST(QueuePages, QueueWithoutVolumeOrServersShowsTheRest)
{
    SampleImage image;
    QueueSheet s("Idle-Q.Support.Corp");
    ASSERT_EQ((Texts{"Identification", "Assignments", "Users"}), s.sheet.Captions());
    HWND page = s.sheet.Page(0);
    EXPECT_EQ("", ItemText(page, IDC_QUEUE_VOLUME));
    EXPECT_EQ("A queue no print server services", ItemText(page, IDC_QUEUE_DESCRIPTION));
    HWND assignments = s.sheet.Page(1);
    EXPECT_EQ(".ORREL-FS1.Corp", ItemText(assignments, IDC_QUEUE_HOST_SERVER));
    EXPECT_EQ(Texts{}, List(assignments, IDC_QUEUE_SERVERS));
    EXPECT_EQ(Texts{".Old-Printer.Support.Corp"}, List(assignments, IDC_QUEUE_PRINTERS));
}

TEST(QueuePages, RestrictedIdentityChangesOnlyTheDescription)
{
    SampleImage image;
    QueueSheet s("Laser-Q.Sales.Corp", true);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    for (int button : {IDC_QUEUE_EDIT_OTHER_NAMES, IDC_QUEUE_EDIT_LOCATION,
                       IDC_QUEUE_EDIT_DEPARTMENT, IDC_QUEUE_EDIT_ORGANIZATION})
        EXPECT_FALSE(IsEnabled(page, button)) << button;
    EXPECT_FALSE(IsReadOnly(page, IDC_QUEUE_DESCRIPTION));
    SetText(page, IDC_QUEUE_DESCRIPTION, "Sales laser queue, checked");
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(Strings({"Sales laser queue, checked"}),
              image.Values("Laser-Q.Sales.Corp", "Description"));
}

TEST(QueuePagesInTheShell, ThePropertiesCommandOpensTheSheet)
{
    SampleImage image;
    CommandSheet sheet(kDll, "Queue", "Idle-Q.Support.Corp");
    ASSERT_NE(nullptr, sheet.Handle());
    EXPECT_EQ((Texts{"Identification", "Assignments", "Users"}), sheet.Captions());
}

TEST(QueuePages, Screenshots)
{
    SampleImage image;
    QueueSheet s("Laser-Q.Sales.Corp");
    EXPECT_EQ(3u, SaveSheetPages(s.sheet, "queue-pages-screens").size());
}

}  // namespace
