// OrrelMessenger: "Send Instant Message..." on users, groups and containers
// sends a one-line message to every user of them who is logged in, and
// lists the outcome per user.
#include <windows.h>

#include "orrel/tools/objecttool.h"
#include "orrel/tools/tooldll.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "sender.h"

namespace orrel {
namespace messenger {
namespace {

// {1614F118-8B45-434C-B8C1-5CE8755CC409}
const CLSID CLSID_OrrelMessenger = {0x1614F118, 0x8B45, 0x434C, {0xB8, 0xC1, 0x5C, 0xE8, 0x75, 0x5C, 0xC4, 0x09}};

class MessengerTool final : public tools::ObjectTool {
public:
    MessengerTool() noexcept : ObjectTool(IDS_MESSAGE_HELP) {}

protected:
    HRESULT CheckSelection() override { return RequireClasses(tools::kMailClasses, 6); }

    bool MenuText(std::string* text) override
    {
        *text = ui::LoadModuleText(IDS_MESSAGE_MENU);
        return true;
    }

    HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override
    {
        // Owned by the foreground window when it is one of this process's.
        HWND owner = GetForegroundWindow();
        DWORD process = 0;
        if (owner) GetWindowThreadProcessId(owner, &process);
        if (process != GetCurrentProcessId()) owner = nullptr;
        RunMessageCommand(*this, owner);
        return S_OK;
    }
};

const tools::ToolInfo kMessenger = {&CLSID_OrrelMessenger,
                                    "Corvane Orrel Send Context Menu",
                                    "Corvane Orrel Send Context Menu",
                                    tools::kMailClasses,
                                    6,
                                    1,
                                    0x05000000,
                                    nullptr,
                                    &CreateComObject<MessengerTool>};

}  // namespace
}  // namespace messenger
}  // namespace orrel

ORREL_TOOL_DLL(orrel::messenger::kMessenger)
