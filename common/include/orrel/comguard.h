// No exception crosses a COM or window-procedure boundary: interface methods
// run their body through ComGuard (or the ORREL_COM_TRY macros), which turns
// anything thrown into an HRESULT.
#pragma once

#include <windows.h>

#include <new>

namespace orrel {

template <class F>
HRESULT ComGuard(F&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// For methods whose result is not an HRESULT (a count, a BOOL, an LRESULT):
// the fallback value is returned when the body throws.
template <class R, class F>
R GuardedCall(R fallback, F&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

inline HRESULT HResultFromLastError() noexcept
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace orrel

#define ORREL_COM_TRY_BEGIN try {
#define ORREL_COM_TRY_END                       \
    }                                           \
    catch (const std::bad_alloc&)               \
    {                                           \
        return E_OUTOFMEMORY;                   \
    }                                           \
    catch (...)                                 \
    {                                           \
        return E_UNEXPECTED;                    \
    }

#define ORREL_RETURN_IF_FAILED(expr)            \
    do {                                        \
        HRESULT orrel_hr_ = (expr);             \
        if (FAILED(orrel_hr_)) return orrel_hr_; \
    } while (0)
