// The process-wide state of the namespace server: the class handler table
// and the namespace model, started on the first DllGetClassObject, and the
// five-minute idle rule of DllCanUnloadNow.
#pragma once

#include <windows.h>

namespace orrel {

class ClassHandlerTable;
class NamespaceModel;

// DllCanUnloadNow's rule: no reference left, asked at least twice, and more
// than five minutes (on the tick counter, wrap-safe) since the first ask
// without any reference traffic in between. The clock is injectable.
class IdleUnloadRule {
public:
    using Clock = DWORD (*)();
    static constexpr DWORD kIdleMilliseconds = 300000;

    explicit IdleUnloadRule(Clock clock = nullptr) noexcept;

    // S_OK when the DLL may unload, else S_FALSE.
    HRESULT CanUnloadNow(LONG references) noexcept;
    // Any AddRef or Release: the wait starts again.
    void Touch() noexcept;
    // The idle stamp (0: not started).
    DWORD Stamp() const noexcept;

private:
    Clock clock_;
    LONG stamp_ = 0;
};

// Start-up, under the NamespaceLock: registers "Orrel::Object", reads the
// class handler table (empty when the user has no "Classes" key) and loads
// the configuration into a new model. Runs until it succeeds once; a failed
// start leaves nothing behind, and the next call tries again.
bool StartNamespace() noexcept;
bool NamespaceStarted() noexcept;
NamespaceModel* TheModel() noexcept;
ClassHandlerTable* TheClassTable() noexcept;
// Frees the model and the table (plain memory only; safe at unload).
void ReleaseNamespace() noexcept;

}  // namespace orrel
