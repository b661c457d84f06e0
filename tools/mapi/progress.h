// The progress window of the MAPI tool: dialog 3000 "Please wait..." on a
// user-interface thread of its own, so that it stays responsive while the
// command blocks the caller's thread. The caller drives it only through
// posted thread messages; the window answers only through the cancel flag.
#pragma once

#include <windows.h>

#include <memory>

#include "orrel/ui/dialog.h"
#include "orrel/ui/thread.h"

namespace orrel {
namespace mapimail {

// The thread message that shows string wParam (0: the one shown last).
constexpr UINT kShowProgressMessage = 0xBEBE;

class ProgressThread final : public ui::UiThread {
public:
    ProgressThread() noexcept;
    ~ProgressThread() override;

    // Starts the thread (with a 65535-byte stack); false when it cannot.
    bool Begin(IUnknown* hold) noexcept;
    // Shows string id: posted to the thread when it runs, else kept for its
    // start.
    void ShowString(UINT id) noexcept;
    // Ends the thread and waits for it.
    void End() noexcept;

    bool Cancelled() const noexcept { return InterlockedCompareExchange(&cancel_, 0, 0) != 0; }

protected:
    bool InitInstance() override;
    void ExitInstance() override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    class Window;
    void Show(UINT id) noexcept;

    std::unique_ptr<Window> window_;  // the thread's own
    UINT remembered_ = 0;             // the thread's own
    volatile LONG pending_ = 0;       // a string asked for before the start
    mutable volatile LONG cancel_ = 0;
};

}  // namespace mapimail
}  // namespace orrel
