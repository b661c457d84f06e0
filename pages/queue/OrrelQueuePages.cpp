// OrrelQueuePages.dll: the property sheet handler of the directory class
// "Queue": Identification (editable), Assignments and Users (read-only).
#include <iterator>
#include <memory>

#include "orrel/pages/directorypage.h"
#include "orrel/pages/fields.h"
#include "orrel/pages/pagedll.h"
#include "resource.h"

namespace orrel {
namespace queuepages {
namespace {

using pages::DirectoryPage;
using pages::NameField;
using pages::NameListField;
using pages::PropertyHandler;

class IdentificationPage final : public DirectoryPage {
public:
    explicit IdentificationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_QUEUE_IDENTIFICATION)
    {
        ShowIfReadable({"CN", "Operator", "Description", "Network Address", "L", "OU", "O"});
        if (Suppressed()) return;
        // Apply order: "CN", "Operator", "Description", "L", "OU", "O". The
        // first "CN" value names the object: neither shown nor rewritten.
        AddListField(IDC_QUEUE_OTHER_NAMES, IDC_QUEUE_EDIT_OTHER_NAMES, "CN",
                     IDS_QUEUE_EDIT_OTHER_NAMES, false, HALVET_SYNTAX_CI_STRING);
        // Shown by display name; the template disables its "Edit..." button.
        AddListField(IDC_QUEUE_OPERATOR, IDC_QUEUE_EDIT_OPERATOR, "Operator",
                     IDS_QUEUE_EDIT_OPERATOR, true, HALVET_SYNTAX_CI_STRING, true);
        AddTextField(IDC_QUEUE_DESCRIPTION, "Description");
        AddListField(IDC_QUEUE_LOCATION, IDC_QUEUE_EDIT_LOCATION, "L", IDS_QUEUE_EDIT_LOCATION,
                     true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_QUEUE_DEPARTMENT, IDC_QUEUE_EDIT_DEPARTMENT, "OU",
                     IDS_QUEUE_EDIT_DEPARTMENT, true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_QUEUE_ORGANIZATION, IDC_QUEUE_EDIT_ORGANIZATION, "O",
                     IDS_QUEUE_EDIT_ORGANIZATION, true, HALVET_SYNTAX_CI_STRING);
        AddField(std::make_unique<NameField>(IDC_QUEUE_VOLUME, "Volume"));
    }
};

class AssignmentsPage final : public DirectoryPage {
public:
    explicit AssignmentsPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_QUEUE_ASSIGNMENTS)
    {
        ShowIfReadable({"Host Server", "Server", "Device"});
        if (Suppressed()) return;
        AddField(std::make_unique<NameField>(IDC_QUEUE_HOST_SERVER, "Host Server"));
        AddField(std::make_unique<NameListField>(IDC_QUEUE_SERVERS, "Server", IDI_QUEUE_SERVER));
        AddField(std::make_unique<NameListField>(IDC_QUEUE_PRINTERS, "Device", IDI_QUEUE_PRINTER));
    }
};

class UsersPage final : public DirectoryPage {
public:
    explicit UsersPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_QUEUE_USERS)
    {
        ShowIfReadable({"User"});
        if (Suppressed()) return;
        AddField(std::make_unique<NameListField>(IDC_QUEUE_USERS, "User", IDI_QUEUE_USER));
    }
};

// {0FEC5127-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelQueuePages = {
    0x0FEC5127, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {
    &pages::MakePage<IdentificationPage>,
    &pages::MakePage<AssignmentsPage>,
    &pages::MakePage<UsersPage>,
};

}  // namespace

const pages::PageDllInfo kQueuePages = {
    "Queue", &CLSID_OrrelQueuePages, "Corvane Orrel Queue Properties", "OrrelQueuePages.dlr",
    kPages, std::size(kPages)};

}  // namespace queuepages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::queuepages::kQueuePages)
