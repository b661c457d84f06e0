// Windows owned by C++ objects: one static window procedure per kind of
// attachment finds the object and calls its virtual HandleMessage.
//
//  - Windows of a class registered here (RegisterWindowClass) carry their
//    object in GWLP_USERDATA from WM_NCCREATE on (the object is passed as
//    CREATESTRUCT::lpCreateParams by Create).
//  - A superclass (WindowClass::baseClass, e.g. "SysListView32") behaves the
//    same; unhandled messages go to the base class's procedure.
//  - An existing window (the browser's status bar) can be subclassed: the
//    object is found through a window property of this module, the previous
//    procedure is kept and called by CallOriginal, and Unsubclass puts it
//    back.
//
// No exception leaves a window procedure: a handler that throws is treated as
// not having handled the message (default processing runs), except during
// creation, which then fails.
//
// Lifetime: after WM_NCDESTROY the object is detached from its window and
// OnFinalMessage(hwnd) is called once the outermost message of the window has
// returned, so a self-owned window may `delete this` there even when it was
// destroyed from inside one of its own handlers. An object deleted while its
// window lives detaches first (messages then get default processing) and
// destroys the window when it was the one that created it.
//
// Classes registered by a DLL must be unregistered before it unloads
// (Window::UnregisterClasses from DLL_PROCESS_DETACH), since their procedure
// lives in the DLL.
#pragma once

#include <windows.h>

#include <string>

namespace orrel {
namespace ui {

// A parent reflects WM_NOTIFY and WM_COMMAND of a child that is a Window
// object to that object as these messages (the reflection range of controls).
constexpr UINT kReflectBase = 0x2000;
constexpr UINT kReflectedNotify = kReflectBase + WM_NOTIFY;
constexpr UINT kReflectedCommand = kReflectBase + WM_COMMAND;

// The text of any window, of any length.
std::string GetWindowTextString(HWND hwnd);

struct WindowClass {
    const char* name = nullptr;
    UINT style = 0;                 // CS_* bits
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    const char* baseClass = nullptr;  // superclass of this class when set
};

class Window {
public:
    Window() noexcept = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    // Registers a class of this module whose procedure is the layer's. A
    // second call with the same name succeeds without registering again.
    static bool RegisterWindowClass(const WindowClass& cls) noexcept;
    // Unregisters every class this module registered; a class whose
    // unregistering fails (it still has windows) stays registered and known.
    static void UnregisterClasses() noexcept;

    // Creates a window of a class registered with RegisterWindowClass, with
    // this object attached from WM_NCCREATE on. idOrMenu is the child id of a
    // child window, or a menu handle of a top-level window.
    HWND Create(const char* className, HWND parent, const char* title, DWORD style,
                DWORD exStyle, const RECT& rect, UINT_PTR idOrMenu = 0) noexcept;
    bool Destroy() noexcept;

    // Attaches this object to an existing window of this process by
    // replacing its window procedure. Fails when this object already has a
    // window or when the window is already subclassed by this module.
    bool Subclass(HWND hwnd) noexcept;
    // Detaches from a subclassed window. Returns true when the previous
    // procedure is back in place; false when the window is gone or another
    // procedure was installed above ours (ours then stays as a plain
    // pass-through, without this object, until the window is destroyed, and
    // the module holds a count (Module::Lock) until then, so that it is not
    // unloaded with its procedure still in the chain).
    bool Unsubclass() noexcept;

    HWND Handle() const noexcept { return hwnd_; }
    bool IsSubclassing() const noexcept { return hwnd_ != nullptr && subclassed_; }

    // The object attached to a window by this module's layer, or null.
    static Window* FromHandle(HWND hwnd) noexcept;

    // Default processing of a message: the previous procedure of a
    // subclassed window, the base procedure of a superclass, else
    // DefWindowProcA. 0 when the object has no window.
    LRESULT CallOriginal(UINT msg, WPARAM wp, LPARAM lp) noexcept;

    // For a parent's HandleMessage: passes WM_NOTIFY or WM_COMMAND of a child
    // that is a Window object of this module to that child as
    // kReflectedNotify / kReflectedCommand. Returns whether the child handled
    // it; result receives its answer.
    bool ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

protected:
    // Returns true when the message was handled; result is then the answer.
    virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Called after WM_NCDESTROY, once the object is detached.
    virtual void OnFinalMessage(HWND hwnd);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    struct Frame;
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    // A message without default processing (reflected ones).
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    void Detach() noexcept;

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;  // previous or base procedure, null = DefWindowProcA
    bool subclassed_ = false;
    bool created_ = false;        // Create made the window
    int depth_ = 0;               // messages of this object being handled
    bool finalPending_ = false;   // WM_NCDESTROY seen inside a nested message
    bool inCreate_ = false;       // Create is running: no final message yet
    Frame* frame_ = nullptr;      // innermost message being handled
};

}  // namespace ui
}  // namespace orrel
