// The Locate Tree dialog: a server given by name or by IP address, whose tree
// is located and recorded under "Trees".
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "orrel/core/dirsession.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/shortcutwizard.h"
#include "orrel/view/wizardresource.h"

namespace orrel {
namespace view {

bool LocateTreeDialog::OnInit()
{
    SetMode(false);
    return true;
}

void LocateTreeDialog::SetMode(bool byAddress)
{
    byAddress_ = byAddress;
    CheckItem(IDC_LOCATE_BY_ADDRESS, byAddress);
    CheckItem(IDC_LOCATE_BY_NAME, !byAddress);
    EnableItem(IDC_LOCATE_ADDRESS, byAddress);
    EnableItem(IDC_LOCATE_NAME, !byAddress);
    SendItemMessage(IDC_LOCATE_ADDRESS, IPM_CLEARADDRESS);
    SetItemText(IDC_LOCATE_NAME, "");
    UpdateOk();
}

void LocateTreeDialog::UpdateOk() const
{
    const bool filled = byAddress_ ? SendItemMessage(IDC_LOCATE_ADDRESS, IPM_ISBLANK) == 0
                                   : !GetItemText(IDC_LOCATE_NAME).empty();
    EnableItem(IDOK, filled);
}

std::string LocateTreeDialog::LocationText() const
{
    if (!byAddress_) return GetItemText(IDC_LOCATE_NAME);
    DWORD address = 0;
    if (SendItemMessage(IDC_LOCATE_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) != 4)
        return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(FIRST_IPADDRESS(address)),
                  static_cast<int>(SECOND_IPADDRESS(address)), static_cast<int>(THIRD_IPADDRESS(address)),
                  static_cast<int>(FOURTH_IPADDRESS(address)));
    return text;
}

bool LocateTreeDialog::OnCommand(WORD id, WORD code, HWND)
{
    switch (id) {
    case IDC_LOCATE_BY_ADDRESS:
    case IDC_LOCATE_BY_NAME:
        if (code != BN_CLICKED) return false;
        SetMode(id == IDC_LOCATE_BY_ADDRESS);
        return true;
    case IDC_LOCATE_NAME:
    case IDC_LOCATE_ADDRESS:
        if (code != EN_CHANGE) return false;
        UpdateOk();
        return true;
    default:
        return false;
    }
}

bool LocateTreeDialog::OnNotify(NMHDR* header)
{
    if (header->idFrom != IDC_LOCATE_ADDRESS || header->code != IPN_FIELDCHANGED) return false;
    UpdateOk();
    return true;
}

void LocateTreeDialog::OnOK()
{
    const std::string text = LocationText();
    if (text.empty()) {
        ui::MessageBoxFromStrings(Handle(), IDS_WIZ_NO_LOCATION, IDS_WIZ_MESSAGE_CAPTION, MB_OK);
        return;
    }
    std::string tree;
    switch (RegisterTreeOfServer(text, &tree)) {
    case REGISTER_TREE_OK:
        tree_ = tree;
        server_ = text;
        EndDialog(IDOK);
        return;
    case REGISTER_TREE_NO_TREE:
        ui::MessageBoxFromStrings(Handle(), IDS_WIZ_NO_TREE, IDS_WIZ_MESSAGE_CAPTION, MB_OK, text);
        return;
    default:
        ui::MessageBoxFromStrings(Handle(), IDS_WIZ_NO_CONNECTION, IDS_WIZ_MESSAGE_CAPTION, MB_OK, text);
        return;
    }
}

}  // namespace view
}  // namespace orrel
