// OrrelWebPage: "Open Home Page..." opens the web address that one value of
// a User's location holds after "HomePage:".
#include <windows.h>
#include <shellapi.h>

#include "homepageaddress.h"
#include "orrel/pages/dirsession.h"
#include "orrel/tools/objecttool.h"
#include "orrel/tools/tooldll.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace {

using orrel::tools::ObjectTool;
using orrel::tools::SelectedItem;

// {5C394A40-7FF8-11D3-91D0-B247F6229351}
const CLSID CLSID_OrrelWebPage = {
    0x5C394A40, 0x7FF8, 0x11D3, {0x91, 0xD0, 0xB2, 0x47, 0xF6, 0x22, 0x93, 0x51}};

class WebPageTool final : public ObjectTool {
public:
    WebPageTool() noexcept : ObjectTool(IDS_HOME_HELP) {}

protected:
    HRESULT CheckSelection() override { return CaptureFirstObject(); }

    bool MenuText(std::string* text) override
    {
        SelectedItem item;
        if (Count() != 1 || !Object(0, &item) ||
            !orrel::tools::SameTextNoCase(item.className.c_str(), "User"))
            return false;
        *text = orrel::ui::LoadModuleText(IDS_HOME_MENU);
        return !text->empty();
    }

    HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override
    {
        SelectedItem item;
        std::string address;
        if (Object(0, &item)) {
            orrel::pages::DirectorySession session(item.treeName, item.nameContext);
            orrel::pages::ValueList values;
            uint32_t syntax = 0;
            if (session.ReadValueList(item.objectName.c_str(), "L", values, &syntax) == 0 &&
                syntax == HALVET_SYNTAX_CI_STRING) {
                std::vector<std::string> texts;
                for (const orrel::pages::ValueNode& value : values) texts.push_back(value.text);
                if (orrel::homepage::FindHomePage(texts, &address)) {
                    std::string url;
                    if (!orrel::homepage::WebUrl(address, &url)) {
                        orrel::ui::MessageBoxFromStrings(nullptr, IDS_HOME_NOT_WEB, IDS_HOME_CAPTION,
                                                         MB_OK | MB_ICONWARNING, address);
                        return E_NOTIMPL;
                    }
                    ShellExecuteA(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                    return S_OK;
                }
            }
        }
        orrel::ui::MessageBoxFromStrings(nullptr, IDS_HOME_NONE, IDS_HOME_CAPTION, MB_OK | MB_ICONWARNING);
        return E_NOTIMPL;
    }
};

const char* const kClasses[] = {"User"};

const orrel::tools::ToolInfo kWebPage = {
    &CLSID_OrrelWebPage,
    "Corvane Orrel Location Context Menu",
    "Corvane Orrel Home Page Directory Context Menu",
    kClasses,
    1,
    1,
    1,
    nullptr,
    &orrel::CreateComObject<WebPageTool>,
};

}  // namespace

ORREL_TOOL_DLL(kWebPage)
