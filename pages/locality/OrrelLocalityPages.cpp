// OrrelLocalityPages.dll: the property sheet handler of the directory class
// "Locality" and its one page, Identification.
#include <iterator>
#include <memory>

#include "orrel/pages/directorypage.h"
#include "orrel/pages/namedlist.h"
#include "orrel/pages/pagedll.h"
#include "resource.h"

namespace orrel {
namespace localitypages {

using pages::DirectoryPage;
using pages::NamingListField;
using pages::PropertyHandler;

namespace {

class IdentificationPage final : public DirectoryPage {
public:
    explicit IdentificationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_LOCALITY_IDENTIFICATION)
    {
        ShowIfReadable({"L", "S", "SA", "Description"});
        if (Suppressed()) return;
        // A Locality is named by "L" or by "S": that one's first value is
        // then hidden, like the "CN" of other classes.
        AddField(std::make_unique<NamingListField>(IDC_LOCALITY_LOCALITY,
                                                   IDC_LOCALITY_EDIT_LOCALITY, "L",
                                                   IDS_LOCALITY_EDIT_LOCALITY));
        AddField(std::make_unique<NamingListField>(IDC_LOCALITY_STATE, IDC_LOCALITY_EDIT_STATE,
                                                   "S", IDS_LOCALITY_EDIT_STATE));
        AddListField(IDC_LOCALITY_STREET, IDC_LOCALITY_EDIT_STREET, "SA",
                     IDS_LOCALITY_EDIT_STREET, true, HALVET_SYNTAX_CI_STRING);
        AddTextField(IDC_LOCALITY_DESCRIPTION, "Description");
    }
};

// {0FEC5113-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelLocalityPages = {
    0x0FEC5113, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {&pages::MakePage<IdentificationPage>};

}  // namespace

const pages::PageDllInfo kLocalityPages = {
    "Locality", &CLSID_OrrelLocalityPages, "Corvane Orrel Locality Properties",
    "OrrelLocalityPages.dlr", kPages, std::size(kPages)};

}  // namespace localitypages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::localitypages::kLocalityPages)
