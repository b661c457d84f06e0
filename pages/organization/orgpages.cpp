#include "orgpages.h"

#include <memory>

#include "identification.h"
#include "orrel/pages/loginscript.h"
#include "resource.h"

namespace orrel {
namespace orgpages {
namespace {

constexpr IdentificationControls kControls = {
    IDD_ORG_IDENTIFICATION,
    false,  // named by "O" or "OU"
    IDC_ORG_OTHER_NAMES,  IDC_ORG_EDIT_OTHER_NAMES,
    IDC_ORG_OWNER,        IDC_ORG_EDIT_OWNER,
    IDC_ORG_DESCRIPTION,
    IDC_ORG_LOCATION,     IDC_ORG_EDIT_LOCATION,
    IDC_ORG_ORGANIZATION, IDC_ORG_EDIT_ORGANIZATION,
    IDC_ORG_DEPARTMENT,   IDC_ORG_EDIT_DEPARTMENT,
};

class LoginScriptPage final : public pages::DirectoryPage {
public:
    explicit LoginScriptPage(pages::PropertyHandler& handler)
        : DirectoryPage(handler, IDD_ORG_LOGIN_SCRIPT)
    {
        ShowIfReadable({pages::kLoginScriptAttribute});
        if (Suppressed()) return;
        AddField(std::make_unique<pages::LoginScriptField>(IDC_ORG_SCRIPT, IDC_ORG_SCRIPT_COMMANDS,
                                                           IDS_ORG_WWW_QUESTION));
    }
};

}  // namespace

const pages::PageFactory kPageSet[] = {
    &pages::MakePage<IdentificationPageOf<kControls>>,
    &pages::MakePage<LoginScriptPage>,
};
const std::size_t kPageSetSize = sizeof kPageSet / sizeof kPageSet[0];

}  // namespace orgpages
}  // namespace orrel
