// A detached thread that carries on a tool's command after InvokeCommand has
// returned: it holds a counted reference on the tool (so the selection stays
// open) and a loader reference on the DLL until its body has returned.
#pragma once

#include <windows.h>

#include <functional>

namespace orrel {
namespace tools {

// Runs body on a new thread with the given stack size. False (and nothing
// run) when the thread cannot be started. Anything body throws is dropped.
bool StartToolThread(IUnknown* hold, SIZE_T stackSize, std::function<void()> body) noexcept;

}  // namespace tools
}  // namespace orrel
