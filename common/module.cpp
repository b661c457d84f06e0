#include "orrel/module.h"

namespace orrel {
namespace {
HINSTANCE g_instance = nullptr;
HINSTANCE g_resources = nullptr;
LONG g_count = 0;
Module::CountHook g_hook = nullptr;
}  // namespace

void Module::Attach(HINSTANCE instance) noexcept
{
    g_instance = instance;
    if (!g_resources) g_resources = instance;
}

HINSTANCE Module::Instance() noexcept
{
    if (!g_instance) {
        // Executables that link common/ directly (tests) use their own module.
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&g_instance), &self);
        g_instance = self;
    }
    return g_instance;
}

HINSTANCE Module::ResourceInstance() noexcept
{
    return g_resources ? g_resources : Instance();
}

void Module::SetResourceInstance(HINSTANCE resources) noexcept
{
    g_resources = resources ? resources : Instance();
}

bool Module::FileName(char* buffer, DWORD size) noexcept
{
    if (!buffer || size == 0) return false;
    DWORD n = GetModuleFileNameA(Instance(), buffer, size);
    if (n == 0 || n >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

LONG Module::Lock() noexcept
{
    LONG n = InterlockedIncrement(&g_count);
    if (CountHook hook = g_hook) hook(n, true);
    return n;
}

LONG Module::Unlock() noexcept
{
    LONG n = InterlockedDecrement(&g_count);
    if (CountHook hook = g_hook) hook(n, false);
    return n;
}

LONG Module::LockCount() noexcept
{
    return InterlockedCompareExchange(&g_count, 0, 0);
}

void Module::SetCountHook(CountHook hook) noexcept
{
    g_hook = hook;
}

HRESULT Module::CanUnloadNow() noexcept
{
    return LockCount() == 0 ? S_OK : S_FALSE;
}

bool LoadModuleString(UINT id, char* buffer, int size) noexcept
{
    if (!buffer || size <= 0) return false;
    buffer[0] = '\0';
    int n = LoadStringA(Module::ResourceInstance(), id, buffer, size);
    if (n <= 0 && Module::ResourceInstance() != Module::Instance())
        n = LoadStringA(Module::Instance(), id, buffer, size);
    return n > 0;
}

}  // namespace orrel
