// OrrelMailLink: "Shell MailTo" opens a "mailto:" link to the selected
// Users, the members of selected Groups and the Users directly below
// selected containers, with the system's mail handler.
#include <windows.h>
#include <shellapi.h>

#include "mailtourl.h"
#include "orrel/tools/directory.h"
#include "orrel/tools/objecttool.h"
#include "orrel/tools/recipients.h"
#include "orrel/tools/tooldll.h"
#include "orrel/tools/toolthread.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace {

using orrel::tools::ObjectTool;
using orrel::tools::SelectedItem;

// {0FEC2002-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelMailLink = {
    0x0FEC2002, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

constexpr SIZE_T kWorkerStack = 65535;

class MailLinkTool final : public ObjectTool {
public:
    MailLinkTool() noexcept : ObjectTool(0) {}

protected:
    HRESULT CheckSelection() override { return CaptureFirstObject(); }

    bool MenuText(std::string* text) override
    {
        return orrel::tools::MailMenuText(*this, IDS_MAIL_MENU, text);
    }

    HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override
    {
        // The addresses are gathered and the link opened on a thread of its
        // own, which holds this tool (and so its selection) until it ends.
        orrel::tools::StartToolThread(static_cast<IShellExtInit*>(this), kWorkerStack,
                                      [this] { SendMail(); });
        return E_NOTIMPL;
    }

private:
    void SendMail()
    {
        orrel::ComInit com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        orrel::pages::DirectorySession session(TreeName(), NameContext());
        orrel::tools::RecipientList recipients(session);
        recipients.GatherRecipients(*this);
        if (recipients.Entries().empty()) {
            orrel::ui::MessageBoxFromStrings(nullptr, IDS_MAIL_NO_ADDRESS, IDS_MAIL_ERROR, MB_OK);
            return;
        }
        std::vector<std::string> addresses;
        for (const orrel::tools::Recipient& entry : recipients.Entries())
            addresses.push_back(orrel::tools::RecipientAddress(entry.text));
        std::string url = orrel::mailto::BuildMailtoUrl(addresses);
        ShellExecuteA(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

const orrel::tools::ToolInfo kMailLink = {
    &CLSID_OrrelMailLink,
    "Corvane Shell MailTo Handler",
    "Corvane Shell MailTo Handler",
    orrel::tools::kMailClasses,
    6,
    1,
    0x01000000,
    "OrrelMailLink.dlr",
    &orrel::CreateComObject<MailLinkTool>,
};

}  // namespace

ORREL_TOOL_DLL(kMailLink)
