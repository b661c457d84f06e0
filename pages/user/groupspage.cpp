// The Group Membership page: the groups of "Group Membership", each by its
// display name with the group icon, in a list sorted by name.
#include <memory>

#include "orrel/pages/fields.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {

GroupMembershipPage::GroupMembershipPage(PropertyHandler& handler)
    : UserPage(handler, IDD_USER_GROUPS)
{
    ShowIfReadable({"Group Membership"});
    if (Suppressed()) return;
    AddField(std::make_unique<pages::NameListField>(IDC_GROUPS_LIST, "Group Membership",
                                                    IDI_USER_GROUP));
}

}  // namespace userpages
}  // namespace orrel
