#include "orrel/ui/thread.h"

#include <ole2.h>

#include <utility>

#include "orrel/module.h"

namespace orrel {
namespace ui {
namespace {

// A loader reference on the DLL this code is linked into, so that a thread
// can return into it after the last object is gone. None for an executable.
HMODULE PinModule() noexcept
{
    HMODULE self = Module::Instance();
    if (!self || self == GetModuleHandleA(nullptr)) return nullptr;
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&PinModule), &pinned))
        return nullptr;
    return pinned;
}

[[noreturn]] void ExitThreadUnpinning(HMODULE pin, DWORD code) noexcept
{
    if (pin) FreeLibraryAndExitThread(pin, code);
    ExitThread(code);
}

bool IsDialogWindow(HWND hwnd) noexcept
{
    char name[16];
    return GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0;
}

}  // namespace

bool WaitDeliveringSentMessages(HANDLE object, DWORD timeoutMs) noexcept
{
    if (!object) return true;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= timeoutMs) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
            wait = static_cast<DWORD>(timeoutMs - elapsed);
        }
        DWORD r = MsgWaitForMultipleObjectsEx(1, &object, wait, QS_SENDMESSAGE, 0);
        if (r == WAIT_OBJECT_0) return true;
        if (r == WAIT_OBJECT_0 + 1) {
            // Delivers the sent messages; posted ones stay queued.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (r == WAIT_TIMEOUT) return false;
        return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;  // failed wait
    }
}

// ---------------------------------------------------------------- UiThread

UiThread::~UiThread()
{
    if (threadId_ != GetCurrentThreadId()) QuitAndWait();
    if (hold_) {
        hold_->Release();
        hold_ = nullptr;
    }
}

bool UiThread::Start(IUnknown* hold, SIZE_T stackSize, KernelHandle* waitHandle) noexcept
{
    if (thread_ && IsRunning()) return false;
    thread_.Reset();
    threadId_ = 0;
    Event ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return false;
    if (hold) hold->AddRef();
    hold_ = hold;
    ready_ = ready.Get();
    pin_ = PinModule();
    Module::Lock();
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, stackSize, &UiThread::Entry, this,
                                 CREATE_SUSPENDED | (stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0),
                                 &id);
    if (!thread) {
        Module::Unlock();
        if (pin_) FreeLibrary(pin_);
        pin_ = nullptr;
        if (hold_) hold_->Release();
        hold_ = nullptr;
        ready_ = nullptr;
        return false;
    }
    thread_.Attach(thread);
    threadId_ = id;
    // A handle of our own: a self-deleting object may go (and close its
    // handle) at any time once the thread runs.
    KernelHandle duplicate;
    HANDLE copy = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy,
                        SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0))
        duplicate.Attach(copy);
    ResumeThread(thread);
    // From here on only locals: the thread sets the event before anything
    // it runs could end it.
    if (duplicate) {
        HANDLE waits[2] = {ready.Get(), duplicate.Get()};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    } else {
        WaitForSingleObject(ready.Get(), INFINITE);
    }
    if (waitHandle) *waitHandle = std::move(duplicate);
    return true;
}

bool UiThread::PostToThread(UINT msg, WPARAM wp, LPARAM lp) const noexcept
{
    return threadId_ && ::PostThreadMessageA(threadId_, msg, wp, lp);
}

bool UiThread::PostQuit(int exitCode) const noexcept
{
    return PostToThread(WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

bool UiThread::Join(DWORD timeoutMs) const noexcept
{
    if (!thread_) return true;
    return WaitForSingleObject(thread_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool UiThread::QuitAndWait(DWORD timeoutMs) const noexcept
{
    if (!thread_ || !IsRunning()) return true;
    if (threadId_ == GetCurrentThreadId()) return false;
    PostQuit(0);
    return WaitDeliveringSentMessages(thread_.Get(), timeoutMs);
}

bool UiThread::IsRunning() const noexcept
{
    return thread_ && WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD UiThread::ExitCode() const noexcept
{
    DWORD code = 0;
    if (thread_) GetExitCodeThread(thread_.Get(), &code);
    return code;
}

bool UiThread::InitInstance()
{
    return true;
}

int UiThread::Run()
{
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        bool consumed = false;
        try {
            consumed = PreTranslateMessage(msg);
        } catch (...) {
            consumed = false;
        }
        if (!consumed) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void UiThread::ExitInstance() {}

bool UiThread::PreTranslateMessage(MSG& msg)
{
    if (!msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    return root && IsDialogWindow(root) && IsDialogMessageA(root, &msg);
}

DWORD WINAPI UiThread::Entry(void* param)
{
    auto* self = static_cast<UiThread*>(param);
    HMODULE pin = self->pin_;
    DWORD code = 0;
    {
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue
        HRESULT ole = OleInitialize(nullptr);
        SetEvent(self->ready_);
        bool run = false;
        try {
            run = self->InitInstance();
        } catch (...) {
            run = false;
        }
        if (run) {
            try {
                code = static_cast<DWORD>(self->Run());
            } catch (...) {
                code = static_cast<DWORD>(-1);
            }
        }
        try {
            self->ExitInstance();
        } catch (...) {
        }
        if (IUnknown* hold = self->hold_) {
            self->hold_ = nullptr;
            hold->Release();
        }
        if (SUCCEEDED(ole)) OleUninitialize();
    }
    if (self->autoDelete_) delete self;  // the owner of self-deleting threads never touches it
    Module::Unlock();
    ExitThreadUnpinning(pin, code);
}

// ------------------------------------------------------------- WorkerThread

WorkerThread::~WorkerThread()
{
    if (thread_ && GetThreadId(thread_.Get()) != GetCurrentThreadId())
        Stop(stopTimeout_, true, true);
}

bool WorkerThread::Start(Body body, IUnknown* hold, SIZE_T stackSize) noexcept
{
    if (!body || IsRunning()) return false;
    thread_.Reset();
    try {
        body_ = std::move(body);
    } catch (...) {
        return false;
    }
    InterlockedExchange(&stop_, 0);
    if (hold) hold->AddRef();
    hold_ = hold;
    pin_ = PinModule();
    Module::Lock();
    InterlockedExchange(&held_, 1);
    HANDLE thread = CreateThread(nullptr, stackSize, &WorkerThread::Entry, this,
                                 stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) {
        ReleaseHeld();
        if (HMODULE pin = static_cast<HMODULE>(InterlockedExchangePointer(reinterpret_cast<void**>(&pin_), nullptr)))
            FreeLibrary(pin);
        return false;
    }
    thread_.Attach(thread);
    return true;
}

void WorkerThread::ReleaseHeld() noexcept
{
    if (InterlockedExchange(&held_, 0) == 0) return;
    if (IUnknown* hold = static_cast<IUnknown*>(InterlockedExchangePointer(reinterpret_cast<void**>(&hold_), nullptr)))
        hold->Release();
    Module::Unlock();
}

bool WorkerThread::Join(DWORD timeoutMs, bool deliverSentMessages) noexcept
{
    if (!thread_) return true;
    if (deliverSentMessages) return WaitDeliveringSentMessages(thread_.Get(), timeoutMs);
    return WaitForSingleObject(thread_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

WorkerThread::StopResult WorkerThread::Stop(DWORD timeoutMs, bool terminate,
                                            bool deliverSentMessages) noexcept
{
    if (!thread_) return StopResult::NotRunning;
    if (!IsRunning()) return StopResult::NotRunning;
    RequestStop();
    if (Join(timeoutMs, deliverSentMessages)) return StopResult::Ended;
    if (!terminate) return StopResult::StillRunning;
    TerminateThread(thread_.Get(), static_cast<DWORD>(-1));
    WaitForSingleObject(thread_.Get(), INFINITE);
    // What the thread would have given up on its way out.
    ReleaseHeld();
    if (HMODULE pin = static_cast<HMODULE>(InterlockedExchangePointer(reinterpret_cast<void**>(&pin_), nullptr)))
        FreeLibrary(pin);
    return StopResult::Terminated;
}

bool WorkerThread::IsRunning() const noexcept
{
    return thread_ && WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD WorkerThread::ExitCode() const noexcept
{
    DWORD code = 0;
    if (thread_) GetExitCodeThread(thread_.Get(), &code);
    return code;
}

DWORD WINAPI WorkerThread::Entry(void* param)
{
    auto* self = static_cast<WorkerThread*>(param);
    DWORD code = 0;
    try {
        code = self->body_(*self);
    } catch (...) {
        code = static_cast<DWORD>(-1);
    }
    self->ReleaseHeld();
    // The owner joins on the thread handle, so self lives until the exit.
    HMODULE pin = static_cast<HMODULE>(InterlockedExchangePointer(reinterpret_cast<void**>(&self->pin_), nullptr));
    ExitThreadUnpinning(pin, code);
}

}  // namespace ui
}  // namespace orrel
