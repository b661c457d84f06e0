// Pages of the framework in real property sheets: visibility, load, rights,
// change signalling, apply, the list editor behind a page's button, and who
// keeps the handler and the shared context alive while a sheet shows pages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "editlist_res.h"
#include "orrel/module.h"
#include "orrel/pages/directorypage.h"
#include "orrel/pages/display.h"
#include "orrel/pages/editlist.h"
#include "orrel/pages/handler.h"
#include "pages_test_support.h"
#include "testpages_pages.h"
#include "testpages_res.h"

namespace {

using orrel::pages::DirectoryPage;
using orrel::pages::PropertyHandler;
using pages_test::ComboTexts;
using pages_test::ModalScript;
using pages_test::PumpPending;
using pages_test::TestImage;
using Strings = std::vector<std::string>;

constexpr int kApplyButton = 0x3021;
const char kPat[] = ".Pat.Test";

BOOL CALLBACK Collect(HPROPSHEETPAGE page, LPARAM lp)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lp)->push_back(page);
    return TRUE;
}

BOOL CALLBACK Refuse(HPROPSHEETPAGE, LPARAM lp)
{
    ++*reinterpret_cast<int*>(lp);
    return FALSE;
}

BOOL WINAPI SilentBeep(UINT)
{
    return TRUE;
}

// A handler made as its class factory makes it (one reference, the
// caller's), for an object of the test image.
PropertyHandler* NewHandler(const char* object)
{
    auto* handler = new PropertyHandler(testpages::kTestPagesInfo);
    handler->SetObject("Pages Test Class", "PAGES_TREE", object, "[Root]");
    return handler;
}

HWND OpenSheet(std::vector<HPROPSHEETPAGE>& pages)
{
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOCONTEXTHELP;
    header.pszCaption = "Pat";
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    PumpPending();
    return sheet;
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

DirectoryPage* Page(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    PumpPending();
    return dynamic_cast<DirectoryPage*>(orrel::ui::PropertyPage::FromHandle(CurrentPage(sheet)));
}

bool ApplyEnabled(HWND sheet)
{
    HWND apply = GetDlgItem(sheet, kApplyButton);
    return apply && IsWindowEnabled(apply);
}

bool PressOkAndCloseIfAccepted(HWND sheet)
{
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    PumpPending();
    if (CurrentPage(sheet)) return false;
    DestroyWindow(sheet);
    PumpPending();
    return true;
}

void Close(HWND sheet)
{
    if (IsWindow(sheet)) DestroyWindow(sheet);
    PumpPending();
}

bool ReadOnly(HWND page, int id)
{
    return (GetWindowLongA(GetDlgItem(page, id), GWL_STYLE) & ES_READONLY) != 0;
}

std::string Text(HWND page, int id)
{
    char text[256] = {};
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

class Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        baseline_ = orrel::Module::LockCount();
        orrel::pages::EditListDialog::SetBeepFunction(&SilentBeep);
    }
    void TearDown() override
    {
        orrel::pages::EditListDialog::SetBeepFunction(nullptr);
        EXPECT_EQ(baseline_, orrel::Module::LockCount()) << "every reference was given back";
    }

    // The handler's pages in a sheet; the handler is released at once, as a
    // sheet host may do: the pages keep it.
    HWND Open(const char* object, size_t* count = nullptr)
    {
        PropertyHandler* handler = NewHandler(object);
        std::vector<HPROPSHEETPAGE> pages;
        HRESULT hr = handler->AddPages(&Collect, reinterpret_cast<LPARAM>(&pages));
        handler->Release();
        if (count) *count = pages.size();
        if (FAILED(hr)) return nullptr;
        return OpenSheet(pages);
    }

    TestImage image;
    LONG baseline_ = 0;
};

TEST_F(Pages, PagesShowTheObjectsValuesWithoutCountingThemAsChanges)
{
    size_t count = 0;
    HWND sheet = Open(kPat, &count);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(3u, count) << "the administrator may read every page's attributes";
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    EXPECT_EQ("Pat", Text(person->Handle(), IDC_TEST_GIVEN_NAME));
    EXPECT_EQ("Lee", Text(person->Handle(), IDC_TEST_SURNAME));
    EXPECT_FALSE(ReadOnly(person->Handle(), IDC_TEST_GIVEN_NAME));

    DirectoryPage* work = Page(sheet, 1);
    ASSERT_NE(nullptr, work);
    EXPECT_EQ(Strings({"Engineer", "Lead"}), ComboTexts(work->Item(IDC_TEST_TITLE)));
    EXPECT_EQ(0, work->SendItemMessage(IDC_TEST_TITLE, CB_GETCURSEL));
    EXPECT_EQ(Strings({"Patricia", "P"}), ComboTexts(work->Item(IDC_TEST_CN)))
        << "the naming value is not shown";
    EXPECT_EQ("Old text", Text(work->Handle(), IDC_TEST_DESCRIPTION));
    EXPECT_TRUE(IsWindowEnabled(work->Item(IDC_TEST_TITLE_EDIT)));

    DirectoryPage* secret = Page(sheet, 2);
    ASSERT_NE(nullptr, secret);
    EXPECT_EQ(orrel::pages::FormatDirTime(946684800), Text(secret->Handle(), IDC_TEST_LOGIN_TIME));

    EXPECT_FALSE(ApplyEnabled(sheet)) << "loading is not an edit";
    EXPECT_FALSE(person->AnyDirty() || work->AnyDirty());
    Close(sheet);
}

TEST_F(Pages, EditsMarkTheirAttributeAndApplyWritesEachChangedOne)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "Patty");
    EXPECT_TRUE(ApplyEnabled(sheet)) << "the first change sends PSM_CHANGED";
    EXPECT_TRUE(person->Field(0).Dirty());
    EXPECT_FALSE(person->Field(1).Dirty());
    SetDlgItemTextA(person->Handle(), IDC_TEST_SURNAME, "Kim");

    SendMessageA(sheet, PSM_APPLY, 0, 0);
    PumpPending();
    EXPECT_EQ(Strings({"Patty"}), image.Texts(kPat, "Given Name"));
    EXPECT_EQ(Strings({"Kim"}), image.Texts(kPat, "Surname")) << "a mandatory value replaced";
    EXPECT_FALSE(person->AnyDirty());
    EXPECT_EQ(Strings({"Engineer", "Lead"}), image.Texts(kPat, "Title")) << "untouched";
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
}

TEST_F(Pages, AFailedWriteKeepsItsAttributeDirtyTheOthersAreStillWrittenAndTheSheetStays)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    // "Given Name" holds at most 16 characters: its write fails; "Surname",
    // after it, is still written.
    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "A name far longer than allowed");
    SetDlgItemTextA(person->Handle(), IDC_TEST_SURNAME, "Kim");
    EXPECT_FALSE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(person->Handle(), CurrentPage(sheet)) << "the sheet stays on the page";
    EXPECT_TRUE(person->Field(0).Dirty());
    EXPECT_FALSE(person->Field(1).Dirty());
    EXPECT_EQ(Strings({"Pat"}), image.Texts(kPat, "Given Name"));
    EXPECT_EQ(Strings({"Kim"}), image.Texts(kPat, "Surname"));

    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "Patty");
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(Strings({"Patty"}), image.Texts(kPat, "Given Name"));
}

TEST_F(Pages, AnEmptiedFieldRemovesItsAttributeUnlessTheAttributeIsMandatory)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "");
    SetDlgItemTextA(person->Handle(), IDC_TEST_SURNAME, "");
    EXPECT_FALSE(PressOkAndCloseIfAccepted(sheet)) << "the mandatory surname cannot be cleared";
    EXPECT_EQ(Strings{}, image.Texts(kPat, "Given Name")) << "the emptied field took its value away";
    EXPECT_EQ(Strings({"Lee"}), image.Texts(kPat, "Surname")) << "the mandatory value is kept";
    EXPECT_FALSE(person->Field(0).Dirty());
    EXPECT_TRUE(person->Field(1).Dirty());

    SetDlgItemTextA(person->Handle(), IDC_TEST_SURNAME, "Lee");
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
}

TEST_F(Pages, WriteRightsLostAfterLoadingFailTheApplyWithoutLosingTheEdit)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "Patty");
    TestImage::UseSecondIdentity(true);
    EXPECT_FALSE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_TRUE(person->Field(0).Dirty());
    EXPECT_EQ("Patty", Text(person->Handle(), IDC_TEST_GIVEN_NAME));
    TestImage::UseSecondIdentity(false);
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(Strings({"Patty"}), image.Texts(kPat, "Given Name"));
}

TEST_F(Pages, ARestrictedUserSeesReadablePagesOnlyAndCannotEdit)
{
    TestImage::UseSecondIdentity(true);
    size_t count = 0;
    HWND sheet = Open(kPat, &count);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(2u, count) << "no read right on \"Last Login Time\": no Secret page";
    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    EXPECT_TRUE(ReadOnly(person->Handle(), IDC_TEST_GIVEN_NAME));
    EXPECT_TRUE(ReadOnly(person->Handle(), IDC_TEST_SURNAME));
    DirectoryPage* work = Page(sheet, 1);
    ASSERT_NE(nullptr, work);
    EXPECT_FALSE(IsWindowEnabled(work->Item(IDC_TEST_TITLE_EDIT)));
    EXPECT_FALSE(IsWindowEnabled(work->Item(IDC_TEST_CN_EDIT)));
    EXPECT_TRUE(ReadOnly(work->Handle(), IDC_TEST_DESCRIPTION));
    Close(sheet);

    EXPECT_EQ(nullptr, Open(".Hidden.Other", &count)) << "nothing readable: AddPages fails";
    EXPECT_EQ(0u, count);
}

TEST_F(Pages, TheListEditorBehindAPageButtonChangesThePagesList)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* work = Page(sheet, 1);
    ASSERT_NE(nullptr, work);
    HWND page = work->Handle();
    HWND editor = nullptr;
    ModalScript script({[&] {
                            editor = pages_test::FindDialog("Edit: Title");
                            return editor != nullptr;
                        },
                        [&] {
                            SetDlgItemTextA(editor, IDC_EDITLIST_VALUE, "Chief");
                            pages_test::Click(editor, IDC_EDITLIST_ADD);
                            pages_test::Click(editor, IDOK);
                            return true;
                        }});
    pages_test::Click(page, IDC_TEST_TITLE_EDIT);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Strings({"Engineer", "Lead", "Chief"}), ComboTexts(work->Item(IDC_TEST_TITLE)));
    EXPECT_TRUE(ApplyEnabled(sheet));
    EXPECT_TRUE(PressOkAndCloseIfAccepted(sheet));
    EXPECT_EQ(Strings({"Engineer", "Lead", "Chief"}), image.Texts(kPat, "Title"));
    EXPECT_EQ(Strings({"Pat", "Patricia", "P"}), image.Texts(kPat, "CN")) << "not edited";
}

TEST_F(Pages, AListEditorClosedWithoutChangesLeavesThePageClean)
{
    HWND sheet = Open(kPat);
    ASSERT_NE(nullptr, sheet);
    DirectoryPage* work = Page(sheet, 1);
    ASSERT_NE(nullptr, work);
    ModalScript script({[&] {
        HWND editor = pages_test::FindDialog("Edit: Other Names");
        if (editor) pages_test::Click(editor, IDOK);
        return editor != nullptr;
    }});
    pages_test::Click(work->Handle(), IDC_TEST_CN_EDIT);
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(work->AnyDirty());
    EXPECT_FALSE(ApplyEnabled(sheet));
    Close(sheet);
}

// The sheet host may let the handler go while the sheet still shows its
// pages: the pages keep it, and the context they share, until they go.
TEST_F(Pages, TheHandlerAndItsContextLiveUntilTheLastPageOfTheSheetIsGone)
{
    PropertyHandler* handler = NewHandler(kPat);
    std::vector<HPROPSHEETPAGE> pages;
    ASSERT_EQ(S_OK, handler->AddPages(&Collect, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_EQ(3u, handler->PageCount());
    HWND sheet = OpenSheet(pages);
    ASSERT_NE(nullptr, sheet);
    HALVET_CONTEXT context = handler->SharedContext().Get();
    ASSERT_NE(HALVET_NO_CONTEXT, context) << "the pages made the sheet's context";
    handler->AddRef();
    EXPECT_EQ(4u, handler->Release()) << "the host's reference and one per page";
    handler->Release();  // the host lets go

    DirectoryPage* person = Page(sheet, 0);
    ASSERT_NE(nullptr, person);
    SetDlgItemTextA(person->Handle(), IDC_TEST_GIVEN_NAME, "Patty");
    SendMessageA(sheet, PSM_APPLY, 0, 0);
    PumpPending();
    EXPECT_EQ(Strings({"Patty"}), image.Texts(kPat, "Given Name"))
        << "the pages still work with the handler they hold";
    uint32_t flags = 0;
    EXPECT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags));

    Close(sheet);
    EXPECT_NE(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags))
        << "the context went with the handler, after the pages";
}

TEST_F(Pages, ASecondAddPagesLeavesTheFirstSheetsPagesWorking)
{
    PropertyHandler* handler = NewHandler(kPat);
    std::vector<HPROPSHEETPAGE> first;
    ASSERT_EQ(S_OK, handler->AddPages(&Collect, reinterpret_cast<LPARAM>(&first)));
    HWND one = OpenSheet(first);
    ASSERT_NE(nullptr, one);
    std::vector<HPROPSHEETPAGE> second;
    ASSERT_EQ(S_OK, handler->AddPages(&Collect, reinterpret_cast<LPARAM>(&second)));
    EXPECT_EQ(3u, handler->PageCount()) << "only the latest pages count as the handler's";
    HWND two = OpenSheet(second);
    ASSERT_NE(nullptr, two);

    DirectoryPage* old = Page(one, 0);
    ASSERT_NE(nullptr, old);
    SetDlgItemTextA(old->Handle(), IDC_TEST_GIVEN_NAME, "Patty");
    EXPECT_TRUE(PressOkAndCloseIfAccepted(one));
    EXPECT_EQ(Strings({"Patty"}), image.Texts(kPat, "Given Name"));
    EXPECT_EQ(3u, handler->PageCount()) << "closing the first sheet leaves the second's pages";

    DirectoryPage* current = Page(two, 1);
    ASSERT_NE(nullptr, current);
    // Typed: a multi-line edit reports no change for WM_SETTEXT.
    current->SendItemMessage(IDC_TEST_DESCRIPTION, EM_SETSEL, 0, -1);
    current->SendItemMessage(IDC_TEST_DESCRIPTION, EM_REPLACESEL, TRUE,
                             reinterpret_cast<LPARAM>("New text"));
    EXPECT_TRUE(PressOkAndCloseIfAccepted(two));
    EXPECT_EQ(Strings({"New text"}), image.Texts(kPat, "Description"));
    EXPECT_EQ(0u, handler->PageCount());
    handler->Release();
}

TEST_F(Pages, PagesTheSheetRefusesAreDeletedAndAddPagesFails)
{
    PropertyHandler* handler = NewHandler(kPat);
    int offered = 0;
    EXPECT_EQ(E_FAIL, handler->AddPages(&Refuse, reinterpret_cast<LPARAM>(&offered)));
    EXPECT_EQ(3, offered);
    EXPECT_EQ(0u, handler->PageCount());
    EXPECT_EQ(1u, handler->Release() + 1) << "no page kept a reference";
}

}  // namespace
