// The search window: settings, criteria, Search/Stop and the result list.
#include "searchwindow.h"

#include <commctrl.h>

#include "dialogs.h"
#include "orrel/registry.h"
#include "orrel/module.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "savefolder.h"
#include "searchthread.h"

namespace orrel {
namespace find {

namespace {

const char kSettingsKey[] = "Software\\Corvane\\SearchExt";
const char kClassesKey[] = "Software\\Halvet\\Orrel Namespace\\Classes";
const UINT_PTR kProgressTimer = 1;

// The controls disabled while a search runs (all but Search/Stop).
const int kLockedControls[] = {IDC_SEARCH_FIND_SERVER, IDC_SEARCH_BROWSE, IDCANCEL, IDC_SEARCH_ADD,
                               IDC_SEARCH_MODIFY, IDC_SEARCH_DELETE, IDOK, IDC_SEARCH_SUBCONTAINERS,
                               IDC_SEARCH_CONTEXT, IDC_SEARCH_SERVER, IDC_SEARCH_CLASS,
                               IDC_SEARCH_CRITERIA};

// The result icons in the order of the image list.
const int kResultIcons[] = {IconGeneric, IconUser, IconVolume, IconPrinter, IconQueue};

std::string ReadString(const RegKey& key, const char* name)
{
    std::string value;
    if (!key || key.QueryString(name, &value) != ERROR_SUCCESS) value.clear();
    return value;
}

std::string ServerKey(const std::string& server)
{
    return std::string(kSettingsKey) + "\\Servers\\" + server;
}

std::string CriteriaKey(const std::string& className)
{
    return std::string(kSettingsKey) + "\\Criteria\\" + className;
}

}  // namespace

SearchWindow::SearchWindow(IOrrelRefresh* host) : ui::Dialog(IDD_SEARCH), host_(host) {}

SearchWindow::~SearchWindow() = default;

int SearchWindow::ImageIndexOf(int iconId) noexcept
{
    for (int i = 0; i < static_cast<int>(sizeof(kResultIcons) / sizeof(kResultIcons[0])); ++i)
        if (kResultIcons[i] == iconId) return i;
    return 0;
}

bool SearchWindow::OnInit()
{
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    criteria.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    criteria.InsertColumn(0, ui::LoadModuleText(IDS_FIELD).c_str(), 200);
    criteria.InsertColumn(1, ui::LoadModuleText(IDS_VALUE).c_str(), 200);

    // The servers met before; the last one selected and its settings loaded.
    ui::ComboBoxCtrl servers(Item(IDC_SEARCH_SERVER));
    RegKey root;
    root.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ);
    RegKey serverList;
    if (serverList.Open(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Servers").c_str(), KEY_READ) ==
        ERROR_SUCCESS) {
        std::string name;
        for (DWORD i = 0; serverList.EnumKey(i, &name) == ERROR_SUCCESS; ++i) servers.AddString(name.c_str());
    }
    std::string last = ReadString(root, "LastServer");
    if (!last.empty()) servers.SelectString(last.c_str());
    ServerChanged();

    // The classes registered in the namespace that the search knows.
    className_ = ReadString(root, "LastClass");
    if (className_.empty()) className_ = "User";
    ui::ComboBoxCtrl classes(Item(IDC_SEARCH_CLASS));
    RegKey registered;
    if (registered.Open(HKEY_CURRENT_USER, kClassesKey, KEY_READ) == ERROR_SUCCESS) {
        std::string name;
        for (DWORD i = 0; registered.EnumKey(i, &name) == ERROR_SUCCESS; ++i)
            if (ClassMaskOf(name) != 0) classes.AddString(name.c_str());
    }
    int index = classes.FindStringExact(className_.c_str());
    if (index < 0) {
        classes.SetCurSel(0);
        className_ = classes.GetLBText(0);
    } else {
        classes.SetCurSel(index);
    }
    LoadCriteria(className_);
    criteria.SelectItem(0);

    // The result icons.
    ui::ListViewCtrl results(Item(IDC_SEARCH_RESULTS));
    if (images_.Create(16, 16, ILC_COLOR8 | ILC_MASK, 5, 1)) {
        images_.SetBkColor(GetSysColor(COLOR_WINDOW));
        for (int id : kResultIcons) {
            HICON icon = static_cast<HICON>(LoadImageA(Module::ResourceInstance(), MAKEINTRESOURCEA(id),
                                                       IMAGE_ICON, 16, 16, 0));
            images_.AddIcon(icon);
            if (icon) DestroyIcon(icon);
        }
        results.Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.Get()));
    }
    results.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    ShowWindow(Item(IDC_SEARCH_PROGRESS), SW_HIDE);
    return true;
}

bool SearchWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result)
{
    switch (msg) {
    case WM_SHOWWINDOW:
        if (wp && serverText_.empty() && !noServerAsked_) {
            noServerAsked_ = true;
            PostMessageA(Handle(), MsgNoServer, 0, 0);
        }
        return false;
    case MsgNoServer:
        if (ui::MessageBoxFromStrings(Handle(), IDS_NO_SERVER, IDS_NO_SERVER_CAPTION,
                                      MB_YESNO | MB_ICONQUESTION) == IDYES)
            FindServer();
        result = 0;
        return true;
    case MsgAddRows:
        if (lp) AddRows(*reinterpret_cast<const ResultBatch*>(lp));
        result = 0;
        return true;
    case MsgEndOfSearch:
        EndOfSearch();
        result = 0;
        return true;
    case WM_TIMER:
        if (wp == kProgressTimer) {
            HWND bar = Item(IDC_SEARCH_PROGRESS);
            LRESULT position = SendMessageA(bar, PBM_GETPOS, 0, 0);
            if (position > 98) progressStep_ = -1;
            else if (position <= 2) progressStep_ = 1;
            SendMessageA(bar, PBM_SETSTEP, static_cast<WPARAM>(progressStep_), 0);
            SendMessageA(bar, PBM_STEPIT, 0, 0);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool SearchWindow::OnCommand(WORD id, WORD code, HWND)
{
    switch (id) {
    case IDC_SEARCH_SERVER:
        if (code == CBN_SELCHANGE) ServerChanged();
        return true;
    case IDC_SEARCH_CLASS:
        if (code == CBN_SELCHANGE) ClassChanged();
        return true;
    case IDC_SEARCH_FIND_SERVER:
        if (code == BN_CLICKED) FindServer();
        return true;
    case IDC_SEARCH_BROWSE:
        if (code == BN_CLICKED) Browse();
        return true;
    case IDC_SEARCH_ADD:
        if (code == BN_CLICKED) AddCriterion();
        return true;
    case IDC_SEARCH_MODIFY:
        if (code == BN_CLICKED) ModifyCriterion();
        return true;
    case IDC_SEARCH_DELETE:
        if (code == BN_CLICKED) DeleteCriterion();
        return true;
    case IDC_SEARCH_GO:
        if (code == BN_CLICKED) SearchOrStop();
        return true;
    default:
        return false;
    }
}

bool SearchWindow::OnNotify(NMHDR* header)
{
    if (header->idFrom == IDC_SEARCH_RESULTS && header->code == LVN_GETDISPINFOA) {
        FillResultItem(reinterpret_cast<NMLVDISPINFOA*>(header)->item);
        return true;
    }
    if (header->idFrom == IDC_SEARCH_CRITERIA && header->code == NM_DBLCLK) {
        ModifyCriterion();
        return true;
    }
    return false;
}

void SearchWindow::TakeDialogData()
{
    serverText_ = GetItemText(IDC_SEARCH_SERVER);
    searchContext_ = GetItemText(IDC_SEARCH_CONTEXT);
    subcontainers_ = IsItemChecked(IDC_SEARCH_SUBCONTAINERS);
}

void SearchWindow::ServerChanged()
{
    if (!previousServer_.empty()) {
        TakeDialogData();
        RegKey key;
        if (key.Create(HKEY_CURRENT_USER, ServerKey(previousServer_).c_str()) == ERROR_SUCCESS) {
            key.SetString("BaseContext", searchContext_.c_str());
            key.SetDword("SearchSubcontainers", subcontainers_ ? 1 : 0);
        }
    }
    ui::ComboBoxCtrl servers(Item(IDC_SEARCH_SERVER));
    int selected = servers.GetCurSel();
    if (selected >= 0) serverText_ = servers.GetLBText(selected);
    RegKey key;
    searchContext_.clear();
    DWORD sub = 0;
    if (!serverText_.empty() &&
        key.Open(HKEY_CURRENT_USER, ServerKey(serverText_).c_str(), KEY_READ) == ERROR_SUCCESS) {
        searchContext_ = ReadString(key, "BaseContext");
        if (key.QueryDword("SearchSubcontainers", &sub) != ERROR_SUCCESS) sub = 0;
    }
    subcontainers_ = sub != 0;
    SetItemText(IDC_SEARCH_CONTEXT, searchContext_);
    CheckItem(IDC_SEARCH_SUBCONTAINERS, subcontainers_);
    previousServer_ = serverText_;
}

void SearchWindow::FindServer()
{
    ServerListDialog dialog;
    if (dialog.DoModal(Handle()) != IDOK || dialog.Chosen().empty()) return;
    ui::ComboBoxCtrl servers(Item(IDC_SEARCH_SERVER));
    int existing = servers.FindString(dialog.Chosen().c_str());
    if (existing >= 0) servers.DeleteString(existing);
    servers.InsertString(0, dialog.Chosen().c_str());
    servers.SetCurSel(0);
    ServerChanged();
}

void SearchWindow::ClassChanged()
{
    SaveCriteria(className_);
    className_ = GetItemText(IDC_SEARCH_CLASS);
    LoadCriteria(className_);
}

void SearchWindow::SaveCriteria(const std::string& className)
{
    if (className.empty()) return;
    std::string path = CriteriaKey(className);
    DeleteKeyTree(HKEY_CURRENT_USER, path.c_str());
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    int count = criteria.GetItemCount();
    for (int i = 0; i < count; ++i) {
        RegKey item;
        if (item.Create(HKEY_CURRENT_USER, (path + "\\Item" + std::to_string(i)).c_str()) != ERROR_SUCCESS)
            continue;
        item.SetString("Field", criteria.GetItemText(i, 0).c_str());
        item.SetString("Value", criteria.GetItemText(i, 1).c_str());
    }
}

void SearchWindow::LoadCriteria(const std::string& className)
{
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    criteria.DeleteAllItems();
    if (className.empty()) return;
    std::string path = CriteriaKey(className);
    for (int n = 0;; ++n) {
        RegKey item;
        if (item.Open(HKEY_CURRENT_USER, (path + "\\Item" + std::to_string(n)).c_str(), KEY_READ) !=
            ERROR_SUCCESS)
            break;
        std::string field = ReadString(item, "Field");
        if (field.empty()) break;
        std::string value = ReadString(item, "Value");
        int index = criteria.InsertItem(criteria.GetItemCount(), field.c_str());
        if (index >= 0) criteria.SetItemText(index, 1, value.c_str());
    }
}

void SearchWindow::AddCriterion()
{
    CriteriaDialog dialog(ClassMaskOf(className_), std::string(), std::string());
    if (dialog.DoModal(Handle()) != IDOK) return;
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    int index = criteria.InsertItem(criteria.GetItemCount(), dialog.Field().c_str());
    if (index >= 0) criteria.SetItemText(index, 1, dialog.Value().c_str());
}

void SearchWindow::ModifyCriterion()
{
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    int selected = criteria.GetNextSelected();
    if (selected < 0) return;
    CriteriaDialog dialog(ClassMaskOf(className_), criteria.GetItemText(selected, 0),
                          criteria.GetItemText(selected, 1));
    if (dialog.DoModal(Handle()) != IDOK) return;
    criteria.SetItemText(selected, 0, dialog.Field().c_str());
    criteria.SetItemText(selected, 1, dialog.Value().c_str());
}

void SearchWindow::DeleteCriterion()
{
    ui::ListViewCtrl criteria(Item(IDC_SEARCH_CRITERIA));
    int selected = criteria.GetNextSelected();
    if (selected >= 0) criteria.DeleteItem(selected);
}

void SearchWindow::Browse()
{
    TakeDialogData();
    ContextBrowseDialog dialog(serverText_, searchContext_);
    if (dialog.DoModal(Handle()) != IDOK) return;
    searchContext_ = dialog.Context();
    SetItemText(IDC_SEARCH_CONTEXT, searchContext_);
}

void SearchWindow::SetControlsEnabled(bool enable)
{
    for (int id : kLockedControls) EnableItem(id, enable);
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    if (menu) EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void SearchWindow::SearchOrStop()
{
    if (busy_) {
        InterlockedExchange(&stop_, 1);
        return;
    }
    StartSearch();
}

void SearchWindow::StartSearch()
{
    InterlockedExchange(&stop_, 0);
    busy_ = true;
    SetControlsEnabled(false);
    SetItemText(IDC_SEARCH_GO, ui::LoadModuleText(IDS_STOP_SEARCH));
    statusText_.clear();
    SetItemText(IDC_SEARCH_STATUS, "");
    ShowWindow(Item(IDC_SEARCH_STATUS), SW_HIDE);
    HWND bar = Item(IDC_SEARCH_PROGRESS);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(1, 100));
    SendMessageA(bar, PBM_SETPOS, 1, 0);
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    progressStep_ = 1;
    ShowWindow(bar, SW_SHOW);
    SetTimer(Handle(), kProgressTimer, 10, nullptr);
    startTime_ = GetTickCount64();

    ClearResults();
    worker_.Reset();
    auto* thread = new (std::nothrow) SearchThread(this, Handle());
    if (!thread || !thread->Start(nullptr, 65535, &worker_)) {
        delete thread;
        EndOfSearch();
    }
}

void SearchWindow::AddRows(const ResultBatch& batch)
{
    if (!batch.rows) return;
    rowImage_ = batch.image;
    for (ResultRow& row : *batch.rows) rows_.push_back(std::move(row));
    batch.rows->clear();
    SendItemMessage(IDC_SEARCH_RESULTS, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void SearchWindow::ClearResults()
{
    rows_.clear();
    SendItemMessage(IDC_SEARCH_RESULTS, LVM_SETITEMCOUNT, 0, 0);
}

void SearchWindow::FillResultItem(LVITEMA& item) const
{
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows_.size()) return;
    const ResultRow& row = rows_[static_cast<std::size_t>(item.iItem)];
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string* text = nullptr;
        static const std::string empty;
        if (item.iSubItem == 0) text = &row.name;
        else if (static_cast<std::size_t>(item.iSubItem) < row.cells.size())
            text = &row.cells[static_cast<std::size_t>(item.iSubItem)];
        lstrcpynA(item.pszText, (text ? text : &empty)->c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = rowImage_;
}

void SearchWindow::EndOfSearch()
{
    SetControlsEnabled(true);
    int count = ui::ListViewCtrl(Item(IDC_SEARCH_RESULTS)).GetItemCount();
    int elapsed = static_cast<int>(GetTickCount64() - startTime_);
    statusText_ = ui::FormatText(ui::LoadModuleText(IDS_FOUND).c_str(), count, elapsed);
    SetItemText(IDC_SEARCH_GO, ui::LoadModuleText(IDS_SEARCH));
    ShowWindow(Item(IDC_SEARCH_PROGRESS), SW_HIDE);
    SetItemText(IDC_SEARCH_STATUS, statusText_);
    ShowWindow(Item(IDC_SEARCH_STATUS), SW_SHOW);
    KillTimer(Handle(), kProgressTimer);
    busy_ = false;
}

void SearchWindow::OnOK()
{
    if (busy_) return;
    SaveResults();
}

void SearchWindow::SaveResults()
{
    TakeDialogData();
    if (SaveResultsAsFolder(Handle(), serverText_, className_, Item(IDC_SEARCH_RESULTS), host_.Get()))
        EndDialog(IDOK);
}

void SearchWindow::OnCancel()
{
    if (busy_) return;
    EndDialog(IDCANCEL);
}

void SearchWindow::OnDestroy()
{
    // A worker still running (the window was destroyed from outside) is
    // stopped before the window it reads goes.
    if (worker_) {
        InterlockedExchange(&stop_, 1);
        ui::WaitDeliveringSentMessages(worker_.Get(), INFINITE);
    }
    KillTimer(Handle(), kProgressTimer);
    try {
        SaveSettings();
    } catch (...) {
    }
}

void SearchWindow::SaveSettings()
{
    TakeDialogData();
    if (!serverText_.empty()) {
        RegKey key;
        if (key.Create(HKEY_CURRENT_USER, ServerKey(serverText_).c_str()) == ERROR_SUCCESS) {
            key.SetString("BaseContext", searchContext_.c_str());
            key.SetDword("SearchSubcontainers", subcontainers_ ? 1 : 0);
        }
    }
    RegKey root;
    if (root.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS) {
        root.SetString("LastServer", serverText_.c_str());
        root.SetString("LastClass", className_.c_str());
    }
    SaveCriteria(className_);
}

}  // namespace find
}  // namespace orrel
