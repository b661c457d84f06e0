// OrrelUserPages.dll: the property sheet handler of the directory class
// "User" and the base of its pages.
#include <iterator>

#include "orrel/module.h"
#include "orrel/pages/display.h"
#include "orrel/pages/pagedll.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {

// ---- UserPage ------------------------------------------------------------------

void UserPage::OnInitPage()
{
    // LR_LOADMAP3DCOLORS gives the picture's light grey the dialog's face
    // colour, so that it sits on the page without a box around it.
    picture_.Attach(static_cast<HBITMAP>(LoadImageA(Module::ResourceInstance(),
                                                    MAKEINTRESOURCEA(IDB_USER_PICTURE),
                                                    IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (picture_ && Item(IDC_USER_PICTURE)) {
        HGDIOBJ old = reinterpret_cast<HGDIOBJ>(SendItemMessage(
            IDC_USER_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.Get())));
        // The template names no image; should a replaced one name it, the
        // static's own copy is not ours to keep.
        if (old && old != picture_.Get()) DeleteObject(old);
    }
    OnInitControls();
}

ValueReader UserPage::Reader()
{
    return [this](const char* attribute, std::uint32_t* syntax, std::uint32_t* raw) {
        pages::DirValue value;
        if (Session().ReadFirstValue(ObjectName(), attribute, &value) != 0 || !value.HasValue())
            return false;
        *syntax = value.Syntax();
        *raw = 0;
        switch (value.Syntax()) {
        case HALVET_SYNTAX_BOOLEAN: {
            bool b = false;
            if (!value.Boolean(&b)) return false;
            *raw = b ? 1u : 0u;
            return true;
        }
        case HALVET_SYNTAX_INTEGER:
        case HALVET_SYNTAX_COUNTER:
        case HALVET_SYNTAX_TIME:
        case HALVET_SYNTAX_INTERVAL:
            // A value too short for its syntax counts as unreadable.
            return value.UInt32(raw);
        default:
            return true;
        }
    };
}

DisplayTexts UserPage::Texts() const
{
    DisplayTexts texts;
    texts.unlimited = ui::LoadModuleText(IDS_USER_UNLIMITED);
    texts.enabled = ui::LoadModuleText(IDS_USER_ENABLED);
    texts.disabled = ui::LoadModuleText(IDS_USER_DISABLED);
    texts.formatTime = [](std::uint32_t seconds) { return pages::FormatDirTime(seconds); };
    return texts;
}

namespace {

// {0FEC5132-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelUserPages = {
    0x0FEC5132, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {
    &pages::MakePage<PersonalPage>,
    &pages::MakePage<WorkPage>,
    &pages::MakePage<MailingPage>,
    &pages::MakePage<LoginScriptPage>,
    &pages::MakePage<LoginAccountPage>,
    &pages::MakePage<TimeRestrictionsPage>,
    &pages::MakePage<PasswordPage>,
    &pages::MakePage<GroupMembershipPage>,
};

}  // namespace

const pages::PageDllInfo kUserPages = {
    "User", &CLSID_OrrelUserPages, "Corvane Orrel User Properties", "OrrelUserPages.dlr",
    kPages, std::size(kPages)};

}  // namespace userpages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::userpages::kUserPages)
