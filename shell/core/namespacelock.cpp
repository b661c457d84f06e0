// The one process-wide lock of the namespace, the change notifications that
// wait for it to be left, and the refresh any thread may ask for.
#include "orrel/core/namespacelock.h"

#include <shlobj.h>

#include <utility>
#include <vector>

#include "orrel/core/config.h"
#include "orrel/core/model.h"
#include "orrel/core/shellglobals.h"
#include "orrel/handles.h"

namespace orrel {

namespace {

struct PendingNotify {
    LONG event;
    UINT flags;
    ItemIdList first;
    ItemIdList second;
};

CriticalSection g_lock;
LONG g_owner = 0;   // thread id of the holder (0: none)
LONG g_depth = 0;   // the holder's recursion; touched by the holder only
std::vector<PendingNotify>* g_pending = nullptr;  // under the lock

void Send(const PendingNotify& n) noexcept
{
    SHChangeNotify(n.event, n.flags, n.first.Get(), n.second ? n.second.Get() : nullptr);
}

}  // namespace

NamespaceLock::NamespaceLock() noexcept
{
    g_lock.Enter();
    if (g_depth++ == 0) InterlockedExchange(&g_owner, static_cast<LONG>(GetCurrentThreadId()));
}

NamespaceLock::~NamespaceLock()
{
    if (--g_depth != 0) {
        g_lock.Leave();
        return;
    }
    std::vector<PendingNotify>* pending = g_pending;
    g_pending = nullptr;
    InterlockedExchange(&g_owner, 0);
    g_lock.Leave();
    if (!pending) return;
    // Sent in the order made, with the lock left: the shell calls back into
    // the namespace while it is told.
    for (const PendingNotify& n : *pending) Send(n);
    delete pending;
}

bool NamespaceLock::HeldByThisThread() noexcept
{
    return static_cast<DWORD>(InterlockedCompareExchange(&g_owner, 0, 0)) == GetCurrentThreadId();
}

void NotifyShell(LONG event, UINT flags, ItemIdList first, ItemIdList second) noexcept
{
    if (!first) return;
    PendingNotify n{event, flags, std::move(first), std::move(second)};
    if (NamespaceLock::HeldByThisThread()) {
        try {
            if (!g_pending) g_pending = new std::vector<PendingNotify>();
            g_pending->push_back(std::move(n));
        } catch (...) {
            // Out of memory: the shell misses one event, the views refill all the same.
        }
        return;
    }
    Send(n);
}

void RefreshAllViews() noexcept
{
    NamespaceLock lock;
    if (NamespaceModel* model = TheModel()) model->RefreshViews();
}

bool RefreshNamespace() noexcept
{
    NamespaceLock lock;
    NamespaceModel* model = TheModel();
    if (!model) return false;
    try {
        Reload(*model);
    } catch (...) {
        // What was reloaded stays; the views show it.
    }
    model->RefreshViews();
    return true;
}

}  // namespace orrel
