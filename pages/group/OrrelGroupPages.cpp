// OrrelGroupPages.dll: the property sheet handler of the directory class
// "Group": the owned Identification page (as an Organization's, on the
// Group's template) and the Members page.
#include <iterator>
#include <memory>

#include "identification.h"
#include "orrel/pages/fields.h"
#include "orrel/pages/pagedll.h"
#include "resource.h"

namespace orrel {
namespace grouppages {
namespace {

constexpr orgpages::IdentificationControls kIdentification = {
    IDD_GROUP_IDENTIFICATION,
    true,  // named by "CN"
    IDC_GROUP_OTHER_NAMES,  IDC_GROUP_EDIT_OTHER_NAMES,
    IDC_GROUP_OWNER,        IDC_GROUP_EDIT_OWNER,
    IDC_GROUP_DESCRIPTION,
    IDC_GROUP_LOCATION,     IDC_GROUP_EDIT_LOCATION,
    IDC_GROUP_ORGANIZATION, IDC_GROUP_EDIT_ORGANIZATION,
    IDC_GROUP_DEPARTMENT,   IDC_GROUP_EDIT_DEPARTMENT,
};

// The members by display name, each with the member icon; read-only.
class MembersPage final : public pages::DirectoryPage {
public:
    explicit MembersPage(pages::PropertyHandler& handler)
        : DirectoryPage(handler, IDD_GROUP_MEMBERS)
    {
        ShowIfReadable({"Member"});
        if (Suppressed()) return;
        AddField(
            std::make_unique<pages::NameListField>(IDC_GROUP_MEMBERS, "Member", IDI_GROUP_MEMBER));
    }
};

// {0FEC5111-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelGroupPages = {
    0x0FEC5111, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {
    &pages::MakePage<orgpages::IdentificationPageOf<kIdentification>>,
    &pages::MakePage<MembersPage>,
};

}  // namespace

const pages::PageDllInfo kGroupPages = {
    "Group", &CLSID_OrrelGroupPages, "Corvane Orrel Group Properties", "OrrelGroupPages.dlr",
    kPages, std::size(kPages)};

}  // namespace grouppages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::grouppages::kGroupPages)
