// OrrelMailLink: the link's text, the menu for one and several objects, and
// the command for real: the link Wine's mail handler is asked to open.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "../../common/tests/tool_test_support.h"
#include "mailtourl.h"

namespace {

using namespace tooltest;

const char kDll[] = "OrrelMailLink.dll";

TEST(MailtoUrl, AddressesArePercentEncoded)
{
    EXPECT_EQ("mailto:", orrel::mailto::BuildMailtoUrl({}));
    EXPECT_EQ("mailto:a.b-c_d~e@x.example,f+g@y.example",
              orrel::mailto::BuildMailtoUrl({"a.b-c_d~e@x.example", "f+g@y.example"}));
    // Nothing of a name can start a header, a body, another address or a
    // fragment, or end the link.
    EXPECT_EQ("mailto:Sales%20%26%20Marketing%3Fbody%3Dx%25y%23z%2Cw%3Bv%3A",
              orrel::mailto::BuildMailtoUrl({"Sales & Marketing?body=x%y#z,w;v:"}));
    EXPECT_EQ("%C9l%E8ve%0D%0A", orrel::mailto::PercentEncode("\xC9l\xE8ve\r\n"));
}

TEST(MailLinkTool, MenuShowsTheOwnAddressOfASingleGroupOrContainer)
{
    SampleImage image([](nlohmann::json& json) {
        SampleImage::Attributes(json, "Testers.QA.Engineering.Corp")["Internet EMail Address"] = {
            "qa&test@corp.example"};
    });
    struct Case {
        std::vector<Obj> objects;
        const char* text;  // null: not offered
    } cases[] = {
        {{{"User", ".JDoe.Sales.Corp"}}, "Shell MailTo"},
        {{{"Group", ".Everyone.Corp"}}, "Shell MailTo\t(SMTP:everyone@corp.example)"},
        {{{"Organization", ".Corp"}}, "Shell MailTo\t(info@corp.example)"},
        {{{"Group", ".Staff.Sales.Corp"}}, "Shell MailTo"},
        // An Internet address when there is no "EMail Address"; its "&" is
        // shown, not taken for a mnemonic.
        {{{"Group", ".Testers.QA.Engineering.Corp"}}, "Shell MailTo\t(qa&&test@corp.example)"},
        // A single User is not looked at: its "&" address would show doubled.
        {{{"User", ".DEaton.Marketing.Corp"}}, "Shell MailTo"},
        {{{"User", ".JDoe.Sales.Corp"}, {"Group", ".Everyone.Corp"}}, "Shell MailTo"},
        {{{"User", ".JDoe.Sales.Corp"}, {"Volume", ".ORREL-FS1_SYS.Corp"}}, nullptr},
        {{{"User", ".JDoe.Sales.Corp"}, {"user", ".AKim.Sales.Corp"}}, nullptr},  // exact class names
    };
    for (const Case& c : cases) {
        HRESULT init = E_FAIL;
        auto tool = MakeTool(kDll, kMailLinkClsid, c.objects, &init);
        ASSERT_EQ(S_OK, init);
        MenuResult menu = QueryMenu(tool.Get(), 4);
        if (!c.text) {
            EXPECT_EQ(S_OK, menu.hr) << c.objects[1].name;
            EXPECT_TRUE(menu.texts.empty());
            continue;
        }
        ASSERT_EQ(1u, menu.texts.size()) << c.objects[0].name;
        EXPECT_EQ(c.text, menu.texts[0]);
        HRESULT hr = E_FAIL;
        char help[8] = "unset";
        hr = tool->GetCommandString(3, GCS_HELPTEXTA, nullptr, help, sizeof help);
        EXPECT_EQ(S_OK, hr) << "no help text, and that is no error";
        EXPECT_STREQ("unset", help);
    }
}

// Users with awkward addresses: a typed one with characters that would
// break the link, and one without any address in a group.
void PatchAddresses(nlohmann::json& image)
{
    SampleImage::Attributes(image, "AKim.Sales.Corp")["EMail Address"] = {
        {{"type", 7}, {"address", "SMTP:a&b?c=d e%f@corp.example"}}};
}

TEST(MailLinkCommand, LinkHoldsUsersGroupMembersAndNamesWithoutAddress)
{
    SampleImage image(&PatchAddresses);
    UrlRecorder mailer("Mailers");
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kMailLinkClsid,
                         {{"User", ".JDoe.Sales.Corp"}, {"User", ".AKim.Sales.Corp"},
                          {"Group", ".NoMail.Support.Corp"}},
                         &init);
    ASSERT_EQ(S_OK, init);
    MenuResult menu = QueryMenu(tool.Get(), 10);
    ASSERT_EQ(1u, menu.texts.size());
    EXPECT_EQ(E_NOTIMPL, InvokeVerb(tool.Get(), 10)) << "another handler's verb";
    EXPECT_EQ(E_NOTIMPL, InvokeVerb(tool.Get(), 9));
    tool.Reset();  // the worker holds the tool until it is done
    ASSERT_TRUE(mailer.WaitForRecord());
    EXPECT_EQ("mailto:jdoe@corp.example,a%26b%3Fc%3Dd%20e%25f@corp.example,"
              ".IJones.Support.Corp,.GHill.Support.Corp\n",
              mailer.Recorded());
    EXPECT_TRUE(PumpUntil([] { return CallToolExport(kDll, "DllCanUnloadNow") == S_OK; }))
        << "the worker let go of the tool";
}

TEST(MailLinkCommand, AContainerGivesOnlyTheUsersDirectlyBelowIt)
{
    SampleImage image;
    UrlRecorder mailer("Mailers");
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kMailLinkClsid, {{"Organizational Unit", ".Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    InvokeVerb(tool.Get(), 0);
    ASSERT_TRUE(mailer.WaitForRecord());
    std::string url = mailer.Recorded();
    // Sales holds 10 Users; the 3 of Inside.Sales are a level further down.
    EXPECT_EQ(9, std::count(url.begin(), url.end(), ',')) << url;
    EXPECT_NE(std::string::npos, url.find("jdoe@corp.example")) << url;
    EXPECT_EQ(std::string::npos, url.find("jbloom")) << url;
}

TEST(MailLinkCommand, NoRecipientsIsReported)
{
    SampleImage image;
    UrlRecorder mailer("Mailers");
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kMailLinkClsid, {{"Group", ".Empty.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    InvokeVerb(tool.Get(), 0);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindDialog("Error")) != nullptr; }, 15000));
    EXPECT_EQ("No E-mail address could be found for the object(s) selected.", DialogStaticText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([] { return !FindDialog("Error"); }));
    EXPECT_EQ("", mailer.Recorded());
}

}  // namespace
