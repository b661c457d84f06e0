#include "orrel/ui/window.h"

#include <cstdio>
#include <cstring>

#include "orrel/module.h"

namespace orrel {
namespace ui {
namespace {

// Classes this module registered, with the base procedure of superclasses.
struct ClassEntry {
    ATOM atom;
    WNDPROC base;
    char name[80];
};
constexpr int kMaxClasses = 32;
ClassEntry g_classes[kMaxClasses];
int g_classCount = 0;
SRWLOCK g_classLock = SRWLOCK_INIT;

WNDPROC BaseProcOf(HWND hwnd) noexcept
{
    ATOM atom = static_cast<ATOM>(GetClassWord(hwnd, GCW_ATOM));
    if (!atom) return nullptr;
    WNDPROC base = nullptr;
    AcquireSRWLockShared(&g_classLock);
    for (int i = 0; i < g_classCount; ++i) {
        if (g_classes[i].atom == atom) {
            base = g_classes[i].base;
            break;
        }
    }
    ReleaseSRWLockShared(&g_classLock);
    return base;
}

// Window properties of this module (each DLL links its own copy of the
// layer, so each has its own names and its own subclass procedure).
const char* PropName(bool original) noexcept
{
    static char object[48];
    static char previous[48];
    static LONG ready = 0;
    if (InterlockedCompareExchange(&ready, 0, 0) == 0) {
        void* module = Module::Instance();
        std::snprintf(object, sizeof object, "OrrelUi.Object.%p", module);
        std::snprintf(previous, sizeof previous, "OrrelUi.Previous.%p", module);
        InterlockedExchange(&ready, 1);
    }
    return original ? previous : object;
}

// Set on a window whose subclass could not be undone: the module holds a
// count for it until the pass-through procedure has seen WM_NCDESTROY, so
// that the DLL is not unloaded while its procedure is still in the chain.
const char* PinName() noexcept
{
    static char pin[48];
    static LONG ready = 0;
    if (InterlockedCompareExchange(&ready, 0, 0) == 0) {
        std::snprintf(pin, sizeof pin, "OrrelUi.Pinned.%p", Module::Instance());
        InterlockedExchange(&ready, 1);
    }
    return pin;
}

void PinModule(HWND hwnd) noexcept
{
    if (GetPropA(hwnd, PinName())) return;
    if (SetPropA(hwnd, PinName(), reinterpret_cast<HANDLE>(1))) Module::Lock();
}

// At WM_NCDESTROY: the subclass's properties go, and the pin with them.
void ForgetSubclass(HWND hwnd) noexcept
{
    RemovePropA(hwnd, PropName(false));
    RemovePropA(hwnd, PropName(true));
    if (RemovePropA(hwnd, PinName())) Module::Unlock();
}

LRESULT CallDefault(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    return proc ? CallWindowProcA(proc, hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

// The object whose Create is running on this thread: WM_NCCREATE attaches
// only that object, whatever lpCreateParams a foreign caller passed.
thread_local Window* t_creating = nullptr;

}  // namespace

// Frames of messages being handled, so that an object deleted inside one of
// its own handlers is noticed by every frame still on the stack.
struct Window::Frame {
    bool alive;
    Frame* previous;
};

std::string GetWindowTextString(HWND hwnd)
{
    std::string text;
    if (!hwnd) return text;
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return text;
    text.resize(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

Window::~Window()
{
    for (Frame* frame = frame_; frame; frame = frame->previous) frame->alive = false;
    frame_ = nullptr;
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    bool created = created_;
    if (subclassed_) {
        Unsubclass();
    } else {
        Detach();
    }
    if (created && IsWindow(hwnd) &&
        GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId())
        DestroyWindow(hwnd);
}

bool Window::RegisterWindowClass(const WindowClass& cls) noexcept
{
    if (!cls.name || std::strlen(cls.name) >= sizeof g_classes[0].name) return false;
    AcquireSRWLockExclusive(&g_classLock);
    bool ok = false;
    for (int i = 0; i < g_classCount; ++i) {
        if (lstrcmpiA(g_classes[i].name, cls.name) == 0) ok = true;
    }
    if (!ok && g_classCount < kMaxClasses) {
        WNDCLASSEXA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.cbSize = sizeof wc;
        WNDPROC base = nullptr;
        bool haveBase = true;
        if (cls.baseClass) {
            haveBase = GetClassInfoExA(nullptr, cls.baseClass, &wc) ||
                       GetClassInfoExA(Module::Instance(), cls.baseClass, &wc);
            base = wc.lpfnWndProc;
            wc.cbSize = sizeof wc;
            wc.style = (wc.style | cls.style) & ~static_cast<UINT>(CS_GLOBALCLASS);
        } else {
            wc.style = cls.style;
        }
        if (haveBase) {
            wc.lpfnWndProc = &Window::WindowProc;
            wc.hInstance = Module::Instance();
            wc.lpszClassName = cls.name;
            wc.lpszMenuName = nullptr;
            if (cls.cursor || !cls.baseClass) wc.hCursor = cls.cursor;
            if (cls.background || !cls.baseClass) wc.hbrBackground = cls.background;
            if (cls.icon || !cls.baseClass) wc.hIcon = cls.icon;
            if (cls.smallIcon || !cls.baseClass) wc.hIconSm = cls.smallIcon;
            ATOM atom = RegisterClassExA(&wc);
            if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
                // Left over from an earlier registration of this module.
                WNDCLASSEXA existing;
                ZeroMemory(&existing, sizeof existing);
                existing.cbSize = sizeof existing;
                atom = static_cast<ATOM>(GetClassInfoExA(Module::Instance(), cls.name, &existing));
                if (existing.lpfnWndProc != &Window::WindowProc) atom = 0;
            }
            if (atom) {
                ClassEntry& entry = g_classes[g_classCount++];
                entry.atom = atom;
                entry.base = base;
                lstrcpynA(entry.name, cls.name, sizeof entry.name);
                ok = true;
            }
        }
    }
    ReleaseSRWLockExclusive(&g_classLock);
    return ok;
}

void Window::UnregisterClasses() noexcept
{
    AcquireSRWLockExclusive(&g_classLock);
    // A class that still has windows (or whose unregistering failed) stays
    // known: it is still registered, and its windows still find their base.
    int kept = 0;
    for (int i = 0; i < g_classCount; ++i) {
        if (UnregisterClassA(g_classes[i].name, Module::Instance())) continue;
        if (kept != i) g_classes[kept] = g_classes[i];
        ++kept;
    }
    g_classCount = kept;
    ReleaseSRWLockExclusive(&g_classLock);
}

HWND Window::Create(const char* className, HWND parent, const char* title, DWORD style,
                    DWORD exStyle, const RECT& rect, UINT_PTR idOrMenu) noexcept
{
    if (hwnd_ || !className) return nullptr;
    Window* outer = t_creating;
    t_creating = this;
    inCreate_ = true;
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(idOrMenu), Module::Instance(), this);
    t_creating = outer;
    inCreate_ = false;
    if (!hwnd) {
        hwnd_ = nullptr;
        finalPending_ = false;
        return nullptr;
    }
    if (hwnd_ != hwnd) {
        // Not a class of this layer: attach by subclassing what was made.
        if (!Subclass(hwnd)) {
            DestroyWindow(hwnd);
            return nullptr;
        }
    }
    created_ = true;
    return hwnd;
}

bool Window::Destroy() noexcept
{
    return hwnd_ && DestroyWindow(hwnd_);
}

Window* Window::FromHandle(HWND hwnd) noexcept
{
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return nullptr;  // its properties are no pointers of ours
    if (auto* self = static_cast<Window*>(GetPropA(hwnd, PropName(false)))) return self;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &Window::WindowProc)
        return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return nullptr;
}

bool Window::Subclass(HWND hwnd) noexcept
{
    if (hwnd_ || !hwnd || !IsWindow(hwnd)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return false;
    if (GetPropA(hwnd, PropName(false))) return false;  // another object of this module

    auto passThrough = reinterpret_cast<WNDPROC>(GetPropA(hwnd, PropName(true)));
    if (passThrough) {
        // Our procedure is still in the chain from an earlier subclass that
        // could not be undone: attach to it again.
        if (!SetPropA(hwnd, PropName(false), this)) return false;
        hwnd_ = hwnd;
        original_ = passThrough;
        subclassed_ = true;
        return true;
    }
    if (!SetPropA(hwnd, PropName(false), this)) return false;
    hwnd_ = hwnd;
    subclassed_ = true;
    SetLastError(0);
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    if (!previous) {
        RemovePropA(hwnd, PropName(false));
        hwnd_ = nullptr;
        subclassed_ = false;
        return false;
    }
    original_ = previous;
    if (!SetPropA(hwnd, PropName(true), reinterpret_cast<HANDLE>(previous))) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(hwnd, PropName(false));
        hwnd_ = nullptr;
        subclassed_ = false;
        original_ = nullptr;
        return false;
    }
    return true;
}

bool Window::Unsubclass() noexcept
{
    if (!hwnd_ || !subclassed_) return false;
    HWND hwnd = hwnd_;
    bool restored = false;
    if (IsWindow(hwnd)) {
        RemovePropA(hwnd, PropName(false));
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &Window::SubclassProc) {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
            RemovePropA(hwnd, PropName(true));
            if (RemovePropA(hwnd, PinName())) Module::Unlock();
            restored = true;
        } else {
            // Something subclassed the window after us: our procedure stays
            // in its chain as a pass-through, and this module stays loaded
            // until the window is gone.
            PinModule(hwnd);
        }
    }
    hwnd_ = nullptr;
    subclassed_ = false;
    created_ = false;
    original_ = nullptr;
    return restored;
}

void Window::Detach() noexcept
{
    if (!hwnd_) return;
    if (subclassed_) {
        Unsubclass();
        return;
    }
    if (IsWindow(hwnd_) &&
        reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd_, GWLP_USERDATA)) == this)
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    created_ = false;
    original_ = nullptr;
}

LRESULT Window::CallOriginal(UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    if (!hwnd_) return 0;
    return CallDefault(original_, hwnd_, msg, wp, lp);
}

bool Window::ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept
{
    HWND child = nullptr;
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (!header) return false;
        child = header->hwndFrom;
    } else if (msg == WM_COMMAND) {
        child = reinterpret_cast<HWND>(lp);
    } else {
        return false;
    }
    if (!child || child == hwnd_ || !hwnd_ || GetParent(child) != hwnd_) return false;
    Window* target = FromHandle(child);
    if (!target || target == this) return false;
    result = 0;
    return target->Handle(kReflectBase + msg, wp, lp, result);
}

bool Window::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void Window::OnFinalMessage(HWND) {}

bool Window::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept
{
    Frame frame{true, frame_};
    frame_ = &frame;
    ++depth_;
    bool handled = false;
    try {
        handled = HandleMessage(msg, wp, lp, result);
    } catch (...) {
        handled = false;
    }
    if (!frame.alive) return handled;
    frame_ = frame.previous;
    --depth_;
    return handled;
}

LRESULT Window::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    Frame frame{true, frame_};
    frame_ = &frame;
    ++depth_;
    WNDPROC original = original_;
    bool subclassed = subclassed_;
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = HandleMessage(msg, wp, lp, result);
    } catch (...) {
        // A failed creation fails the window; anything else gets default
        // processing, as if the handler had not been there.
        handled = false;
        if (msg == WM_NCCREATE) {
            handled = true;
            result = FALSE;
        } else if (msg == WM_CREATE) {
            handled = true;
            result = -1;
        }
    }
    if (!frame.alive) {
        // The object was deleted by its own handler; only the window is left.
        if (!handled && IsWindow(hwnd)) result = CallDefault(original, hwnd, msg, wp, lp);
        if (msg == WM_NCDESTROY && subclassed) ForgetSubclass(hwnd);
        return result;
    }
    if (!handled) {
        result = CallDefault(original, hwnd, msg, wp, lp);
        // The default processing may have sent messages whose handlers
        // deleted the object: touch nothing of it then.
        if (!frame.alive) {
            if (msg == WM_NCDESTROY && subclassed) ForgetSubclass(hwnd);
            return result;
        }
    }
    if (msg == WM_NCDESTROY && hwnd_ == hwnd) {
        if (subclassed_) {
            ForgetSubclass(hwnd);
            subclassed_ = false;
        } else {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        }
        hwnd_ = nullptr;
        created_ = false;
        original_ = nullptr;
        finalPending_ = true;
    }
    frame_ = frame.previous;
    --depth_;
    if (depth_ == 0 && finalPending_) {
        finalPending_ = false;
        // A window whose creation failed is still its creator's to delete.
        if (!inCreate_) {
            try {
                OnFinalMessage(hwnd);
            } catch (...) {
            }
        }
    }
    return result;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
        Window* candidate = create ? static_cast<Window*>(create->lpCreateParams) : nullptr;
        if (candidate && candidate == t_creating && !candidate->hwnd_) {
            t_creating = nullptr;  // windows made by its handlers are not it
            self = candidate;
            self->hwnd_ = hwnd;
            self->original_ = BaseProcOf(hwnd);
            self->subclassed_ = false;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (self && self->hwnd_ == hwnd) return self->Dispatch(hwnd, msg, wp, lp);
    return CallDefault(BaseProcOf(hwnd), hwnd, msg, wp, lp);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = static_cast<Window*>(GetPropA(hwnd, PropName(false)));
    if (self && self->hwnd_ == hwnd) return self->Dispatch(hwnd, msg, wp, lp);
    // Detached but still in the chain: pass everything on.
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, PropName(true)));
    LRESULT result = CallDefault(previous, hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) ForgetSubclass(hwnd);
    return result;
}

}  // namespace ui
}  // namespace orrel
