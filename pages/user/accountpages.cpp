// The read-only Login Account and Password pages. What they show follows
// from the values read (userdisplay.h); the only action is the Change
// Password button.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {
namespace {

// The block PwdChangePasswordA of MPR.DLL takes: the user name first, the
// other fields left zero.
struct ChangePasswordInfo {
    LPSTR userName;
    LPSTR password;
    DWORD passwordSize;
};
using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR provider, HWND owner, DWORD flags,
                                                 ChangePasswordInfo* info);

bool IsNtFamily() noexcept
{
    return (GetVersion() & 0x80000000u) == 0;
}

// The display-only check boxes: disabled, with their own captions, painted
// here. Wine's disabled check box cuts the last pixels off its embossed
// caption; this paints the box and the whole caption in the disabled look
// (a light copy one pixel down and right under the grey text).
constexpr UINT_PTR kCheckPaintId = 0x43484B31;  // "CHK1"

LRESULT CALLBACK PaintDisabledCheck(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &PaintDisabledCheck, kCheckPaintId);
    if ((msg != WM_PAINT && msg != WM_PRINTCLIENT) || IsWindowEnabled(hwnd))
        return DefSubclassProc(hwnd, msg, wp, lp);
    PAINTSTRUCT ps = {};
    HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wp);
    RECT client;
    GetClientRect(hwnd, &client);
    HWND parent = GetParent(hwnd);
    HBRUSH background = reinterpret_cast<HBRUSH>(
        SendMessageA(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));
    const int box = 13;
    RECT boxRect = {client.left, (client.top + client.bottom - box) / 2, client.left + box, 0};
    boxRect.bottom = boxRect.top + box;
    UINT state = DFCS_BUTTONCHECK | DFCS_INACTIVE;
    if (SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) state |= DFCS_CHECKED;
    DrawFrameControl(dc, &boxRect, DFC_BUTTON, state);
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT label = {boxRect.right + 4, client.top, client.right, client.bottom};
    OffsetRect(&label, 1, 1);
    COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextA(dc, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    OffsetRect(&label, -1, -1);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    if (msg == WM_PAINT) EndPaint(hwnd, &ps);
    return 0;
}

}  // namespace

// ---- 5 Login Account -------------------------------------------------------------

LoginAccountPage::LoginAccountPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_ACCOUNT)
{
    ShowIfReadable({"Last Login Time"});
}

void LoginAccountPage::OnLoad()
{
    AccountDisplay d = DescribeLoginAccount(Reader(), Texts());
    SetItemText(IDC_ACCOUNT_LAST_LOGIN, d.lastLogin);
    SetItemText(IDC_ACCOUNT_EXPIRATION, d.expiration);
    SetItemText(IDC_ACCOUNT_GRACE_LIMIT, d.graceLimit);
    SetItemText(IDC_ACCOUNT_GRACE_REMAINING, d.graceRemaining);
    SetItemText(IDC_ACCOUNT_MAX_LOGINS, d.maxLogins);
    SetItemText(IDC_ACCOUNT_STATUS, d.status);
    SetItemText(IDC_ACCOUNT_BALANCE, d.balance);
    SetItemText(IDC_ACCOUNT_LOW_LIMIT, d.lowLimit);
    EnableItem(IDC_ACCOUNT_GRACE_REMAINING_LABEL, d.graceRemainingLabelEnabled);
    EnableItem(IDC_ACCOUNT_BALANCE_LABEL, d.balanceLabelEnabled);
}

// ---- 7 Password ----------------------------------------------------------------------

PasswordPage::PasswordPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_PASSWORD)
{
    ShowIfReadable({"Password Allow Change"});
}

void PasswordPage::OnInitControls()
{
    for (int id : {IDC_PASSWORD_ALLOW_CHANGE, IDC_PASSWORD_REQUIRED, IDC_PASSWORD_PERIODIC,
                   IDC_PASSWORD_UNIQUE})
        SetWindowSubclass(Item(id), &PaintDisabledCheck, kCheckPaintId, 0);
}

void PasswordPage::OnLoad()
{
    PasswordDisplay d = DescribePassword(Reader(), Texts());
    CheckItem(IDC_PASSWORD_ALLOW_CHANGE, d.allowChange);
    CheckItem(IDC_PASSWORD_REQUIRED, d.required);
    CheckItem(IDC_PASSWORD_PERIODIC, d.periodic);
    CheckItem(IDC_PASSWORD_UNIQUE, d.unique);
    SetItemText(IDC_PASSWORD_MIN_LENGTH, d.minLength);
    SetItemText(IDC_PASSWORD_INTERVAL, d.intervalDays);
    SetItemText(IDC_PASSWORD_EXPIRES, d.expires);
    EnableItem(IDC_PASSWORD_CHANGE, d.changeButtonEnabled);
    EnableItem(IDC_PASSWORD_MIN_LENGTH_LABEL, d.minLengthLabelEnabled);
    EnableItem(IDC_PASSWORD_PERIODIC_GROUP, d.periodicGroupEnabled);
    EnableItem(IDC_PASSWORD_UNIQUE_GROUP, d.uniqueGroupEnabled);
    EnableItem(IDC_PASSWORD_INTERVAL_LABEL, d.intervalLabelEnabled);
    EnableItem(IDC_PASSWORD_EXPIRES_LABEL, d.expiresLabelEnabled);
}

bool PasswordPage::OnPageCommand(WORD id, WORD code, HWND)
{
    if (id != IDC_PASSWORD_CHANGE) return false;
    if (code == BN_CLICKED) ChangePassword();
    return true;
}

void PasswordPage::ChangePassword()
{
    HWND owner = Sheet() ? Sheet() : Handle();
    if (IsNtFamily()) {
        // The system's own dialog changes the password there.
        ui::MessageBoxFromStrings(owner, IDS_USER_CHANGE_PASSWORD, IDS_USER_CAPTION,
                                  MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Library mpr(LoadLibraryA("MPR.DLL"));
    if (!mpr) return;
    auto change = reinterpret_cast<PwdChangePasswordFunction>(
        reinterpret_cast<void*>(GetProcAddress(mpr.Get(), "PwdChangePasswordA")));
    if (!change) return;
    std::string user = LeftmostNamePart(ObjectName());
    ChangePasswordInfo info = {};
    info.userName = &user[0];
    change(nullptr, owner, 0, &info);
}

}  // namespace userpages
}  // namespace orrel
