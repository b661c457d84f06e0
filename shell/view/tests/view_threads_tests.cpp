// The namespace under several threads, as inside Explorer: two ExplorerBrowser
// windows on user-interface threads of their own show the same personal
// folder while a third thread adds, renames and deletes folders, adds
// shortcuts and asks for a refresh a few hundred times. One browser also
// leaves the folder and comes back now and then, so views are destroyed
// while refreshes go on.
//
// Surviving proves little under Wine (it does not enforce a window's thread),
// so the hand-over is watched: a hook on each user-interface thread sees
// every message sent to the views' lists, and a fill is one that empties the
// list. Each must come from the list's own thread.
#include "view_support.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "orrel/core/orrelrefresh.h"

namespace vtest {
namespace {

constexpr int kRounds = 240;  // each refreshes once; renames refresh too
constexpr char kShown[] = "Projects";

// Per user-interface thread: what its hook saw.
thread_local int t_ownFills = 0;
thread_local int t_foreignFills = 0;

LRESULT CALLBACK WatchLists(int code, WPARAM sentByThisThread, LPARAM lp)
{
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (call->message == LVM_DELETEALLITEMS && GetDlgCtrlID(call->hwnd) == 666) {
            if (sentByThisThread)
                ++t_ownFills;
            else
                ++t_foreignFills;
        }
    }
    return CallNextHookEx(nullptr, code, sentByThisThread, lp);
}

// The absolute list of a folder below the namespace root.
Pidl FolderPidl(const std::string& name)
{
    Pidl root = RootPidl();
    orrel::ComPtr<IShellFolder> top = BindPath({});
    if (!root.Get() || !top) return Pidl();
    Pidl child = ChildPidl(top.Get(), name);
    if (!child.Get()) return Pidl();
    return Pidl(ILCombine(root.Get(), child.Get()));
}

// The display names stored below a folder's key, sorted.
std::vector<std::string> StoredNames(const std::string& folderKey)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    const std::string path = std::string(kFoldersKey) + "\\" + folderKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char sub[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        char text[256] = {};
        DWORD bytes = sizeof text - 1;
        if (RegGetValueA(key, sub, "DisplayName", RRF_RT_ANY, nullptr, text, &bytes) == ERROR_SUCCESS)
            names.push_back(text);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

struct UiThread {
    bool wander = false;  // leaves the folder and comes back now and then
    HANDLE ready = nullptr;
    HANDLE stop = nullptr;
    // Results, read once the thread has ended.
    HRESULT browsed = E_FAIL;
    int ownFills = 0;
    int foreignFills = 0;
    int wanders = 0;
    std::vector<std::string> shown;
    HANDLE thread = nullptr;
};

DWORD WINAPI RunBrowser(void* param)
{
    auto* self = static_cast<UiThread*>(param);
    OleInitialize(nullptr);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &WatchLists, nullptr, GetCurrentThreadId());
    {
        ExplorerHost host;
        Pidl shown = FolderPidl(kShown);
        Pidl other = FolderPidl("Sorting");
        self->browsed = host.Browser() && shown.Get() ? host.BrowseTo(shown.Get()) : E_FAIL;
        SetEvent(self->ready);
        DWORD last = GetTickCount();
        while (MsgWaitForMultipleObjects(1, &self->stop, FALSE, 20, QS_ALLINPUT) != WAIT_OBJECT_0) {
            Pump(0);
            if (self->wander && other.Get() && GetTickCount() - last > 150) {
                host.BrowseTo(other.Get());
                host.BrowseTo(shown.Get());
                ++self->wanders;
                last = GetTickCount();
            }
        }
        Pump(500);  // the last refills
        if (HWND list = host.List()) self->shown = Column(list, 0);
        std::sort(self->shown.begin(), self->shown.end());
    }
    Pump(100);
    if (hook) UnhookWindowsHookEx(hook);
    self->ownFills = t_ownFills;
    self->foreignFills = t_foreignFills;
    OleUninitialize();
    return 0;
}

struct Mutator {
    HANDLE thread = nullptr;
    std::atomic<int> refreshes{0};
    std::atomic<int> failures{0};
};

DWORD WINAPI RunMutator(void* param)
{
    auto* self = static_cast<Mutator*>(param);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        orrel::ComPtr<IShellFolder> projects = BindPath({kShown});
        orrel::ComPtr<IOrrelRefresh> refresh;
        if (!projects ||
            FAILED(projects->QueryInterface(IID_IOrrelRefresh, refresh.PutVoid())) || !refresh) {
            ++self->failures;
        } else {
            for (int round = 0; round < kRounds; ++round) {
                const std::string n = std::to_string(round);
                switch (round % 4) {
                case 0:
                    WriteFolder(std::string(kShown) + "\\F" + n);
                    break;
                case 1: {
                    // The folder made a round ago, renamed through the folder.
                    const std::string old = "F" + std::to_string(round - 1);
                    Pidl child = ChildPidl(projects.Get(), old);
                    const std::wstring name = L"R" + std::wstring(n.begin(), n.end());
                    if (!child.Get() ||
                        FAILED(projects->SetNameOf(nullptr, child.Get(), name.c_str(),
                                                   SHGDN_NORMAL, nullptr)))
                        ++self->failures;
                    break;
                }
                case 2:
                    WriteShortcut(kShown, "S" + n + ".Org", "User", 0x100);
                    break;
                case 3: {
                    // Every other renamed folder goes again.
                    if (round % 8 == 3) {
                        const std::string gone = std::string(kFoldersKey) + "\\" + kShown + "\\R" +
                                                 std::to_string(round - 2);
                        RegDeleteTreeA(HKEY_CURRENT_USER, gone.c_str());
                    }
                    break;
                }
                }
                if (FAILED(refresh->Refresh())) ++self->failures;
                ++self->refreshes;
            }
        }
    }
    CoUninitialize();
    return 0;
}

class ViewThreadsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetConfiguration(); }
    void TearDown() override { ResetConfiguration(); }
};

TEST_F(ViewThreadsTest, TwoBrowserThreadsFollowAThirdThreadsChangesEachOnItsOwnThread)
{
    UiThread browsers[2];
    browsers[1].wander = true;
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // One after the other: two first browsers made at once fail now and then.
    for (UiThread& browser : browsers) {
        browser.stop = stop;
        browser.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        browser.thread = CreateThread(nullptr, 0, &RunBrowser, &browser, 0, nullptr);
        ASSERT_NE(browser.thread, nullptr);
        ASSERT_EQ(WaitForSingleObject(browser.ready, 60000), WAIT_OBJECT_0);
    }

    Mutator mutator;
    mutator.thread = CreateThread(nullptr, 0, &RunMutator, &mutator, 0, nullptr);
    ASSERT_NE(mutator.thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutator.thread, 300000), WAIT_OBJECT_0);
    SetEvent(stop);
    for (UiThread& browser : browsers) {
        EXPECT_EQ(WaitForSingleObject(browser.thread, 60000), WAIT_OBJECT_0);
        CloseHandle(browser.thread);
        CloseHandle(browser.ready);
    }
    CloseHandle(mutator.thread);
    CloseHandle(stop);

    EXPECT_EQ(mutator.refreshes.load(), kRounds);
    EXPECT_EQ(mutator.failures.load(), 0);
    const std::vector<std::string> stored = StoredNames(kShown);
    EXPECT_GT(stored.size(), 4u + kRounds / 4) << "the changes reached the registry";
    for (int i = 0; i < 2; ++i) {
        const UiThread& browser = browsers[i];
        EXPECT_EQ(browser.browsed, S_OK) << "browser " << i;
        EXPECT_EQ(Join(browser.shown), Join(stored)) << "browser " << i << " shows the registry";
        EXPECT_EQ(browser.foreignFills, 0)
            << "browser " << i << ": lists filled from a thread other than their own";
        EXPECT_GT(browser.ownFills, 1) << "browser " << i << " refilled on its own thread";
    }
    EXPECT_GT(browsers[1].wanders, 0) << "views were destroyed while refreshes went on";

    // The views of both threads counted as one: when the last went, the
    // view's window class went with it.
    HMODULE shell = GetModuleHandleA("OrrelShell.dll");
    ASSERT_NE(shell, nullptr);
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExA(shell, "OrrelContainerView", &info))
        << "a view window is still counted as alive";
}

}  // namespace
}  // namespace vtest
