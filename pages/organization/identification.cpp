#include "identification.h"

#include <memory>

#include "orrel/pages/namedlist.h"

namespace orrel {
namespace orgpages {

IdentificationPage::IdentificationPage(pages::PropertyHandler& handler,
                                       const IdentificationControls& c)
    : DirectoryPage(handler, c.templateId)
{
    ShowIfReadable({"CN", "Owner", "Description", "L", "OU", "O"});
    if (Suppressed()) return;
    // Apply order: "CN", "Owner", "Description", "L", "OU", "O". The "CN"
    // value that names the object is not shown.
    if (c.namedByCN)
        AddListField(c.otherNames, c.editOtherNames, "CN", IDS_OWNED_EDIT_OTHER_NAMES, false,
                     HALVET_SYNTAX_CI_STRING);
    else
        AddField(std::make_unique<pages::NamingListField>(c.otherNames, c.editOtherNames, "CN",
                                                          IDS_OWNED_EDIT_OTHER_NAMES));
    AddListField(c.owner, c.editOwner, "Owner", IDS_OWNED_EDIT_OWNER, true,
                 HALVET_SYNTAX_DIST_NAME);
    AddTextField(c.description, "Description");
    AddListField(c.location, c.editLocation, "L", IDS_OWNED_EDIT_LOCATION, true,
                 HALVET_SYNTAX_CI_STRING);
    AddListField(c.department, c.editDepartment, "OU", IDS_OWNED_EDIT_DEPARTMENT, true,
                 HALVET_SYNTAX_CI_STRING);
    AddListField(c.organization, c.editOrganization, "O", IDS_OWNED_EDIT_ORGANIZATION, true,
                 HALVET_SYNTAX_CI_STRING);
}

}  // namespace orgpages
}  // namespace orrel
