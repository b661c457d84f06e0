// OrrelMessenger through COM: registration, menu, help text and the verb
// rule; the message and results dialogs driven for real against a copy of
// the sample directory, with the messages read back from the call client
// stand-in's per-connection spool; and "&Stop" while the worker is held up.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "image_lock.h"
#include "imagefile.h"
#include "names.h"
#include "orrel/ui/controls.h"
#include "tool_test_support.h"

namespace {

using namespace tooltest;

const char kDll[] = "OrrelMessenger.dll";
const char kCaption[] = "Orrel Send Instant Message";
const char kResultsCaption[] = "Orrel Send Instant Message Results";
// {1614F118-8B45-434C-B8C1-5CE8755CC409}
const CLSID kMessengerClsid = {0x1614F118, 0x8B45, 0x434C, {0xB8, 0xC1, 0x5C, 0xE8, 0x75, 0x5C, 0xC4, 0x09}};
const char kClsidText[] = "{1614F118-8B45-434C-B8C1-5CE8755CC409}";

enum { kSend = 122, kText = 123, kList = 124, kStop = 125 };

struct ResultRow {
    std::string user;
    std::string text;
    int icon;
};

std::vector<ResultRow> Rows(HWND results)
{
    orrel::ui::ListViewCtrl list(GetDlgItem(results, kList));
    std::vector<ResultRow> rows;
    for (int i = 0; i < list.GetItemCount(); ++i)
        rows.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemImage(i)});
    return rows;
}

// The messages the stand-in delivered to one connection of a server.
std::vector<std::string> Spooled(const char* server, int connection)
{
    std::string folder = orrel::dirstore::ImageStore::SpoolFolder(
                             orrel::dirstore::ImageStore::Instance().ImagePath()) +
                         "\\" + server + "\\" + std::to_string(connection);
    std::vector<std::string> messages;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*.msg").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return messages;
    do {
        messages.push_back(ReadFileBytes(folder + "\\" + found.cFileName));
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return messages;
}

std::size_t SpooledCount()
{
    std::size_t n = 0;
    for (const char* server : {"ORREL-FS1", "ORREL-FS2", "ACME-FS1"})
        for (int c = 1; c <= 8; ++c) n += Spooled(server, c).size();
    return n;
}

orrel::ComPtr<IContextMenu> Tool(const std::vector<Obj>& objects)
{
    HRESULT init = E_FAIL;
    orrel::ComPtr<IContextMenu> menu = MakeTool(kDll, kMessengerClsid, objects, &init);
    EXPECT_EQ(init, S_OK);
    if (menu) {
        EXPECT_EQ(QueryMenu(menu.Get(), 3).texts, std::vector<std::string>{"Send Instant Message..."});
    }
    return menu;
}

TEST(MessengerTool, RegistrationMenuHelpAndVerbRule)
{
    SampleImage image;
    ASSERT_EQ(CallToolExport(kDll, "DllRegisterServer"), S_OK);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsidText, nullptr),
              "Corvane Orrel Send Context Menu");
    for (const char* cls : {"User", "Group", "Country", "Locality", "Organization", "Organizational Unit"}) {
        std::string key = std::string("Software\\Halvet\\Orrel NameSpace\\Classes\\") + cls +
                          "\\ContextMenuHandlers\\" + kClsidText;
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, key, nullptr), "Corvane Orrel Send Context Menu") << cls;
        EXPECT_EQ(RegDword(HKEY_CURRENT_USER, key, "Flags"), 1u) << cls;
        EXPECT_EQ(RegDword(HKEY_CURRENT_USER, key, "LoadPriority"), 0x05000000u) << cls;
    }
    ASSERT_EQ(CallToolExport(kDll, "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsidText));

    // One object or several of the six classes, compared ignoring case.
    Tool({{"User", ".JDoe.Sales.Corp"}});
    orrel::ComPtr<IContextMenu> menu =
        Tool({{"user", ".JDoe.Sales.Corp"}, {"Group", ".Staff.Sales.Corp"}, {"Locality", ".Boston.Corp"}});
    ASSERT_TRUE(menu);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(HelpText(menu.Get(), 2, &hr), "Sends an instant message directly to the user");
    EXPECT_EQ(hr, S_OK);
    // Another handler's verb opens nothing.
    EXPECT_NE(InvokeVerb(menu.Get(), 7), S_OK);
    EXPECT_EQ(FindDialog(kCaption), nullptr);
    // A Volume in the selection leaves the tool out.
    HRESULT init = S_OK;
    MakeTool(kDll, kMessengerClsid, {{"User", ".JDoe.Sales.Corp"}, {"Volume", ".ORREL-FS1_SYS.Corp"}}, &init);
    EXPECT_EQ(init, E_FAIL);
}

TEST(MessengerTool, SendsToEveryLoggedInUserAndListsEachOutcome)
{
    SampleImage image;
    orrel::ComPtr<IContextMenu> menu =
        Tool({{"User", ".JDoe.Sales.Corp"}, {"User", ".MStone.Sales.Corp"}, {"User", ".BKing.Sales.Corp"},
              {"Group", ".NoMail.Support.Corp"}, {"Organizational Unit", ".Inside.Sales.Corp"}});
    ASSERT_TRUE(menu);
    const std::string shots = ArtefactFolder("messenger-tests");
    HWND dialog = nullptr;
    UINT limit = 0;
    std::string warning;
    std::vector<ResultRow> rows;
    ModalScript script(
        {[&] {
             dialog = FindDialog(kCaption);
             if (!dialog) return false;
             limit = static_cast<UINT>(SendDlgItemMessageA(dialog, kText, EM_GETLIMITTEXT, 0, 0));
             Click(dialog, kSend);  // empty: a warning, the dialog stays
             return true;
         },
         [&] {
             HWND box = FindDialog(kCaption, dialog);
             if (!box) return false;
             warning = DialogStaticText(box);
             PostMessageA(box, WM_COMMAND, IDOK, 0);
             return true;
         },
         [&] {
             if (FindDialog(kCaption, dialog)) return false;
             SetDlgItemTextA(dialog, kText, "Lunch at noon");
             RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
             std::size_t colours = 0;
             SaveScreenshot(dialog, shots + "\\message.png", &colours);
             Click(dialog, kSend);  // runs the results dialog
             return true;
         },
         [&] {
             HWND results = FindDialog(kResultsCaption, dialog);
             if (!results) return false;
             if (!IsWindowEnabled(GetDlgItem(results, IDOK))) return false;  // the worker is still at it
             rows = Rows(results);
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(results, kStop)));
             RedrawWindow(results, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
             std::size_t colours = 0;
             SaveScreenshot(results, shots + "\\results.png", &colours);
             Click(results, IDOK);
             return true;
         }},
        60000);
    EXPECT_EQ(InvokeVerb(menu.Get(), 2), S_OK);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(FindDialog(kCaption), nullptr) << "the message dialog closes with its results";

    // "From: %s[%d] %s" leaves 9 characters; WhoAmI gives ".Admin.Corp" (11).
    EXPECT_EQ(limit, 236u - 11u);
    EXPECT_NE(warning.find("You must enter a message to send before continuing."), std::string::npos) << warning;

    const std::string notFound = "Cannot find a server where the user is connected.";
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].user, ".JDoe.Sales.Corp");
    EXPECT_EQ(rows[0].text, "Sent to user on server ORREL-FS1.");
    EXPECT_EQ(rows[0].icon, 0);
    EXPECT_EQ(rows[1].user, ".MStone.Sales.Corp");
    EXPECT_EQ(rows[1].text, "Error 252 sending the message to server ORREL-FS1.");
    EXPECT_EQ(rows[1].icon, 1);
    EXPECT_EQ(rows[2].user, ".BKing.Sales.Corp");
    EXPECT_EQ(rows[2].text, notFound);
    EXPECT_EQ(rows[2].icon, 1);
    // The group's two members in member order, then the unit's own users.
    EXPECT_EQ(orrel::dirstore::Lower(rows[3].user), ".ijones.support.corp");
    EXPECT_EQ(orrel::dirstore::Lower(rows[4].user), ".ghill.support.corp");
    std::vector<std::string> inside = {rows[5].user, rows[6].user, rows[7].user};
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (std::vector<std::string>{"IOrtiz.Inside.Sales.Corp", "JBloom.Inside.Sales.Corp",
                                                 "KAdams.Inside.Sales.Corp"}));
    for (int i = 3; i < 8; ++i) {
        EXPECT_EQ(rows[i].text, notFound) << rows[i].user;
        EXPECT_EQ(rows[i].icon, 1) << rows[i].user;
    }

    // JDoe's first connection got the message, signed with our login name
    // and connection number on that server; nothing else was delivered.
    EXPECT_EQ(Spooled("ORREL-FS1", 3), std::vector<std::string>{"From: Admin.Corp[1] Lunch at noon"});
    EXPECT_EQ(SpooledCount(), 1u);
}

TEST(MessengerTool, FindsUsersThroughTheirMessageServerAndHomeVolume)
{
    // Without a connection of the workstation to ORREL-FS2, its users are
    // found through the directory only.
    SampleImage image([](nlohmann::json& json) {
        auto& refs = json["workstation"]["connectionRefs"];
        refs.erase(std::remove_if(refs.begin(), refs.end(),
                                  [](const nlohmann::json& r) { return r["server"] == "ORREL-FS2"; }),
                   refs.end());
    });
    orrel::ComPtr<IContextMenu> menu =
        Tool({{"User", ".NReyes.Engineering.Corp"}, {"User", ".PSingh.Engineering.Corp"}});
    ASSERT_TRUE(menu);
    std::vector<ResultRow> rows;
    ModalScript script({[&] {
                            HWND dialog = FindDialog(kCaption);
                            if (!dialog) return false;
                            SetDlgItemTextA(dialog, kText, "Build is green");
                            Click(dialog, kSend);
                            return true;
                        },
                        [&] {
                            HWND results = FindDialog(kResultsCaption);
                            if (!results || !IsWindowEnabled(GetDlgItem(results, IDOK))) return false;
                            rows = Rows(results);
                            Click(results, IDOK);
                            return true;
                        }},
                       60000);
    EXPECT_EQ(InvokeVerb(menu.Get(), 2), S_OK);
    EXPECT_TRUE(script.Done());
    ASSERT_EQ(rows.size(), 2u);
    for (const ResultRow& row : rows) {
        EXPECT_EQ(row.text, "Sent to user on server ORREL-FS2.") << row.user;
        EXPECT_EQ(row.icon, 0) << row.user;
    }
    EXPECT_EQ(Spooled("ORREL-FS2", 7), std::vector<std::string>{"From: Admin.Corp[1] Build is green"});
    EXPECT_EQ(Spooled("ORREL-FS2", 8), std::vector<std::string>{"From: Admin.Corp[1] Build is green"});
}

TEST(MessengerTool, StopLeavesABusyWorkerToFinishAloneWithoutRows)
{
    SampleImage image;
    ImageLockHolder lock;
    orrel::ComPtr<IContextMenu> menu = Tool({{"User", ".JDoe.Sales.Corp"}, {"Group", ".Staff.Sales.Corp"}});
    ASSERT_TRUE(menu);
    ULONGLONG stopTook = 0;
    bool closeDisabledWhileBusy = false;
    bool closeEnabled = false;
    std::size_t rowsAfterStop = 99;
    ModalScript script({[&] {
                            HWND dialog = FindDialog(kCaption);
                            if (!dialog) return false;
                            SetDlgItemTextA(dialog, kText, "Fire drill");
                            // The worker will wait inside its first directory call.
                            EXPECT_TRUE(lock.Take());
                            Click(dialog, kSend);
                            return true;
                        },
                        [&] {
                            HWND results = FindDialog(kResultsCaption);
                            if (!results) return false;
                            closeDisabledWhileBusy = !IsWindowEnabled(GetDlgItem(results, IDOK)) &&
                                                     IsWindowEnabled(GetDlgItem(results, kStop));
                            ULONGLONG start = GetTickCount64();
                            Click(results, kStop);
                            stopTook = GetTickCount64() - start;
                            closeEnabled = IsWindowEnabled(GetDlgItem(results, IDOK)) &&
                                           !IsWindowEnabled(GetDlgItem(results, kStop));
                            rowsAfterStop = Rows(results).size();
                            Click(results, IDOK);
                            return true;
                        }},
                       60000);
    EXPECT_EQ(InvokeVerb(menu.Get(), 2), S_OK);
    EXPECT_TRUE(script.Done());
    EXPECT_GE(stopTook, 1900u) << "Stop waited for the worker";
    EXPECT_TRUE(closeDisabledWhileBusy);
    EXPECT_TRUE(closeEnabled);
    EXPECT_EQ(rowsAfterStop, 0u);

    // The worker still holds the tool, so the DLL stays in use.
    menu.Reset();
    EXPECT_EQ(CallToolExport(kDll, "DllCanUnloadNow"), S_FALSE);
    lock.Release();
    EXPECT_TRUE(PumpUntil([] { return CallToolExport(kDll, "DllCanUnloadNow") == S_OK; }, 20000))
        << "the worker ended and let the tool go";
    EXPECT_EQ(SpooledCount(), 0u) << "nothing sent after Stop";
}

TEST(MessengerTool, StopWaitsForAWorkerThatEndsInTime)
{
    SampleImage image;
    orrel::ComPtr<IContextMenu> menu = Tool({{"Group", ".Staff.Sales.Corp"}});
    ASSERT_TRUE(menu);
    // Another thread holds the directory from "&Send" until just after
    // "&Stop".
    HANDLE take = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE stopping = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        if (WaitForSingleObject(take, 30000) != WAIT_OBJECT_0) return;
        ImageLockHolder lock;
        EXPECT_TRUE(lock.Take());
        SetEvent(taken);
        WaitForSingleObject(stopping, 30000);
        Sleep(300);
        lock.Release();
    });
    ULONGLONG stopTook = 0;
    std::size_t rowsAfterStop = 99;
    ModalScript script({[&] {
                            HWND dialog = FindDialog(kCaption);
                            if (!dialog) return false;
                            SetDlgItemTextA(dialog, kText, "Fire drill");
                            SetEvent(take);
                            WaitForSingleObject(taken, 10000);
                            Click(dialog, kSend);
                            return true;
                        },
                        [&] {
                            HWND results = FindDialog(kResultsCaption);
                            if (!results) return false;
                            SetEvent(stopping);
                            ULONGLONG start = GetTickCount64();
                            Click(results, kStop);
                            stopTook = GetTickCount64() - start;
                            rowsAfterStop = Rows(results).size();
                            Click(results, IDOK);
                            return true;
                        }},
                       60000);
    EXPECT_EQ(InvokeVerb(menu.Get(), 2), S_OK);
    SetEvent(take);
    SetEvent(stopping);
    holder.join();
    CloseHandle(take);
    CloseHandle(taken);
    CloseHandle(stopping);
    EXPECT_TRUE(script.Done());
    EXPECT_LT(stopTook, 1900u) << "the worker ended as soon as the directory answered";
    EXPECT_EQ(rowsAfterStop, 0u);
    menu.Reset();
    EXPECT_TRUE(PumpUntil([] { return CallToolExport(kDll, "DllCanUnloadNow") == S_OK; }, 10000))
        << "the worker has let the tool go";
    EXPECT_EQ(SpooledCount(), 0u);
}

}  // namespace
