// The editable pages of personal, work and mailing data.
#include <array>
#include <memory>

#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {
namespace {

using pages::DirValue;
using pages::PageField;
using pages::TextField;

// "EMail Address" (syntax 14): the edit shows the record's address; the
// edit's text is written back as the record {type 7, address}.
class EMailField final : public TextField {
public:
    EMailField()
        : TextField(IDC_PERSONAL_EMAIL, "EMail Address", HALVET_SYNTAX_EMAIL_ADDRESS,
                    HALVET_SYNTAX_EMAIL_ADDRESS)
    {
    }

protected:
    static constexpr uint32_t kAddressType = 7;

    bool TextOf(const DirValue& value, std::string* text) const override
    {
        if (!value.HasValue() || value.Syntax() != HALVET_SYNTAX_EMAIL_ADDRESS) return false;
        const auto* record = value.As<HALVET_EMAIL_ADDRESS>();
        if (!record || !value.Contains(record->address)) return false;
        *text = value.StringAt(record->address);
        return true;
    }

    int32_t WriteText(DirectoryPage& page, const std::string& text) override
    {
        HALVET_EMAIL_ADDRESS record = {};
        record.type = kAddressType;
        record.address = const_cast<char*>(text.c_str());
        return page.Session().WriteSingleValue(page.ObjectName(), Attribute().c_str(), &record,
                                               HALVET_SYNTAX_EMAIL_ADDRESS);
    }
};

// "Postal Address" (syntax 18): the six lines of the mailing label, written
// as one six-line value, and the Copy To Label button that fills them from
// the address fields above and the object's "Full Name".
class MailingLabelField final : public PageField {
public:
    MailingLabelField() : PageField("Postal Address") {}

    void Load(DirectoryPage& page) override
    {
        DirValue value;
        if (page.Session().ReadFirstValue(page.ObjectName(), Attribute().c_str(), &value) != 0 ||
            value.Syntax() != HALVET_SYNTAX_PO_ADDRESS)
            return;
        const auto* record = value.As<HALVET_POSTAL_ADDRESS>();
        // Taken only when the first line is there.
        if (!record || !value.Contains(record->line[0])) return;
        for (int i = 0; i < HALVET_POSTAL_LINES; ++i) {
            const char* line = record->line[i];
            page.SetItemText(IDC_MAILING_LABEL_1 + i,
                             value.Contains(line) ? value.StringAt(line) : std::string());
        }
    }

    void ApplyRights(DirectoryPage& page, uint32_t rights) override
    {
        if (rights & HALVET_RIGHT_WRITE) return;
        page.EnableItem(IDC_MAILING_COPY_TO_LABEL, false);
        for (int id = IDC_MAILING_LABEL_1; id <= IDC_MAILING_LABEL_6; ++id)
            page.SetReadOnly(id, true);
    }

    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override
    {
        if (id >= IDC_MAILING_LABEL_1 && id <= IDC_MAILING_LABEL_6) {
            if (code == EN_CHANGE) page.MarkDirty(*this);
            return true;
        }
        if (id == IDC_MAILING_COPY_TO_LABEL) {
            if (code == BN_CLICKED && Writable()) CopyToLabel(page);
            return true;
        }
        return false;
    }

    int32_t Write(DirectoryPage& page) override
    {
        std::array<std::string, HALVET_POSTAL_LINES> lines;
        HALVET_POSTAL_ADDRESS record = {};
        for (int i = 0; i < HALVET_POSTAL_LINES; ++i) {
            lines[i] = page.GetItemText(IDC_MAILING_LABEL_1 + i);
            record.line[i] = const_cast<char*>(lines[i].c_str());
        }
        return page.Session().WriteSingleValue(page.ObjectName(), Attribute().c_str(), &record,
                                               HALVET_SYNTAX_PO_ADDRESS);
    }

private:
    void CopyToLabel(DirectoryPage& page)
    {
        // Line 1: the name as the directory holds it now; left as it is when
        // it cannot be read as text.
        DirValue fullName;
        if (page.Session().ReadFirstValue(page.ObjectName(), "Full Name", &fullName) == 0 &&
            fullName.HasValue() && fullName.Syntax() == HALVET_SYNTAX_CI_STRING)
            page.SetItemText(IDC_MAILING_LABEL_1, fullName.Text());
        static const int kFrom[] = {IDC_MAILING_STREET, IDC_MAILING_PO_BOX, IDC_MAILING_CITY,
                                    IDC_MAILING_STATE, IDC_MAILING_POSTAL_CODE};
        for (int i = 0; i < 5; ++i)
            page.SetItemText(IDC_MAILING_LABEL_1 + 1 + i, page.GetItemText(kFrom[i]));
        page.MarkDirty(*this);
    }
};

}  // namespace

// ---- 1 Personal Information ------------------------------------------------------

PersonalPage::PersonalPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_PERSONAL)
{
    ShowIfReadable({"Given Name", "Initials", "Surname", "Full Name", "Generational Qualifier",
                    "CN", "EMail Address"});
    if (Suppressed()) return;
    AddTextField(IDC_PERSONAL_GIVEN_NAME, "Given Name");
    AddTextField(IDC_PERSONAL_INITIALS, "Initials");
    AddTextField(IDC_PERSONAL_SURNAME, "Surname");
    AddTextField(IDC_PERSONAL_FULL_NAME, "Full Name");
    AddTextField(IDC_PERSONAL_QUALIFIER, "Generational Qualifier");
    // The first "CN" value names the object: neither shown nor rewritten.
    AddListField(IDC_PERSONAL_OTHER_NAMES, IDC_PERSONAL_EDIT_OTHER_NAMES, "CN",
                 IDS_USER_EDIT_OTHER_NAMES, false, HALVET_SYNTAX_CI_STRING);
    AddField(std::make_unique<EMailField>());
}

// ---- 2 Work Information -------------------------------------------------------------

WorkPage::WorkPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_WORK)
{
    ShowIfReadable({"Title", "Description", "L", "O", "OU", "Telephone Number",
                    "Facsimile Telephone Number"});
    if (Suppressed()) return;
    AddListField(IDC_WORK_TITLE, IDC_WORK_EDIT_TITLE, "Title", IDS_USER_EDIT_TITLE, true,
                 HALVET_SYNTAX_CI_STRING);
    AddTextField(IDC_WORK_DESCRIPTION, "Description");
    AddListField(IDC_WORK_LOCATION, IDC_WORK_EDIT_LOCATION, "L", IDS_USER_EDIT_LOCATION, true,
                 HALVET_SYNTAX_CI_STRING);
    AddListField(IDC_WORK_ORGANIZATION, IDC_WORK_EDIT_ORGANIZATION, "O",
                 IDS_USER_EDIT_ORGANIZATION, true, HALVET_SYNTAX_CI_STRING);
    AddListField(IDC_WORK_DEPARTMENT, IDC_WORK_EDIT_DEPARTMENT, "OU", IDS_USER_EDIT_DEPARTMENT,
                 true, HALVET_SYNTAX_CI_STRING);
    AddListField(IDC_WORK_TELEPHONE, IDC_WORK_EDIT_TELEPHONE, "Telephone Number",
                 IDS_USER_EDIT_TELEPHONE, true, HALVET_SYNTAX_CI_STRING);
    AddListField(IDC_WORK_FAX, IDC_WORK_EDIT_FAX, "Facsimile Telephone Number",
                 IDS_USER_EDIT_FAX, true, HALVET_SYNTAX_FAX_NUMBER);
}

// ---- 3 Mailing Information --------------------------------------------------------

MailingPage::MailingPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_MAILING)
{
    ShowIfReadable({"SA", "Postal Office Box", "Physical Delivery Office Name", "S",
                    "Postal Code", "Postal Address"});
    if (Suppressed()) return;
    AddTextField(IDC_MAILING_STREET, "SA");
    AddTextField(IDC_MAILING_PO_BOX, "Postal Office Box");
    AddTextField(IDC_MAILING_CITY, "Physical Delivery Office Name");
    AddTextField(IDC_MAILING_STATE, "S");
    AddTextField(IDC_MAILING_POSTAL_CODE, "Postal Code");
    AddField(std::make_unique<MailingLabelField>());
}

}  // namespace userpages
}  // namespace orrel
