// OrrelLauncher: opens "Orrel Explorer" in a window of the shell's explorer
// browser, optionally writes a screenshot of it, and writes the demo's
// starting configuration.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browserframe.h"
#include "orrel/handles.h"
#include "democonfig.h"
#include "options.h"
#include "screenshot.h"

using namespace orrel::launcher;

namespace {

class OleScope {
public:
    OleScope() noexcept : hr_(OleInitialize(nullptr)) {}
    ~OleScope()
    {
        if (SUCCEEDED(hr_)) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

// Dispatches every waiting message; false once WM_QUIT came.
bool PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

// Pumps messages for a while (or until the frame goes); false when it went.
bool PumpFor(const BrowserFrame& frame, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (!PumpMessages() || !frame.Window()) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return frame.Window() != nullptr;
}

DWORD Milliseconds(double seconds)
{
    return static_cast<DWORD>(seconds * 1000.0 + 0.5);
}

// A screenshot run always ends: should the browser hang (a modal loop, a
// stuck view), this thread ends the process well after the longest wait.
DWORD WINAPI Watchdog(void* parameter)
{
    Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(parameter)));
    std::fprintf(stderr, "OrrelLauncher: the browser stopped answering; giving up\n");
    std::fflush(stderr);
    ExitProcess(3);
}

int TakeScreenshot(BrowserFrame& frame, const LauncherOptions& options)
{
    // Let the browser fill: at least the settle time, then until the view and
    // the tree pane are there and have been quiet for a moment, at most until
    // the timeout (a slow browser gets more time, not a failure).
    const double limit = options.timeout > 0 ? options.timeout : 60.0;
    const DWORD start = GetTickCount();
    orrel::Thread watchdog(CreateThread(
        nullptr, 0, &Watchdog,
        reinterpret_cast<void*>(static_cast<ULONG_PTR>(Milliseconds(options.settle + limit + 60))),
        0, nullptr));
    if (!PumpFor(frame, Milliseconds(options.settle))) {
        std::fprintf(stderr, "OrrelLauncher: the window closed before the screenshot\n");
        return 1;
    }
    int quietRounds = 0;
    while (quietRounds < 2) {
        if (GetTickCount() - start >= Milliseconds(limit)) {
            std::fprintf(stderr,
                         "OrrelLauncher: the browser has not filled after %.0f s; "
                         "taking the screenshot as it is\n",
                         limit);
            break;
        }
        quietRounds = frame.Filled() ? quietRounds + 1 : 0;
        if (!PumpFor(frame, 500)) {
            std::fprintf(stderr, "OrrelLauncher: the window closed before the screenshot\n");
            return 1;
        }
    }

    if (frame.RevealTarget()) PumpFor(frame, 1000);

    HWND window = frame.Window();
    SetForegroundWindow(window);
    BringWindowToTop(window);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(frame, 300);
    GdiFlush();

    Picture picture;
    std::string error;
    if (!CaptureClientArea(window, &picture, &error) ||
        !WriteBmp(picture, options.screenshot, &error)) {
        std::fprintf(stderr, "OrrelLauncher: screenshot failed: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& line : frame.TreeLines()) std::printf("tree: %s\n", line.c_str());
    for (const std::string& line : frame.ViewLines()) std::printf("view: %s\n", line.c_str());
    std::printf("OrrelLauncher: screenshot %dx%d written to %s\n", picture.width, picture.height,
                options.screenshot.c_str());
    std::fflush(stdout);
    return 0;
}

int Run(const LauncherOptions& options)
{
    if (!options.screenshot.empty()) {
        // Unattended: a crash ends the process instead of waiting in a
        // debugger or a dialog that nobody will close.
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    }
    OleScope ole;
    if (FAILED(ole.Result())) {
        std::fprintf(stderr, "OrrelLauncher: OleInitialize failed: %s\n",
                     DescribeHResult(ole.Result()).c_str());
        return 1;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    BrowserFrame frame;
    HRESULT hr = frame.Create(GetModuleHandleA(nullptr), "Orrel Explorer", options.width,
                              options.height);
    if (FAILED(hr)) {
        std::fprintf(stderr, "OrrelLauncher: cannot make the explorer browser: %s\n",
                     DescribeHResult(hr).c_str());
        return 1;
    }
    ShowWindow(frame.Window(), SW_SHOWNORMAL);
    UpdateWindow(frame.Window());

    std::string report;
    hr = frame.Navigate(options.path, &report);
    for (std::size_t at = 0; at < report.size();) {
        std::size_t end = report.find('\n', at);
        if (end == std::string::npos) end = report.size();
        std::fprintf(stderr, "OrrelLauncher: %s\n", report.substr(at, end - at).c_str());
        at = end + 1;
    }
    if (FAILED(hr)) return 1;
    std::printf("OrrelLauncher: showing %s\n",
                hr == S_OK ? options.path.c_str() : "the Desktop");
    std::fflush(stdout);

    if (!options.screenshot.empty()) return TakeScreenshot(frame, options);

    // Open the target's node in the tree pane once the browser has filled.
    const DWORD start = GetTickCount();
    while (frame.Window() && !frame.Filled() && GetTickCount() - start < 10000) {
        if (!PumpFor(frame, 100)) break;
    }
    if (frame.Window()) frame.RevealTarget();

    if (options.timeout > 0) {
        DWORD spent = GetTickCount() - start;
        DWORD total = Milliseconds(options.timeout);
        if (spent < total) PumpFor(frame, total - spent);
        return 0;
    }
    MSG msg;
    while (frame.Window() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LauncherOptions options;
    std::string error;
    if (!ParseOptions(args, &options, &error)) {
        std::fprintf(stderr, "OrrelLauncher: %s\n\n%s", error.c_str(), UsageText());
        return 2;
    }
    if (options.help) {
        std::printf("%s", UsageText());
        return 0;
    }
    try {
        if (options.installDemo) {
            if (!InstallDemoConfiguration(HKEY_CURRENT_USER, options.demo, &error)) {
                std::fprintf(stderr, "OrrelLauncher: %s\n", error.c_str());
                return 1;
            }
            std::printf("OrrelLauncher: starting configuration written (tree %s via %s)\n",
                        options.demo.tree.c_str(), options.demo.server.c_str());
            std::fflush(stdout);
            return 0;
        }
        return Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "OrrelLauncher: %s\n", e.what());
        return 1;
    }
}
