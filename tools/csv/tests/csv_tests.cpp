// OrrelCsvWriter: the cells of the file, the tool as a COM object, and the
// export dialog driven for real: lists and buttons, the save dialog
// answered, the file's bytes read back.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "csvfile.h"
#include "resource.h"
#include "../../common/tests/tool_test_support.h"

namespace {

using namespace tooltest;

const char kDll[] = "OrrelCsvWriter.dll";
const char kDialogTitle[] = "Export Object Data";

TEST(CsvFile, CellsAreQuotedAndFormulasDefused)
{
    struct Case {
        const char* value;
        const char* cell;
    } cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"6\" display", "\"6\"\" display\""},                      // quotes doubled
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},       // formula defused
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tx", "\"'\tx\""},
        {"\rx", "\"'\rx\""},
        {"+1 555 0100", "\"+1 555 0100\""},                        // telephone numbers stay
        {"-12.5", "\"-12.5\""},
        {"+1 (555) 01/00", "\"+1 (555) 01/00\""},
        {"+A1", "\"'+A1\""},
        {"-2+3", "\"'-2+3\""},
        {"a=b", "\"a=b\""},
    };
    for (const Case& c : cases) {
        std::string cell;
        orrel::csv::AppendCell(cell, c.value);
        EXPECT_EQ(c.cell, cell) << "value " << c.value;
    }
    std::string line;
    orrel::csv::AppendLine(line, {"a", "", "b, c"});
    EXPECT_EQ("\"a\",\"\",\"b, c\"\r\n", line);
}

TEST(CsvWriterTool, OfferedForObjectsOfOneClassWithTheirCount)
{
    SampleImage image;
    HRESULT init = E_FAIL;
    auto mixed = MakeTool(kDll, kCsvWriterClsid,
                          {{"User", ".JDoe.Sales.Corp"}, {"Group", ".Staff.Sales.Corp"}}, &init);
    EXPECT_EQ(E_FAIL, init) << "a User and a Group";

    auto one = MakeTool(kDll, kCsvWriterClsid, {{"User", ".JDoe.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    MenuResult menu = QueryMenu(one.Get(), 7);
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1), menu.hr);
    ASSERT_EQ(1u, menu.texts.size());
    EXPECT_EQ("Export object...", menu.texts[0]);
    EXPECT_EQ(7u, menu.ids[0]);

    auto two = MakeTool(kDll, kCsvWriterClsid, {{"User", ".JDoe.Sales.Corp"}, {"user", ".AKim.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init) << "classes compare ignoring case";
    menu = QueryMenu(two.Get(), 3);
    ASSERT_EQ(1u, menu.texts.size());
    EXPECT_EQ("Export objects...", menu.texts[0]);

    // Help: only for the tool's own id (offset 2 = id 3), only as help text.
    HRESULT hr = E_FAIL;
    EXPECT_EQ("Exports attributes of the selected objects to a comma separated file",
              HelpText(two.Get(), 2, &hr));
    EXPECT_EQ(S_OK, hr);
    HelpText(two.Get(), 5, &hr);
    EXPECT_EQ(E_INVALIDARG, hr) << "another handler's id";
    char verb[32] = {};
    EXPECT_EQ(E_NOTIMPL, two->GetCommandString(2, GCS_VERBA, nullptr, verb, sizeof verb));
    char small[8];
    EXPECT_EQ(S_OK, two->GetCommandString(2, GCS_HELPTEXTA, nullptr, small, sizeof small));
    EXPECT_EQ("Exports ", std::string(small, sizeof small)) << "cut at the size, no terminator";

    // Another handler's verb does nothing.
    bool opened = false;
    {
        ModalScript watch({[&] {
            if (HWND d = FindDialog(kDialogTitle)) {
                opened = true;
                Click(d, IDCANCEL);
            }
            return true;
        }});
        EXPECT_EQ(E_NOTIMPL, InvokeVerb(two.Get(), 3));
        EXPECT_EQ(E_NOTIMPL, InvokeVerb(two.Get(), 0xFFFF));
    }
    EXPECT_FALSE(opened);
}

// The test's own values in the sample: a quote, a formula, a telephone
// number with a plus.
void PatchValues(nlohmann::json& image)
{
    auto& jdoe = SampleImage::Attributes(image, "JDoe.Sales.Corp");
    jdoe["Description"] = {"6\" display"};
    jdoe["Telephone Number"] = {"+1 555 0100"};
    auto& akim = SampleImage::Attributes(image, "AKim.Sales.Corp");
    akim["Description"] = {"=HYPERLINK(\"http://evil.example\",\"x\")"};
}

void SelectEntries(HWND dialog, int list, const std::vector<std::string>& texts)
{
    HWND box = GetDlgItem(dialog, list);
    SendMessageA(box, LB_SETSEL, FALSE, -1);
    for (const std::string& text : texts) {
        LRESULT index = SendMessageA(box, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
        EXPECT_NE(LB_ERR, index) << text;
        SendMessageA(box, LB_SETSEL, TRUE, index);
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// Answers the save dialog with a file name.
bool AnswerSaveDialog(const std::string& path)
{
    HWND save = FindDialog("Save Exported Fields As...");
    if (!save) return false;
    if (GetDlgItem(save, edt1)) SetDlgItemTextA(save, edt1, path.c_str());
    if (GetDlgItem(save, cmb13)) SetDlgItemTextA(save, cmb13, path.c_str());
    PostMessageA(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(save, IDOK)));
    return true;
}

TEST(CsvExportDialog, FieldsAreChosenAndOrderedAndTheFileHoldsThem)
{
    SampleImage image(&PatchValues);
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kCsvWriterClsid,
                         {{"User", ".JDoe.Sales.Corp"}, {"User", ".AKim.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    MenuResult menu = QueryMenu(tool.Get(), 1);
    ASSERT_EQ(1u, menu.texts.size());

    std::string path = ArtefactFolder("tools-screens") + "\\export-test.csv";
    DeleteFileA(path.c_str());
    std::vector<std::string> available, exported;
    std::string countText;
    bool initialButtons = false;
    ModalScript script({
        [&] {
            HWND d = FindDialog(kDialogTitle);
            if (!d) return false;
            char text[128] = {};
            GetDlgItemTextA(d, IDC_CSV_COUNT, text, sizeof text);
            countText = text;
            available = ListBoxTexts(GetDlgItem(d, IDC_CSV_AVAILABLE));
            initialButtons = !Enabled(d, IDOK) && !Enabled(d, IDC_CSV_ADD) &&
                             !Enabled(d, IDC_CSV_REMOVE) && !Enabled(d, IDC_CSV_UP) &&
                             !Enabled(d, IDC_CSV_DOWN) && Enabled(d, IDC_CSV_ALL);

            // "->" with three fields, in the available list's order.
            SelectEntries(d, IDC_CSV_AVAILABLE, {"Telephone Number", "Description", "Surname"});
            EXPECT_TRUE(Enabled(d, IDC_CSV_ADD));
            Click(d, IDC_CSV_ADD);
            EXPECT_EQ((std::vector<std::string>{"Description", "Surname", "Telephone Number"}),
                      ListBoxTexts(GetDlgItem(d, IDC_CSV_EXPORT_LIST)));
            EXPECT_TRUE(Enabled(d, IDOK));
            // A double click adds one more.
            SelectEntries(d, IDC_CSV_AVAILABLE, {"CN"});
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_CSV_AVAILABLE, LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_CSV_AVAILABLE)));
            // "Up" on "Surname" (one selected, not first); "Up" again makes it first.
            SelectEntries(d, IDC_CSV_EXPORT_LIST, {"Surname"});
            EXPECT_TRUE(Enabled(d, IDC_CSV_UP) && Enabled(d, IDC_CSV_DOWN));
            Click(d, IDC_CSV_UP);
            EXPECT_FALSE(Enabled(d, IDC_CSV_UP)) << "first now";
            EXPECT_EQ(1, SendDlgItemMessageA(d, IDC_CSV_EXPORT_LIST, LB_GETSELCOUNT, 0, 0));
            // Two selected: no moving; "<-" takes them back.
            SelectEntries(d, IDC_CSV_EXPORT_LIST, {"CN", "Telephone Number"});
            EXPECT_FALSE(Enabled(d, IDC_CSV_UP) || Enabled(d, IDC_CSV_DOWN));
            Click(d, IDC_CSV_REMOVE);
            EXPECT_EQ((std::vector<std::string>{"Surname", "Description"}),
                      ListBoxTexts(GetDlgItem(d, IDC_CSV_EXPORT_LIST)));
            // "Clear" and "All" move everything; then the final choice.
            Click(d, IDC_CSV_ALL);
            EXPECT_TRUE(ListBoxTexts(GetDlgItem(d, IDC_CSV_AVAILABLE)).empty());
            Click(d, IDC_CSV_CLEAR);
            EXPECT_EQ(available, ListBoxTexts(GetDlgItem(d, IDC_CSV_AVAILABLE)));
            EXPECT_FALSE(Enabled(d, IDOK));
            SelectEntries(d, IDC_CSV_AVAILABLE, {"Surname"});
            Click(d, IDC_CSV_ADD);
            SelectEntries(d, IDC_CSV_AVAILABLE, {"Description", "Telephone Number", "CN"});
            Click(d, IDC_CSV_ADD);
            exported = ListBoxTexts(GetDlgItem(d, IDC_CSV_EXPORT_LIST));

            RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            std::size_t colours = 0;
            EXPECT_TRUE(SaveScreenshot(d, ArtefactFolder("tools-screens") + "\\csv-export-dialog.png", &colours));
            EXPECT_GT(colours, 3u);
            Click(d, IDOK);  // the save dialog runs inside
            return true;
        },
        [&] { return AnswerSaveDialog(path); },
    });
    EXPECT_EQ(E_NOTIMPL, InvokeVerb(tool.Get(), 0));
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(FindDialog(kDialogTitle)) << "the dialog closes after the export";

    EXPECT_EQ("2 objects selected", countText);
    EXPECT_TRUE(initialButtons);
    // The User class's naming, mandatory and optional attributes of exportable
    // syntaxes, sorted; octet strings (9), access-control entries (17) and
    // streams (21) are not offered.
    for (const char* field : {"CN", "Surname", "Telephone Number", "EMail Address", "L",
                              "Login Disabled", "Last Login Time", "Postal Address"})
        EXPECT_NE(std::find(available.begin(), available.end(), field), available.end()) << field;
    for (const char* field : {"ACL", "Login Script", "Login Allowed Time Map"})
        EXPECT_EQ(std::find(available.begin(), available.end(), field), available.end()) << field;
    EXPECT_TRUE(std::is_sorted(available.begin(), available.end(),
                               [](const std::string& a, const std::string& b) {
                                   return lstrcmpiA(a.c_str(), b.c_str()) < 0;
                               }));

    ASSERT_EQ((std::vector<std::string>{"Surname", "CN", "Description", "Telephone Number"}), exported);
    EXPECT_EQ(
        "\"Surname\",\"CN\",\"Description\",\"Telephone Number\"\r\n"
        "\"Doe\",\"JDoe, John Doe, Doe, John\",\"6\"\" display\",\"+1 555 0100\"\r\n"
        "\"Kim\",\"AKim, Alma Kim, Kim, Alma\",\"'=HYPERLINK(\"\"http://evil.example\"\",\"\"x\"\")\",\"555-0112\"\r\n",
        ReadFileBytes(path));
}

// Exports fields of objects into path through the dialog; the count line
// the dialog showed goes to *countText.
void ExportThroughDialog(const std::vector<Obj>& objects, const std::vector<std::string>& fields,
                         const std::string& path, std::string* countText)
{
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kCsvWriterClsid, objects, &init);
    ASSERT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    DeleteFileA(path.c_str());
    ModalScript script({
        [&] {
            HWND d = FindDialog(kDialogTitle);
            if (!d) return false;
            char text[128] = {};
            GetDlgItemTextA(d, IDC_CSV_COUNT, text, sizeof text);
            *countText = text;
            SelectEntries(d, IDC_CSV_AVAILABLE, fields);
            Click(d, IDC_CSV_ADD);
            Click(d, IDOK);
            return true;
        },
        [&] { return AnswerSaveDialog(path); },
    });
    InvokeVerb(tool.Get(), 0);
    EXPECT_TRUE(script.Done());
}

TEST(CsvExportDialog, AnObjectThatCannotBeReadGetsNoLine)
{
    SampleImage image;
    std::string path = ArtefactFolder("tools-screens") + "\\unreadable.csv";
    std::string countText;
    ExportThroughDialog({{"User", ".Gone.Sales.Corp"}, {"User", ".MStone.Sales.Corp"}}, {"Surname"},
                        path, &countText);
    EXPECT_EQ("2 objects selected", countText);
    EXPECT_EQ("\"Surname\"\r\n\"Stone\"\r\n", ReadFileBytes(path));
    DeleteFileA(path.c_str());

    // Nothing to read, nothing offered: "&Export" stays disabled.
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kCsvWriterClsid, {{"User", ".Gone.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    bool empty = false;
    ModalScript script({[&] {
        HWND d = FindDialog(kDialogTitle);
        if (!d) return false;
        empty = ListBoxTexts(GetDlgItem(d, IDC_CSV_AVAILABLE)).empty() && !Enabled(d, IDOK) &&
                !Enabled(d, IDC_CSV_ADD);
        Click(d, IDOK);  // does nothing
        Click(d, IDCANCEL);
        return true;
    }});
    InvokeVerb(tool.Get(), 0);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(empty);
}

TEST(CsvExportDialog, AFileThatCannotBeCreatedIsReportedAndTheDialogStays)
{
    SampleImage image;
    HRESULT init = E_FAIL;
    auto tool = MakeTool(kDll, kCsvWriterClsid, {{"User", ".MStone.Sales.Corp"}}, &init);
    ASSERT_EQ(S_OK, init);
    QueryMenu(tool.Get(), 1);
    // A file that another program holds open without sharing: the save
    // dialog asks before replacing it, and creating it then fails.
    std::string path = ArtefactFolder("tools-screens") + "\\locked.csv";
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);

    std::string countText, message;
    bool stayed = false, asked = false;
    ModalScript script({
        [&] {
            HWND d = FindDialog(kDialogTitle);
            if (!d) return false;
            char text[128] = {};
            GetDlgItemTextA(d, IDC_CSV_COUNT, text, sizeof text);
            countText = text;
            SelectEntries(d, IDC_CSV_AVAILABLE, {"Surname"});
            Click(d, IDC_CSV_ADD);
            Click(d, IDOK);
            stayed = FindDialog(kDialogTitle) == d;
            Click(d, IDCANCEL);
            return true;
        },
        [&] { return AnswerSaveDialog(path); },
        [&] {
            // Wine's save dialog may ask before replacing the file.
            HWND box = FindDialog("Error Opening File");
            if (box) {
                message = DialogStaticText(box);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return true;
            }
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == GetCurrentProcessId() && IsWindowVisible(w) && GetDlgItem(w, IDYES)) {
                    PostMessageA(w, WM_COMMAND, IDYES, 0);
                    asked = true;
                }
            }
            return false;
        },
    });
    InvokeVerb(tool.Get(), 0);
    EXPECT_TRUE(script.Done());
    CloseHandle(locked);
    DeleteFileA(path.c_str());
    EXPECT_EQ("1 object selected", countText);
    EXPECT_EQ("Unable to open file " + path + ", error = 32", message);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(asked) << "the save dialog asks before replacing a file";
}

}  // namespace
