// The per-DLL module state: instance handle, resource handle and the one
// interlocked reference counter of every COM object the DLL serves.
//
// common/ is a static library linked into each DLL on its own, so every DLL
// holds its own copy of this state: code running in a DLL, including the
// shared code of common/, always loads strings, dialogs and icons from that
// DLL (or from the resource library it selected), never from another module.
#pragma once

#include <windows.h>

namespace orrel {

class Module {
public:
    using CountHook = void (*)(LONG newCount, bool increment);

    // Called from DllMain(DLL_PROCESS_ATTACH).
    static void Attach(HINSTANCE instance) noexcept;
    static HINSTANCE Instance() noexcept;

    // The module resources are loaded from: the DLL itself unless a resource
    // library was selected.
    static HINSTANCE ResourceInstance() noexcept;
    static void SetResourceInstance(HINSTANCE resources) noexcept;

    // Full path of the DLL itself.
    static bool FileName(char* buffer, DWORD size) noexcept;

    // The DLL-wide counter: every object reference, held or handed out.
    static LONG Lock() noexcept;
    static LONG Unlock() noexcept;
    static LONG LockCount() noexcept;

    // A hook told of every change of the counter (after it changed), used by
    // DLLs whose unload rule or resource library follows the counter.
    static void SetCountHook(CountHook hook) noexcept;

    // The default unload rule: S_OK exactly when no reference is left.
    static HRESULT CanUnloadNow() noexcept;
};

// Loads a string of the module's string table (its resource instance).
bool LoadModuleString(UINT id, char* buffer, int size) noexcept;

}  // namespace orrel
