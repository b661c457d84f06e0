// The thread rule of the namespace.
//
// Explorer runs every folder window and its tree pane on threads of their
// own inside one process, and the shortcut wizard and the search window add
// threads of their own that change the configuration and ask for a refresh.
// So the process-wide state of the namespace (the NamespaceModel with its
// nodes, children arrays and list of open views, the ClassHandlerTable with
// FindClass's fallback inserts and its icon location cache, and the reload of
// the configuration) is touched only while the calling thread holds the one
// process-wide NamespaceLock. Any thread may take it; it is recursive.
//
// The lock is never held across a call that can run another thread's code or
// a message loop:
// - change notifications (SHChangeNotify) made under the lock are queued and
//   sent by the same thread once it has left the lock for the last time;
// - views are never refilled by the thread that changed the model:
//   RefreshAllViews (NamespaceModel::RefreshViews) posts kRefillViewMessage
//   to every registered view window, and each view refills on the thread
//   that owns its window, taking the lock only to copy the records it shows;
// - message boxes and COM calls into extension handlers are made with the
//   lock released (take copies of what they need first).
//
// From any thread, after changing the stored configuration:
//     orrel::RefreshNamespace();   // reload the model, refill every view
// or, holding the lock for a change of the model of your own:
//     { orrel::NamespaceLock lock; ...change the model...; }
//     orrel::RefreshAllViews();
#pragma once

#include <windows.h>

#include "orrel/core/itemidlist.h"

namespace orrel {

// The private message a view window gets when the model changed: the view
// fills its list again from the model on its own thread. wParam and lParam 0.
constexpr UINT kRefillViewMessage = WM_APP + 0x4F1;

class NamespaceLock {
public:
    NamespaceLock() noexcept;
    ~NamespaceLock();
    NamespaceLock(const NamespaceLock&) = delete;
    NamespaceLock& operator=(const NamespaceLock&) = delete;

    // Whether the calling thread holds the lock.
    static bool HeldByThisThread() noexcept;
};

// Sends a change notification now, or, when this thread holds the lock,
// queues it to be sent as soon as the thread has left the lock. The lists are
// the notification's items (second may be empty).
void NotifyShell(LONG event, UINT flags, ItemIdList first, ItemIdList second) noexcept;

// Posts kRefillViewMessage to every open view. Any thread, lock held or not.
void RefreshAllViews() noexcept;

// Reads the configuration again, brings the model in line, tells the shell
// and refills every open view (each on its own thread). Any thread; what
// IOrrelRefresh::Refresh does. False when the namespace was never started.
bool RefreshNamespace() noexcept;

}  // namespace orrel
