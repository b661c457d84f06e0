#include "orrel/tools/toolthread.h"

#include <new>
#include <utility>

#include "orrel/com.h"
#include "orrel/module.h"

namespace orrel {
namespace tools {
namespace {

struct ThreadStart {
    ComPtr<IUnknown> hold;
    std::function<void()> body;
    HMODULE pin = nullptr;
};

HMODULE PinThisModule() noexcept
{
    HMODULE pinned = nullptr;
    if (Module::Instance() == GetModuleHandleA(nullptr)) return nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&PinThisModule), &pinned))
        return nullptr;
    return pinned;
}

DWORD WINAPI ToolThreadEntry(void* param)
{
    auto* start = static_cast<ThreadStart*>(param);
    HMODULE pin = start->pin;
    try {
        start->body();
    } catch (...) {
    }
    // The tool goes before the DLL may: the last reference can run its
    // destructor here.
    delete start;
    if (pin) FreeLibraryAndExitThread(pin, 0);
    return 0;
}

}  // namespace

bool StartToolThread(IUnknown* hold, SIZE_T stackSize, std::function<void()> body) noexcept
{
    auto* start = new (std::nothrow) ThreadStart;
    if (!start) return false;
    start->hold = ComPtr<IUnknown>(hold);
    try {
        start->body = std::move(body);
    } catch (...) {
        delete start;
        return false;
    }
    start->pin = PinThisModule();
    HMODULE pin = start->pin;
    HANDLE thread = CreateThread(nullptr, stackSize, &ToolThreadEntry, start,
                                 stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) {
        delete start;
        if (pin) FreeLibrary(pin);
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace tools
}  // namespace orrel
