// The read-only Login Account and Password pages. What they show follows
// from the values read (userdisplay.h); the only action is the Change
// Password button.
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
