// The shortcut wizard's folder, tree and shortcut pages.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <new>

#include <halvet/callclient.h>
#include <halvet/connclient.h>

#include "orrel/core/config.h"
#include "orrel/core/model.h"
#include "orrel/view/namespacechange.h"
#include "orrel/view/shortcutwizard.h"
#include "orrel/view/wizardlogic.h"
#include "orrel/view/wizardresource.h"

namespace orrel {
namespace view {

namespace {

constexpr std::uint32_t kTreeNameSize = 66;   // a tree name as connections give it
constexpr int kMaxScan = 4096;                 // no scan runs longer than this
constexpr std::uint32_t kContainerEntry = 0x0C;  // container or container alias
const char kOrganization[] = "Organization";
const char kUnit[] = "Organizational Unit";

std::string Bounded(const char* text, std::size_t size)
{
    std::size_t n = 0;
    while (n < size && text[n]) ++n;
    return std::string(text, n);
}

// The tree name of a connection reference, without its padding ("" for none).
std::string TreeOfReference(HALVET_CONN_REF ref)
{
    char name[kTreeNameSize] = {};
    if (GetConnRefInfo(ref, HALVET_CONN_INFO_TREE_NAME, sizeof name, name) != HALVET_OK)
        return std::string();
    return UnpaddedTreeName(Bounded(name, sizeof name));
}

std::vector<HALVET_CONN_REF> ConnectionReferences()
{
    std::vector<HALVET_CONN_REF> refs;
    std::uint32_t scan = 0;
    HALVET_CONN_REF ref = 0;
    for (int n = 0; n < kMaxScan && ScanConnRefs(&scan, &ref) == HALVET_OK; ++n) refs.push_back(ref);
    return refs;
}

// Trees of the connections the workstation has authenticated.
std::vector<std::string> AuthenticatedTrees()
{
    std::vector<std::string> names;
    for (HALVET_CONN_REF ref : ConnectionReferences()) {
        std::uint32_t state = 0;
        if (GetConnRefInfo(ref, HALVET_CONN_INFO_AUTH_STATE, sizeof state, &state) != HALVET_OK ||
            state != HALVET_AUTH_AUTHENTICATED)
            continue;
        const std::string tree = TreeOfReference(ref);
        if (!tree.empty()) AddOnce(names, tree);
    }
    return names;
}

// Trees of every connection, and every tree their servers advertise,
// starting from the primary connection. A connection that fails is passed
// over.
std::vector<std::string> AllTrees()
{
    std::vector<std::string> names;
    const std::vector<HALVET_CONN_REF> refs = ConnectionReferences();
    for (HALVET_CONN_REF ref : refs) {
        const std::string tree = TreeOfReference(ref);
        if (!tree.empty()) AddOnce(names, tree);
    }
    std::vector<HALVET_CONN_REF> order;
    HALVET_CONN_REF primary = 0;
    if (GetPrimaryConnRef(&primary) == HALVET_OK && primary) order.push_back(primary);
    for (HALVET_CONN_REF ref : refs)
        if (ref != primary) order.push_back(ref);
    for (HALVET_CONN_REF ref : order) {
        HALVET_CONN conn = HALVET_NO_CONN;
        if (OpenConnByRef(ref, HALVET_OPEN_UNCLAIMED, &conn) != HALVET_OK || conn == HALVET_NO_CONN)
            continue;
        MakeConnCurrent(conn);
        std::uint32_t scan = 0;
        char name[kTreeNameSize] = {};
        for (int n = 0; n < kMaxScan && ScanAdvertisedNames(conn, HALVET_ADVERTISED_TREE, &scan, name,
                                                            sizeof name) == HALVET_OK;
             ++n) {
            const std::string tree = UnpaddedTreeName(Bounded(name, sizeof name));
            if (!tree.empty()) AddOnce(names, tree);
        }
        CloseConn(conn);
    }
    return names;
}

// A personal folder and the personal folders inside it.
struct FolderBranch {
    std::string name;
    std::vector<FolderBranch> inside;
};

void CollectFolders(NamespaceModel& model, const ItemRecord& record, std::vector<FolderBranch>* out,
                    int depth)
{
    if (depth > 64) return;
    ChildListPtr children = model.ChildrenOf(record);
    if (!children) return;
    for (const auto& child : *children) {
        if (!child || !child->IsFolder()) continue;
        out->push_back(FolderBranch{child->displayName, {}});
        const ItemRecord folder = *child;
        CollectFolders(model, folder, &out->back().inside, depth + 1);
    }
}

void InsertFolders(HWND tree, HTREEITEM parent, const std::vector<FolderBranch>& branches)
{
    for (const FolderBranch& branch : branches) {
        TVINSERTSTRUCTA insert;
        ZeroMemory(&insert, sizeof insert);
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(branch.name.c_str());
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        if (item) InsertFolders(tree, item, branch.inside);
    }
}

std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[260] = {};
    TVITEMA info;
    ZeroMemory(&info, sizeof info);
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info))) return std::string();
    return Bounded(text, sizeof text);
}

HTREEITEM ParentItem(HWND tree, HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

}  // namespace

// ---------------------------------------------------------------------------
// Folder page

bool FolderPage::OnInit()
{
    std::vector<FolderBranch> folders;
    ReadNamespace(wizard_.Model(), [&](NamespaceModel& model) {
        CollectFolders(model, ItemRecord(), &folders, 0);
    });
    InsertFolders(Item(IDC_FOLDER_TREE), TVI_ROOT, folders);

    // Where the folder goes first: the folder the wizard was started on.
    ItemRecord start, decoded;
    if (DecodeLastItem(wizard_.FolderId().Get(), &decoded)) {
        start = decoded;
        if (DecodeLastItem(wizard_.SelectionId().Get(), &decoded)) start = decoded;
    } else if (DecodeLastItem(wizard_.SelectionId().Get(), &decoded)) {
        start = decoded;
    }
    std::string location = start.IsFolder() ? DecodePath(start.path, true, '\\') : std::string();
    if (location.empty() || location.back() != '\\') location += '\\';
    name_.clear();
    ShowLocation(location);
    return true;
}

void FolderPage::ShowLocation(const std::string& location)
{
    const bool was = updating_;
    updating_ = true;
    location_ = location;
    SetItemText(IDC_FOLDER_LOCATION, location);
    updating_ = was;
}

void FolderPage::UpdateButtons() const
{
    SetWizardButtons(GetItemText(IDC_FOLDER_NAME).empty() ? PSWIZB_DISABLEDFINISH : PSWIZB_FINISH);
}

int FolderPage::OnSetActive()
{
    UpdateButtons();
    return 0;
}

void FolderPage::NameChanged()
{
    if (updating_) return;
    updating_ = true;
    const std::string name = GetItemText(IDC_FOLDER_NAME);
    ShowLocation(LocationForName(GetItemText(IDC_FOLDER_LOCATION), name_, name));
    name_ = name;
    UpdateButtons();
    updating_ = false;
}

void FolderPage::FolderSelected(HTREEITEM item)
{
    HWND tree = Item(IDC_FOLDER_TREE);
    std::vector<std::string> topDown;
    for (HTREEITEM at = item; at; at = ParentItem(tree, at)) topDown.insert(topDown.begin(), ItemText(tree, at));
    name_ = GetItemText(IDC_FOLDER_NAME);
    ShowLocation(LocationInFolder(topDown, name_));
}

bool FolderPage::OnCommand(WORD id, WORD code, HWND)
{
    if (code != EN_CHANGE) return false;
    if (id == IDC_FOLDER_NAME) {
        NameChanged();
        return true;
    }
    if (id == IDC_FOLDER_LOCATION) {
        if (!updating_) location_ = GetItemText(IDC_FOLDER_LOCATION);
        return true;
    }
    return false;
}

bool FolderPage::OnNotify(NMHDR* header)
{
    if (header->idFrom != IDC_FOLDER_TREE) return false;
    if (header->code == TVN_SELCHANGEDA) {
        FolderSelected(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
        return true;
    }
    if (header->code == TVN_SELCHANGEDW) {
        FolderSelected(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
        return true;
    }
    return false;
}

bool FolderPage::OnWizardFinish()
{
    const std::string location = GetItemText(IDC_FOLDER_LOCATION);
    if (location.empty()) return true;
    const bool made = ChangeNamespace(wizard_.Model(), [&](NamespaceModel& model) {
        ChildListPtr entered;
        return EnsureFolderPath(model, location, &entered);
    });
    // A location that cannot be made (or that exists already) keeps the page.
    return !made;
}

// ---------------------------------------------------------------------------
// Tree page

void TreePage::SetButtons(bool selected) const
{
    if (wizard_.Type() == WIZARD_TREE)
        SetWizardButtons(PSWIZB_BACK | (selected ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH));
    else
        SetWizardButtons(PSWIZB_BACK | (selected ? PSWIZB_NEXT : 0));
}

void TreePage::FillList(const std::vector<std::string>& names)
{
    SendItemMessage(IDC_TREES_LIST, LB_RESETCONTENT);
    for (const std::string& name : names)
        SendItemMessage(IDC_TREES_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void TreePage::ShowTrees(Mode mode)
{
    mode_ = mode;
    EnableItem(IDC_TREES_ALL, true);
    EnableItem(IDC_TREES_AUTHENTICATED, true);
    EnableItem(IDC_TREES_SERVER_LABEL, false);
    EnableItem(IDC_TREES_SERVER, false);
    server_.clear();
    tree_.clear();
    SetItemText(IDC_TREES_SERVER, "");
    CheckItem(IDC_TREES_ALL, mode == ALL);
    CheckItem(IDC_TREES_AUTHENTICATED, mode == AUTHENTICATED);
    SetButtons(false);
    FillList(mode == ALL ? AllTrees() : AuthenticatedTrees());
}

void TreePage::ShowLocated()
{
    EnableItem(IDC_TREES_ALL, false);
    EnableItem(IDC_TREES_AUTHENTICATED, false);
    EnableItem(IDC_TREES_SERVER_LABEL, true);
    EnableItem(IDC_TREES_SERVER, true);
    SetItemText(IDC_TREES_SERVER, server_);
    SetButtons(!tree_.empty());
}

bool TreePage::OnInit()
{
    mode_ = AUTHENTICATED;
    tree_.clear();
    server_.clear();
    return true;
}

int TreePage::OnSetActive()
{
    if (mode_ == LOCATED)
        ShowLocated();
    else
        ShowTrees(mode_);
    return 0;
}

void TreePage::Locate()
{
    LocateTreeDialog locate;
    if (locate.DoModal(Handle()) != IDOK || locate.Server().empty()) return;
    FillList({locate.Tree()});
    SendItemMessage(IDC_TREES_LIST, LB_SETCURSEL, 0);
    tree_ = locate.Tree();
    server_ = locate.Server();
    mode_ = LOCATED;
    ShowLocated();
}

bool TreePage::OnCommand(WORD id, WORD code, HWND)
{
    switch (id) {
    case IDC_TREES_LIST: {
        if (code != LBN_SELCHANGE) return false;
        const LRESULT index = SendItemMessage(IDC_TREES_LIST, LB_GETCURSEL);
        const LRESULT length = SendItemMessage(IDC_TREES_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(index));
        if (index < 0 || length < 0 || length > 1024) return true;
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        SendItemMessage(IDC_TREES_LIST, LB_GETTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&text[0]));
        tree_ = Bounded(text.c_str(), text.size());
        SetButtons(!tree_.empty());
        return true;
    }
    case IDC_TREES_AUTHENTICATED:
        if (code != BN_CLICKED) return false;
        ShowTrees(AUTHENTICATED);
        return true;
    case IDC_TREES_ALL:
        if (code != BN_CLICKED) return false;
        ShowTrees(ALL);
        return true;
    case IDC_TREES_ADVANCED:
        if (code != BN_CLICKED) return false;
        Locate();
        return true;
    default:
        return false;
    }
}

bool TreePage::OnWizardFinish()
{
    if (wizard_.Type() == WIZARD_TREE) {
        const std::string tree = tree_, server = server_;
        LPCITEMIDLIST target = wizard_.SelectionId().Get();
        // A tree the configuration refuses is dropped without a word.
        ChangeNamespace(wizard_.Model(), [&](NamespaceModel& model) {
            return AddTree(model, tree, server, target);
        });
    }
    return false;
}

// ---------------------------------------------------------------------------
// Shortcut page

ShortcutPage::Entry* ShortcutPage::EntryOf(HWND tree, HTREEITEM item) noexcept
{
    TVITEMA info;
    ZeroMemory(&info, sizeof info);
    info.mask = TVIF_PARAM;
    info.hItem = item;
    if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info))) return nullptr;
    return reinterpret_cast<Entry*>(info.lParam);
}

std::string ShortcutPage::NameOf(HTREEITEM item, bool absolute) const
{
    HWND tree = Item(IDC_SHORTCUT_SELECTION);
    std::vector<std::string> labels;
    for (HTREEITEM at = item; at; at = ParentItem(tree, at))
        if (const Entry* entry = EntryOf(tree, at)) labels.push_back(entry->name);
    return ContextName(labels, absolute);
}

void ShortcutPage::ListUnder(HTREEITEM parent, const std::string& container)
{
    if (!session_ || !session_->Ready()) return;
    if (!session_->SetNameContext(container) || !session_->SetFlags(kContextFlags)) return;
    std::unique_ptr<DirIterator> iterator = session_->NewIterator(DIR_OP_LIST, 1, kDirListBufferSize);
    if (!iterator) return;
    std::vector<Entry> found;
    std::string name;
    DirObjectInfoOut info;
    while (iterator->NextObject(&name, nullptr, &info)) {
        if (info.baseClass != kOrganization && info.baseClass != kUnit) continue;
        if (name.empty() || name.find_first_of(".\\") != std::string::npos) continue;
        found.push_back(Entry{name, info.baseClass, (info.entryFlags & kContainerEntry) != 0});
    }
    iterator.reset();
    std::stable_sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.name.c_str(), -1,
                              b.name.c_str(), -1) == CSTR_LESS_THAN;
    });
    HWND tree = Item(IDC_SHORTCUT_SELECTION);
    for (const Entry& entry : found) {
        Entry* owned = new (std::nothrow) Entry(entry);
        if (!owned) return;
        TVINSERTSTRUCTA insert;
        ZeroMemory(&insert, sizeof insert);
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
        insert.item.pszText = LPSTR_TEXTCALLBACKA;
        insert.item.cChildren = I_CHILDRENCALLBACK;
        insert.item.lParam = reinterpret_cast<LPARAM>(owned);
        if (!SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))) delete owned;
    }
}

int ShortcutPage::OnSetActive()
{
    HWND tree = Item(IDC_SHORTCUT_SELECTION);
    const std::string chosen = wizard_.Trees().Tree();
    if (!session_ || chosen != listedTree_) {
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        SetItemText(IDC_SHORTCUT_CONTEXT, "");
        SetItemText(IDC_SHORTCUT_TREE, chosen);
        listedTree_ = chosen;
        session_.reset(new (std::nothrow) DirSession());
        if (session_ && session_->Ready() && session_->SetTree(chosen) &&
            session_->SetNameContext("[Root]"))
            ListUnder(TVI_ROOT, "[Root]");
    }
    const bool selected = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0;
    SetWizardButtons(PSWIZB_BACK | (selected ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH));
    return 0;
}

bool ShortcutPage::OnNotify(NMHDR* header)
{
    if (header->idFrom != IDC_SHORTCUT_SELECTION) return false;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
        const Entry* entry = reinterpret_cast<const Entry*>(info->item.lParam);
        if (!entry) return true;
        if ((info->item.mask & TVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0)
            lstrcpynA(info->item.pszText, entry->name.c_str(), info->item.cchTextMax);
        if (info->item.mask & TVIF_CHILDREN) info->item.cChildren = entry->hasChildren ? 1 : 0;
        return true;
    }
    case TVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
        const Entry* entry = reinterpret_cast<const Entry*>(info->item.lParam);
        if (!entry) return true;
        if ((info->item.mask & TVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
            if (!MultiByteToWideChar(CP_ACP, 0, entry->name.c_str(), -1, info->item.pszText,
                                     info->item.cchTextMax))
                info->item.pszText[info->item.cchTextMax - 1] = L'\0';
        }
        if (info->item.mask & TVIF_CHILDREN) info->item.cChildren = entry->hasChildren ? 1 : 0;
        return true;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
        HTREEITEM item = info->itemNew.hItem;
        if ((info->action & TVE_EXPAND) &&
            !SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) {
            ListUnder(item, NameOf(item, false));
            // Listed once: a container with nothing to show shows no button.
            if (!SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)))
                if (Entry* entry = EntryOf(tree, item)) entry->hasChildren = false;
        }
        SetResult(FALSE);
        return true;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
        SetItemText(IDC_SHORTCUT_CONTEXT, NameOf(info->itemNew.hItem, false));
        SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        return true;
    }
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW: {
        auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
        delete reinterpret_cast<Entry*>(info->itemOld.lParam);
        return true;
    }
    default:
        return false;
    }
}

bool ShortcutPage::OnWizardFinish()
{
    HWND tree = Item(IDC_SHORTCUT_SELECTION);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    const Entry* entry = EntryOf(tree, item);
    ItemRecord shortcut;
    if (!entry || !EncodePath(NameOf(item, true), &shortcut.path)) return false;
    shortcut.flags = ITEM_CONTAINER | ITEM_SHORTCUT;
    shortcut.displayName = entry->name;
    shortcut.className = entry->className;
    shortcut.tree = wizard_.Trees().Tree();
    shortcut.server = wizard_.Trees().Server();
    const ItemRecord target = wizard_.TargetFolder();
    // A shortcut the configuration refuses is dropped without a word.
    ChangeNamespace(wizard_.Model(), [&](NamespaceModel& model) {
        return AddToFolder(model, shortcut, target);
    });
    return false;
}

void ShortcutPage::OnDestroy()
{
    // The items' records go with the items, while the page still hears of it.
    if (HWND tree = Item(IDC_SHORTCUT_SELECTION))
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    session_.reset();
    listedTree_.clear();
}

}  // namespace view
}  // namespace orrel
