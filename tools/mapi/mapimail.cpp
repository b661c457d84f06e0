// OrrelMapiMail: "MAPI E-Mail" on users, groups and containers opens a new
// message of the installed MAPI mail system addressed to them. The
// addresses are gathered and the message handed over on the caller's
// thread, while a progress window runs on a thread of its own.
#include <windows.h>

#include <string>

#include "mapisend.h"
#include "orrel/pages/dirsession.h"
#include "orrel/tools/objecttool.h"
#include "orrel/tools/recipients.h"
#include "orrel/tools/tooldll.h"
#include "orrel/ui/messagebox.h"
#include "progress.h"
#include "resource.h"

namespace orrel {
namespace mapimail {
namespace {

// {0FEC2001-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelMapiMail = {0x0FEC2001, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

class MapiMailTool;

// One command's work: it holds the tool (and so its selection), the
// directory session of object 0 and the progress window's thread.
class MailWork {
public:
    explicit MailWork(MapiMailTool& tool);
    void Run();

private:
    MapiMailTool& tool_;
    ComPtr<IUnknown> hold_;
    pages::DirectorySession session_;
    ProgressThread progress_;
};

class MapiMailTool final : public tools::ObjectTool {
public:
    MapiMailTool() noexcept : ObjectTool(0) {}

protected:
    HRESULT CheckSelection() override { return CaptureFirstObject(); }

    bool MenuText(std::string* text) override
    {
        return MapiAvailable() && tools::MailMenuText(*this, IDS_MAPI_MENU, text);
    }

    HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override
    {
        MailWork work(*this);
        work.Run();
        return E_NOTIMPL;
    }
};

MailWork::MailWork(MapiMailTool& tool)
    : tool_(tool), hold_(static_cast<IContextMenu*>(&tool)), session_(tool.TreeName(), tool.NameContext())
{
    progress_.Begin(hold_.Get());
    progress_.ShowString(IDS_MAPI_INITIALIZING);
}

void MailWork::Run()
{
    progress_.ShowString(IDS_MAPI_GATHERING);
    tools::RecipientList recipients(session_);
    recipients.GatherRecipients(tool_, [this] { return progress_.Cancelled(); });
    bool cancelled = progress_.Cancelled();
    if (cancelled) recipients.Clear();
    if (!recipients.Entries().empty()) {
        progress_.ShowString(IDS_MAPI_ACCESSING);
        SendMapiMessage(recipients.Entries());  // its failures end the send silently
        progress_.End();
        return;
    }
    progress_.End();
    if (!cancelled) ui::MessageBoxFromStrings(nullptr, IDS_MAPI_NO_ADDRESS, IDS_MAPI_ERROR, MB_OK);
}

const tools::ToolInfo kMapiMail = {&CLSID_OrrelMapiMail,
                                   "Corvane MAPI Email Handler",
                                   "Corvane MAPI Email Handler",
                                   tools::kMailClasses,
                                   6,
                                   1,
                                   0x01000000,
                                   "OrrelMapiMail.dlr",
                                   &CreateComObject<MapiMailTool>};

}  // namespace
}  // namespace mapimail
}  // namespace orrel

ORREL_TOOL_DLL(orrel::mapimail::kMapiMail)
