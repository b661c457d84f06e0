#include "sender.h"

#include <commctrl.h>

#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "delivery.h"
#include "orrel/handles.h"
#include "orrel/module.h"
#include "orrel/pages/dirsession.h"
#include "orrel/tools/directory.h"
#include "orrel/tools/objecttool.h"
#include "orrel/tools/toolthread.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/dialog.h"
#include "orrel/ui/messagebox.h"
#include "orrel/ui/thread.h"
#include "resource.h"

namespace orrel {
namespace messenger {
namespace {

// Posted to the results dialog when the worker appended rows or ended.
constexpr UINT kRowsMessage = WM_APP + 0x51;

enum { kIconSent = 0, kIconFailed = 1 };

struct Row {
    std::string user;
    std::string text;
    int icon;
};

// What the worker and the results dialog share. The dialog's window is
// known to the job only while it exists; rows after "&Stop" are dropped.
class SendJob {
public:
    SendJob() : ended_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

    std::string message;

    void Attach(HWND window)
    {
        std::lock_guard<std::mutex> guard(lock_);
        window_ = window;
    }
    void Stop() noexcept { InterlockedExchange(&stop_, 1); }
    bool StopRequested() const noexcept { return InterlockedCompareExchange(&stop_, 0, 0) != 0; }
    bool Running() const noexcept { return InterlockedCompareExchange(&running_, 0, 0) != 0; }
    HANDLE Ended() const noexcept { return ended_.Get(); }

    // The worker's side.
    void Begin() noexcept { InterlockedExchange(&running_, 1); }
    void AddRow(Row row)
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (StopRequested()) return;
        rows_.push_back(std::move(row));
        Notify();
    }
    void Finish() noexcept
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            finished_ = true;
            Notify();
        }
        InterlockedExchange(&running_, 0);
        SetEvent(ended_.Get());
    }

    // The dialog's side: the rows appended since the last call.
    std::deque<Row> TakeRows(bool* finished)
    {
        std::lock_guard<std::mutex> guard(lock_);
        *finished = finished_;
        return std::move(rows_);
    }

private:
    // Under the lock: posting never blocks, and the window cannot go while
    // the lock is held (the dialog detaches under it before it closes).
    void Notify() noexcept
    {
        if (window_) PostMessageA(window_, kRowsMessage, 0, 0);
    }

    std::mutex lock_;
    HWND window_ = nullptr;
    std::deque<Row> rows_;
    bool finished_ = false;
    mutable volatile LONG stop_ = 0;
    mutable volatile LONG running_ = 0;
    KernelHandle ended_;
};

// The worker: every user of the selection in order, until stopped.
void SendToSelection(tools::ObjectTool& tool, SendJob& job)
{
    auto stop = [&job] { return job.StopRequested(); };
    auto sendTo = [&](const std::string& tree, const std::string& nameContext, const std::string& user) {
        DeliveryResult r = DeliverMessage(tree, nameContext, user, job.message, stop);
        if (r.outcome == Outcome::Stopped || job.StopRequested()) return;
        job.AddRow({user, r.text, r.outcome == Outcome::Sent ? kIconSent : kIconFailed});
    };
    tools::SelectedItem item;
    for (int i = 0; i < tool.Count() && !job.StopRequested(); ++i) {
        if (!tool.Object(i, &item)) continue;
        const char* cls = item.className.c_str();
        if (tools::SameTextNoCase(cls, "User")) {
            sendTo(item.treeName, item.nameContext, item.objectName);
        } else if (tools::SameTextNoCase(cls, "Group")) {
            pages::DirectorySession root(item.treeName, "[Root]");
            pages::ValueList members;
            root.ReadValueList(item.objectName.c_str(), "Member", members);
            for (const pages::ValueNode& member : members) {
                if (job.StopRequested()) break;
                sendTo(item.treeName, "[Root]", member.text);
            }
        } else if (tools::SameTextNoCase(cls, "Country") || tools::SameTextNoCase(cls, "Locality") ||
                   tools::SameTextNoCase(cls, "Organization") ||
                   tools::SameTextNoCase(cls, "Organizational Unit")) {
            pages::DirectorySession root(item.treeName, "[Root]");
            std::vector<std::string> users;
            tools::ListByClass(root, item.objectName.c_str(), "User", [&](const char* label) {
                // The selection's names are absolute: ".Unit.Org" after the label.
                users.push_back(std::string(label) + item.objectName);
                return !job.StopRequested();
            });
            for (const std::string& user : users) {
                if (job.StopRequested()) break;
                sendTo(item.treeName, "[Root]", user);
            }
        }
    }
}

// Centres a dialog over its owner (or the screen) inside the work area.
void CenterInWorkArea(HWND dialog)
{
    RECT box, over, work;
    GetWindowRect(dialog, &box);
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || !GetWindowRect(owner, &over) || !IsWindowVisible(owner)) GetWindowRect(GetDesktopWindow(), &over);
    HMONITOR monitor = MonitorFromRect(&over, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        work = info.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = box.right - box.left, h = box.bottom - box.top;
    int x = over.left + ((over.right - over.left) - w) / 2;
    int y = over.top + ((over.bottom - over.top) - h) / 2;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The picture of both dialogs, deleted with the dialog.
class Picture {
public:
    Picture() noexcept = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture()
    {
        if (bitmap_) DeleteObject(bitmap_);
    }
    void Show(HWND dialog) noexcept
    {
        bitmap_ = static_cast<HBITMAP>(LoadImageA(Module::ResourceInstance(), MAKEINTRESOURCEA(IDB_MESSAGE_PICTURE),
                                                  IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        if (bitmap_)
            SendDlgItemMessageA(dialog, IDC_MESSAGE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(bitmap_));
    }

private:
    HBITMAP bitmap_ = nullptr;
};

class ResultsDialog final : public ui::Dialog {
public:
    ResultsDialog(tools::ObjectTool& tool, std::shared_ptr<SendJob> job) noexcept
        : Dialog(IDD_MESSAGE_RESULTS), tool_(tool), job_(std::move(job))
    {
    }

protected:
    bool OnInit() override
    {
        CenterInWorkArea(Handle());
        picture_.Show(Handle());
        list_.Attach(Item(IDC_MESSAGE_LIST));
        list_.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        list_.InsertColumn(0, ui::LoadModuleText(IDS_MESSAGE_USERNAME).c_str(), 160);
        list_.InsertColumn(1, ui::LoadModuleText(IDS_MESSAGE_RESULTS).c_str(), 252);
        // The list owns its image list (no LVS_SHAREIMAGELISTS).
        if (HIMAGELIST icons = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0)) {
            for (int id : {IDI_MESSAGE_SENT, IDI_MESSAGE_FAILED}) {
                HICON icon = static_cast<HICON>(
                    LoadImageA(Module::ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
                ImageList_AddIcon(icons, icon);
                if (icon) DestroyIcon(icon);
            }
            list_.SetImageList(icons, LVSIL_SMALL);
        }
        EnableItem(IDOK, false);
        job_->Attach(Handle());
        job_->Begin();
        tools::ObjectTool* tool = &tool_;
        std::shared_ptr<SendJob> job = job_;
        bool started = tools::StartToolThread(static_cast<IContextMenu*>(tool), 0, [tool, job] {
            try {
                SendToSelection(*tool, *job);
            } catch (...) {
            }
            job->Finish();
        });
        if (!started) {
            job_->Finish();
            Finished();
        }
        return true;
    }

    bool OnCommand(WORD id, WORD, HWND) override
    {
        switch (id) {
        case IDC_MESSAGE_STOP:
            Stop();
            return true;
        case IDOK:
        case IDCANCEL:
            // Closing waits for the worker's end or "&Stop".
            if (!IsWindowEnabled(Item(IDOK))) return true;
            job_->Attach(nullptr);
            list_.Attach(nullptr);
            EndDialog(IDOK);
            return true;
        }
        return false;
    }

    bool HandleMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) override
    {
        if (msg != kRowsMessage) return false;
        bool finished = false;
        std::deque<Row> rows = job_->TakeRows(&finished);
        for (const Row& row : rows) {
            int at = list_.InsertItem(list_.GetItemCount(), row.user.c_str(), row.icon);
            if (at >= 0) list_.SetItemText(at, 1, row.text.c_str());
        }
        if (finished && !job_->StopRequested()) Finished();
        result = 0;
        return true;
    }

    void OnDestroy() override { job_->Attach(nullptr); }

private:
    void Stop()
    {
        if (job_->Running()) {
            job_->Stop();
            // A worker still busy after the wait goes on alone: it sends
            // nothing more, its rows are dropped, and it lets the tool go
            // when it ends.
            ui::WaitDeliveringSentMessages(job_->Ended(), kStopWaitMs);
        }
        Finished();
    }

    void Finished()
    {
        EnableItem(IDC_MESSAGE_STOP, false);
        EnableItem(IDOK, true);
        SendMessageA(Handle(), DM_SETDEFID, IDOK, 0);
    }

    tools::ObjectTool& tool_;
    std::shared_ptr<SendJob> job_;
    ui::ListViewCtrl list_;
    Picture picture_;
};

class MessageDialog final : public ui::Dialog {
public:
    MessageDialog(tools::ObjectTool& tool, std::size_t limit) noexcept
        : Dialog(IDD_MESSAGE_DIALOG), tool_(tool), limit_(limit)
    {
    }

protected:
    bool OnInit() override
    {
        CenterInWorkArea(Handle());
        picture_.Show(Handle());
        ui::EditCtrl(Item(IDC_MESSAGE_TEXT)).LimitText(static_cast<int>(limit_));
        return true;
    }

    bool OnCommand(WORD id, WORD, HWND) override
    {
        if (id == IDC_MESSAGE_SEND) {
            Send();
            return true;
        }
        if (id == IDCANCEL) {
            EndDialog(IDCANCEL);
            return true;
        }
        return false;
    }

private:
    void Send()
    {
        std::string text = GetItemText(IDC_MESSAGE_TEXT);
        if (text.size() > HALVET_MAX_BROADCAST_MESSAGE - 1) text.resize(HALVET_MAX_BROADCAST_MESSAGE - 1);
        if (text.empty()) {
            ui::MessageBoxFromStrings(Handle(), IDS_MESSAGE_EMPTY, IDS_MESSAGE_CAPTION, MB_OK | MB_ICONWARNING);
            return;
        }
        auto job = std::make_shared<SendJob>();
        job->message = text;
        ResultsDialog results(tool_, job);
        results.DoModal(Handle());
        EndDialog(IDOK);
    }

    tools::ObjectTool& tool_;
    std::size_t limit_;
    Picture picture_;
};

}  // namespace

std::size_t MessageLimit(const std::string& fromFormat, std::size_t longestLoginName) noexcept
{
    std::size_t fixed = fromFormat.size() > 6 ? fromFormat.size() - 6 : 0;
    std::size_t used = fixed + longestLoginName + 1;
    return used < 246 ? 246 - used : 1;
}

void RunMessageCommand(tools::ObjectTool& tool, HWND owner)
{
    std::size_t longest = 0;
    tools::SelectedItem item;
    for (int i = 0; i < tool.Count(); ++i) {
        if (!tool.Object(i, &item)) continue;
        std::size_t n = LoginNameLength(item.treeName);
        if (n > longest) longest = n;
    }
    MessageDialog dialog(tool, MessageLimit(ui::LoadModuleText(IDS_MESSAGE_FROM), longest));
    dialog.DoModal(owner);
}

}  // namespace messenger
}  // namespace orrel
