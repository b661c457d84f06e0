// OrrelWebPage: which value is the home page, which addresses are opened,
// and the command for real: the address Wine's browser is asked to open, or
// the warning the user sees.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../common/tests/tool_test_support.h"
#include "homepageaddress.h"

namespace {

using namespace tooltest;
using orrel::homepage::FindHomePage;
using orrel::homepage::WebUrl;

const char kDll[] = "OrrelWebPage.dll";
const char kCaption[] = "Orrel Home Page Viewer";

TEST(HomePageAddress, FirstValueBeginningWithTheExactPrefix)
{
    std::string address;
    EXPECT_TRUE(FindHomePage({"x", "HomePage:  site  ", "HomePage:other"}, &address));
    EXPECT_EQ("site", address);
    EXPECT_FALSE(FindHomePage({"homepage:site"}, &address)) << "letter case";
    EXPECT_FALSE(FindHomePage({"See HomePage: site"}, &address)) << "not at the start";
    EXPECT_FALSE(FindHomePage({}, &address));
    EXPECT_TRUE(FindHomePage({"HomePage:" + std::string(300, 'a')}, &address));
    EXPECT_EQ(256u, address.size());
}

TEST(HomePageAddress, OnlyWebAddressesAreOpened)
{
    struct Case {
        const char* address;
        const char* url;  // null: not opened
    } cases[] = {
        {"http://intranet.example/akim", "http://intranet.example/akim"},
        {"HTTPS://intranet.example", "HTTPS://intranet.example"},
        {"www.corp.example/~jdoe", "http://www.corp.example/~jdoe"},
        {"intranet.corp.example", nullptr},
        {"\\\\ORREL-FS1\\SYS\\PUBLIC\\run.exe", nullptr},
        {"C:\\Windows\\system32\\calc.exe", nullptr},
        {"file:///C:/Windows/system32/calc.exe", nullptr},
        {"javascript:alert(1)", nullptr},
        {"http://", nullptr},
        {"http:///etc", nullptr},
        {"http://a b", nullptr},
        {"www.", nullptr},
    };
    for (const Case& c : cases) {
        std::string url = "unset";
        EXPECT_EQ(c.url != nullptr, WebUrl(c.address, &url)) << c.address;
        if (c.url) {
            EXPECT_EQ(c.url, url);
        }
    }
}

TEST(WebPageTool, OfferedForExactlyOneUser)
{
    SampleImage image;
    HRESULT init = E_FAIL;
    auto one = MakeTool(kDll, kWebPageClsid, {{"user", ".AKim.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    MenuResult menu = QueryMenu(one.Get(), 20);
    ASSERT_EQ(1u, menu.texts.size());
    EXPECT_EQ("Open Home Page...", menu.texts[0]);
    HRESULT hr = E_FAIL;
    EXPECT_EQ("Opens a window to the object's home page", HelpText(one.Get(), 19, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(E_NOTIMPL, one->GetCommandString(19, GCS_VALIDATEA, nullptr, nullptr, 0));

    for (const std::vector<Obj>& objects :
         {std::vector<Obj>{{"User", ".AKim.Sales.Corp"}, {"User", ".JDoe.Sales.Corp"}},
          std::vector<Obj>{{"Group", ".Staff.Sales.Corp"}}}) {
        auto tool = MakeTool(kDll, kWebPageClsid, objects, &init);
        ASSERT_EQ(S_OK, init);
        menu = QueryMenu(tool.Get(), 1);
        EXPECT_EQ(S_OK, menu.hr) << objects[0].name;
        EXPECT_TRUE(menu.texts.empty());
    }
}

void PatchHomePages(nlohmann::json& image)
{
    SampleImage::Attributes(image, "JDoe.Sales.Corp")["L"] = {
        "Boston", "HomePage: \\\\ORREL-FS1\\SYS\\PUBLIC\\run.exe"};
    SampleImage::Attributes(image, "MStone.Sales.Corp")["L"] = {"HomePage:   www.corp.example  "};
}

// Runs the command of a tool for one User, answering the message box it may
// show; *text receives the box's text ("" when none showed). With a
// screenshot name the box is kept as a picture in <build>/tools-screens.
HRESULT RunCommand(const char* user, std::string* text, const char* screenshot = nullptr)
{
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kWebPageClsid, {{"User", user}}, &init);
    EXPECT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    text->clear();
    ModalScript script({[&] {
        HWND box = FindDialog(kCaption);
        if (!box) return false;
        *text = DialogStaticText(box);
        if (screenshot) {
            RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            std::size_t colours = 0;
            EXPECT_TRUE(SaveScreenshot(box, ArtefactFolder("tools-screens") + "\\" + screenshot, &colours));
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    }});
    return InvokeVerb(tool.Get(), 0);
}

TEST(WebPageCommand, AWebAddressIsOpenedAndAnythingElseWarned)
{
    SampleImage image(&PatchHomePages);
    UrlRecorder browser("Browsers");
    std::string text;

    EXPECT_EQ(S_OK, RunCommand(".AKim.Sales.Corp", &text));
    EXPECT_EQ("", text);
    ASSERT_TRUE(browser.WaitForRecord());
    EXPECT_EQ("http://intranet.corp.example/people/akim\n", browser.Recorded());

    EXPECT_EQ(S_OK, RunCommand(".MStone.Sales.Corp", &text));
    ASSERT_TRUE(PumpUntil([&] { return browser.Recorded().size() > 41; }, 15000));
    // (Wine's browser launcher gives an address without a path its "/".)
    EXPECT_EQ("http://intranet.corp.example/people/akim\nhttp://www.corp.example/\n", browser.Recorded());

    // A share's program is named in a warning, never run.
    EXPECT_EQ(E_NOTIMPL, RunCommand(".JDoe.Sales.Corp", &text, "home-page-warning.png"));
    EXPECT_NE(std::string::npos, text.find("\\\\ORREL-FS1\\SYS\\PUBLIC\\run.exe")) << text;
    EXPECT_NE(std::string::npos, text.find("is not a web address")) << text;

    // No value with the prefix (here in the wrong letter case).
    EXPECT_EQ(E_NOTIMPL, RunCommand(".CDunn.Marketing.Corp", &text));
    EXPECT_EQ(0u, text.find("No home page setting could be found for the user")) << text;

    Sleep(500);
    std::string recorded = browser.Recorded();
    EXPECT_EQ(2, std::count(recorded.begin(), recorded.end(), '\n')) << recorded;
}

}  // namespace
