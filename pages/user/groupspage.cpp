// The Group Membership page: the groups of "Group Membership", each by its
// display name with the group icon, in a list sorted by name.
#include "orrel/module.h"
#include "orrel/ui/controls.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {

GroupMembershipPage::GroupMembershipPage(PropertyHandler& handler)
    : UserPage(handler, IDD_USER_GROUPS)
{
    ShowIfReadable({"Group Membership"});
}

void GroupMembershipPage::OnInitControls()
{
    // One list for both icon sizes: the list view shares it (the template
    // says LVS_SHAREIMAGELISTS) and the page destroys it.
    if (!icons_.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1)) return;
    Icon icon(static_cast<HICON>(LoadImageA(Module::ResourceInstance(),
                                            MAKEINTRESOURCEA(IDI_USER_GROUP), IMAGE_ICON, 16, 16,
                                            LR_DEFAULTCOLOR)));
    icons_.AddIcon(icon.Get());
    ui::ListViewCtrl list(Item(IDC_GROUPS_LIST));
    list.SetImageList(icons_.Get(), LVSIL_NORMAL);
    list.SetImageList(icons_.Get(), LVSIL_SMALL);
}

void GroupMembershipPage::OnLoad()
{
    pages::ValueList groups;
    Session().ReadValueList(ObjectName(), "Group Membership", groups);
    ui::ListViewCtrl list(Item(IDC_GROUPS_LIST));
    int image = icons_.GetImageCount() > 0 ? 0 : -1;
    for (const pages::ValueNode& node : groups) {
        std::string name = Session().ToDisplayName(node.text.c_str());
        list.InsertItem(list.GetItemCount(), name.c_str(), image);
    }
}

}  // namespace userpages
}  // namespace orrel
