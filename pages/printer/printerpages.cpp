// OrrelPrinterPages.dll: the property sheet handler of the directory class
// "Printer": Identification, Assignments, the printer's configuration
// record and its Features.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <iterator>
#include <memory>

#include "orrel/pages/fields.h"
#include "orrel/pages/pagedll.h"
#include "orrel/ui/controls.h"
#include "printerrecord.h"
#include "resource.h"

namespace orrel {
namespace printerpages {
namespace {

using pages::DirectoryPage;
using pages::DirValue;
using pages::PageField;
using pages::PropertyHandler;

// ---- 1000 Identification -----------------------------------------------------------

class IdentificationPage final : public DirectoryPage {
public:
    explicit IdentificationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_PRINTER_IDENTIFICATION)
    {
        ShowIfReadable({"CN", "Owner", "Description", "Network Address", "L", "OU", "O"});
        if (Suppressed()) return;
        // Apply order: "CN", "Owner", "Description", "L", "OU", "O".
        AddListField(IDC_IDENT_OTHER_NAMES, IDC_IDENT_EDIT_OTHER_NAMES, "CN",
                     IDS_PRINTER_EDIT_OTHER_NAMES, false, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_OWNER, IDC_IDENT_EDIT_OWNER, "Owner", IDS_PRINTER_EDIT_OWNER, true,
                     HALVET_SYNTAX_CI_STRING, true);
        AddTextField(IDC_IDENT_DESCRIPTION, "Description");
        AddListField(IDC_IDENT_LOCATION, IDC_IDENT_EDIT_LOCATION, "L", IDS_PRINTER_EDIT_LOCATION,
                     true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_DEPARTMENT, IDC_IDENT_EDIT_DEPARTMENT, "OU",
                     IDS_PRINTER_EDIT_DEPARTMENT, true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_ORGANIZATION, IDC_IDENT_EDIT_ORGANIZATION, "O",
                     IDS_PRINTER_EDIT_ORGANIZATION, true, HALVET_SYNTAX_CI_STRING);
        // Shown only: no button, so never edited nor written.
        AddListField(IDC_IDENT_NETWORK_ADDRESS, 0, "Network Address", 0, true,
                     HALVET_SYNTAX_NET_ADDRESS);
    }
};

// ---- 2000 Assignments -----------------------------------------------------------------

// "Queue" (typed names) in a report list: "*" for the default queue, the
// queue's priority (its level) and its display name. Shown only.
class QueueListField final : public PageField {
public:
    QueueListField() : PageField("Queue") {}

    void Load(DirectoryPage& page) override
    {
        ui::ListViewCtrl list(page.Item(IDC_ASSIGN_QUEUES));
        if (!list) return;
        list.InsertColumn(0, "", 25);
        list.InsertColumn(1, "Priority", 50);
        list.InsertColumn(2, "Queue", 325);
        std::string defaultQueue;
        DirValue value;
        std::string name;
        if (page.Session().ReadFirstValue(page.ObjectName(), "Default Queue", &value) == 0 &&
            pages::NameField::NameOf(value, &name))
            defaultQueue = page.Session().ToDisplayName(name.c_str());
        pages::ValueList queues;
        page.Session().ReadValueList(page.ObjectName(), Attribute().c_str(), queues);
        for (const pages::ValueNode& node : queues) {
            std::string queue = page.Session().ToDisplayName(node.text.c_str());
            bool isDefault = !defaultQueue.empty() && lstrcmpiA(queue.c_str(), defaultQueue.c_str()) == 0;
            int row = list.InsertItem(list.GetItemCount(), isDefault ? "*" : "");
            char level[16];
            std::snprintf(level, sizeof level, "%d", static_cast<int>(node.level));
            list.SetItemText(row, 1, level);
            list.SetItemText(row, 2, queue.c_str());
        }
    }

    int32_t Write(DirectoryPage&) override { return 0; }
};

class AssignmentsPage final : public DirectoryPage {
public:
    explicit AssignmentsPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_PRINTER_ASSIGNMENTS)
    {
        ShowIfReadable({"Print Server", "Queue"});
        if (Suppressed()) return;
        AddField(std::make_unique<pages::NameField>(IDC_ASSIGN_PRINT_SERVER, "Print Server"));
        AddField(std::make_unique<QueueListField>());
    }
};

// ---- 3000 Configuation ------------------------------------------------------------------

const char* const kPrinterTypes[] = {"Other/Unknown", "Parallel", "Serial", "XNP",
                                     "Apple Talk", "UNIX", "AIO"};
const char* const kBannerTypes[] = {"Text", "Postscript"};
const char* const kServiceModes[] = {"Change forms as needed",
                                     "Minimize form changes winth print queues",
                                     "Service only currently mounted form",
                                     "Minimize form changes across print queues"};

// The edit or combo box of each field of the record.
struct ControlOf {
    ConfigField field;
    int id;
    bool combo;
};
const ControlOf kControls[] = {
    {kPrinterType, IDC_CONFIG_PRINTER_TYPE, true},
    {kStartingForm, IDC_CONFIG_STARTING_FORM, false},
    {kBufferSize, IDC_CONFIG_BUFFER_SIZE, false},
    {kServiceMode, IDC_CONFIG_SERVICE_MODE, true},
    {kServiceInterval, IDC_CONFIG_SERVICE_INTERVAL, false},
    {kBannerType, IDC_CONFIG_BANNER_TYPE, true},
};

// "Printer Configuration": the record's fields in the page's controls,
// written back as a whole record of 1072 bytes.
class ConfigurationField final : public PageField {
public:
    ConfigurationField() : PageField("Printer Configuration") {}

    void Load(DirectoryPage& page) override
    {
        Fill(page, IDC_CONFIG_PRINTER_TYPE, kPrinterTypes, std::size(kPrinterTypes));
        Fill(page, IDC_CONFIG_BANNER_TYPE, kBannerTypes, std::size(kBannerTypes));
        Fill(page, IDC_CONFIG_SERVICE_MODE, kServiceModes, std::size(kServiceModes));
        page.SendItemMessage(IDC_CONFIG_DRIVER, EM_SETLIMITTEXT, kDriverLength);
        for (int spin : {IDC_CONFIG_SERVICE_INTERVAL_SPIN, IDC_CONFIG_BUFFER_SIZE_SPIN})
            page.SendItemMessage(spin, UDM_SETRANGE32, 0, 0xFFFF);

        DirValue value;
        int32_t r = page.Session().ReadFirstValue(page.ObjectName(), Attribute().c_str(), &value);
        if (r == 0 && !value.HasValue()) return;  // none yet: Apply makes one
        ParsedConfig parsed;
        const auto* octets = value.As<HALVET_OCTET_STRING>();
        if (r == 0 && value.Syntax() == HALVET_SYNTAX_OCTET_STRING && octets &&
            (octets->length == 0 || value.Contains(octets->data, octets->length)))
            parsed = ParseConfig(octets->data, octets->length);
        for (const ControlOf& c : kControls) {
            if (!parsed.present[c.field]) continue;
            unsigned number = parsed.config.numbers[c.field];
            if (c.combo)
                page.SendItemMessage(c.id, CB_SETCURSEL, number);
            else
                page.SetItemText(c.id, std::to_string(number));
        }
        if (parsed.present[kDriverName]) page.SetItemText(IDC_CONFIG_DRIVER, parsed.config.driver);
        loaded_ = parsed.config;
        // A record that was not read whole (or not at all) is shown as far
        // as it goes and cannot be changed: Apply would replace what the page
        // never showed.
        locked_ = !parsed.complete;
    }

    void ApplyRights(DirectoryPage& page, uint32_t rights) override
    {
        if ((rights & HALVET_RIGHT_WRITE) && !locked_) return;
        for (int id : {IDC_CONFIG_SERVICE_INTERVAL, IDC_CONFIG_BUFFER_SIZE, IDC_CONFIG_STARTING_FORM,
                       IDC_CONFIG_DRIVER})
            page.SetReadOnly(id, true);
        for (int id : {IDC_CONFIG_PRINTER_TYPE, IDC_CONFIG_BANNER_TYPE, IDC_CONFIG_SERVICE_MODE,
                       IDC_CONFIG_COMMUNICATION, IDC_CONFIG_SERVICE_INTERVAL_SPIN,
                       IDC_CONFIG_BUFFER_SIZE_SPIN})
            page.EnableItem(id, false);
    }

    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override
    {
        for (const ControlOf& c : kControls) {
            if (c.id != id) continue;
            if ((c.combo && code == CBN_SELCHANGE) || (!c.combo && code == EN_CHANGE)) Changed(page);
            return true;
        }
        if (id == IDC_CONFIG_DRIVER) {
            if (code == EN_CHANGE) Changed(page);
            return true;
        }
        return false;
    }

    int32_t Write(DirectoryPage& page) override
    {
        if (locked_) return HALVET_ERR_NO_ACCESS;
        PrinterConfig config;
        for (const ControlOf& c : kControls) {
            int64_t number = 0;
            if (c.combo) {
                // An index the list has no entry for is kept as it was.
                LRESULT selected = page.SendItemMessage(c.id, CB_GETCURSEL);
                number = selected == CB_ERR ? loaded_.numbers[c.field] : selected;
            } else {
                std::string text = page.GetItemText(c.id);
                // A 16-bit field: a number that does not fit is refused,
                // never cut.
                if (text.empty())
                    number = 0;
                else if (!pages::ParseNumber(text, 0, 0xFFFF, &number))
                    return pages::RefuseNumber(page, c.id, text, 0, 0xFFFF);
            }
            config.numbers[c.field] = static_cast<uint16_t>(number);
        }
        config.driver = page.GetItemText(IDC_CONFIG_DRIVER).substr(0, kDriverLength);
        std::vector<uint8_t> record = BuildConfig(config);
        HALVET_OCTET_STRING octets = {static_cast<uint32_t>(record.size()), record.data()};
        return page.Session().WriteSingleValue(page.ObjectName(), Attribute().c_str(), &octets,
                                               HALVET_SYNTAX_OCTET_STRING);
    }

private:
    static void Fill(DirectoryPage& page, int id, const char* const* items, std::size_t count)
    {
        page.SendItemMessage(id, CB_RESETCONTENT);
        for (std::size_t i = 0; i < count; ++i)
            page.SendItemMessage(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    }

    void Changed(DirectoryPage& page)
    {
        if (!locked_) page.MarkDirty(*this);
    }

    bool locked_ = false;
    PrinterConfig loaded_;
};

// "Network Address Restriction": shown (in a field the template hides),
// never written.
class RestrictionField final : public PageField {
public:
    RestrictionField() : PageField("Network Address Restriction") {}

    void Load(DirectoryPage& page) override
    {
        DirValue value;
        if (page.Session().ReadFirstValue(page.ObjectName(), Attribute().c_str(), &value) != 0 ||
            value.Syntax() != HALVET_SYNTAX_NET_ADDRESS)
            return;
        const auto* address = value.As<HALVET_NET_ADDRESS>();
        if (!address || (address->addressLength && !value.Contains(address->address, address->addressLength)))
            return;
        page.SetItemText(IDC_CONFIG_RESTRICTION,
                         RestrictionText(address->addressType, address->address, address->addressLength));
    }

    void ApplyRights(DirectoryPage& page, uint32_t rights) override
    {
        if (!(rights & HALVET_RIGHT_WRITE)) page.SetReadOnly(IDC_CONFIG_RESTRICTION, true);
    }

    bool OnCommand(DirectoryPage&, WORD id, WORD) override { return id == IDC_CONFIG_RESTRICTION; }
    int32_t Write(DirectoryPage&) override { return 0; }
};

class ConfigurationPage final : public DirectoryPage {
public:
    explicit ConfigurationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_PRINTER_CONFIGURATION)
    {
        ShowIfReadable({"Printer Configuration", "Network Address Restriction"});
        if (Suppressed()) return;
        AddField(std::make_unique<ConfigurationField>());
        AddField(std::make_unique<RestrictionField>());
    }
};

// ---- 4000 Features ---------------------------------------------------------------------

class FeaturesPage final : public DirectoryPage {
public:
    explicit FeaturesPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_PRINTER_FEATURES)
    {
        ShowIfReadable({"Page Description Language", "Memory", "Supported Typefaces", "Cartridge"});
        if (Suppressed()) return;
        AddListField(IDC_FEATURES_LANGUAGE, IDC_FEATURES_EDIT_LANGUAGE, "Page Description Language",
                     IDS_PRINTER_EDIT_LANGUAGE, true, HALVET_SYNTAX_PR_STRING);
        AddField(std::make_unique<pages::NumberField>(IDC_FEATURES_MEMORY, "Memory"));
        AddListField(IDC_FEATURES_TYPEFACES, IDC_FEATURES_EDIT_TYPEFACES, "Supported Typefaces",
                     IDS_PRINTER_EDIT_TYPEFACES, true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_FEATURES_CARTRIDGES, IDC_FEATURES_EDIT_CARTRIDGES, "Cartridge",
                     IDS_PRINTER_EDIT_CARTRIDGES, true, HALVET_SYNTAX_CI_STRING);
    }
};

// {0FEC5125-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelPrinterPages = {
    0x0FEC5125, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {
    &pages::MakePage<IdentificationPage>,
    &pages::MakePage<AssignmentsPage>,
    &pages::MakePage<ConfigurationPage>,
    &pages::MakePage<FeaturesPage>,
};

}  // namespace

const pages::PageDllInfo kPrinterPages = {
    "Printer", &CLSID_OrrelPrinterPages, "Corvane Orrel Printer Properties",
    "OrrelPrinterPages.dlr", kPages, std::size(kPages)};

}  // namespace printerpages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::printerpages::kPrinterPages)
