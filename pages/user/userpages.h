// The eight pages of OrrelUserPages, in the order AddPages offers them:
// Personal Information, Work Information, Mailing Information, Login
// Script, Login Account, Time Restrictions, Password, Group Membership.
// Each is shown when the caller may read one of its attributes (the list in
// its constructor); the framework (pages/common) loads, guards and applies
// their fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "orrel/handles.h"
#include "orrel/pages/directorypage.h"
#include "orrel/ui/imagelist.h"
#include "timemap.h"
#include "userdisplay.h"

namespace orrel {
namespace userpages {

using pages::DirectoryPage;
using pages::PropertyHandler;

// The base of the User pages: the user picture (bitmap 1) in the top left
// corner, shown with the dialog face colour as its background.
class UserPage : public DirectoryPage {
public:
    UserPage(PropertyHandler& handler, UINT templateId) : DirectoryPage(handler, templateId) {}

protected:
    void OnInitPage() override;
    // The page's own control setup, before the fields load.
    virtual void OnInitControls() {}

    // The first value of an attribute as the read-only displays use it.
    ValueReader Reader();
    DisplayTexts Texts() const;

private:
    Bitmap picture_;
};

class PersonalPage final : public UserPage {
public:
    explicit PersonalPage(PropertyHandler& handler);
};

class WorkPage final : public UserPage {
public:
    explicit WorkPage(PropertyHandler& handler);
};

class MailingPage final : public UserPage {
public:
    explicit MailingPage(PropertyHandler& handler);
};

class LoginScriptPage final : public UserPage {
public:
    explicit LoginScriptPage(PropertyHandler& handler);
};

class LoginAccountPage final : public UserPage {
public:
    explicit LoginAccountPage(PropertyHandler& handler);

protected:
    void OnLoad() override;
};

class TimeRestrictionsPage final : public UserPage {
public:
    explicit TimeRestrictionsPage(PropertyHandler& handler);

protected:
    void OnInitControls() override;
    void OnLoad() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void PlaceLabels();
    void Paint(HDC dc, const RECT& rect) const;

    int shift_ = 0;
    GridGeometry geometry_;
    TimeMap map_;
};

class PasswordPage final : public UserPage {
public:
    explicit PasswordPage(PropertyHandler& handler);

protected:
    void OnInitControls() override;
    void OnLoad() override;
    bool OnPageCommand(WORD id, WORD code, HWND control) override;

private:
    void ChangePassword();
};

class GroupMembershipPage final : public UserPage {
public:
    explicit GroupMembershipPage(PropertyHandler& handler);
};

}  // namespace userpages
}  // namespace orrel
