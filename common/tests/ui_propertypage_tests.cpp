// Property pages in real property sheets: the page protocol (init, changed,
// apply, kill-active), where notifications may come from, and who deletes a
// page object when.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "orrel/module.h"
#include "orrel/ui/propertypage.h"
#include "ui_test_support.h"
#include "ui_tests_res.h"

namespace {

using orrel::ui::PageOwnership;
using orrel::ui::PropertyPage;
using orrel_test::PumpPending;
using orrel_test::PumpUntil;

constexpr int kApplyButton = 0x3021;

struct PageLog {
    int inits = 0;
    int setActives = 0;
    int killActives = 0;
    int applies = 0;
    int releases = 0;
    int deleted = 0;
    std::string textAtApply;
};

class TestPage : public PropertyPage {
public:
    TestPage(UINT id, PageOwnership ownership, PageLog& log) : PropertyPage(id, ownership), log_(log) {}
    ~TestPage() override { ++log_.deleted; }
    int applyResult = PSNRET_NOERROR;
    bool throwOnApply = false;
    bool refuseLeave = false;

protected:
    bool OnInit() override
    {
        ++log_.inits;
        return true;
    }
    bool OnCommand(WORD id, WORD code, HWND) override
    {
        if (id == IDC_UI_PAGE_EDIT && code == EN_CHANGE) {
            SetModified();
            return true;
        }
        return false;
    }
    int OnSetActive() override
    {
        ++log_.setActives;
        return 0;
    }
    bool OnKillActive() override
    {
        ++log_.killActives;
        return refuseLeave;
    }
    int OnApply() override
    {
        ++log_.applies;
        log_.textAtApply = GetItemText(IDC_UI_PAGE_EDIT);
        if (throwOnApply) throw std::runtime_error("apply failed");
        return applyResult;
    }
    void OnRelease() override { ++log_.releases; }

private:
    PageLog& log_;
};

using PropertySheetFunction = INT_PTR(WINAPI*)(LPCPROPSHEETHEADERA);

template <class F>
F Proc(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HWND OpenSheet(std::vector<HPROPSHEETPAGE> pages, PropertySheetFunction show = &PropertySheetA)
{
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOCONTEXTHELP;
    header.pszCaption = "Test Sheet";
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    HWND sheet = reinterpret_cast<HWND>(show(&header));
    PumpPending();
    return sheet;
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool ApplyEnabled(HWND sheet)
{
    HWND apply = GetDlgItem(sheet, kApplyButton);
    return apply && IsWindowEnabled(apply);
}

// Presses OK; a modeless sheet that accepted it has no current page, and is
// then destroyed as its owner must.
bool PressOkAndCloseIfAccepted(HWND sheet)
{
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    PumpPending();
    if (CurrentPage(sheet)) return false;
    DestroyWindow(sheet);
    PumpPending();
    return true;
}

TEST(PropertyPage, SheetOfTwoSelfOwnedPagesRunsThePageProtocolAndDeletesEachPageOnce)
{
    PageLog first;
    PageLog second;
    auto* one = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, first);
    auto* two = new TestPage(IDD_UI_PAGE_SECOND, PageOwnership::SelfOwned, second);
    HWND sheet = OpenSheet({one->Create(), two->Create()});
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(1, first.inits);
    EXPECT_EQ(0, second.inits) << "a page is made when it is first shown";
    EXPECT_EQ(1, first.setActives);
    ASSERT_NE(nullptr, one->Handle());
    EXPECT_EQ(one, PropertyPage::FromHandle(one->Handle()));
    EXPECT_EQ(sheet, one->Sheet());

    EXPECT_FALSE(ApplyEnabled(sheet)) << "nothing changed yet";
    SetDlgItemTextA(one->Handle(), IDC_UI_PAGE_EDIT, "changed");  // EN_CHANGE -> SetModified
    EXPECT_TRUE(ApplyEnabled(sheet)) << "PSM_CHANGED from the page enables Apply";

    EXPECT_TRUE(SendMessageA(sheet, PSM_APPLY, 0, 0));
    EXPECT_EQ(1, first.applies);
    EXPECT_EQ("changed", first.textAtApply);
    EXPECT_EQ(0, second.applies) << "a page never shown has nothing to apply";

    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    PumpPending();
    EXPECT_EQ(1, second.inits);
    EXPECT_GE(first.killActives, 1) << "leaving a page asks it first";
    EXPECT_EQ(two->Handle(), CurrentPage(sheet));

    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(2, first.applies);
    EXPECT_EQ(1, second.applies);
    EXPECT_EQ(1, first.releases);
    EXPECT_EQ(1, second.releases);
    EXPECT_EQ(1, first.deleted) << "self-owned: deleted at its release, once";
    EXPECT_EQ(1, second.deleted);
}

TEST(PropertyPage, FailingApplyKeepsTheSheetOpenOnThatPage)
{
    PageLog log;
    PageLog other;
    auto* page = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, log);
    auto* second = new TestPage(IDD_UI_PAGE_SECOND, PageOwnership::SelfOwned, other);
    HWND sheet = OpenSheet({page->Create(), second->Create()});
    ASSERT_NE(nullptr, sheet);
    SetDlgItemTextA(page->Handle(), IDC_UI_PAGE_EDIT, "bad value");

    page->applyResult = PSNRET_INVALID_NOCHANGEPAGE;
    EXPECT_FALSE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(1, log.applies);
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(page->Handle(), CurrentPage(sheet)) << "the sheet stays on the failing page";
    EXPECT_EQ(0, log.deleted);

    // An apply that throws counts as failed: nothing is silently dropped.
    page->applyResult = PSNRET_NOERROR;
    page->throwOnApply = true;
    EXPECT_FALSE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(2, log.applies);
    EXPECT_TRUE(IsWindow(sheet));

    page->throwOnApply = false;
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(3, log.applies);
    EXPECT_EQ(1, log.deleted);
    EXPECT_EQ(1, other.deleted);
}

TEST(PropertyPage, SheetNotificationsCountOnlyFromItsSheetOrItself)
{
    PageLog log;
    auto* page = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, log);
    HWND sheet = OpenSheet({page->Create()});
    ASSERT_NE(nullptr, sheet);
    HWND hwnd = page->Handle();
    ASSERT_NE(nullptr, hwnd);
    page->applyResult = PSNRET_INVALID;

    // The dialog manager answers a handled notification with DWLP_MSGRESULT.
    PSHNOTIFY notify;
    ZeroMemory(&notify, sizeof notify);
    notify.hdr.code = PSN_APPLY;
    notify.hdr.hwndFrom = GetDesktopWindow();
    EXPECT_EQ(0, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
    EXPECT_EQ(0, log.applies) << "PSN_APPLY from a stranger is ignored";

    notify.hdr.hwndFrom = sheet;
    EXPECT_EQ(PSNRET_INVALID, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
    EXPECT_EQ(1, log.applies);
    page->applyResult = PSNRET_INVALID_NOCHANGEPAGE;
    notify.hdr.hwndFrom = hwnd;  // the page itself may ask too
    EXPECT_EQ(PSNRET_INVALID_NOCHANGEPAGE, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
    EXPECT_EQ(2, log.applies);

    page->refuseLeave = true;
    notify.hdr.code = PSN_KILLACTIVE;
    notify.hdr.hwndFrom = GetDesktopWindow();
    EXPECT_EQ(0, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
    EXPECT_EQ(0, log.killActives);
    notify.hdr.hwndFrom = sheet;
    EXPECT_EQ(TRUE, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)))
        << "the page's refusal to be left reaches the sheet";
    EXPECT_EQ(1, log.killActives);
    page->refuseLeave = false;
    EXPECT_EQ(FALSE, SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));

    page->applyResult = PSNRET_NOERROR;
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(1, log.deleted);
}

TEST(PropertyPage, OwnerMayDeleteItsPagesWhileTheSheetIsOpen)
{
    PageLog first;
    PageLog second;
    auto* one = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::OwnerOwned, first);
    auto* two = new TestPage(IDD_UI_PAGE_SECOND, PageOwnership::OwnerOwned, second);
    HWND sheet = OpenSheet({one->Create(), two->Create()});
    ASSERT_NE(nullptr, sheet);
    HWND firstWindow = one->Handle();
    ASSERT_NE(nullptr, firstWindow);

    delete one;  // its window lives on inside the sheet
    EXPECT_EQ(1, first.deleted);
    EXPECT_EQ(nullptr, PropertyPage::FromHandle(firstWindow));
    SetDlgItemTextA(firstWindow, IDC_UI_PAGE_EDIT, "orphan");  // messages get default processing
    EXPECT_TRUE(SendMessageA(sheet, PSM_APPLY, 0, 0));
    EXPECT_EQ(0, first.applies);

    // The second page's object goes before the sheet ever shows it: the sheet
    // is told not to make the page at all.
    delete two;
    EXPECT_EQ(1, second.deleted);
    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    PumpPending();
    EXPECT_EQ(0, second.inits);
    EXPECT_TRUE(IsWindow(sheet));

    DestroyWindow(sheet);
    PumpPending();
    EXPECT_EQ(0, first.releases) << "no object is left to tell";
    EXPECT_EQ(1, first.deleted);
    EXPECT_EQ(1, second.deleted);
}

TEST(PropertyPage, OwnerOwnedPageOutlivesItsSheet)
{
    PageLog log;
    TestPage page(IDD_UI_PAGE_FIRST, PageOwnership::OwnerOwned, log);
    HWND sheet = OpenSheet({page.Create()});
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(1, page.OutstandingHandles());
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(1, log.releases);
    EXPECT_EQ(0, log.deleted) << "an owner-owned page is its owner's to delete";
    EXPECT_EQ(nullptr, page.Handle());
    EXPECT_EQ(0, page.OutstandingHandles());
}

std::vector<HPROPSHEETPAGE> g_accepted;
BOOL CALLBACK AcceptPage(HPROPSHEETPAGE page, LPARAM)
{
    g_accepted.push_back(page);
    return TRUE;
}
BOOL CALLBACK RefusePage(HPROPSHEETPAGE, LPARAM)
{
    return FALSE;
}

TEST(PropertyPage, AddToHandsThePageToTheCallbackOrReleasesItWhenRefused)
{
    PageLog refused;
    auto* page = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, refused);
    EXPECT_FALSE(page->AddTo(&RefusePage, 0));
    EXPECT_EQ(1, refused.releases);
    EXPECT_EQ(1, refused.deleted) << "a refused self-owned page is deleted exactly once";

    PageLog owned;
    TestPage ownerPage(IDD_UI_PAGE_FIRST, PageOwnership::OwnerOwned, owned);
    EXPECT_FALSE(ownerPage.AddTo(&RefusePage, 0));
    EXPECT_EQ(0, owned.deleted);
    EXPECT_EQ(0, ownerPage.OutstandingHandles());
    EXPECT_FALSE(ownerPage.AddTo(nullptr, 0));

    PageLog accepted;
    g_accepted.clear();
    auto* kept = new TestPage(IDD_UI_PAGE_SECOND, PageOwnership::SelfOwned, accepted);
    EXPECT_TRUE(kept->AddTo(&AcceptPage, 0));
    ASSERT_EQ(1u, g_accepted.size());
    HWND sheet = OpenSheet(g_accepted);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(1, accepted.inits);
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(1, accepted.deleted);
}

TEST(PropertyPage, TitleReplacesTheTemplateCaption)
{
    PageLog log;
    auto* page = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, log);
    page->SetTitle("Renamed");
    HWND sheet = OpenSheet({page->Create()});
    ASSERT_NE(nullptr, sheet);
    HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    ASSERT_NE(nullptr, tab);
    char text[64] = {};
    TCITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ("Renamed", text);
    DestroyWindow(sheet);
    PumpPending();
    EXPECT_EQ(1, log.deleted);
}

// The same pages in the sheet of comctl32 6 (as in a process whose manifest
// asks for it, like the shell's).
TEST(PropertyPage, PagesWorkInTheSheetOfCommonControlsSix)
{
    char dir[MAX_PATH];
    char path[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, dir));
    std::snprintf(path, sizeof path, "%sorrel-ui-cc6-%lu.manifest", dir, GetCurrentProcessId());
    const char manifest[] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"amd64\" "
        "publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/></dependentAssembly></dependency>\n"
        "</assembly>\n";
    FILE* file = std::fopen(path, "wb");
    ASSERT_NE(nullptr, file);
    std::fputs(manifest, file);
    std::fclose(file);

    ACTCTXA context;
    ZeroMemory(&context, sizeof context);
    context.cbSize = sizeof context;
    context.lpSource = path;
    HANDLE actx = CreateActCtxA(&context);
    DeleteFileA(path);
    if (actx == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no comctl32 6 assembly here";
    HMODULE imported = GetModuleHandleA("comctl32.dll");
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(actx, &cookie));
    HMODULE v6 = LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, v6);
    // On Windows this is the version 6 module; Wine serves both versions from
    // one module and tells them apart by the active context, which stays
    // active while the sheet is made and shown.
    if (v6 == imported) std::printf("comctl32 6 is the imported module here\n");
    auto initControls = Proc<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(v6, "InitCommonControlsEx");
    auto create = Proc<PropertyPage::CreatePageFunction>(v6, "CreatePropertySheetPageA");
    auto show = Proc<PropertySheetFunction>(v6, "PropertySheetA");
    ASSERT_TRUE(initControls && create && show);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    initControls(&icc);

    PageLog first;
    PageLog second;
    auto* one = new TestPage(IDD_UI_PAGE_FIRST, PageOwnership::SelfOwned, first);
    auto* two = new TestPage(IDD_UI_PAGE_SECOND, PageOwnership::SelfOwned, second);
    HPROPSHEETPAGE pages[2] = {one->Create(create), two->Create(create)};
    EXPECT_NE(nullptr, pages[0]) << "comctl32 6 refused the page block";
    EXPECT_NE(nullptr, pages[1]);
    HWND sheet = pages[0] && pages[1] ? OpenSheet({pages[0], pages[1]}, show) : nullptr;
    if (sheet) {
        EXPECT_EQ(1, first.inits);
        SetDlgItemTextA(one->Handle(), IDC_UI_PAGE_EDIT, "six");
        EXPECT_TRUE(ApplyEnabled(sheet));
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        PumpPending();
        EXPECT_EQ(1, second.inits);
        EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
        EXPECT_EQ(1, first.applies);
        EXPECT_EQ("six", first.textAtApply);
        EXPECT_EQ(1, first.deleted);
        EXPECT_EQ(1, second.deleted);
    } else {
        ADD_FAILURE() << "no sheet";
    }
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(actx);
    FreeLibrary(v6);
}

}  // namespace
