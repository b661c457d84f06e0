// The Login Script page: the shared login script field (pages/common) on
// the User page template.
#include <memory>

#include "orrel/pages/loginscript.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {

LoginScriptPage::LoginScriptPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_LOGIN_SCRIPT)
{
    ShowIfReadable({pages::kLoginScriptAttribute});
    if (Suppressed()) return;
    AddField(std::make_unique<pages::LoginScriptField>(IDC_SCRIPT_TEXT, IDC_SCRIPT_COMMANDS,
                                                       IDS_USER_WWW_QUESTION));
}

}  // namespace userpages
}  // namespace orrel
