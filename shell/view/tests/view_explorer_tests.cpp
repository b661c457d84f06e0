// The container view hosted by Wine's own ExplorerBrowser, which never
// activates it and answers none of the menu, toolbar and status calls: the
// list must fill, sort, show icons and open containers all the same.
#include "view_support.h"

namespace vtest {
namespace {

class ExplorerHostedViewTest : public ::testing::Test {
protected:
    void SetUp() override { ResetConfiguration(); }
};

TEST_F(ExplorerHostedViewTest, RootViewListsTheConfiguredEntriesSortedWithIcons)
{
    ExplorerHost host;
    ASSERT_NE(host.Browser(), nullptr) << "no ExplorerBrowser";
    Pidl root = RootPidl();
    ASSERT_EQ(host.BrowseTo(root.Get()), S_OK);
    HWND list = host.List();
    ASSERT_NE(list, nullptr) << "the view has no list";
    EXPECT_EQ(GetDlgCtrlID(list), 666);
    EXPECT_EQ(Join(Column(list, 0)), "Empty, Locked, One, Projects, Sorting, VIEWTREE");
    EXPECT_EQ(Join(Column(list, 1)), "Folder, Folder, Folder, Folder, Folder, Tree Root");
    // The tree's class has its icon from the icon handler.
    EXPECT_GE(Images(list).back(), 0);
}

TEST_F(ExplorerHostedViewTest, EnterOnAContainerBrowsesIntoItInTheSameWindow)
{
    ExplorerHost host;
    ASSERT_NE(host.Browser(), nullptr);
    Pidl root = RootPidl();
    ASSERT_EQ(host.BrowseTo(root.Get()), S_OK);
    const struct {
        const char* open;
        const char* shown;
    } steps[] = {
        {kTree, "Org"},
        {"Org", "Sales, Staff, Printer1, Admin, alpha, Zed"},
        {"Sales", "JDoe"},
    };
    for (const auto& step : steps) {
        HWND list = host.List();
        ASSERT_NE(list, nullptr);
        const int index = ItemIndex(list, step.open);
        ASSERT_GE(index, 0) << step.open << " in " << Join(Column(list, 0));
        SelectOnly(list, {index});
        SetFocus(list);
        SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        Pump(100);
        ASSERT_NE(host.List(), nullptr) << "after opening " << step.open;
        EXPECT_EQ(Join(Column(host.List(), 0)), step.shown) << "after opening " << step.open;
    }
}

}  // namespace
}  // namespace vtest
