// OrrelMapiMail through COM: its registration, its menu text for one and
// several objects, and the message it hands to the MAPI provider test double
// (platform/mapi), read back from the provider's record.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

#include "image_lock.h"
#include "tool_test_support.h"

namespace {

using namespace tooltest;

// {0FEC2001-2800-11D3-8685-00A0C9D59E71}
const CLSID kMapiMailClsid = {0x0FEC2001, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const char kDll[] = "OrrelMapiMail.dll";
const char kMailKey[] = "Software\\Clients\\Mail";
const char kClient[] = "Orrel Test Mail";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Starting(const std::vector<std::string>& lines, const char* prefix)
{
    std::vector<std::string> found;
    for (const std::string& l : lines)
        if (l.compare(0, strlen(prefix), prefix) == 0) found.push_back(l);
    return found;
}

// The provider test double as the machine's mail system, and MAPI enabled
// in the user's profile settings; both put back afterwards.
class MapiSystem {
public:
    explicit MapiSystem(const char* fail = nullptr, DWORD showFormDelay = 0)
    {
        record_ = ArtefactFolder("mapi-mail-tests") + "\\record.txt";
        DeleteFileA(record_.c_str());
        char mapi[16] = {};
        GetProfileStringA("MAIL", "MAPI", "", mapi, sizeof mapi);
        profileBefore_ = mapi;
        WriteProfileStringA("MAIL", "MAPI", "1");

        HKEY mail = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMailKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &mail, nullptr);
        char before[256] = {};
        DWORD size = sizeof before - 1, type = 0;
        if (RegQueryValueExA(mail, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(before), &size) ==
            ERROR_SUCCESS)
            defaultBefore_ = before, hadDefault_ = true;
        RegSetValueExA(mail, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClient), sizeof kClient);
        HKEY client = nullptr;
        RegCreateKeyExA(mail, kClient, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &client, nullptr);
        SetText(client, "DLLPathEx", BinPath("OrrelTestMapi.dll"));
        SetText(client, "RecordFile", record_);
        if (fail) SetText(client, "Fail", fail);
        if (showFormDelay)
            RegSetValueExA(client, "ShowFormDelay", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&showFormDelay),
                           sizeof showFormDelay);
        RegCloseKey(client);
        RegCloseKey(mail);
    }
    ~MapiSystem()
    {
        WriteProfileStringA("MAIL", "MAPI", profileBefore_.empty() ? nullptr : profileBefore_.c_str());
        HKEY mail = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMailKey, 0, KEY_ALL_ACCESS, &mail) == ERROR_SUCCESS) {
            RegDeleteKeyA(mail, kClient);
            if (hadDefault_)
                SetText(mail, nullptr, defaultBefore_);
            else
                RegDeleteValueA(mail, nullptr);
            RegCloseKey(mail);
        }
    }
    std::vector<std::string> Record() const { return Lines(ReadFileBytes(record_)); }

private:
    static void SetText(HKEY key, const char* name, const std::string& text)
    {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    std::string record_;
    std::string profileBefore_;
    std::string defaultBefore_;
    bool hadDefault_ = false;
};

std::vector<std::string> MenuOf(const std::vector<Obj>& objects, HRESULT* hr = nullptr)
{
    orrel::ComPtr<IContextMenu> menu = MakeTool(kDll, kMapiMailClsid, objects);
    if (!menu) return {"(no tool)"};
    MenuResult result = QueryMenu(menu.Get(), 7);
    if (hr) *hr = result.hr;
    return result.texts;
}

// Runs the tool's command on objects (verb 6: its id 7 less one).
void Send(const std::vector<Obj>& objects)
{
    orrel::ComPtr<IContextMenu> menu = MakeTool(kDll, kMapiMailClsid, objects);
    ASSERT_TRUE(menu);
    MenuResult result = QueryMenu(menu.Get(), 7);
    ASSERT_EQ(result.texts.size(), 1u);
    EXPECT_EQ(InvokeVerb(menu.Get(), 6), E_NOTIMPL);
}

TEST(MapiMailTool, RegistersItsHandlerForTheSixClasses)
{
    ASSERT_EQ(CallToolExport(kDll, "DllRegisterServer"), S_OK);
    const std::string clsidKey = "CLSID\\{0FEC2001-2800-11D3-8685-00A0C9D59E71}";
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey, nullptr), "Corvane MAPI Email Handler");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", "ThreadingModel"), "Apartment");
    for (const char* cls : {"User", "Group", "Country", "Locality", "Organization", "Organizational Unit"}) {
        std::string key = std::string("Software\\Halvet\\Orrel NameSpace\\Classes\\") + cls +
                          "\\ContextMenuHandlers\\{0FEC2001-2800-11D3-8685-00A0C9D59E71}";
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, key, nullptr), "Corvane MAPI Email Handler") << cls;
        EXPECT_EQ(RegDword(HKEY_CURRENT_USER, key, "Flags"), 1u) << cls;
        EXPECT_EQ(RegDword(HKEY_CURRENT_USER, key, "LoadPriority"), 0x01000000u) << cls;
    }
    ASSERT_EQ(CallToolExport(kDll, "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER,
                              "Software\\Halvet\\Orrel NameSpace\\Classes\\Group\\ContextMenuHandlers\\"
                              "{0FEC2001-2800-11D3-8685-00A0C9D59E71}"));
}

TEST(MapiMailTool, MenuTextNamesTheAddressOfASingleGroupOrContainer)
{
    SampleImage image([](nlohmann::json& json) {
        SampleImage::Attributes(json, "Testers.QA.Engineering.Corp")["Internet EMail Address"] = {
            "qa&test@corp.example"};
    });
    MapiSystem mapi;
    using V = std::vector<std::string>;
    EXPECT_EQ(MenuOf({{"User", ".JDoe.Sales.Corp"}}), V{"MAPI E-Mail"});
    EXPECT_EQ(MenuOf({{"Group", ".Everyone.Corp"}}), V{"MAPI E-Mail\t(SMTP:everyone@corp.example)"});
    EXPECT_EQ(MenuOf({{"Organizational Unit", ".Inside.Sales.Corp"}}), V{"MAPI E-Mail"});
    EXPECT_EQ(MenuOf({{"Organization", ".Corp"}}), V{"MAPI E-Mail\t(info@corp.example)"});
    // An Internet address without an "EMail Address"; its "&" is no mnemonic.
    EXPECT_EQ(MenuOf({{"Group", ".Testers.QA.Engineering.Corp"}}), V{"MAPI E-Mail\t(qa&&test@corp.example)"});
    EXPECT_EQ(MenuOf({{"User", ".JDoe.Sales.Corp"}, {"Group", ".Everyone.Corp"}}), V{"MAPI E-Mail"});
    HRESULT hr = E_FAIL;
    EXPECT_EQ(MenuOf({{"User", ".JDoe.Sales.Corp"}, {"Volume", ".ORREL-FS1_SYS.Corp"}}, &hr), V{});
    EXPECT_EQ(hr, S_OK) << "no id used";

    orrel::ComPtr<IContextMenu> menu = MakeTool(kDll, kMapiMailClsid, {{"User", ".JDoe.Sales.Corp"}});
    ASSERT_TRUE(menu);
    QueryMenu(menu.Get(), 7);
    HRESULT help = E_FAIL;
    EXPECT_EQ(HelpText(menu.Get(), 6, &help), std::string(255, '#')) << "nothing written";
    EXPECT_EQ(help, S_OK);
    EXPECT_EQ(InvokeVerb(menu.Get(), 5), E_NOTIMPL);
    EXPECT_TRUE(mapi.Record().empty()) << "another handler's verb sends nothing";
}

TEST(MapiMailTool, NotOfferedWithoutMapiInTheProfile)
{
    SampleImage image;
    MapiSystem mapi;
    WriteProfileStringA("MAIL", "MAPI", "0");
    EXPECT_EQ(MenuOf({{"User", ".JDoe.Sales.Corp"}}), std::vector<std::string>{});
}

TEST(MapiMailTool, HandsTheRecipientsToANewMessageForm)
{
    SampleImage image;
    MapiSystem mapi(nullptr, 1500);
    // The progress window while the mail system is accessed.
    std::atomic<bool> shot{false}, sent{false};
    std::thread camera([&] {
        while (!shot && !sent) {
            HWND wait = FindWindowA("#32770", "Please wait...");
            char text[128] = {};
            if (wait && IsWindowVisible(wait) && GetDlgItemTextA(wait, 3000, text, sizeof text) &&
                lstrcmpA(text, "Accessing EMail system.") == 0) {
                Sleep(200);
                std::size_t colours = 0;
                shot = SaveScreenshot(wait, ArtefactFolder("mapi-mail-tests") + "\\progress.png", &colours);
                EXPECT_FALSE(IsWindowVisible(GetDlgItem(wait, IDCANCEL))) << "Cancel only while gathering";
                break;
            }
            Sleep(10);
        }
    });
    Send({{"User", ".JDoe.Sales.Corp"}, {"Group", ".NoMail.Support.Corp"},
          {"Organizational Unit", ".Inside.Sales.Corp"}});
    sent = true;
    camera.join();
    EXPECT_TRUE(shot) << "progress window seen";
    EXPECT_EQ(FindWindowA("#32770", "Please wait..."), nullptr) << "progress window gone";

    std::vector<std::string> record = mapi.Record();
    EXPECT_EQ(Starting(record, "MAPIInitialize"), std::vector<std::string>{"MAPIInitialize version=0 flags=0x1"});
    EXPECT_EQ(Starting(record, "MAPILogonEx"),
              std::vector<std::string>{"MAPILogonEx ui=0x0 profile=(null) password=(null) flags=0x20068"});
    EXPECT_EQ(Starting(record, "HrQueryAllRows"),
              std::vector<std::string>{"HrQueryAllRows columns=PR_DEFAULT_STORE,PR_ENTRYID restriction=default-store"});
    EXPECT_EQ(Starting(record, "OpenMsgStore"), std::vector<std::string>{"OpenMsgStore ui=0x0 flags=0xc entry=default"});
    EXPECT_EQ(Starting(record, "OpenEntry"), std::vector<std::string>{"OpenEntry by=store flags=0x9 entry=outbox"});
    EXPECT_EQ(Starting(record, "ModifyRecipients"), std::vector<std::string>{"ModifyRecipients flags=0x2 count=6"});

    std::vector<std::string> recipients = Starting(record, "Recipient ");
    ASSERT_EQ(recipients.size(), 6u);
    // A typed address gives its type and the address; a plain one no type.
    EXPECT_EQ(recipients[0], "Recipient name=[] address=[jdoe@corp.example] addrtype=[SMTP] recipienttype=1");
    // Members without any address stand in with their display names.
    for (int i : {1, 2}) {
        std::string name = recipients[i].substr(recipients[i].find('[') + 1);
        name = name.substr(0, name.find(']'));
        EXPECT_NE(name.find("Support.Corp"), std::string::npos) << recipients[i];
        EXPECT_EQ(recipients[i], "Recipient name=[" + name + "] address=[" + name + "] addrtype=none recipienttype=1");
    }
    // The users directly inside the unit, each once.
    std::string inside = recipients[3] + recipients[4] + recipients[5];
    EXPECT_NE(inside.find("address=[iortiz@corp.example] addrtype=[SMTP]"), std::string::npos) << inside;
    EXPECT_NE(inside.find("address=[jbloom@corp.example] addrtype=none"), std::string::npos) << inside;
    EXPECT_NE(inside.find("address=[kadams@mail.corp.example] addrtype=none"), std::string::npos) << inside;

    EXPECT_EQ(Starting(record, "ShowForm"),
              std::vector<std::string>{"ShowForm ui=0x0 store=yes folder=yes token=ok flags=0x2 status=0x0 "
                                       "msgflags=0x9 access=0x0 class=IPM.Note"});
    // The message goes before the form is shown; everything else after it,
    // then the session and MAPI itself, with nothing left over.
    auto at = [&](const char* line) {
        return std::find(record.begin(), record.end(), line) - record.begin();
    };
    auto showForm = std::find_if(record.begin(), record.end(),
                                 [](const std::string& l) { return l.compare(0, 8, "ShowForm") == 0; }) -
                    record.begin();
    EXPECT_LT(at("PrepareForm"), at("Release message"));
    EXPECT_LT(at("Release message"), showForm);
    EXPECT_LT(showForm, at("Release folder"));
    EXPECT_LT(at("Release folder"), at("Release store"));
    EXPECT_LT(at("Release table"), at("Logoff ui=0x0 flags=0x0"));
    EXPECT_LT(at("Logoff ui=0x0 flags=0x0"), at("Release session"));
    EXPECT_EQ(record.back(), "MAPIUninitialize objects=0");
}

TEST(MapiMailTool, AFailingStepEndsTheSendSilently)
{
    SampleImage image;
    MapiSystem mapi("OpenStore");
    Send({{"User", ".JDoe.Sales.Corp"}});
    std::vector<std::string> record = mapi.Record();
    EXPECT_EQ(Starting(record, "OpenStore failed").size(), 1u);
    EXPECT_TRUE(Starting(record, "CreateMessage").empty());
    EXPECT_TRUE(Starting(record, "ShowForm").empty());
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back(), "MAPIUninitialize objects=0");
}

TEST(MapiMailTool, NoAddressAtAllIsReportedWithoutTouchingMapi)
{
    SampleImage image;
    MapiSystem mapi;
    std::string shown;
    ModalScript script({[&] {
        HWND box = FindDialog("Error");
        if (!box) return false;
        shown = DialogStaticText(box);
        std::size_t colours = 0;
        SaveScreenshot(box, ArtefactFolder("mapi-mail-tests") + "\\no-address.png", &colours);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    }});
    Send({{"Group", ".Empty.Corp"}});
    EXPECT_TRUE(script.Done());
    EXPECT_NE(shown.find("No E-mail address could be found for the object(s) selected."), std::string::npos)
        << shown;
    EXPECT_TRUE(mapi.Record().empty());
}

TEST(MapiMailTool, CancelWhileGatheringDropsTheAddressesSilently)
{
    SampleImage image;
    MapiSystem mapi;
    orrel::ComPtr<IContextMenu> menu = MakeTool(kDll, kMapiMailClsid, {{"Organizational Unit", ".Sales.Corp"}});
    ASSERT_TRUE(menu);
    ASSERT_EQ(QueryMenu(menu.Get(), 7).texts.size(), 1u);

    // Another thread holds the directory so that the gathering waits, and
    // meanwhile presses the progress window's Cancel.
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool cancelVisible = false, shot = false;
    std::thread user([&] {
        ImageLockHolder lock;
        EXPECT_TRUE(lock.Take());
        SetEvent(taken);
        // The caller's thread waits for the directory meanwhile (the
        // stand-ins give up after 30 s).
        for (int i = 0; i < 2000; ++i) {
            HWND wait = FindWindowA("#32770", "Please wait...");
            char text[128] = {};
            if (wait && IsWindowVisible(wait) && GetDlgItemTextA(wait, 3000, text, sizeof text) &&
                lstrcmpA(text, "Aquiring E-mail addresses for the object(s) selected.") == 0) {
                Sleep(200);
                cancelVisible = IsWindowVisible(GetDlgItem(wait, IDCANCEL)) != FALSE;
                std::size_t colours = 0;
                shot = SaveScreenshot(wait, ArtefactFolder("mapi-mail-tests") + "\\gathering.png", &colours);
                SendMessageA(wait, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(wait, IDCANCEL)));
                break;
            }
            Sleep(10);
        }
        lock.Release();
    });
    WaitForSingleObject(taken, 10000);
    CloseHandle(taken);
    EXPECT_EQ(InvokeVerb(menu.Get(), 6), E_NOTIMPL);
    user.join();
    EXPECT_TRUE(cancelVisible);
    EXPECT_TRUE(shot);
    EXPECT_EQ(FindDialog("Error"), nullptr) << "no message after Cancel";
    EXPECT_TRUE(mapi.Record().empty()) << "MAPI untouched";
}

}  // namespace
