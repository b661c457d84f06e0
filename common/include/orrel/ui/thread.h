// Threads a DLL starts: user-interface threads with a message loop of their
// own, and worker threads with a stop flag.
//
// Both hold, for as long as they run, a counted reference on the COM object
// they serve (AddRef before the start, Release at the end; on a failed start
// at once), one count on the module counter, and a loader reference on the
// DLL itself that the thread gives up only as it exits
// (FreeLibraryAndExitThread), so a DLL is never unloaded under a thread that
// is still returning into it. Their static entry points catch everything.
#pragma once

#include <windows.h>

#include <functional>

#include "orrel/handles.h"

namespace orrel {
namespace ui {

// Waits for an object while delivering the messages other threads send to
// this one (SendMessage from a worker to this thread's windows), but no
// posted ones. Returns true when the object was signalled in time.
bool WaitDeliveringSentMessages(HANDLE object, DWORD timeoutMs) noexcept;

class UiThread {
public:
    // With autoDelete the thread deletes this object when it ends: after a
    // successful Start the caller must not touch it again (wait on the handle
    // Start gives instead).
    explicit UiThread(bool autoDelete = false) noexcept : autoDelete_(autoDelete) {}
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;
    // A thread still running is told to quit and waited for (delivering sent
    // messages meanwhile). A derived class whose thread uses its members
    // calls QuitAndWait in its own destructor, before they go.
    virtual ~UiThread();

    // Starts the thread and returns once its message queue and OLE apartment
    // exist (so PostQuit and posted thread messages reach it). hold may be
    // null. waitHandle, when given, receives a handle of the thread that
    // stays valid after a self-deleting object is gone.
    bool Start(IUnknown* hold = nullptr, SIZE_T stackSize = 0,
               KernelHandle* waitHandle = nullptr) noexcept;

    DWORD ThreadId() const noexcept { return threadId_; }
    // Posts a thread message to the thread (its loop sees it with no window).
    bool PostToThread(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const noexcept;
    // Ends the message loop (and any modal loop running in it).
    bool PostQuit(int exitCode = 0) const noexcept;
    // True when the thread has ended (or never started).
    bool Join(DWORD timeoutMs) const noexcept;
    // PostQuit, then waits for the end while delivering the messages the
    // thread sends to this one. True when the thread has ended.
    bool QuitAndWait(DWORD timeoutMs = INFINITE) const noexcept;
    bool IsRunning() const noexcept;
    DWORD ExitCode() const noexcept;

protected:
    // On the thread, after the apartment exists; false ends the thread
    // without running the loop. A thread that shows a modal window does so
    // here and then calls PostQuit, so that the loop ends at once.
    virtual bool InitInstance();
    // The message loop until WM_QUIT; its value is the thread's exit code.
    virtual int Run();
    // On the thread, after the loop.
    virtual void ExitInstance();
    // A message of the loop before it is dispatched; true when consumed.
    // The default gives keyboard navigation to modeless dialogs.
    virtual bool PreTranslateMessage(MSG& msg);

private:
    static DWORD WINAPI Entry(void* param);

    bool autoDelete_;
    KernelHandle thread_;
    DWORD threadId_ = 0;
    IUnknown* hold_ = nullptr;
    HANDLE ready_ = nullptr;  // owned by Start while it waits
    HMODULE pin_ = nullptr;
};

class WorkerThread {
public:
    using Body = std::function<DWORD(WorkerThread&)>;

    WorkerThread() noexcept = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // A worker still running is stopped as by Stop(StopTimeout(), true).
    ~WorkerThread();

    // Runs body on a new thread; hold (may be null) is kept referenced until
    // the body has returned. Fails when a worker of this object still runs.
    bool Start(Body body, IUnknown* hold = nullptr, SIZE_T stackSize = 0) noexcept;

    void RequestStop() noexcept { InterlockedExchange(&stop_, 1); }
    bool StopRequested() const noexcept { return InterlockedCompareExchange(const_cast<volatile LONG*>(&stop_), 0, 0) != 0; }

    // True when the worker has ended (or never started). With
    // deliverSentMessages, messages the worker sends to this thread are
    // delivered while waiting.
    bool Join(DWORD timeoutMs, bool deliverSentMessages = false) noexcept;

    enum class StopResult { NotRunning, Ended, Terminated, StillRunning };
    // Sets the stop flag and waits; a worker that has not ended within the
    // timeout is terminated when terminate is set (a last resort: whatever it
    // held is abandoned; its counted reference is released on its behalf).
    StopResult Stop(DWORD timeoutMs, bool terminate, bool deliverSentMessages = false) noexcept;

    bool IsRunning() const noexcept;
    DWORD ExitCode() const noexcept;
    HANDLE Handle() const noexcept { return thread_.Get(); }

    DWORD StopTimeout() const noexcept { return stopTimeout_; }
    void SetStopTimeout(DWORD ms) noexcept { stopTimeout_ = ms; }

private:
    static DWORD WINAPI Entry(void* param);
    // Gives up what the thread holds: once, by the thread or on its behalf.
    void ReleaseHeld() noexcept;

    Body body_;
    KernelHandle thread_;
    IUnknown* hold_ = nullptr;
    HMODULE pin_ = nullptr;
    volatile LONG stop_ = 0;
    volatile LONG held_ = 0;  // 1 while the thread's references are taken
    DWORD stopTimeout_ = 2000;
};

}  // namespace ui
}  // namespace orrel
