// Start-up and shut-down of the namespace, and the idle unload rule.
#include "orrel/core/shellglobals.h"

#include <memory>
#include <new>

#include "orrel/core/classhandlers.h"
#include "orrel/core/config.h"
#include "orrel/core/dataobject.h"
#include "orrel/core/model.h"
#include "orrel/core/namespacelock.h"
#include "orrel/handles.h"
#include "orrel/registry.h"

namespace orrel {

namespace {

ClassHandlerTable* g_classes = nullptr;
NamespaceModel* g_model = nullptr;
bool g_started = false;

DWORD SystemTicks()
{
    return GetTickCount();
}

}  // namespace

IdleUnloadRule::IdleUnloadRule(Clock clock) noexcept : clock_(clock ? clock : &SystemTicks) {}

HRESULT IdleUnloadRule::CanUnloadNow(LONG references) noexcept
{
    if (references != 0) return S_FALSE;
    const DWORD stamp = Stamp();
    const DWORD now = clock_();
    if (stamp == 0) {
        // 0 means "not started": a tick count of 0 is stored as 1.
        InterlockedExchange(&stamp_, static_cast<LONG>(now ? now : 1));
        return S_FALSE;
    }
    return static_cast<DWORD>(now - stamp) > kIdleMilliseconds ? S_OK : S_FALSE;
}

void IdleUnloadRule::Touch() noexcept
{
    InterlockedExchange(&stamp_, 0);
}

DWORD IdleUnloadRule::Stamp() const noexcept
{
    return static_cast<DWORD>(InterlockedCompareExchange(const_cast<LONG*>(&stamp_), 0, 0));
}

bool StartNamespace() noexcept
{
    NamespaceLock lock;
    if (g_started) return true;
    try {
        ObjectClipboardFormat();
        auto classes = std::make_unique<ClassHandlerTable>();
        // A user for whom no extension was ever registered has no "Classes"
        // key: the namespace starts with no classes (trees and folders
        // still show). A key that is there but unreadable is worth a retry.
        if (!classes->LoadClassHandlers() && KeyExists(HKEY_CURRENT_USER, kClassesKey))
            return false;
        auto model = std::make_unique<NamespaceModel>(*classes);
        // Without a stored configuration the model holds the root alone.
        LoadConfiguration(*model);
        g_classes = classes.release();
        g_model = model.release();
        g_started = true;
        return true;
    } catch (...) {
        return false;
    }
}

bool NamespaceStarted() noexcept
{
    NamespaceLock lock;
    return g_started;
}

NamespaceModel* TheModel() noexcept
{
    return g_model;
}

ClassHandlerTable* TheClassTable() noexcept
{
    return g_classes;
}

void ReleaseNamespace() noexcept
{
    // Each on its own: a failure in one does not keep the other.
    try {
        delete g_model;
    } catch (...) {
    }
    g_model = nullptr;
    try {
        delete g_classes;
    } catch (...) {
    }
    g_classes = nullptr;
    g_started = false;
}

}  // namespace orrel
