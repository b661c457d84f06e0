// User-interface threads and workers: their loop, apartment, quitting,
// stopping, the counted reference they hold, and what they survive.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <stdexcept>

#include "orrel/module.h"
#include "orrel/ui/thread.h"
#include "orrel/ui/window.h"
#include "ui_test_support.h"

namespace {

using orrel::ui::UiThread;
using orrel::ui::WorkerThread;

// A COM object that only counts.
class Counted : public IUnknown {
public:
    std::atomic<LONG> refs{1};
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

constexpr char kThreadWindowClass[] = "OrrelUiThreadWindow";

class ThreadWindow : public orrel::ui::Window {
protected:
    bool HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg == WM_APP) {
            result = static_cast<LRESULT>(GetCurrentThreadId());
            return true;
        }
        return false;
    }
};

class WindowThread : public UiThread {
public:
    using UiThread::UiThread;
    ~WindowThread() override { QuitAndWait(); }
    HWND window = nullptr;
    orrel::Event created{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    APTTYPE apartment = APTTYPE_CURRENT;
    bool exited = false;

protected:
    bool InitInstance() override
    {
        APTTYPEQUALIFIER qualifier;
        CoGetApartmentType(&apartment, &qualifier);
        orrel::ui::WindowClass cls;
        cls.name = kThreadWindowClass;
        orrel::ui::Window::RegisterWindowClass(cls);
        RECT rect = {0, 0, 100, 100};
        window = view_.Create(kThreadWindowClass, nullptr, "thread", WS_OVERLAPPED, 0, rect);
        SetEvent(created.Get());
        return window != nullptr;
    }
    void ExitInstance() override
    {
        view_.Destroy();
        exited = true;
    }

private:
    ThreadWindow view_;
};

TEST(UiThread, RunsAWindowInAnApartmentOfItsOwnAndQuits)
{
    Counted host;
    LONG lockBefore = orrel::Module::LockCount();
    WindowThread thread;
    ASSERT_TRUE(thread.Start(&host));
    EXPECT_EQ(2, host.refs.load()) << "the thread holds a counted reference while it runs";
    EXPECT_EQ(lockBefore + 1, orrel::Module::LockCount()) << "and a count on the module";
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.created.Get(), 3000));
    ASSERT_NE(nullptr, thread.window);
    EXPECT_EQ(static_cast<LRESULT>(thread.ThreadId()), SendMessageA(thread.window, WM_APP, 0, 0))
        << "the window answers on the thread that made it";
    EXPECT_NE(GetCurrentThreadId(), thread.ThreadId());
    EXPECT_TRUE(thread.apartment == APTTYPE_STA || thread.apartment == APTTYPE_MAINSTA)
        << "a single-threaded apartment, found type " << thread.apartment;

    EXPECT_TRUE(thread.PostQuit(7));
    ASSERT_TRUE(thread.Join(3000));
    EXPECT_EQ(7u, thread.ExitCode());
    EXPECT_TRUE(thread.exited);
    EXPECT_FALSE(IsWindow(thread.window));
    EXPECT_EQ(1, host.refs.load()) << "the reference is released at the thread's end";
    EXPECT_EQ(lockBefore, orrel::Module::LockCount());
    EXPECT_FALSE(thread.IsRunning());
}

class ModalThread : public UiThread {
public:
    explicit ModalThread(std::atomic<int>& deleted) : UiThread(true), deleted_(deleted) {}
    ~ModalThread() override { ++deleted_; }

protected:
    // As the wizard does: run something modal, then end the loop at once.
    bool InitInstance() override
    {
        MSG msg;
        SetTimer(nullptr, 0, 10, nullptr);
        while (GetMessageA(&msg, nullptr, 0, 0)) {
            if (msg.message == WM_TIMER) break;
        }
        PostQuit(3);
        return true;
    }

private:
    std::atomic<int>& deleted_;
};

TEST(UiThread, SelfDeletingThreadEndsAfterItsModalWorkAndDeletesItself)
{
    Counted host;
    std::atomic<int> deleted{0};
    auto* thread = new ModalThread(deleted);
    orrel::KernelHandle handle;
    ASSERT_TRUE(thread->Start(&host, 65535, &handle));
    ASSERT_TRUE(handle) << "a handle of its own to wait on";
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle.Get(), 3000));
    DWORD code = 0;
    GetExitCodeThread(handle.Get(), &code);
    EXPECT_EQ(3u, code);
    EXPECT_EQ(1, deleted.load());
    EXPECT_EQ(1, host.refs.load());
}

// A progress thread driven by posted thread messages.
class CountingThread : public UiThread {
public:
    std::atomic<int> steps{0};

protected:
    bool PreTranslateMessage(MSG& msg) override
    {
        if (msg.hwnd || msg.message != WM_APP + 5) return UiThread::PreTranslateMessage(msg);
        if (msg.wParam == 99) throw std::runtime_error("step failed");
        steps += static_cast<int>(msg.wParam);
        return true;
    }
};

TEST(UiThread, PostedThreadMessagesReachItsLoopInOrderAndAThrowingStepIsSurvived)
{
    CountingThread thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.PostToThread(WM_APP + 5, 1));
    EXPECT_TRUE(thread.PostToThread(WM_APP + 5, 99));
    EXPECT_TRUE(thread.PostToThread(WM_APP + 5, 10));
    EXPECT_TRUE(thread.PostQuit(4));
    ASSERT_TRUE(thread.Join(3000));
    EXPECT_EQ(11, thread.steps.load()) << "every step but the throwing one counted";
    EXPECT_EQ(4u, thread.ExitCode());
    EXPECT_FALSE(thread.PostToThread(WM_APP + 5, 1)) << "nothing to post to after the end";
}

class ThrowingThread : public UiThread {
protected:
    bool InitInstance() override { throw std::runtime_error("init failed"); }
};

TEST(UiThread, ExceptionInTheThreadEndsOnlyThatThread)
{
    Counted host;
    ThrowingThread thread;
    ASSERT_TRUE(thread.Start(&host));
    ASSERT_TRUE(thread.Join(3000));
    EXPECT_EQ(1, host.refs.load());
}

TEST(UiThread, QuitAndWaitInTheDestructorEndsARunningThreadBeforeItsStateGoes)
{
    Counted host;
    {
        WindowThread thread;
        ASSERT_TRUE(thread.Start(&host));
        WaitForSingleObject(thread.created.Get(), 3000);
    }
    EXPECT_EQ(1, host.refs.load()) << "the destructor waited for the thread's end";
}

TEST(WorkerThread, StopFlagEndsTheWorkerAndJoinReportsIt)
{
    Counted host;
    WorkerThread worker;
    std::atomic<int> rounds{0};
    ASSERT_TRUE(worker.Start(
        [&](WorkerThread& self) -> DWORD {
            while (!self.StopRequested()) {
                ++rounds;
                Sleep(1);
            }
            return 5;
        },
        &host));
    EXPECT_EQ(2, host.refs.load());
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Join(20)) << "still working";
    EXPECT_FALSE(worker.Start([](WorkerThread&) -> DWORD { return 0; })) << "one worker at a time";
    EXPECT_EQ(WorkerThread::StopResult::Ended, worker.Stop(3000, false));
    EXPECT_EQ(5u, worker.ExitCode());
    EXPECT_GT(rounds.load(), 0);
    EXPECT_EQ(1, host.refs.load());
    EXPECT_EQ(WorkerThread::StopResult::NotRunning, worker.Stop(10, true));
}

TEST(WorkerThread, WorkerIgnoringTheFlagIsTerminatedAfterTheTimeoutAndItsReferenceReleased)
{
    Counted host;
    LONG lockBefore = orrel::Module::LockCount();
    orrel::Event never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WorkerThread worker;
    HANDLE wait = never.Get();
    ASSERT_TRUE(worker.Start(
        [wait](WorkerThread&) -> DWORD {
            WaitForSingleObject(wait, INFINITE);
            return 0;
        },
        &host));
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(WorkerThread::StopResult::Terminated, worker.Stop(100, true));
    EXPECT_GE(GetTickCount64() - start, 90u) << "the worker had its time";
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(1, host.refs.load()) << "released on the terminated worker's behalf";
    EXPECT_EQ(lockBefore, orrel::Module::LockCount());
}

TEST(WorkerThread, ThrowingWorkerEndsCleanly)
{
    Counted host;
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([](WorkerThread&) -> DWORD { throw std::runtime_error("worker failed"); }, &host));
    ASSERT_TRUE(worker.Join(3000));
    EXPECT_EQ(static_cast<DWORD>(-1), worker.ExitCode());
    EXPECT_EQ(1, host.refs.load());
}

TEST(WorkerThread, WorkerSendingToTheJoiningThreadsWindowDoesNotDeadlock)
{
    orrel::ui::WindowClass cls;
    cls.name = kThreadWindowClass;
    ASSERT_TRUE(orrel::ui::Window::RegisterWindowClass(cls));
    ThreadWindow window;
    RECT rect = {0, 0, 100, 100};
    HWND hwnd = window.Create(kThreadWindowClass, nullptr, "", WS_OVERLAPPED, 0, rect);
    ASSERT_NE(nullptr, hwnd);
    std::atomic<LRESULT> answer{0};
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&](WorkerThread&) -> DWORD {
        answer = SendMessageA(hwnd, WM_APP, 0, 0);  // synchronous, as the search fills its window
        return 0;
    }));
    EXPECT_TRUE(worker.Join(3000, true)) << "the joining thread delivered the worker's message";
    EXPECT_EQ(static_cast<LRESULT>(GetCurrentThreadId()), answer.load());
    window.Destroy();
}

TEST(WorkerThread, DestructorStopsARunningWorker)
{
    Counted host;
    std::atomic<bool> sawStop{false};
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.Start(
            [&](WorkerThread& self) -> DWORD {
                while (!self.StopRequested()) Sleep(1);
                sawStop = true;
                return 0;
            },
            &host));
    }
    EXPECT_TRUE(sawStop.load());
    EXPECT_EQ(1, host.refs.load());
}

}  // namespace
