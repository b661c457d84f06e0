// Dialogs owned by objects, modal and modeless, from the test executable's
// templates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "orrel/ui/dialog.h"
#include "ui_test_support.h"
#include "ui_tests_res.h"

namespace {

using orrel::ui::Dialog;
constexpr UINT kEndWith = WM_APP + 10;
constexpr UINT kAnswer = WM_APP + 11;
constexpr UINT_PTR kTimer = 77;

// Ends itself from a timer or a posted message and records what it saw.
class TestDialog : public Dialog {
public:
    TestDialog() : Dialog(IDD_UI_TEST) {}
    std::vector<std::string> events;
    std::string textAtOk;
    bool checkedAtOk = false;
    bool throwOnCommand = false;
    INT_PTR endOnTimer = 0;

protected:
    bool OnInit() override
    {
        events.push_back("init");
        SetItemText(IDC_UI_TEST_EDIT, "initial");
        CheckItem(IDC_UI_TEST_CHECK, true);
        SetReadOnly(IDC_UI_TEST_READONLY, true);
        if (endOnTimer) SetTimer(Handle(), kTimer, 20, nullptr);
        return true;
    }
    bool OnCommand(WORD id, WORD code, HWND) override
    {
        if (id == IDC_UI_TEST_BUTTON && code == BN_CLICKED) {
            events.push_back("button");
            if (throwOnCommand) throw std::runtime_error("command failed");
            return true;
        }
        return false;
    }
    void OnOK() override
    {
        events.push_back("ok");
        textAtOk = GetItemText(IDC_UI_TEST_EDIT);
        checkedAtOk = IsItemChecked(IDC_UI_TEST_CHECK);
        Dialog::OnOK();
    }
    void OnDestroy() override { events.push_back("destroy"); }
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) override
    {
        if (msg == WM_TIMER && wp == kTimer) {
            KillTimer(Handle(), kTimer);
            EndDialog(endOnTimer);
            return true;
        }
        if (msg == kEndWith) {
            EndDialog(static_cast<INT_PTR>(wp));
            return true;
        }
        if (msg == kAnswer) {
            result = 1234;
            return true;
        }
        return false;
    }
};

TEST(ModalDialog, EndedFromATimerReturnsItsResult)
{
    TestDialog dialog;
    dialog.endOnTimer = 321;
    EXPECT_EQ(321, dialog.DoModal(nullptr));
    ASSERT_GE(dialog.events.size(), 2u);
    EXPECT_EQ("init", dialog.events.front());
    EXPECT_EQ("destroy", dialog.events.back());
    EXPECT_EQ(nullptr, dialog.Handle()) << "detached once the dialog is gone";
}

// Drives a modal dialog from inside its own loop: a thread-message-free way
// is a timer on a helper window owned by this thread.
struct Script {
    static std::vector<std::function<void(HWND)>>* steps;
    static UINT_PTR timer;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND dialog = FindWindowA("#32770", "Test Dialog");
        if (!dialog || steps->empty()) return;
        auto step = steps->front();
        steps->erase(steps->begin());
        step(dialog);
    }
};
std::vector<std::function<void(HWND)>>* Script::steps = nullptr;
UINT_PTR Script::timer = 0;

INT_PTR RunScripted(Dialog& dialog, std::vector<std::function<void(HWND)>> steps)
{
    Script::steps = &steps;
    Script::timer = SetTimer(nullptr, 0, 20, &Script::Tick);
    INT_PTR result = dialog.DoModal(nullptr);
    KillTimer(nullptr, Script::timer);
    Script::steps = nullptr;
    return result;
}

TEST(ModalDialog, OkTakesTheItemStateAndCommandsReachTheObject)
{
    TestDialog dialog;
    INT_PTR result = RunScripted(dialog, {
        [](HWND d) {
            EXPECT_EQ(1234, SendMessageA(d, kAnswer, 0, 0)) << "generic handler result through DWLP_MSGRESULT";
            SetDlgItemTextA(d, IDC_UI_TEST_EDIT, "typed by the user");
            SendDlgItemMessageA(d, IDC_UI_TEST_BUTTON, BM_CLICK, 0, 0);
        },
        [](HWND d) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); },
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("typed by the user", dialog.textAtOk);
    EXPECT_TRUE(dialog.checkedAtOk);
    std::vector<std::string> expected = {"init", "button", "ok", "destroy"};
    EXPECT_EQ(expected, dialog.events);
}

TEST(ModalDialog, CancelEndsWithIdCancelByDefault)
{
    TestDialog dialog;
    EXPECT_EQ(IDCANCEL, RunScripted(dialog, {[](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }}));
}

TEST(ModalDialog, ExceptionInAHandlerDoesNotEscapeAndTheDialogGoesOn)
{
    TestDialog dialog;
    dialog.throwOnCommand = true;
    INT_PTR result = RunScripted(dialog, {
        [](HWND d) { SendDlgItemMessageA(d, IDC_UI_TEST_BUTTON, BM_CLICK, 0, 0); },
        [](HWND d) { PostMessageA(d, kEndWith, 9, 0); },
    });
    EXPECT_EQ(9, result) << "the dialog kept running after the throwing handler";
    EXPECT_EQ(1, std::count(dialog.events.begin(), dialog.events.end(), std::string("button")))
        << "the throwing handler ran once";
}

TEST(ModalDialog, MissingTemplateFailsWithMinusOne)
{
    class Missing : public Dialog {
    public:
        Missing() : Dialog(IDD_UI_MISSING) {}
    } dialog;
    EXPECT_EQ(-1, dialog.DoModal(nullptr));
    EXPECT_EQ(nullptr, dialog.Handle());
}

TEST(ModelessDialog, ItemHelpersAndHandlersWorkOnALiveDialog)
{
    TestDialog dialog;
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(dialog.IsModal());
    EXPECT_EQ(&dialog, Dialog::FromHandle(hwnd));
    EXPECT_EQ("initial", dialog.GetItemText(IDC_UI_TEST_EDIT));

    std::string longText(5000, 'a');
    longText += "end";
    EXPECT_TRUE(dialog.SetItemText(IDC_UI_TEST_EDIT, longText));
    EXPECT_EQ(longText, dialog.GetItemText(IDC_UI_TEST_EDIT)) << "text longer than any fixed buffer";

    EXPECT_TRUE(GetWindowLongA(dialog.Item(IDC_UI_TEST_READONLY), GWL_STYLE) & ES_READONLY)
        << "SetReadOnly made the edit read-only";
    dialog.SetReadOnly(IDC_UI_TEST_READONLY, false);
    EXPECT_FALSE(GetWindowLongA(dialog.Item(IDC_UI_TEST_READONLY), GWL_STYLE) & ES_READONLY);

    dialog.EnableItem(IDC_UI_TEST_BUTTON, false);
    EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_UI_TEST_BUTTON)));
    dialog.EnableItem(IDC_UI_TEST_BUTTON, true);
    EXPECT_TRUE(IsWindowEnabled(dialog.Item(IDC_UI_TEST_BUTTON)));
    dialog.CheckItem(IDC_UI_TEST_CHECK, false);
    EXPECT_FALSE(dialog.IsItemChecked(IDC_UI_TEST_CHECK));

    EXPECT_EQ(1234, SendMessageA(hwnd, kAnswer, 0, 0));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(hwnd)) << "OK destroys a modeless dialog";
    EXPECT_EQ(IDOK, dialog.Result());
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ("destroy", dialog.events.back());
}

class NotifyDialog : public Dialog {
public:
    NotifyDialog() : Dialog(IDD_UI_TEST) {}
    static int deleted;
    UINT lastCode = 0;

protected:
    ~NotifyDialog() override { ++deleted; }
    bool OnNotify(NMHDR* header) override
    {
        lastCode = header->code;
        SetResult(555);
        return true;
    }
    void OnFinalMessage(HWND) override { delete this; }
};
int NotifyDialog::deleted = 0;

TEST(ModelessDialog, NotificationsAnswerThroughSetResultAndASelfOwnedDialogDeletesItself)
{
    NotifyDialog::deleted = 0;
    auto* dialog = new NotifyDialog;
    HWND hwnd = dialog->Create(nullptr);
    ASSERT_NE(nullptr, hwnd);
    NMHDR header = {dialog->Item(IDC_UI_TEST_EDIT), IDC_UI_TEST_EDIT, 12345};
    EXPECT_EQ(555, SendMessageA(hwnd, WM_NOTIFY, IDC_UI_TEST_EDIT, reinterpret_cast<LPARAM>(&header)))
        << "the dialog manager answers with DWLP_MSGRESULT";
    EXPECT_EQ(12345u, dialog->lastCode);
    DestroyWindow(hwnd);
    EXPECT_EQ(1, NotifyDialog::deleted);
}

TEST(ModelessDialog, DeletingTheObjectOfAnOpenDialogClosesIt)
{
    auto* dialog = new TestDialog;
    HWND hwnd = dialog->Create(nullptr);
    ASSERT_NE(nullptr, hwnd);
    delete dialog;
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
