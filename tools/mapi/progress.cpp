#include "progress.h"

#include <new>

#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace orrel {
namespace mapimail {

class ProgressThread::Window final : public ui::Dialog {
public:
    explicit Window(volatile LONG* cancel) noexcept : Dialog(IDD_MAPI_PROGRESS), cancel_(cancel) {}

protected:
    bool OnCommand(WORD id, WORD code, HWND control) override
    {
        if (id == IDCANCEL && (code == BN_CLICKED || !control)) {
            InterlockedExchange(cancel_, 1);
            EnableItem(IDCANCEL, false);
            return true;
        }
        return false;
    }
    void OnCancel() override { InterlockedExchange(cancel_, 1); }

private:
    volatile LONG* cancel_;
};

ProgressThread::ProgressThread() noexcept = default;

ProgressThread::~ProgressThread()
{
    End();
}

bool ProgressThread::Begin(IUnknown* hold) noexcept
{
    return Start(hold, 65535);
}

void ProgressThread::ShowString(UINT id) noexcept
{
    if (IsRunning() && PostToThread(kShowProgressMessage, id))
        return;
    InterlockedExchange(&pending_, static_cast<LONG>(id));
}

void ProgressThread::End() noexcept
{
    QuitAndWait();
}

bool ProgressThread::InitInstance()
{
    if (UINT id = static_cast<UINT>(InterlockedExchange(&pending_, 0))) Show(id);
    return true;
}

void ProgressThread::ExitInstance()
{
    window_.reset();  // destroyed on the thread that made it
}

bool ProgressThread::PreTranslateMessage(MSG& msg)
{
    if (!msg.hwnd && msg.message == kShowProgressMessage) {
        Show(static_cast<UINT>(msg.wParam));
        return true;
    }
    return UiThread::PreTranslateMessage(msg);
}

void ProgressThread::Show(UINT id) noexcept
{
    if (id) remembered_ = id;
    if (!remembered_) {
        if (window_ && window_->Handle()) ShowWindow(window_->Handle(), SW_HIDE);
        return;
    }
    if (!window_) {
        window_.reset(new (std::nothrow) Window(&cancel_));
        if (!window_ || !window_->Create(nullptr)) {
            window_.reset();
            return;
        }
    }
    HWND hwnd = window_->Handle();
    std::string text;
    try {
        text = ui::LoadModuleText(remembered_);
    } catch (...) {
    }
    window_->SetItemText(IDC_MAPI_PROGRESS_TEXT, text);
    ShowWindow(GetDlgItem(hwnd, IDCANCEL), remembered_ == IDS_MAPI_GATHERING ? SW_SHOW : SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
}

}  // namespace mapimail
}  // namespace orrel
