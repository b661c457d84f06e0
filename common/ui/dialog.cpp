#include "orrel/ui/dialog.h"

#include "orrel/module.h"
#include "orrel/ui/window.h"

namespace orrel {
namespace ui {
namespace {

// The dialog whose creation runs on this thread: WM_INITDIALOG attaches only
// that object.
thread_local Dialog* t_creating = nullptr;

// Messages whose answer is the dialog procedure's return value itself.
bool AnswersDirectly(UINT msg) noexcept
{
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

struct Dialog::Frame {
    bool alive;
    Frame* previous;
};

Dialog::~Dialog()
{
    for (Frame* frame = frame_; frame; frame = frame->previous) frame->alive = false;
    frame_ = nullptr;
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    Detach();
    if (!modal_ && IsWindow(hwnd) &&
        GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId())
        DestroyWindow(hwnd);
}

HINSTANCE Dialog::TemplateModule() const noexcept
{
    return templateInstance_ ? templateInstance_ : Module::ResourceInstance();
}

INT_PTR Dialog::DoModal(HWND parent) noexcept
{
    if (hwnd_) return -1;
    modal_ = true;
    result_ = 0;
    HINSTANCE instance = TemplateModule();
    Dialog* outer = t_creating;
    t_creating = this;
    // Members are not touched after the dialog ended: a self-owned dialog may
    // be gone by then.
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId_), parent,
                                     &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    t_creating = outer;
    return result;
}

HWND Dialog::Create(HWND parent) noexcept
{
    if (hwnd_) return nullptr;
    modal_ = false;
    result_ = 0;
    HINSTANCE instance = TemplateModule();
    Dialog* outer = t_creating;
    t_creating = this;
    inCreate_ = true;
    HWND hwnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId_), parent,
                                   &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    t_creating = outer;
    inCreate_ = false;
    if (!hwnd) {
        hwnd_ = nullptr;
        finalPending_ = false;
    }
    return hwnd;
}

void Dialog::EndDialog(INT_PTR result) noexcept
{
    if (!hwnd_) return;
    result_ = result;
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

Dialog* Dialog::FromHandle(HWND hwnd) noexcept
{
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    if (reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hwnd, DWLP_DLGPROC)) != &Dialog::DialogProc)
        return nullptr;
    return reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

std::string Dialog::GetItemText(int id) const
{
    return GetWindowTextString(Item(id));
}

bool Dialog::SetItemText(int id, const char* text) const noexcept
{
    return SetDlgItemTextA(hwnd_, id, text ? text : "") != FALSE;
}

void Dialog::EnableItem(int id, bool enable) const noexcept
{
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
}

void Dialog::CheckItem(int id, bool checked) const noexcept
{
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::IsItemChecked(int id) const noexcept
{
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::SetReadOnly(int id, bool readOnly) const noexcept
{
    SendDlgItemMessageA(hwnd_, id, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

LRESULT Dialog::SendItemMessage(int id, UINT msg, WPARAM wp, LPARAM lp) const noexcept
{
    return SendDlgItemMessageA(hwnd_, id, msg, wp, lp);
}

void Dialog::SetResult(LRESULT value) const noexcept
{
    if (hwnd_) SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, value);
}

bool Dialog::OnInit()
{
    return true;
}

bool Dialog::OnCommand(WORD, WORD, HWND)
{
    return false;
}

bool Dialog::OnNotify(NMHDR*)
{
    return false;
}

void Dialog::OnOK()
{
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void Dialog::OnDestroy() {}

bool Dialog::HandleMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

void Dialog::OnFinalMessage(HWND) {}

bool Dialog::RouteNotify(NMHDR* header)
{
    return OnNotify(header);
}

void Dialog::Attach(HWND hwnd) noexcept
{
    hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

void Dialog::Detach() noexcept
{
    if (!hwnd_) return;
    if (IsWindow(hwnd_) && reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd_, DWLP_USER)) == this)
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    hwnd_ = nullptr;
}

INT_PTR Dialog::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    Frame frame{true, frame_};
    frame_ = &frame;
    ++depth_;
    INT_PTR answer = FALSE;
    try {
        switch (msg) {
        case WM_INITDIALOG:
            answer = OnInit() ? TRUE : FALSE;
            break;
        case WM_COMMAND: {
            WORD id = LOWORD(wp);
            WORD code = HIWORD(wp);
            bool handled = OnCommand(id, code, reinterpret_cast<HWND>(lp));
            if (!handled && code == BN_CLICKED && frame.alive) {
                if (id == IDOK) {
                    OnOK();
                    handled = true;
                } else if (id == IDCANCEL) {
                    OnCancel();
                    handled = true;
                }
            }
            answer = handled ? TRUE : FALSE;
            break;
        }
        case WM_NOTIFY:
            answer = (lp && RouteNotify(reinterpret_cast<NMHDR*>(lp))) ? TRUE : FALSE;
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        default: {
            INT_PTR result = 0;
            if (HandleMessage(msg, wp, lp, result)) {
                if (AnswersDirectly(msg)) {
                    answer = result;
                } else {
                    if (frame.alive && IsWindow(hwnd)) SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                    answer = TRUE;
                }
            }
            break;
        }
        }
    } catch (...) {
        answer = FALSE;  // not handled: the dialog manager's default
    }
    if (!frame.alive) return answer;
    if (msg == WM_NCDESTROY && hwnd_ == hwnd) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        hwnd_ = nullptr;
        finalPending_ = true;
    }
    frame_ = frame.previous;
    --depth_;
    if (depth_ == 0 && finalPending_) {
        finalPending_ = false;
        if (!inCreate_) {
            try {
                OnFinalMessage(hwnd);
            } catch (...) {
            }
        }
    }
    return answer;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        auto* candidate = reinterpret_cast<Dialog*>(lp);
        if (candidate && candidate == t_creating && !candidate->hwnd_) {
            t_creating = nullptr;  // dialogs made by its handlers are not it
            self = candidate;
            self->Attach(hwnd);
        }
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self || self->hwnd_ != hwnd) return FALSE;
    return self->Dispatch(hwnd, msg, wp, lp);
}

}  // namespace ui
}  // namespace orrel
