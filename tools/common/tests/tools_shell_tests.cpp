// The object tools as the namespace loads them: OrrelShell and the tools
// registered in the test prefix, the sample's main tree configured, objects
// picked in the namespace and their item menu asked for its commands, help
// texts and an invocation.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "browserframe.h"
#include "tool_test_support.h"

namespace {

using namespace tooltest;

const CLSID kShellClsid = {
    0x76AAD000, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};

const char* const kMailClasses[] = {"User",     "Group",        "Country",
                                    "Locality", "Organization", "Organizational Unit"};
const char* const kUserOnly[] = {"User"};
// {0FEC2001-2800-11D3-8685-00A0C9D59E71}
const CLSID kMapiMailClsid = {0x0FEC2001, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
// {1614F118-8B45-434C-B8C1-5CE8755CC409}
const CLSID kMessengerClsid = {0x1614F118, 0x8B45, 0x434C, {0xB8, 0xC1, 0x5C, 0xE8, 0x75, 0x5C, 0xC4, 0x09}};

struct ToolRow {
    const char* dll;
    const CLSID* clsid;
    const char* clsidText;
    const char* description;
    const char* handlerDescription;
    const char* const* classes;
    std::size_t classCount;
    DWORD loadPriority;
};

const ToolRow kTools[] = {
    {"OrrelCsvWriter.dll", &kCsvWriterClsid, "{84FFC889-921C-11D3-91F7-E8EB3BEB7451}",
     "Corvane Orrel Export Context Menu", "Corvane Orrel Export Object Context Menu", kUserOnly, 1, 1},
    {"OrrelMailLink.dll", &kMailLinkClsid, "{0FEC2002-2800-11D3-8685-00A0C9D59E71}",
     "Corvane Shell MailTo Handler", "Corvane Shell MailTo Handler", kMailClasses, 6, 0x01000000},
    {"OrrelWebPage.dll", &kWebPageClsid, "{5C394A40-7FF8-11D3-91D0-B247F6229351}",
     "Corvane Orrel Location Context Menu", "Corvane Orrel Home Page Directory Context Menu",
     kUserOnly, 1, 1},
    {"OrrelMapiMail.dll", &kMapiMailClsid, "{0FEC2001-2800-11D3-8685-00A0C9D59E71}",
     "Corvane MAPI Email Handler", "Corvane MAPI Email Handler", kMailClasses, 6, 0x01000000},
    {"OrrelMessenger.dll", &kMessengerClsid, "{1614F118-8B45-434C-B8C1-5CE8755CC409}",
     "Corvane Orrel Send Context Menu", "Corvane Orrel Send Context Menu", kMailClasses, 6, 0x05000000},
};

std::string HandlerKey(const char* cls, const char* clsid)
{
    return std::string("Software\\Halvet\\Orrel NameSpace\\Classes\\") + cls +
           "\\ContextMenuHandlers\\" + clsid;
}

// The texts of the tools under test (other DLLs the prefix holds may add
// their own commands to the same menus). "MAPI E-Mail" is left out: whether
// it is offered follows the prefix's MAPI setting, which the MAPI tool's own
// tests switch.
std::vector<std::string> OwnTexts(const std::vector<std::string>& texts)
{
    std::vector<std::string> own;
    for (const std::string& text : texts)
        if (text.rfind("Export object", 0) == 0 || text == "Open Home Page..." ||
            text.rfind("Shell MailTo", 0) == 0 || text == "Send Instant Message...")
            own.push_back(text);
    return own;
}

// Everything registered before OrrelShell reads the class handler registry
// (once per process), the tree configured, a private copy of the sample.
class ToolsInTheShell : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        image_ = new SampleImage;
        for (const ToolRow& tool : kTools) registrations_.emplace_back(new Registration(tool.dll, *tool.clsid));
        shell_ = new Registration("OrrelShell.dll", kShellClsid);
        ConfigureTree();
    }
    static void TearDownTestSuite()
    {
        delete shell_;
        registrations_.clear();
        delete image_;
    }

    static SampleImage* image_;
    static Registration* shell_;
    static std::vector<std::unique_ptr<Registration>> registrations_;
};

SampleImage* ToolsInTheShell::image_ = nullptr;
Registration* ToolsInTheShell::shell_ = nullptr;
std::vector<std::unique_ptr<Registration>> ToolsInTheShell::registrations_;

TEST_F(ToolsInTheShell, EveryToolWritesItsClassAndHandlerRows)
{
    for (const auto& r : registrations_) ASSERT_TRUE(r->Ok());
    for (const ToolRow& tool : kTools) {
        std::string clsidKey = std::string("CLSID\\") + tool.clsidText;
        EXPECT_EQ(tool.description, RegString(HKEY_CLASSES_ROOT, clsidKey, nullptr));
        std::string server = RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", nullptr);
        EXPECT_EQ(BinPath(tool.dll), server);
        EXPECT_EQ("Apartment", RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", "ThreadingModel"));
        for (std::size_t i = 0; i < tool.classCount; ++i) {
            std::string key = HandlerKey(tool.classes[i], tool.clsidText);
            EXPECT_EQ(tool.handlerDescription, RegString(HKEY_CURRENT_USER, key, nullptr)) << key;
            EXPECT_EQ(1u, RegDword(HKEY_CURRENT_USER, key, "Flags")) << key;
            EXPECT_EQ(tool.loadPriority, RegDword(HKEY_CURRENT_USER, key, "LoadPriority")) << key;
        }
    }
    // A class the tool does not serve has no key of it.
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, HandlerKey("Group", kTools[0].clsidText)));

    // Unregistering takes every row away again (and registering restores them).
    const ToolRow& mail = kTools[1];
    EXPECT_EQ(S_OK, CallToolExport(mail.dll, "DllUnregisterServer"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + mail.clsidText));
    for (std::size_t i = 0; i < mail.classCount; ++i)
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, HandlerKey(mail.classes[i], mail.clsidText)));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, HandlerKey("User", kTools[0].clsidText)))
        << "another tool's rows stay";
    EXPECT_EQ(S_OK, CallToolExport(mail.dll, "DllRegisterServer"));
    EXPECT_EQ(1u, RegDword(HKEY_CURRENT_USER, HandlerKey("Locality", mail.clsidText), "Flags"));
}

TEST_F(ToolsInTheShell, TheTreeShowsItsContainersThroughTheToolsClassKeys)
{
    auto tree = BindPath({});
    ASSERT_TRUE(tree);
    std::vector<std::string> top = ChildNames(tree.Get());
    EXPECT_EQ((std::vector<std::string>{"Corp", "FR"}), top);
    auto corp = BindPath({"Corp"});
    ASSERT_TRUE(corp);
    std::vector<std::string> children = ChildNames(corp.Get());
    for (const char* name : {"Sales", "Engineering", "Boston", "Everyone", "Admin"})
        EXPECT_NE(std::find(children.begin(), children.end(), name), children.end()) << name;
}

// The tree as the demo's browser opens it: its Organization and Country
// show (the view is kept as a picture in <build>/tools-screens).
TEST_F(ToolsInTheShell, TheOpenedTreeListsItsContainers)
{
    orrel::launcher::BrowserFrame frame;
    ASSERT_EQ(S_OK, frame.Create(GetModuleHandleA(nullptr), "Orrel Explorer", 760, 420));
    LPITEMIDLIST tree = AbsolutePath({});
    ASSERT_NE(nullptr, tree);
    HRESULT hr = frame.Browser()->BrowseToIDList(tree, SBSP_ABSOLUTE);
    CoTaskMemFree(tree);
    ASSERT_EQ(S_OK, hr);
    ShowWindow(frame.Window(), SW_SHOWNORMAL);
    std::vector<std::string> lines;
    EXPECT_TRUE(PumpUntil([&] {
        lines = frame.ViewLines();
        return frame.Filled() && lines.size() >= 2;
    }, 15000));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ((std::vector<std::string>{"Corp", "FR"}), lines);
    PumpUntil([] { return false; }, 300);  // let it paint
    std::size_t colours = 0;
    EXPECT_TRUE(SaveScreenshot(frame.Window(), ArtefactFolder("tools-screens") + "\\tree-with-tools.png",
                               &colours));
    EXPECT_GT(colours, 3u);
}

TEST_F(ToolsInTheShell, ItemMenuHoldsTheToolsOfTheSelection)
{
    auto sales = BindPath({"Corp", "Sales"});
    ASSERT_TRUE(sales);
    struct Case {
        std::vector<std::string> children;
        std::vector<std::string> texts;
    } cases[] = {
        // Load priority 1 before 0x01000000 before 0x05000000.
        {{"JDoe"}, {"Export object...", "Open Home Page...", "Shell MailTo", "Send Instant Message..."}},
        {{"JDoe", "AKim"}, {"Export objects...", "Shell MailTo", "Send Instant Message..."}},
        // Mixed classes: no export, and the home page is for one User only.
        {{"JDoe", "Staff"}, {"Shell MailTo", "Send Instant Message..."}},
        {{"Staff"}, {"Shell MailTo", "Send Instant Message..."}},
    };
    for (const Case& c : cases) {
        auto menu = ItemMenu(sales.Get(), c.children);
        ASSERT_TRUE(menu) << c.children[0];
        MenuResult result = QueryMenu(menu.Get(), 1);
        std::vector<std::string> texts = OwnTexts(result.texts);
        // Equal priorities come in either order.
        if (texts.size() == 4 && texts[0] == "Open Home Page...") std::swap(texts[0], texts[1]);
        EXPECT_EQ(c.texts, texts) << c.children[0] << " (" << c.children.size() << ")";
        // The host numbers the commands of all handlers from the first id.
        for (std::size_t i = 0; i < result.ids.size(); ++i) EXPECT_EQ(i + 1, result.ids[i]);
    }

    auto corp = BindPath({"Corp"});
    ASSERT_TRUE(corp);
    auto everyone = ItemMenu(corp.Get(), {"Everyone"});
    ASSERT_TRUE(everyone);
    EXPECT_EQ((std::vector<std::string>{"Shell MailTo\t(SMTP:everyone@corp.example)",
                                        "Send Instant Message..."}),
              OwnTexts(QueryMenu(everyone.Get(), 1).texts));
}

TEST_F(ToolsInTheShell, HelpTextsAndVerbsReachOnlyTheirOwnTool)
{
    auto sales = BindPath({"Corp", "Sales"});
    ASSERT_TRUE(sales);
    auto menu = ItemMenu(sales.Get(), {"AKim"});
    ASSERT_TRUE(menu);
    MenuResult result = QueryMenu(menu.Get(), 1);
    ASSERT_EQ(4u, OwnTexts(result.texts).size());
    UINT homePage = 0, exportId = 0, message = 0;
    for (std::size_t i = 0; i < result.texts.size(); ++i) {
        if (result.texts[i] == "Open Home Page...") homePage = result.ids[i];
        if (result.texts[i] == "Export object...") exportId = result.ids[i];
        if (result.texts[i] == "Send Instant Message...") message = result.ids[i];
    }
    ASSERT_NE(0u, homePage);
    HRESULT hr = E_FAIL;
    EXPECT_EQ("Opens a window to the object's home page", HelpText(menu.Get(), homePage - 1, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ("Exports attributes of the selected objects to a comma separated file",
              HelpText(menu.Get(), exportId - 1, &hr));
    ASSERT_NE(0u, message);
    EXPECT_EQ("Sends an instant message directly to the user", HelpText(menu.Get(), message - 1, &hr));

    // The home page's verb opens the page and nothing else: no export dialog.
    UrlRecorder browser("Browsers");
    bool exportOpened = false;
    {
        ModalScript watch({[&] {
            if (HWND d = FindDialog("Export Object Data")) {
                exportOpened = true;
                Click(d, IDCANCEL);
            }
            return false;
        }});
        InvokeVerb(menu.Get(), homePage - 1);
        ASSERT_TRUE(browser.WaitForRecord());
    }
    EXPECT_EQ("http://intranet.corp.example/people/akim\n", browser.Recorded());
    EXPECT_FALSE(exportOpened);
}

}  // namespace
