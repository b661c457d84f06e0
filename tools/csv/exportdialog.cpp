#include "exportdialog.h"

#include <commdlg.h>

#include "csvfile.h"
#include "orrel/handles.h"
#include "orrel/ui/format.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace orrel {
namespace csv {
namespace {

std::string ListText(HWND list, int index)
{
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

std::vector<std::string> ListTexts(HWND list)
{
    std::vector<std::string> texts;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) texts.push_back(ListText(list, i));
    return texts;
}

// The indexes of the selected entries, in list order.
std::vector<int> Selection(HWND list)
{
    std::vector<int> selected;
    LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return selected;
    selected.resize(static_cast<std::size_t>(count));
    LRESULT got = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                               reinterpret_cast<LPARAM>(selected.data()));
    selected.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return selected;
}

class CursorScope {
public:
    CursorScope() noexcept : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~CursorScope() { SetCursor(old_); }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;

private:
    HCURSOR old_;
};

}  // namespace

ExportDialog::ExportDialog(std::vector<ExportObject> objects)
    : ui::Dialog(IDD_CSV_EXPORT), objects_(std::move(objects))
{
}

bool ExportDialog::OnInit()
{
    long count = static_cast<long>(objects_.size());
    std::string format = ui::LoadModuleText(count < 2 ? IDS_CSV_COUNT_ONE : IDS_CSV_COUNT_SEVERAL);
    SetItemText(IDC_CSV_COUNT, ui::FormatText(format.c_str(), count));
    {
        CursorScope wait;
        for (const std::string& field : CollectFields(objects_))
            SendMessageA(Available(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(field.c_str()));
    }
    Refresh();
    return true;
}

bool ExportDialog::OnCommand(WORD id, WORD code, HWND)
{
    switch (id) {
    case IDC_CSV_AVAILABLE:
    case IDC_CSV_EXPORT_LIST:
        if (code == LBN_DBLCLK) {
            if (id == IDC_CSV_AVAILABLE) Move(Available(), ToExport(), false);
            else Move(ToExport(), Available(), false);
        } else if (code == LBN_SELCHANGE) {
            Refresh();
        }
        return true;
    case IDC_CSV_ADD: Move(Available(), ToExport(), false); return true;
    case IDC_CSV_REMOVE: Move(ToExport(), Available(), false); return true;
    case IDC_CSV_ALL: Move(Available(), ToExport(), true); return true;
    case IDC_CSV_CLEAR: Move(ToExport(), Available(), true); return true;
    case IDC_CSV_UP: MoveSelected(-1); return true;
    case IDC_CSV_DOWN: MoveSelected(1); return true;
    default: return false;
    }
}

void ExportDialog::Move(HWND from, HWND to, bool all)
{
    std::vector<int> indexes;
    if (all) {
        LRESULT count = SendMessageA(from, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) indexes.push_back(i);
    } else {
        indexes = Selection(from);
    }
    for (int index : indexes) {
        std::string text = ListText(from, index);
        SendMessageA(to, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // From the end, so that the indexes still name their entries.
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it)
        SendMessageA(from, LB_DELETESTRING, static_cast<WPARAM>(*it), 0);
    Refresh();
}

void ExportDialog::MoveSelected(int step)
{
    std::vector<int> selected = Selection(ToExport());
    LRESULT count = SendMessageA(ToExport(), LB_GETCOUNT, 0, 0);
    if (selected.size() != 1) return;
    int from = selected[0], to = from + step;
    if (to < 0 || to >= count) return;
    std::string text = ListText(ToExport(), from);
    SendMessageA(ToExport(), LB_DELETESTRING, static_cast<WPARAM>(from), 0);
    SendMessageA(ToExport(), LB_INSERTSTRING, static_cast<WPARAM>(to), reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(ToExport(), LB_SETSEL, TRUE, to);
    Refresh();
}

void ExportDialog::Refresh()
{
    UpdateExtent(Available());
    UpdateExtent(ToExport());
    std::vector<int> selected = Selection(ToExport());
    int count = static_cast<int>(SendMessageA(ToExport(), LB_GETCOUNT, 0, 0));
    int n = static_cast<int>(selected.size());
    EnableItem(IDC_CSV_ADD, SendMessageA(Available(), LB_GETSELCOUNT, 0, 0) > 0);
    EnableItem(IDC_CSV_REMOVE, n > 0);
    EnableItem(IDC_CSV_UP, n == 1 && count > 1 && selected[0] > 0);
    EnableItem(IDC_CSV_DOWN, n == 1 && count > 1 && selected[0] < count - 1);
    EnableItem(IDOK, count > 0);
}

void ExportDialog::UpdateExtent(HWND list) const
{
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::string& text : ListTexts(list)) {
        SIZE size = {};
        if (GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size) &&
            size.cx > widest)
            widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 4), 0);
}

bool ExportDialog::ChooseFile(std::string* path)
{
    std::string title = ui::LoadModuleText(IDS_CSV_SAVE_TITLE);
    std::string filter = ui::LoadModuleText(IDS_CSV_SAVE_FILTER);
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    char file[260] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = "csv";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!GetSaveFileNameA(&ofn)) return false;
    file[sizeof file - 1] = '\0';
    *path = file;
    return true;
}

bool ExportDialog::WriteFile(const std::string& path)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        long error = static_cast<long>(GetLastError());
        ui::MessageBoxFromStrings(Handle(), IDS_CSV_OPEN_FAILED, IDS_CSV_OPEN_FAILED_CAPTION,
                                  MB_OK | MB_ICONSTOP, path, error);
        return false;
    }
    CursorScope wait;
    ExportObjects(objects_, ListTexts(ToExport()), [&](const std::string& text) {
        DWORD written = 0;
        ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    });
    return true;
}

void ExportDialog::OnOK()
{
    if (SendMessageA(ToExport(), LB_GETCOUNT, 0, 0) <= 0) return;
    std::string path;
    if (!ChooseFile(&path)) return;
    if (WriteFile(path)) EndDialog(IDOK);
}

}  // namespace csv
}  // namespace orrel
