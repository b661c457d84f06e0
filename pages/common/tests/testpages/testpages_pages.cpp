#include "testpages_pages.h"

#include <iterator>
#include <string>

#include "orrel/pages/display.h"
#include "testpages_res.h"

namespace testpages {

using orrel::pages::DirValue;
using orrel::pages::MakePage;
using orrel::pages::PropertyHandler;

PersonPage::PersonPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_TEST_PERSON)
{
    // Tells the tests on which thread the sheet's pages were made.
    SetEnvironmentVariableA("ORREL_TESTPAGES_MADE_ON",
                            std::to_string(GetCurrentThreadId()).c_str());
    ShowIfReadable({"Given Name", "Surname"});
    AddTextField(IDC_TEST_GIVEN_NAME, "Given Name");
    AddTextField(IDC_TEST_SURNAME, "Surname");
}

WorkPage::WorkPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_TEST_WORK)
{
    ShowIfReadable({"Title", "Description", "CN"});
    AddListField(IDC_TEST_TITLE, IDC_TEST_TITLE_EDIT, "Title", IDS_TEST_EDIT_TITLE, true,
                 HALVET_SYNTAX_CI_STRING);
    AddTextField(IDC_TEST_DESCRIPTION, "Description");
    AddListField(IDC_TEST_CN, IDC_TEST_CN_EDIT, "CN", IDS_TEST_EDIT_NAMES, false,
                 HALVET_SYNTAX_CI_STRING);
}

SecretPage::SecretPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_TEST_SECRET)
{
    ShowIfReadable({"Last Login Time"});
}

void SecretPage::OnLoad()
{
    DirValue value;
    uint32_t seconds = 0;
    if (Session().ReadFirstValue(ObjectName(), "Last Login Time", &value) == 0 &&
        value.Syntax() == HALVET_SYNTAX_TIME && value.UInt32(&seconds))
        SetItemText(IDC_TEST_LOGIN_TIME, orrel::pages::FormatDirTime(seconds));
}

const orrel::pages::PageFactory kPages[3] = {&MakePage<PersonPage>, &MakePage<WorkPage>,
                                             &MakePage<SecretPage>};

// {8E1C0F64-5B1A-4E57-9C1D-2B7A6F40D001}
const CLSID CLSID_OrrelTestPages = {
    0x8E1C0F64, 0x5B1A, 0x4E57, {0x9C, 0x1D, 0x2B, 0x7A, 0x6F, 0x40, 0xD0, 0x01}};

const orrel::pages::PageDllInfo kTestPagesInfo = {
    "Pages Test Class", &CLSID_OrrelTestPages, "Orrel Test Pages", "OrrelTestPages.dlr",
    kPages, std::size(kPages)};

}  // namespace testpages
