#include "orrel/view/containerlist.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <cstring>
#include <functional>
#include <new>

#include "orrel/core/classhandlers.h"
#include "orrel/core/config.h"
#include "orrel/core/dataobject.h"
#include "orrel/core/folder.h"
#include "orrel/core/model.h"
#include "orrel/core/namespacelock.h"
#include "orrel/handles.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/containerview.h"
#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

namespace {

constexpr int kSmallIcon = 16, kLargeIcon = 32;
constexpr int kInitialImages = 50, kImageGrowth = 10;
constexpr UINT kImageFlags = ILC_COLOR4 | ILC_MASK;
constexpr int kNameColumnWidth = 175, kTypeColumnWidth = 150;
constexpr DWORD kListStyle =
    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_AUTOARRANGE | LVS_EDITLABELS | LVS_OWNERDATA;
constexpr int kMaxLabelText = 256;
constexpr UINT kIconSizes = 0x000F000F;  // what Extract is given, as always
constexpr std::size_t kIconPathSize = 512;

bool IsValidIcon(HICON icon) noexcept
{
    if (!icon) return false;
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return true;
}

// One large and one small icon from a file; an index of -1 that gives a
// count but no large icon is tried again as index 0.
void ExtractIconPair(const char* file, int index, HICON* large, HICON* small) noexcept
{
    *large = *small = nullptr;
    UINT count = ExtractIconExA(file, index, large, small, 1);
    if (index == -1 && count > 0 && count != UINT_MAX && !IsValidIcon(*large)) {
        if (*large) DestroyIcon(*large);
        if (*small) DestroyIcon(*small);
        *large = *small = nullptr;
        ExtractIconExA(file, 0, large, small, 1);
    }
}

int Collate(const std::string& a, const std::string& b) noexcept
{
    const int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                      static_cast<int>(a.size()), b.data(),
                                      static_cast<int>(b.size()));
    if (result == CSTR_LESS_THAN) return -1;
    if (result == CSTR_GREATER_THAN) return 1;
    return 0;
}

// The locale's sort key of a text, compared without case; empty when the
// text has none (it then sorts first, and the comparison corrects the order).
std::string SortKey(const std::string& text)
{
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(text.size());
    // One call for the usual name: a key is a few bytes per character.
    char buffer[512];
    if (text.size() < 64) {
        const int written = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, buffer,
                                         static_cast<int>(sizeof buffer));
        if (written > 0) return std::string(buffer, static_cast<std::size_t>(written));
    }
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, nullptr, 0);
    if (size <= 0) return std::string();
    std::string key(static_cast<std::size_t>(size), '\0');
    const int written = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, &key[0], size);
    key.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return key;
}

}  // namespace

ContainerList::~ContainerList()
{
    if (dropRegistered_ && Handle()) RevokeDragDrop(Handle());
    dropRegistered_ = false;
}

void ContainerList::OnFinalMessage(HWND)
{
    if (!viewGone_) view_.ForgetList(this);
    delete this;
}

bool ContainerList::CreateControl(HWND parent, const RECT& rect)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND hwnd = Create(WC_LISTVIEWA, parent, "", kListStyle, 0, rect, IDC_CONTAINER_LIST);
    if (!hwnd) return false;

    ui::ListViewCtrl control = Control();
    // The control destroys its image lists with itself.
    smallImages_ = ImageList_Create(kSmallIcon, kSmallIcon, kImageFlags, kInitialImages, kImageGrowth);
    largeImages_ = ImageList_Create(kLargeIcon, kLargeIcon, kImageFlags, kInitialImages, kImageGrowth);
    if (smallImages_) control.SetImageList(smallImages_, LVSIL_SMALL);
    if (largeImages_) control.SetImageList(largeImages_, LVSIL_NORMAL);

    const std::string name = ui::LoadModuleText(IDS_VIEW_COLUMN_NAME);
    const std::string type = ui::LoadModuleText(IDS_VIEW_COLUMN_TYPE);
    control.InsertColumn(0, name.c_str(), kNameColumnWidth, LVCFMT_LEFT);
    control.InsertColumn(1, type.c_str(), kTypeColumnWidth, LVCFMT_LEFT);

    // The drop highlight of a virtual item is the list's to answer.
    control.Send(LVM_SETCALLBACKMASK, LVIS_DROPHILITED, 0);
    dropSource_.SetList(hwnd);
    dropRegistered_ = SUCCEEDED(RegisterDragDrop(hwnd, &dropTarget_));
    return true;
}

int ContainerList::CompareRecords(const ItemRecord& a, const ItemRecord& b) noexcept
{
    const bool containerA = a.IsContainer(), containerB = b.IsContainer();
    if (containerA && !containerB) return -1;
    if (!containerA && containerB) return 1;
    // Identical texts collate equal: most neighbours share their class.
    if (a.className != b.className)
        if (int byClass = Collate(a.className, b.className)) return byClass;
    return Collate(a.displayName, b.displayName);
}

std::vector<const ItemRecord*> ContainerList::SortRecords(const std::vector<ItemRecord>& children)
{
    // The order of CompareRecords, reached through the locale's sort keys
    // (byte comparisons of keys give the order of the locale comparison),
    // made once per text instead of once per comparison.
    struct Entry {
        const ItemRecord* record;
        const std::string* classKey;
        std::string nameKey;
    };
    std::unordered_map<std::string, std::string> classKeys;
    std::vector<Entry> entries;
    entries.reserve(children.size());
    bool keyMissing = false;
    for (const ItemRecord& child : children) {
        auto found = classKeys.find(child.className);
        if (found == classKeys.end())
            found = classKeys.emplace(child.className, SortKey(child.className)).first;
        entries.push_back({&child, &found->second, SortKey(child.displayName)});
        keyMissing = keyMissing || (found->second.empty() && !child.className.empty()) ||
                     (entries.back().nameKey.empty() && !child.displayName.empty());
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool containerA = a.record->IsContainer(), containerB = b.record->IsContainer();
        if (containerA != containerB) return containerA;
        if (int byClass = a.classKey->compare(*b.classKey)) return byClass < 0;
        return a.nameKey < b.nameKey;
    });
    std::vector<const ItemRecord*> sorted;
    sorted.reserve(entries.size());
    for (const Entry& entry : entries) sorted.push_back(entry.record);
    // A text the locale gave no key for: the records are sorted by the
    // comparison itself.
    if (keyMissing)
        std::stable_sort(sorted.begin(), sorted.end(), [](const ItemRecord* a, const ItemRecord* b) {
            return CompareRecords(*a, *b) < 0;
        });
    return sorted;
}

namespace {

// Redraw off for a scope, on again however the scope ends.
class RedrawOff {
public:
    explicit RedrawOff(const ui::ListViewCtrl& control) : control_(control)
    {
        control_.Send(WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawOff()
    {
        control_.Send(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_.Handle(), nullptr, TRUE);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    ui::ListViewCtrl control_;
};

}  // namespace

void ContainerList::Fill()
{
    if (!Handle()) return;
    ui::ListViewCtrl control = Control();
    RedrawOff redraw(control);
    control.DeleteAllItems();
    order_.clear();
    images_.clear();
    records_.reset();
    dropHighlight_ = -1;
    capabilities_ = 0;

    // The folder's children copied under the lock; everything after works on
    // the copy, with the lock left (icons ask the item UI object and its
    // handlers).
    const ItemRecord folder = view_.Folder().FolderRecord();
    auto records = std::make_shared<std::vector<ItemRecord>>();
    {
        NamespaceLock lock;
        ChildListPtr children = view_.Model().ChildrenOf(folder);
        if (!children) return;
        records->reserve(children->size());
        for (const auto& child : *children)
            if (child) records->push_back(*child);
    }
    capabilities_ = CanEdit(folder) ? kEditCapabilities : 0;
    folderText_ = ui::LoadModuleText(IDS_VIEW_FOLDER_TYPE);
    std::vector<const ItemRecord*> sorted = SortRecords(*records);
    // One image per class, resolved once per class.
    std::vector<int> images;
    images.reserve(sorted.size());
    std::unordered_map<std::string, int> byClass;
    for (const ItemRecord* record : sorted) {
        auto known = byClass.find(record->className);
        if (known == byClass.end())
            known = byClass.emplace(record->className, ResolveIcon(record)).first;
        images.push_back(known->second);
    }
    records_ = std::move(records);
    order_.swap(sorted);
    images_.swap(images);
    control.Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(order_.size()), 0);
}

void ContainerList::AnswerDisplayInfo(LVITEMA& item)
{
    const ItemRecord* record = RecordAt(item.iItem);
    if (!record) return;
    if (item.mask & LVIF_TEXT) {
        const std::string& text =
            item.iSubItem == 0 ? record->displayName : TypeText(record->className, folderText_);
        if (item.pszText && item.cchTextMax > 0) lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) {
        const int image = images_[static_cast<std::size_t>(item.iItem)];
        item.iImage = image >= 0 ? image : I_IMAGENONE;
    }
    if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(record);
    if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_DROPHILITED)) {
        item.state &= ~static_cast<UINT>(LVIS_DROPHILITED);
        if (dropHighlight_ == -2 || dropHighlight_ == item.iItem) item.state |= LVIS_DROPHILITED;
    }
}

void ContainerList::AnswerDisplayInfo(LVITEMW& item)
{
    LVITEMA narrow;
    std::memset(&narrow, 0, sizeof narrow);
    narrow.mask = item.mask;
    narrow.iItem = item.iItem;
    narrow.iSubItem = item.iSubItem;
    narrow.state = item.state;
    narrow.stateMask = item.stateMask;
    char text[4 * kMaxLabelText + 1] = {};
    narrow.pszText = text;
    narrow.cchTextMax = sizeof text;
    AnswerDisplayInfo(narrow);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, item.pszText, item.cchTextMax) == 0)
            item.pszText[0] = L'\0';
    }
    if (item.mask & LVIF_IMAGE) item.iImage = narrow.iImage;
    if (item.mask & LVIF_PARAM) item.lParam = narrow.lParam;
    if (item.mask & LVIF_STATE) item.state = narrow.state;
}

int ContainerList::FindByText(const NMLVFINDITEMA& find) const
{
    const LVFINDINFOA& info = find.lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz || order_.empty()) return -1;
    const std::string wanted(info.psz);
    const std::size_t count = order_.size();
    std::size_t start = find.iStart >= 0 ? static_cast<std::size_t>(find.iStart) : 0;
    if (start >= count) start = (info.flags & LVFI_WRAP) ? 0 : count;
    const std::size_t steps = (info.flags & LVFI_WRAP) ? count : count - start;
    const bool partial = (info.flags & LVFI_PARTIAL) != 0;
    for (std::size_t n = 0; n < steps; ++n) {
        const std::size_t index = (start + n) % count;
        const std::string& name = order_[index]->displayName;
        if (partial ? name.size() >= wanted.size() &&
                          CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(),
                                         static_cast<int>(wanted.size()), wanted.data(),
                                         static_cast<int>(wanted.size())) == CSTR_EQUAL
                    : lstrcmpiA(name.c_str(), wanted.c_str()) == 0)
            return static_cast<int>(index);
    }
    return -1;
}

void ContainerList::SetDropHighlight(int index, bool on)
{
    const int old = dropHighlight_;
    if (on)
        dropHighlight_ = index < 0 ? -2 : index;
    else if (index < 0 || index == dropHighlight_)
        dropHighlight_ = -1;
    if (old == dropHighlight_) return;
    if (old == -2 || dropHighlight_ == -2) {
        InvalidateRect(Handle(), nullptr, FALSE);
        return;
    }
    for (int item : {old, dropHighlight_})
        if (item >= 0) Control().Send(LVM_REDRAWITEMS, static_cast<WPARAM>(item), item);
}

int ContainerList::AddIconPair(const std::string& className, HICON largeIcon, HICON smallIcon)
{
    Icon large(largeIcon);
    Icon small(smallIcon != largeIcon ? smallIcon : nullptr);
    if (!IsValidIcon(large.Get())) return -1;
    if (small && !IsValidIcon(small.Get())) return -1;
    HICON smallOne = small ? small.Get() : large.Get();
    if (!largeImages_ || !smallImages_) return -1;
    const int index = ImageList_AddIcon(largeImages_, large.Get());
    if (index < 0) return -1;
    const int smallIndex = ImageList_AddIcon(smallImages_, smallOne);
    if (smallIndex != index) {
        // Both lists keep one image per class at the same index.
        ImageList_Remove(largeImages_, index);
        if (smallIndex >= 0) ImageList_Remove(smallImages_, smallIndex);
        return -1;
    }
    icons_.Insert(className, index);
    return index;
}

int ContainerList::ResolveIcon(const ItemRecord* record)
{
    if (!record) return -1;
    int index = -1;
    if (icons_.Find(record->className, &index)) return index;
    ClassHandlerTable& classes = view_.Model().Classes();
    ClassEntry* entry = classes.FindClass(record->className, true);
    if (!entry) return -1;

    HICON large = nullptr, small = nullptr;
    std::string cachedFile;
    int cachedIndex = 0;
    if (classes.CachedIcon(*entry, &cachedFile, &cachedIndex)) {
        ExtractIconPair(cachedFile.c_str(), cachedIndex, &large, &small);
        return AddIconPair(record->className, large, small);
    }
    ComPtr<IExtractIconA> extract;
    if (FAILED(view_.GetUIObjectOf({record}, IID_IExtractIconA, extract.PutVoid())) || !extract)
        return -1;
    char file[kIconPathSize] = {};
    int iconIndex = 0;
    UINT flags = 0;
    if (FAILED(extract->GetIconLocation(0, file, sizeof file, &iconIndex, &flags))) return -1;
    file[sizeof file - 1] = '\0';
    if (flags & GIL_NOTFILENAME) {
        if (FAILED(extract->Extract(file, static_cast<UINT>(iconIndex), &large, &small, kIconSizes))) {
            if (large) DestroyIcon(large);
            if (small && small != large) DestroyIcon(small);
            return -1;
        }
    } else {
        ExtractIconPair(file, iconIndex, &large, &small);
    }
    return AddIconPair(record->className, large, small);
}

const ItemRecord* ContainerList::RecordAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= order_.size()) return nullptr;
    return order_[static_cast<std::size_t>(index)];
}

std::vector<const ItemRecord*> ContainerList::SelectedRecords() const
{
    std::vector<const ItemRecord*> records;
    if (!Handle()) return records;
    const ui::ListViewCtrl control = Control();
    if (control.GetSelectedCount() <= 0) return records;
    for (int index = control.GetNextSelected(-1); index >= 0;
         index = control.GetNextSelected(index)) {
        if (const ItemRecord* record = RecordAt(index)) records.push_back(record);
    }
    return records;
}

void ContainerList::SelectRecord(const ItemRecord& wanted)
{
    const ui::ListViewCtrl control = Control();
    const int count = control.GetItemCount();
    for (int index = 0; index < count; ++index) {
        const ItemRecord* record = RecordAt(index);
        if (record && SameItem(*record, wanted) && record->IsFolder() == wanted.IsFolder()) {
            control.SetItemState(-1, 0, LVIS_SELECTED);
            control.SelectItem(index);
            control.EnsureVisible(index);
            return;
        }
    }
}

bool ContainerList::OnNotify(NMHDR* header, LRESULT& result)
{
    if (!header || header->hwndFrom != Handle()) return false;
    switch (header->code) {
    case NM_RCLICK: {
        const DWORD position = GetMessagePos();
        POINT screen = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ShowContextMenu(screen);
        result = TRUE;  // no WM_CONTEXTMENU after it
        return true;
    }
    case NM_DBLCLK:
        OpenSelection();
        result = 0;
        return true;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_RETURN) OpenSelection();
        result = 0;
        return true;
    case NM_CLICK:
        result = 0;
        return true;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        view_.UpdateStatus();
        result = 0;
        return true;
    case LVN_GETDISPINFOA:
        AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOA*>(header)->item);
        result = 0;
        return true;
    case LVN_GETDISPINFOW:
        AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
        result = 0;
        return true;
    case LVN_ODFINDITEMA:
        result = FindByText(*reinterpret_cast<const NMLVFINDITEMA*>(header));
        return true;
    case LVN_ODCACHEHINT:
        result = 0;
        return true;
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW:
        if (capabilities_ & CAN_RENAME) {
            if (HWND edit = Control().GetEditControl())
                SendMessageA(edit, EM_LIMITTEXT, kMaxLabelText, 0);
            result = FALSE;
        } else {
            result = TRUE;  // refused
        }
        return true;
    case LVN_ENDLABELEDITA: {
        const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(header);
        result = FinishRename(info->item.iItem, info->item.pszText) ? TRUE : FALSE;
        return true;
    }
    case LVN_ENDLABELEDITW: {
        const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(header);
        if (!info->item.pszText) {
            result = FALSE;
            return true;
        }
        char text[4 * kMaxLabelText + 1];
        const int n = WideCharToMultiByte(CP_ACP, 0, info->item.pszText, -1, text, sizeof text,
                                          nullptr, nullptr);
        result = (n > 0 && FinishRename(info->item.iItem, text)) ? TRUE : FALSE;
        return true;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
        BeginDrag();
        result = 0;
        return true;
    default:
        return false;
    }
}

bool ContainerList::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case LVM_SETITEMSTATE: {
        // The drop highlight is the list's; selection and focus the control's.
        auto* item = reinterpret_cast<LVITEMA*>(lp);
        if (!item || !(item->stateMask & LVIS_DROPHILITED)) return false;
        SetDropHighlight(static_cast<int>(wp), (item->state & LVIS_DROPHILITED) != 0);
        LVITEMA rest = *item;
        rest.stateMask &= ~static_cast<UINT>(LVIS_DROPHILITED);
        result = rest.stateMask ? CallOriginal(msg, wp, reinterpret_cast<LPARAM>(&rest)) : TRUE;
        return true;
    }
    case LVM_GETITEMSTATE: {
        const UINT mask = static_cast<UINT>(lp);
        if (!(mask & LVIS_DROPHILITED)) return false;
        result = CallOriginal(msg, wp, lp & ~static_cast<LPARAM>(LVIS_DROPHILITED));
        const int index = static_cast<int>(wp);
        if (dropHighlight_ == -2 || (index >= 0 && index == dropHighlight_)) result |= LVIS_DROPHILITED;
        return true;
    }
    case ui::kReflectedNotify:
        return OnNotify(reinterpret_cast<NMHDR*>(lp), result);
    case kStartDragMessage:
        RunDrag();
        result = 0;
        return true;
    case WM_CONTEXTMENU:
        // From the keyboard (Shift+F10, the menu key): at the focused item.
        if (lp == -1) {
            POINT screen = {0, 0};
            const int focused = Control().GetNextItem(-1, LVNI_FOCUSED);
            RECT rect;
            if (focused >= 0 && Control().GetItemRect(focused, rect, LVIR_ICON)) {
                screen.x = rect.left;
                screen.y = rect.bottom;
            }
            ClientToScreen(Handle(), &screen);
            ShowContextMenu(screen);
        }
        result = 0;
        return true;
    case WM_DESTROY:
        if (dropRegistered_) RevokeDragDrop(Handle());
        dropRegistered_ = false;
        return false;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Dragging items out of the list

void ContainerList::BeginDrag()
{
    const std::vector<const ItemRecord*> records = SelectedRecords();
    if (records.empty()) return;
    SelectionDataObject* object = new (std::nothrow) SelectionDataObject();
    if (!object) return;
    ComPtr<IDataObject> data;
    data.Attach(object);  // its birth reference
    std::vector<ItemRecord> dragged;
    dragged.reserve(records.size());
    for (const ItemRecord* record : records) {
        if (!object->AddRecord(*record)) return;
        dragged.push_back(*record);
    }
    pendingDrag_ = data;
    dragged_.swap(dragged);
    if (!PostMessageA(Handle(), kStartDragMessage, 0, 0)) {
        pendingDrag_.Reset();
        dragged_.clear();
    }
}

void ContainerList::RunDrag()
{
    ComPtr<IDataObject> data = std::move(pendingDrag_);
    pendingDrag_.Reset();
    std::vector<ItemRecord> records;
    records.swap(dragged_);
    if (!data) return;
    // The view (and this list) stays while the drag runs and after it.
    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT hr = DoDragDrop(data.Get(), &dropSource_,
                                  DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
    data.Reset();
    dropSource_.ClearHighlight();
    if (hr == DRAGDROP_S_DROP && (effect & DROPEFFECT_MOVE)) {
        if (DeleteItems(view_.Model(), view_.Folder().FolderId().Get(), records))
            AfterConfigurationChange();
        else
            view_.Model().RefreshViews();
    }
}

}  // namespace view
}  // namespace orrel
