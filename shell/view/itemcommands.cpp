// The commands the container list starts: the item and background menus,
// open, delete and rename.
#include <cstring>

#include "orrel/core/config.h"
#include "orrel/core/folder.h"
#include "orrel/core/itemid.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/namespacelock.h"
#include "orrel/handles.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/containerlist.h"
#include "orrel/view/containerview.h"
#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

namespace {

constexpr UINT kTrackFlags = TPM_RETURNCMD | TPM_RIGHTBUTTON;

// The last entry of a list is one of the namespace's: our signature and
// class identifier, whether or not a record follows.
bool LastEntryIsOurs(const ItemIdList& list)
{
    LPCITEMIDLIST last = list.Last();
    if (!last) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(last);
    const std::size_t cb = static_cast<std::size_t>(bytes[0] | (bytes[1] << 8));
    return cb >= kEntryHeaderSize && bytes[2] == kEntrySignature && bytes[3] == 0 &&
           std::memcmp(bytes + 4, kNamespaceClsidBytes, sizeof kNamespaceClsidBytes) == 0;
}

}  // namespace

HRESULT InvokeMenuCommand(IContextMenu* menu, HWND owner, int id) noexcept
{
    if (!menu || id <= 0) return E_FAIL;
    // A real CMINVOKECOMMANDINFO, whatever its size in this process.
    CMINVOKECOMMANDINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = 0;
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(id - 1);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

void ContainerList::ShowContextMenu(POINT screen)
{
    if (!Handle()) return;
    if (Control().GetSelectedCount() > 0) {
        const std::vector<const ItemRecord*> selected = SelectedRecords();
        if (!selected.empty()) ShowItemMenu(screen, selected);
        return;
    }
    ShowBackgroundMenu(screen);
}

void ContainerList::ShowItemMenu(POINT screen, const std::vector<const ItemRecord*>& selected)
{
    ComPtr<IContextMenu> handlers;
    if (FAILED(view_.GetUIObjectOf(selected, IID_IContextMenu, handlers.PutVoid())) || !handlers)
        return;
    Menu menu(CreatePopupMenu());
    if (!menu) return;

    const OwnVerbs verbs = OwnVerbsFor(selected.front()->flags, capabilities_, selected.size());
    UINT position = 0;
    if (verbs.rename) {
        const std::string text = ui::LoadModuleText(IDS_VIEW_RENAME);
        if (InsertMenuA(menu.Get(), position, MF_BYPOSITION | MF_STRING, IDC_ITEM_RENAME,
                        text.c_str()))
            ++position;
    }
    if (verbs.remove) {
        const std::string text = ui::LoadModuleText(IDS_VIEW_DELETE);
        if (InsertMenuA(menu.Get(), position, MF_BYPOSITION | MF_STRING, IDC_ITEM_DELETE,
                        text.c_str()))
            ++position;
    }
    if (position > 0 && InsertMenuA(menu.Get(), position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr))
        ++position;
    handlers->QueryContextMenu(menu.Get(), position, IDC_HANDLER_FIRST, IDC_HANDLER_LAST,
                               CMF_EXPLORE);

    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    const int id = static_cast<int>(TrackPopupMenu(menu.Get(), kTrackFlags, screen.x, screen.y, 0,
                                                   Handle(), nullptr));
    if (!Handle()) return;  // the view went away while the menu was open
    if (id == IDC_ITEM_DELETE) {
        DeleteSelection();
    } else if (id == IDC_ITEM_RENAME) {
        const int first = Control().GetNextSelected(-1);
        if (first >= 0) Control().EditLabel(first);
    } else if (id > 0) {
        InvokeMenuCommand(handlers.Get(), Handle(), id);
    }
}

bool ContainerList::BackgroundMenuAllowed() const
{
    const ItemIdList& folderId = view_.Folder().FolderId();
    if (!LastEntryIsOurs(folderId)) return false;
    ItemRecord record;
    if (!DecodeLastItem(folderId.Get(), &record)) return true;  // the namespace root
    return record.IsFolder();
}

void ContainerList::ShowBackgroundMenu(POINT screen)
{
    if (!BackgroundMenuAllowed()) return;
    NamespaceFolder& folder = view_.Folder();
    ComPtr<IContextMenu> folderMenu;
    if (FAILED(folder.QueryInterface(IID_IContextMenu, folderMenu.PutVoid())) || !folderMenu)
        return;
    Menu menu(CreatePopupMenu());
    if (!menu) return;
    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    folder.SetSelectionId(ItemIdList::Copy(folder.FolderId().Get(), ListAllocator::Heap));
    folderMenu->QueryContextMenu(menu.Get(), 0, IDC_HANDLER_FIRST, IDC_HANDLER_LAST, CMF_EXPLORE);
    const int id = static_cast<int>(TrackPopupMenu(menu.Get(), kTrackFlags, screen.x, screen.y, 0,
                                                   Handle(), nullptr));
    if (id > 0) InvokeMenuCommand(folderMenu.Get(), Handle(), id);
    folder.SetSelectionId(ItemIdList());
}

void ContainerList::OpenSelection()
{
    if (!Handle() || Control().GetSelectedCount() != 1) return;
    const std::vector<const ItemRecord*> selected = SelectedRecords();
    if (selected.size() != 1) return;
    const ItemRecord* record = selected.front();
    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));

    if (record->IsContainer()) {
        ComPtr<IShellBrowser> browser(view_.Browser());
        if (!browser) return;
        ItemIdList child = ItemIdList::FromRecord(*record, nullptr, ListAllocator::Shell);
        if (!child) return;
        // The browser replaces this view while it browses: nothing of the
        // view or the list is used after this call.
        browser->BrowseObject(child.Get(), SBSP_SAMEBROWSER | SBSP_RELATIVE);
        return;
    }

    ComPtr<IContextMenu> handlers;
    if (FAILED(view_.GetUIObjectOf(selected, IID_IContextMenu, handlers.PutVoid())) || !handlers)
        return;
    Menu menu(CreatePopupMenu());
    if (!menu) return;
    handlers->QueryContextMenu(menu.Get(), 0, IDC_HANDLER_FIRST, IDC_DEFAULT_LAST, CMF_EXPLORE);
    const UINT id = GetMenuDefaultItem(menu.Get(), FALSE, 0);
    if (id == static_cast<UINT>(-1) || id == 0) return;  // no handler named a default
    InvokeMenuCommand(handlers.Get(), Handle(), static_cast<int>(id));
}

void ContainerList::DeleteSelection()
{
    const std::vector<const ItemRecord*> selected = SelectedRecords();
    if (selected.empty()) return;
    // What the user is asked about is what gets deleted, even if the model
    // changes while the question is open.
    std::vector<ItemRecord> records;
    records.reserve(selected.size());
    for (const ItemRecord* record : selected) records.push_back(*record);

    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    const UINT flags = MB_YESNO | MB_ICONEXCLAMATION;
    const int answer =
        records.size() == 1
            ? ui::MessageBoxFromStrings(Handle(), IDS_VIEW_ASK_DELETE_ONE, IDS_VIEW_CAPTION, flags,
                                        records.front().displayName)
            : ui::MessageBoxFromStrings(Handle(), IDS_VIEW_ASK_DELETE_MANY, IDS_VIEW_CAPTION, flags,
                                        static_cast<int>(records.size()));
    if (answer != IDYES) return;
    if (DeleteItems(view_.Model(), view_.Folder().FolderId().Get(), records))
        AfterConfigurationChange();
}

bool ContainerList::FinishRename(int index, const char* newName)
{
    if (!newName || index < 0) return false;  // dismissed
    const std::string name(newName);
    if (!IsValidItemName(name)) {
        ui::MessageBoxFromStrings(Handle(), IDS_VIEW_BAD_NAME, IDS_VIEW_CAPTION, MB_OK | MB_ICONHAND);
        return false;
    }
    const ItemRecord* record = RecordAt(index);
    if (!record) return false;
    // An unchanged name is no rename: nothing to store, nothing to report.
    if (name == record->displayName) return false;

    const ItemRecord old = *record;
    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    ui::ListViewCtrl control = Control();
    if (RenameFolder(view_.Model(), view_.Folder().FolderId().Get(), old, name)) {
        control.SelectItem(index);
        AfterConfigurationChange();
        // The list was filled again: the renamed folder is selected where it
        // is now, and the list must not put the new name on whatever item
        // took the old index.
        ItemRecord renamed = old;
        if (SetRecordName(renamed, name) && Handle()) SelectRecord(renamed);
        return false;
    }
    // The item shows its record's name again (the list answers it).
    control.SelectItem(index);
    ui::MessageBoxFromStrings(Handle(), IDS_VIEW_RENAME_FAILED, IDS_VIEW_CAPTION, MB_OK | MB_ICONHAND);
    return false;
}

void ContainerList::AfterConfigurationChange()
{
    ComPtr<IShellView> keep(static_cast<IShellView*>(&view_));
    const ItemIdList folderId =
        ItemIdList::Copy(view_.Folder().FolderId().Get(), ListAllocator::Heap);
    {
        // The model follows the registry; every other view refills on its
        // own thread, this one at once (the caller selects in it next).
        NamespaceLock lock;
        Reload(view_.Model());
        view_.Model().RefreshViews(&view_);
    }
    view_.Refill();
    if (folderId) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSH, folderId.Get(), nullptr);
}

}  // namespace view
}  // namespace orrel
