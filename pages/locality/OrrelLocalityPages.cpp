// OrrelLocalityPages.dll: the property sheet handler of the directory class
// "Locality" and its one page, Identification.
#include <iterator>
#include <memory>
#include <string>

#include "orrel/pages/directorypage.h"
#include "orrel/pages/pagedll.h"
#include "resource.h"

namespace orrel {
namespace localitypages {

using pages::DirectoryPage;
using pages::ListField;
using pages::PropertyHandler;

namespace {

// The Locality's own label: the object name without its leading "." up to
// the next "." (".Paris.FR" gives "Paris").
std::string OwnLabel(const std::string& objectName)
{
    std::size_t begin = !objectName.empty() && objectName[0] == '.' ? 1 : 0;
    std::size_t end = objectName.find('.', begin);
    return objectName.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// "L" or "S": a Locality is named by one of them, and then the attribute's
// first value is its naming value, hidden from the list and from the list
// editor like the "CN" of other classes. Whether it is the naming value is
// learnt on load: the first value equals the object's own label (ignoring
// letter case).
class NamingListField final : public ListField {
public:
    NamingListField(int comboId, int buttonId, const char* attribute, UINT titleId)
        : ListField(comboId, buttonId, attribute, titleId, true, HALVET_SYNTAX_CI_STRING)
    {
    }

    void Load(DirectoryPage& page) override
    {
        ListField::Load(page);
        const pages::ValueNode* first = Values().First();
        const bool named =
            Complete() && first &&
            lstrcmpiA(first->text.c_str(), OwnLabel(page.ObjectName()).c_str()) == 0;
        showFirst_ = !named;
        Refill(page);
    }
};

class IdentificationPage final : public DirectoryPage {
public:
    explicit IdentificationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_LOCALITY_IDENTIFICATION)
    {
        ShowIfReadable({"L", "S", "SA", "Description"});
        if (Suppressed()) return;
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
