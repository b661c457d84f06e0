// Property sheet pages owned by C++ objects.
//
// The page's PROPSHEETPAGEA block: dwSize = PROPSHEETPAGEA_V1_SIZE (the
// original layout, which every comctl32 version accepts: 48 bytes in a 32-bit
// build, 72 in a 64-bit one; the later, larger layouts are refused by
// comctl32 5.x and add PSPCB_ADDREF calls), dwFlags = PSP_USECALLBACK (plus
// PSP_USETITLE when a title is set), hInstance = the module that holds the
// template (the module's resource instance, which may be a resource library,
// when Create runs), pszTemplate = the template id, pfnDlgProc = the layer's
// dialog procedure, lParam = the page's link to its object, pfnCallback = the
// layer's page callback.
//
// The callback answers 1 to PSPCB_CREATE (0 when the page object is gone, so
// the sheet skips the page); WM_INITDIALOG attaches the object to the page
// window through the block's lParam. PSPCB_RELEASE detaches, and:
//   - a self-owned page (PageOwnership::SelfOwned) deletes itself there,
//     exactly once, when its last page handle is released;
//   - an owner-owned page (PageOwnership::OwnerOwned) is deleted by its owner.
//     Deleting it while its window lives is safe: the object detaches from
//     the window first (the page then gets default processing) and from its
//     page handles, whose later callbacks find no object.
//
// Sheet notifications (PSN_*) are taken only from the page's own sheet (its
// parent window) or from the page itself; others are ignored. The handlers
// return the documented values, which the layer puts in DWLP_MSGRESULT.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "orrel/ui/dialog.h"

namespace orrel {
namespace ui {

enum class PageOwnership { SelfOwned, OwnerOwned };

class PropertyPage : public Dialog {
public:
    PropertyPage(UINT templateId, PageOwnership ownership) noexcept;
    ~PropertyPage() override;

    using CreatePageFunction = HPROPSHEETPAGE(WINAPI*)(LPCPROPSHEETPAGEA);

    // A page handle for a sheet, from a fresh block. Null on failure; a
    // self-owned page is then still its creator's to delete. create is
    // CreatePropertySheetPageA of the comctl32 that shows the sheet (the one
    // this module imports when null).
    HPROPSHEETPAGE Create(CreatePageFunction create = nullptr) noexcept;
    // Creates the page handle and hands it to an add-page callback (as from
    // IShellPropSheetExt::AddPages). When the callback refuses, the handle is
    // destroyed, which releases it: a self-owned page is then deleted. Returns
    // whether the sheet took the page.
    bool AddTo(LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept;

    // The page title instead of the template's caption (copied).
    void SetTitle(const char* title);
    PageOwnership Ownership() const noexcept { return ownership_; }
    // Page handles made by Create and not yet released by their sheet.
    int OutstandingHandles() const noexcept;

    // The sheet the page is in (its parent window), or null.
    HWND Sheet() const noexcept;
    // Tells the sheet that the page has (or no longer has) unsaved changes:
    // PSM_CHANGED / PSM_UNCHANGED with the page's own window.
    void SetModified(bool modified = true) const noexcept;
    // Wizard buttons (PSWIZB_* bits) of the sheet.
    void SetWizardButtons(DWORD buttons) const noexcept;

    static PropertyPage* FromHandle(HWND hwnd) noexcept;

protected:
    // PSN_SETACTIVE: 0 shows the page, -1 refuses, a template id jumps.
    virtual int OnSetActive();
    // PSN_KILLACTIVE: false (the default) lets the page be left.
    virtual bool OnKillActive();
    // PSN_APPLY: PSNRET_NOERROR, PSNRET_INVALID or PSNRET_INVALID_NOCHANGEPAGE.
    virtual int OnApply();
    // PSN_RESET: the sheet is cancelled.
    virtual void OnReset();
    // PSN_QUERYCANCEL: true keeps the sheet open.
    virtual bool OnQueryCancel();
    // PSN_WIZBACK / PSN_WIZNEXT: 0 goes on, -1 stays, a template id jumps.
    virtual int OnWizardBack();
    virtual int OnWizardNext();
    // PSN_WIZFINISH: true keeps the wizard open.
    virtual bool OnWizardFinish();
    // PSPCB_RELEASE of the last page handle, before a self-owned page is
    // deleted.
    virtual void OnRelease();

    // A page lives inside its sheet: IDOK / IDCANCEL are the sheet's.
    void OnOK() override {}
    void OnCancel() override {}
    bool RouteNotify(NMHDR* header) override;

private:
    // A page is not run as a dialog of its own.
    using Dialog::DoModal;
    using Dialog::EndDialog;

    struct Link;
    static void ReleaseHandle(Link* link) noexcept;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static UINT CALLBACK PageCallback(HWND hwnd, UINT msg, PROPSHEETPAGEA* page);

    PageOwnership ownership_;
    Link* link_ = nullptr;
    char* title_ = nullptr;
};

}  // namespace ui
}  // namespace orrel
