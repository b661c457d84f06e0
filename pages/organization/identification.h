// The Identification page of the containers and groups that have an owner:
// Organization, Organizational Unit and Group show the same attributes the
// same way ("CN" without its naming value, "Owner" as stored and written as
// directory names, "Description", "L", "OU", "O"), each on a template of its
// own; a DLL gives the template's control ids.
//
// The DLL's string table holds the list editors' titles 103 "Edit:
// Department", 104 "Edit: Location", 105 "Edit: Organization", 106 "Edit:
// Other Names" and 107 "Edit: Owner" (identification_res.h).
#pragma once

#include <windows.h>

#include "identification_res.h"
#include "orrel/pages/directorypage.h"

namespace orrel {
namespace orgpages {

// The controls of one template: each list is a combo box and its "Edit..."
// button.
struct IdentificationControls {
    UINT templateId;
    // True for classes named by "CN" (Group): its first value is always the
    // naming value. Else (Organization, Unit) the first "CN" value is hidden
    // only when it is the object's own name.
    bool namedByCN;
    int otherNames, editOtherNames;
    int owner, editOwner;  // the template disables the owner's button
    int description;
    int location, editLocation;
    int organization, editOrganization;
    int department, editDepartment;
};

class IdentificationPage : public pages::DirectoryPage {
public:
    IdentificationPage(pages::PropertyHandler& handler, const IdentificationControls& controls);
};

// A page class of a DLL's page list over its template's controls.
template <const IdentificationControls& Controls>
class IdentificationPageOf final : public IdentificationPage {
public:
    explicit IdentificationPageOf(pages::PropertyHandler& handler)
        : IdentificationPage(handler, Controls)
    {
    }
};

}  // namespace orgpages
}  // namespace orrel
