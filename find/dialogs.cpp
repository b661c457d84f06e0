// The criteria dialog, the server list, the context browser and New Folder.
#include "dialogs.h"

#include "engine/ldapdirectory.h"
#include "engine/searchtables.h"
#include "engine/servers.h"
#include "orrel/module.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "savefolder.h"

namespace orrel {
namespace find {

namespace {

class WaitCursor {
public:
    WaitCursor() noexcept : old_(SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR old_;
};

bool ContainsText(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

// ---- Criteria -------------------------------------------------------------

CriteriaDialog::CriteriaDialog(std::uint32_t classMask, std::string field, std::string value)
    : ui::Dialog(IDD_CRITERIA), classMask_(classMask), field_(std::move(field)), value_(std::move(value))
{
}

bool CriteriaDialog::OnInit()
{
    ui::ComboBoxCtrl fields(Item(IDC_CRITERIA_FIELD));
    for (const std::string& name : CriteriaFieldsOf(classMask_)) fields.AddString(name.c_str());
    if (!field_.empty()) {
        SetWindowTextA(Handle(), ui::LoadModuleText(IDS_MODIFY_CRITERIA).c_str());
        int index = fields.FindStringExact(field_.c_str());
        fields.SetCurSel(index >= 0 ? index : 0);
    } else {
        SetWindowTextA(Handle(), ui::LoadModuleText(IDS_ADD_CRITERIA).c_str());
        fields.SetCurSel(0);
    }
    SetItemText(IDC_CRITERIA_VALUE, value_);
    return true;
}

void CriteriaDialog::OnOK()
{
    field_ = GetItemText(IDC_CRITERIA_FIELD);
    value_ = GetItemText(IDC_CRITERIA_VALUE);
    EndDialog(IDOK);
}

// ---- Known search servers -------------------------------------------------

ServerListDialog::ServerListDialog() : ui::Dialog(IDD_SERVER_LIST) {}

bool ServerListDialog::OnInit()
{
    // Ctrl held while the list opens lists every server without probing it;
    // Shift shows addresses without looking up their names.
    bool probe = (GetAsyncKeyState(VK_CONTROL) & 0x8000) == 0;
    bool resolve = (GetAsyncKeyState(VK_SHIFT) & 0x8000) == 0;
    HWND list = Item(IDC_SERVER_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    WaitCursor wait;
    FindSearchServers(list, probe, resolve);
    return true;
}

bool ServerListDialog::OnNotify(NMHDR* header)
{
    if (header->idFrom == IDC_SERVER_LIST && header->code == NM_DBLCLK) {
        OnOK();
        return true;
    }
    return false;
}

void ServerListDialog::OnOK()
{
    ui::ListViewCtrl list(Item(IDC_SERVER_LIST));
    int selected = list.GetNextSelected();
    if (selected < 0) return;
    chosen_ = list.GetItemText(selected, 0);
    EndDialog(IDOK);
}

// ---- Search context browser -----------------------------------------------

ContextBrowseDialog::ContextBrowseDialog(std::string server, std::string context)
    : ui::Dialog(IDD_CONTEXT_BROWSE), server_(std::move(server)), context_(std::move(context))
{
}

bool ContextBrowseDialog::OnInit()
{
    HWND tree = Item(IDC_BROWSE_TREE);
    if (images_.Create(16, 16, ILC_COLOR8 | ILC_MASK, 6, 1)) {
        images_.SetBkColor(GetSysColor(COLOR_WINDOW));
        for (int id = IconGeneric; id <= IconRoot; ++id) {
            HICON icon = static_cast<HICON>(
                LoadImageA(Module::ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
            images_.AddIcon(icon);
            if (icon) DestroyIcon(icon);
        }
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.Get()));
    }
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>("[Root]");
    insert.item.iImage = insert.item.iSelectedImage = IconRoot - IconGeneric;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = 1;
    HTREEITEM root = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    Preselect();
    return true;
}

std::string ContextBrowseDialog::DnOf(HTREEITEM item) const
{
    HWND tree = Item(IDC_BROWSE_TREE);
    std::string dn;
    while (item) {
        char text[512] = "";
        TVITEMA data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = sizeof(text);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
        HTREEITEM parent = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
        if (parent) {  // the root "[Root]" adds nothing
            if (!dn.empty()) dn += ',';
            dn += text;
        }
        item = parent;
    }
    return dn;
}

void ContextBrowseDialog::Expand(HTREEITEM item)
{
    HWND tree = Item(IDC_BROWSE_TREE);
    TVITEMA data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)) || data.lParam == 0) return;
    WaitCursor wait;
    std::string base = DnOf(item);
    std::vector<std::string> names;
    LdapDirectory directory;
    LDAP* session = nullptr;
    if (directory.OpenLdapSession(server_.c_str(), &session) == 0) {
        directory.ListContainers(session, base.c_str(), LDAP_SCOPE_ONELEVEL, false, &names);
        directory.CloseLdapSession(session);
    }
    for (const std::string& name : names) {
        int icon = IconGeneric;
        if (ContainsText(name, "l=") || ContainsText(name, "st=")) icon = IconLocality;
        else if (ContainsText(name, "o=")) icon = IconOrganization;
        else if (ContainsText(name, "ou=")) icon = IconUnit;
        else if (ContainsText(name, "c=")) icon = IconCountry;
        TVINSERTSTRUCTA insert{};
        insert.hParent = item;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(name.c_str());
        insert.item.iImage = insert.item.iSelectedImage = icon - IconGeneric;
        insert.item.cChildren = I_CHILDRENCALLBACK;
        insert.item.lParam = 1;
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    data.mask = TVIF_PARAM | TVIF_CHILDREN;
    data.lParam = 0;
    data.cChildren = static_cast<int>(names.size());
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

void ContextBrowseDialog::Preselect()
{
    HWND tree = Item(IDC_BROWSE_TREE);
    std::string dn = ToLdapContext(context_);
    HTREEITEM current = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (current && !dn.empty()) {
        std::size_t comma = dn.rfind(',');
        std::string last = comma == std::string::npos ? dn : dn.substr(comma + 1);
        dn = comma == std::string::npos ? std::string() : dn.substr(0, comma);
        HTREEITEM found = nullptr;
        for (HTREEITEM child = reinterpret_cast<HTREEITEM>(
                 SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(current)));
             child; child = reinterpret_cast<HTREEITEM>(
                        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
            char text[512] = "";
            TVITEMA data{};
            data.mask = TVIF_TEXT;
            data.hItem = child;
            data.pszText = text;
            data.cchTextMax = sizeof(text);
            SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
            if (lstrcmpiA(text, last.c_str()) == 0) {
                found = child;
                break;
            }
        }
        if (!found) break;
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(found));
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found));
        current = found;
    }
}

bool ContextBrowseDialog::OnNotify(NMHDR* header)
{
    if (header->idFrom != IDC_BROWSE_TREE) return false;
    if (header->code == TVN_GETDISPINFOA || header->code == TVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
        if (info->item.mask & TVIF_CHILDREN) info->item.cChildren = 1;
        return true;
    }
    if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDINGW) {
        auto* view = reinterpret_cast<NMTREEVIEWA*>(header);
        if (view->action & TVE_EXPAND) Expand(view->itemNew.hItem);
        SetResult(FALSE);
        return true;
    }
    return false;
}

void ContextBrowseDialog::OnOK()
{
    HTREEITEM selected = reinterpret_cast<HTREEITEM>(
        SendItemMessage(IDC_BROWSE_TREE, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return;
    context_ = DnOf(selected);
    EndDialog(IDOK);
}

// ---- New Folder -----------------------------------------------------------

NewFolderDialog::NewFolderDialog() : ui::Dialog(IDD_NEW_FOLDER) {}

bool NewFolderDialog::OnInit()
{
    ui::ComboBoxCtrl box(Item(IDC_NEW_FOLDER_NAME));
    for (const std::string& path : ExistingFolderPaths()) box.AddString(path.c_str());
    std::string proposal = ui::LoadModuleText(IDS_NEW_FOLDER);
    for (long n = 2; box.FindString(proposal.c_str()) >= 0 && n < 100000; ++n)
        proposal = ui::FormatText(ui::LoadModuleText(IDS_NEW_FOLDER_N).c_str(), n);
    SetItemText(IDC_NEW_FOLDER_NAME, proposal);
    return true;
}

void NewFolderDialog::OnOK()
{
    path_ = SanitizeFolderPath(GetItemText(IDC_NEW_FOLDER_NAME));
    EndDialog(IDOK);
}

}  // namespace find
}  // namespace orrel
