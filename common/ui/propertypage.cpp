#include "orrel/ui/propertypage.h"

#include <cstring>
#include <new>

#include "orrel/comguard.h"

namespace orrel {
namespace ui {
namespace {
// Guards every Link: page callbacks may come on whichever thread destroys
// the sheet, the owner may delete a page on another.
SRWLOCK g_linkLock = SRWLOCK_INIT;
}  // namespace

// What a page handle knows of its object. It outlives the object while page
// handles are outstanding, so that their callbacks never reach a deleted
// object; the last of the two to go frees it.
struct PropertyPage::Link {
    PropertyPage* page;
    int outstanding;  // page handles not yet released
};

PropertyPage::PropertyPage(UINT templateId, PageOwnership ownership) noexcept
    : Dialog(templateId), ownership_(ownership)
{
}

PropertyPage::~PropertyPage()
{
    // Detach before Dialog's destructor runs: the page window belongs to the
    // sheet and is never destroyed from here.
    Detach();
    Link* orphan = nullptr;
    AcquireSRWLockExclusive(&g_linkLock);
    if (link_) {
        link_->page = nullptr;
        if (link_->outstanding <= 0) orphan = link_;
        link_ = nullptr;
    }
    ReleaseSRWLockExclusive(&g_linkLock);
    delete orphan;
    delete[] title_;
}

void PropertyPage::SetTitle(const char* title)
{
    char* copy = nullptr;
    if (title) {
        size_t length = std::strlen(title);
        copy = new char[length + 1];
        std::memcpy(copy, title, length + 1);
    }
    delete[] title_;
    title_ = copy;
}

int PropertyPage::OutstandingHandles() const noexcept
{
    AcquireSRWLockShared(&g_linkLock);
    int n = link_ ? link_->outstanding : 0;
    ReleaseSRWLockShared(&g_linkLock);
    return n;
}

HPROPSHEETPAGE PropertyPage::Create(CreatePageFunction create) noexcept
{
    if (!link_) {
        link_ = new (std::nothrow) Link{this, 0};
        if (!link_) return nullptr;
    }
    PROPSHEETPAGEA block;
    ZeroMemory(&block, sizeof block);
    block.dwSize = PROPSHEETPAGEA_V1_SIZE;
    block.dwFlags = PSP_USECALLBACK | (title_ ? PSP_USETITLE : 0);
    block.hInstance = TemplateModule();
    block.pszTemplate = MAKEINTRESOURCEA(TemplateId());
    block.pszTitle = title_;
    block.pfnDlgProc = &PropertyPage::PageProc;
    block.lParam = reinterpret_cast<LPARAM>(link_);
    block.pfnCallback = &PropertyPage::PageCallback;

    AcquireSRWLockExclusive(&g_linkLock);
    ++link_->outstanding;
    ReleaseSRWLockExclusive(&g_linkLock);
    if (!create) create = &CreatePropertySheetPageA;
    HPROPSHEETPAGE page = create(&block);
    if (!page) {
        AcquireSRWLockExclusive(&g_linkLock);
        --link_->outstanding;
        ReleaseSRWLockExclusive(&g_linkLock);
    }
    return page;
}

bool PropertyPage::AddTo(LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept
{
    if (!addPage) return false;
    HPROPSHEETPAGE page = Create();
    if (!page) return false;
    if (addPage(page, lParam)) return true;
    // Refused: destroying the handle releases it. Not every comctl32 calls
    // the callback from DestroyPropertySheetPage; the release is then done
    // here, so a self-owned page is deleted in either case. A guard count
    // keeps the link and the page alive across the call.
    Link* link = link_;
    AcquireSRWLockExclusive(&g_linkLock);
    int guarded = ++link->outstanding;
    ReleaseSRWLockExclusive(&g_linkLock);
    DestroyPropertySheetPage(page);
    AcquireSRWLockShared(&g_linkLock);
    bool calledBack = link->outstanding < guarded;
    ReleaseSRWLockShared(&g_linkLock);
    if (!calledBack) ReleaseHandle(link);  // the handle's own release
    ReleaseHandle(link);                   // the guard; may delete this page
    return false;
}

void PropertyPage::ReleaseHandle(Link* link) noexcept
{
    AcquireSRWLockExclusive(&g_linkLock);
    if (link->outstanding <= 0) {
        ReleaseSRWLockExclusive(&g_linkLock);
        return;
    }
    --link->outstanding;
    PropertyPage* page = link->page;
    bool last = link->outstanding == 0;
    bool freeLink = last && !page;
    ReleaseSRWLockExclusive(&g_linkLock);
    if (freeLink) {
        delete link;
        return;
    }
    if (page && last) {
        page->Detach();
        try {
            page->OnRelease();
        } catch (...) {
        }
        if (page->ownership_ == PageOwnership::SelfOwned) delete page;
    }
}

UINT CALLBACK PropertyPage::PageCallback(HWND, UINT msg, PROPSHEETPAGEA* block)
{
    auto* link = block ? reinterpret_cast<Link*>(block->lParam) : nullptr;
    if (!link) return 0;
    switch (msg) {
    case PSPCB_CREATE: {
        // The object attaches at WM_INITDIALOG; a page whose object is gone
        // is not created at all.
        AcquireSRWLockShared(&g_linkLock);
        bool alive = link->page != nullptr;
        ReleaseSRWLockShared(&g_linkLock);
        return alive ? 1 : 0;
    }
    case PSPCB_RELEASE:
        ReleaseHandle(link);
        return 0;
    default:
        return 0;
    }
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    PropertyPage* self = nullptr;
    if (msg == WM_INITDIALOG) {
        auto* block = reinterpret_cast<const PROPSHEETPAGEA*>(lp);
        auto* link = block ? reinterpret_cast<Link*>(block->lParam) : nullptr;
        if (link) {
            AcquireSRWLockShared(&g_linkLock);
            self = link->page;
            ReleaseSRWLockShared(&g_linkLock);
        }
        if (self && !self->Handle())
            self->Attach(hwnd);
        else
            self = nullptr;
    } else {
        self = reinterpret_cast<PropertyPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self || self->Handle() != hwnd) return FALSE;
    return self->Dispatch(hwnd, msg, wp, lp);
}

PropertyPage* PropertyPage::FromHandle(HWND hwnd) noexcept
{
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    if (reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hwnd, DWLP_DLGPROC)) != &PropertyPage::PageProc)
        return nullptr;
    return reinterpret_cast<PropertyPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

HWND PropertyPage::Sheet() const noexcept
{
    return Handle() ? GetParent(Handle()) : nullptr;
}

void PropertyPage::SetModified(bool modified) const noexcept
{
    if (HWND sheet = Sheet())
        SendMessageA(sheet, modified ? PSM_CHANGED : PSM_UNCHANGED,
                     reinterpret_cast<WPARAM>(Handle()), 0);
}

void PropertyPage::SetWizardButtons(DWORD buttons) const noexcept
{
    // Posted, as the sheet expects when this runs inside PSN_SETACTIVE.
    if (HWND sheet = Sheet()) PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

bool PropertyPage::RouteNotify(NMHDR* header)
{
    UINT code = header->code;
    bool sheetCode = code <= static_cast<UINT>(PSN_FIRST) && code >= static_cast<UINT>(PSN_LAST);
    if (!sheetCode) return OnNotify(header);
    // Sheet notifications count only from the page's own sheet or itself.
    if (!Handle() || (header->hwndFrom != Sheet() && header->hwndFrom != Handle())) return false;
    switch (code) {
    case PSN_SETACTIVE:
        SetResult(GuardedCall(-1, [&] { return OnSetActive(); }));
        return true;
    case PSN_KILLACTIVE:
        // A failing check keeps the user on the page.
        SetResult(GuardedCall(true, [&] { return OnKillActive(); }) ? TRUE : FALSE);
        return true;
    case PSN_APPLY:
        // A failing apply keeps the sheet open on this page: nothing is lost.
        SetResult(GuardedCall(static_cast<int>(PSNRET_INVALID_NOCHANGEPAGE), [&] { return OnApply(); }));
        return true;
    case PSN_RESET:
        GuardedCall(0, [&] {
            OnReset();
            return 0;
        });
        return true;
    case PSN_QUERYCANCEL:
        SetResult(GuardedCall(false, [&] { return OnQueryCancel(); }) ? TRUE : FALSE);
        return true;
    case PSN_WIZBACK:
        SetResult(GuardedCall(-1, [&] { return OnWizardBack(); }));
        return true;
    case PSN_WIZNEXT:
        SetResult(GuardedCall(-1, [&] { return OnWizardNext(); }));
        return true;
    case PSN_WIZFINISH:
        SetResult(GuardedCall(true, [&] { return OnWizardFinish(); }) ? TRUE : FALSE);
        return true;
    default:
        return OnNotify(header);
    }
}

int PropertyPage::OnSetActive()
{
    return 0;
}

bool PropertyPage::OnKillActive()
{
    return false;
}

int PropertyPage::OnApply()
{
    return PSNRET_NOERROR;
}

void PropertyPage::OnReset() {}

bool PropertyPage::OnQueryCancel()
{
    return false;
}

int PropertyPage::OnWizardBack()
{
    return 0;
}

int PropertyPage::OnWizardNext()
{
    return 0;
}

bool PropertyPage::OnWizardFinish()
{
    return false;
}

void PropertyPage::OnRelease() {}

}  // namespace ui
}  // namespace orrel
