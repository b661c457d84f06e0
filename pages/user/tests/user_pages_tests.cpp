// The User pages driven for real: a handler made through the class object
// and initialised with a data object, its pages in a modeless property
// sheet, read and changed through window messages, the list editor run by a
// script inside its modal loop, and Apply checked in the directory image.
#include <gtest/gtest.h>

#include <cstdlib>

#include "orrel/registry.h"
#include "resource.h"
#include "timemap.h"
#include "user_test_support.h"

namespace {

using namespace usertest;

// The sheet of one user, opened in a fresh copy of the sample.
struct UserSheet {
    explicit UserSheet(const char* object,
                       const std::function<void(nlohmann::json&)>& patch = nullptr,
                       bool second = false)
        : image(patch), handler((SampleImage::UseSecondIdentity(second), MakeHandler({object}))),
          sheet(handler.Get(), "User Properties")
    {
    }
    SampleImage image;
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

// ---- Personal, Work and Mailing Information -------------------------------------------

TEST(PersonalPage, ShowsTheUserWithoutItsNamingValue)
{
    UserSheet s("JDoe.Sales.Corp");
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("John", ItemText(page, IDC_PERSONAL_GIVEN_NAME));
    EXPECT_EQ("Q", ItemText(page, IDC_PERSONAL_INITIALS));
    EXPECT_EQ("Doe", ItemText(page, IDC_PERSONAL_SURNAME));
    EXPECT_EQ("John Q. Doe Jr.", ItemText(page, IDC_PERSONAL_FULL_NAME));
    EXPECT_EQ("Jr.", ItemText(page, IDC_PERSONAL_QUALIFIER));
    EXPECT_EQ((Texts{"John Doe", "Doe, John"}), ComboTexts(GetDlgItem(page, IDC_PERSONAL_OTHER_NAMES)));
    EXPECT_EQ("SMTP:jdoe@corp.example", ItemText(page, IDC_PERSONAL_EMAIL));
    EXPECT_FALSE(IsReadOnly(page, IDC_PERSONAL_GIVEN_NAME));
    EXPECT_TRUE(IsEnabled(page, IDC_PERSONAL_EDIT_OTHER_NAMES));
    EXPECT_FALSE(s.sheet.ApplyEnabled()) << "loading counted as a change";
}

TEST(PersonalPage, TextsListAndMailAddressApplyToTheDirectory)
{
    // The sample's third "CN" value equals the naming value but for letter
    // case, which a case-ignore attribute cannot hold twice: the directory
    // takes its removal for the naming value's. Distinct names here.
    UserSheet s("JDoe.Sales.Corp", [](nlohmann::json& image) {
        SampleImage::Attributes(image, "JDoe.Sales.Corp")["CN"] = {"JDoe", "John Doe", "Johnny D"};
    });
    HWND page = s.sheet.Page(0);
    SetText(page, IDC_PERSONAL_GIVEN_NAME, "Johnny");
    EXPECT_TRUE(s.sheet.ApplyEnabled()) << "an edit did not signal the sheet";
    SetText(page, IDC_PERSONAL_EMAIL, "johnny@corp.example");
    EXPECT_EQ((Texts{"John Doe", "Johnny D"}),
              EditList(page, IDC_PERSONAL_EDIT_OTHER_NAMES, "Edit: Other Names", {"Jack Doe"}));
    EXPECT_EQ((Texts{"John Doe", "Johnny D", "Jack Doe"}),
              ComboTexts(GetDlgItem(page, IDC_PERSONAL_OTHER_NAMES)));

    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(Strings({"Johnny"}), s.image.Values("JDoe.Sales.Corp", "Given Name"));
    EXPECT_EQ(Strings({"Doe"}), s.image.Values("JDoe.Sales.Corp", "Surname"));
    EXPECT_EQ(Strings({"JDoe", "John Doe", "Johnny D", "Jack Doe"}),
              s.image.Values("JDoe.Sales.Corp", "CN"));
    nlohmann::json mail = s.image.Values("JDoe.Sales.Corp", "EMail Address");
    ASSERT_TRUE(mail.is_array() && mail.size() == 1) << mail.dump();
    EXPECT_EQ(7, mail[0].value("type", -1)) << mail.dump();
    EXPECT_EQ("johnny@corp.example", mail[0].value("address", "")) << mail.dump();
}

TEST(WorkPage, ShowsEveryListAndWritesFaxRecords)
{
    UserSheet s("AKim.Sales.Corp");
    HWND page = s.sheet.Page(1);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Texts{"Account Executive"}), ComboTexts(GetDlgItem(page, IDC_WORK_TITLE)));
    EXPECT_EQ("Account Executive in Sales", ItemText(page, IDC_WORK_DESCRIPTION));
    EXPECT_EQ((Texts{"Boston", "HomePage: http://intranet.corp.example/people/akim"}),
              ComboTexts(GetDlgItem(page, IDC_WORK_LOCATION)));
    EXPECT_EQ((Texts{"Corp"}), ComboTexts(GetDlgItem(page, IDC_WORK_ORGANIZATION)));
    EXPECT_EQ((Texts{"Sales"}), ComboTexts(GetDlgItem(page, IDC_WORK_DEPARTMENT)));
    EXPECT_EQ((Texts{"555-0112"}), ComboTexts(GetDlgItem(page, IDC_WORK_TELEPHONE)));
    EXPECT_EQ((Texts{"555-0900"}), ComboTexts(GetDlgItem(page, IDC_WORK_FAX)));

    EditList(page, IDC_WORK_EDIT_FAX, "Edit: FAX", {"555-0901"});
    EditList(page, IDC_WORK_EDIT_TELEPHONE, "Edit: Telephone", {"555-0113"});
    ASSERT_TRUE(s.sheet.Apply());
    nlohmann::json fax = s.image.Values("AKim.Sales.Corp", "Facsimile Telephone Number");
    ASSERT_TRUE(fax.is_array() && fax.size() == 2) << fax.dump();
    EXPECT_EQ("555-0901", fax[1].value("number", "")) << fax.dump();
    EXPECT_EQ(0, fax[1].value("bitCount", -1)) << fax.dump();
    EXPECT_EQ(Strings({"555-0112", "555-0113"}),
              s.image.Values("AKim.Sales.Corp", "Telephone Number"));
    EXPECT_EQ(Strings({"Account Executive"}), s.image.Values("AKim.Sales.Corp", "Title"));
}

Texts LabelLines(HWND page)
{
    Texts lines;
    for (int id = IDC_MAILING_LABEL_1; id <= IDC_MAILING_LABEL_6; ++id) lines.push_back(ItemText(page, id));
    return lines;
}

TEST(MailingPage, CopyToLabelTakesTheFieldsAndTheStoredFullName)
{
    UserSheet s("JDoe.Sales.Corp");
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("1 Harbor Way", ItemText(page, IDC_MAILING_STREET));
    EXPECT_EQ("Boston", ItemText(page, IDC_MAILING_CITY));
    EXPECT_EQ((Texts{"John Q. Doe Jr.", "1 Harbor Way", "", "Boston", "MA", "02110"}), LabelLines(page));

    SetDlgItemTextA(page, IDC_MAILING_LABEL_1, "Someone Else");
    SetText(page, IDC_MAILING_CITY, "Cambridge");
    SetText(page, IDC_MAILING_PO_BOX, "PO 7");
    Click(page, IDC_MAILING_COPY_TO_LABEL);
    EXPECT_EQ((Texts{"John Q. Doe Jr.", "1 Harbor Way", "PO 7", "Cambridge", "MA", "02110"}),
              LabelLines(page));
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(nlohmann::json::array({Strings({"John Q. Doe Jr.", "1 Harbor Way", "PO 7", "Cambridge", "MA", "02110"})}),
              s.image.Values("JDoe.Sales.Corp", "Postal Address"));
    EXPECT_EQ(Strings({"Cambridge"}), s.image.Values("JDoe.Sales.Corp", "Physical Delivery Office Name"));
    EXPECT_EQ(Strings({"PO 7"}), s.image.Values("JDoe.Sales.Corp", "Postal Office Box"));
}

TEST(MailingPage, CopyToLabelWithoutFullNameKeepsLineOneAndSignalsTheSheet)
{
    UserSheet s("JBloom.Inside.Sales.Corp");
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    std::string first = ItemText(page, IDC_MAILING_LABEL_1);
    ASSERT_FALSE(s.sheet.ApplyEnabled());
    Click(page, IDC_MAILING_COPY_TO_LABEL);
    EXPECT_EQ(first, ItemText(page, IDC_MAILING_LABEL_1));
    EXPECT_EQ(ItemText(page, IDC_MAILING_STREET), ItemText(page, IDC_MAILING_LABEL_1 + 1));
    EXPECT_TRUE(s.sheet.ApplyEnabled()) << "Copy To Label did not signal the sheet";
}

// ---- Login Script -------------------------------------------------------------------------

TEST(LoginScriptPage, ShowsTheOemScriptInAnsiAndWritesItBackInOem)
{
    SampleImage image;
    {
        // "REM Müller" in code page 437.
        std::string file = image.StreamsFolder() + "\\JDoe_Sales_Corp.login";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, "REM M\x81ller\r\n", 12, &written, nullptr);
        CloseHandle(h);
    }
    Sheet sheet(MakeHandler({"JDoe.Sales.Corp"}).Get());
    HWND page = sheet.Page(3);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("REM M\xFCller\r\n", ItemText(page, IDC_SCRIPT_TEXT));
    EXPECT_FALSE(IsReadOnly(page, IDC_SCRIPT_TEXT));

    SetText(page, IDC_SCRIPT_TEXT, "REM Gr\xFC\xDF" "e\r\nDRIVE H:");
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ("REM Gr\x81\xE1" "e\r\nDRIVE H:", image.StreamBytes("JDoe.Sales.Corp", "Login Script"));
}

TEST(LoginScriptPage, ScriptThatCannotBeShownWholeIsNeverOverwritten)
{
    SampleImage image;
    const std::string bytes("REM first\0REM after a zero byte\r\n", 34);
    {
        std::string file = image.StreamsFolder() + "\\JDoe_Sales_Corp.login";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    Sheet sheet(MakeHandler({"JDoe.Sales.Corp"}).Get());
    HWND page = sheet.Page(3);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(IsReadOnly(page, IDC_SCRIPT_TEXT)) << "a cut script could be saved over the whole";
    EXPECT_EQ("", ItemText(page, IDC_SCRIPT_TEXT));
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(bytes, image.StreamBytes("JDoe.Sales.Corp", "Login Script"));
}

TEST(LoginScriptPage, MissingScriptIsCreatedOnTheFirstApply)
{
    for (const char* text : {"MAP H:=ORREL-FS1_DATA:\\HOME\r\n", ""}) {
        UserSheet s("CLane.Sales.Corp");
        ASSERT_TRUE(s.image.Values("CLane.Sales.Corp", "Login Script").is_null());
        HWND page = s.sheet.Page(3);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ("", ItemText(page, IDC_SCRIPT_TEXT));
        SetText(page, IDC_SCRIPT_TEXT, "x");
        SetText(page, IDC_SCRIPT_TEXT, text);
        ASSERT_TRUE(s.sheet.Apply()) << "text \"" << text << "\"";
        EXPECT_FALSE(s.image.Values("CLane.Sales.Corp", "Login Script").is_null());
        EXPECT_EQ(text, s.image.StreamBytes("CLane.Sales.Corp", "Login Script"));
    }
}

// Points Wine's web browser at tests/record-url.sh, which writes the
// addresses it is asked to open into a file, for as long as it lives.
class BrowserRecorder {
public:
    BrowserRecorder()
    {
        record_ = BinPath("..\\url-record.txt");
        DeleteFileA(record_.c_str());
        // The recorder is a Unix program: it gets the Unix form of the path
        // (the build folder is on drive Z:, the Unix root).
        std::string unix = record_.substr(2);
        for (char& c : unix)
            if (c == '\\') c = '/';
        key_.Create(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser");
        hadBrowsers_ = key_.QueryString("Browsers", &browsers_) == ERROR_SUCCESS;
        key_.SetString("Browsers",
                       ("/bin/sh " ORREL_SOURCE_DIR "/pages/user/tests/record-url.sh " + unix).c_str());
    }
    ~BrowserRecorder()
    {
        if (hadBrowsers_) key_.SetString("Browsers", browsers_.c_str());
        else RegDeleteValueA(key_.Get(), "Browsers");
        DeleteFileA(record_.c_str());
    }
    std::string Recorded() const
    {
        std::string text;
        HANDLE h = CreateFileA(record_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return text;
        char buffer[512];
        DWORD got = 0;
        if (ReadFile(h, buffer, sizeof buffer, &got, nullptr)) text.assign(buffer, got);
        CloseHandle(h);
        return text;
    }

private:
    std::string record_;
    orrel::RegKey key_;
    bool hadBrowsers_ = false;
    std::string browsers_;
};

TEST(LoginScriptPage, CommandsButtonAsksBeforeOpeningTheDocumentation)
{
    UserSheet s("JDoe.Sales.Corp");
    BrowserRecorder browser;
    HWND page = s.sheet.Page(3);
    const char question[] =
        "You will now be connected to Corvane's WWW site.\r\nIf you do not have WWW access, "
        "press 'Cancel'.\r\nOtherwise, press 'OK' to continue.";
    EXPECT_EQ(question, AnswerMessageBox(page, IDC_SCRIPT_COMMANDS, IDCANCEL));
    EXPECT_EQ(question, AnswerMessageBox(page, IDC_SCRIPT_COMMANDS, IDOK));
    EXPECT_TRUE(PumpUntil([&] { return !browser.Recorded().empty(); }, 15000));
    Pump(500);  // time for a second address, had Cancel opened one
    EXPECT_EQ("http://www.corvane.example/orrel/login-script-commands.html\n", browser.Recorded())
        << "Cancel opened the address too, or OK did not";
}

// ---- Login Account and Password -------------------------------------------------------

TEST(LoginAccountPage, ShowsValuesAndTheDefaultsOfMissingOnes)
{
    struct Case {
        const char* user;
        const char *expiration, *grace, *remaining, *maxLogins, *status, *balance, *lowLimit;
        bool remainingLabel, balanceLabel;
    } const cases[] = {
        {"JDoe.Sales.Corp", "Unlimited", "6", "3", "2", "Enabled", "1030", "0", true, true},
        {"BKing.Sales.Corp", nullptr, "Unlimited", "", nullptr, "Enabled", nullptr, nullptr, false, true},
        {"DPark.Sales.Corp", nullptr, nullptr, nullptr, nullptr, "Enabled", "", "Unlimited", true, false},
        {"JKhan.Support.Corp", nullptr, nullptr, nullptr, nullptr, "Disabled", nullptr, nullptr, true, true},
    };
    for (const Case& c : cases) {
        UserSheet s(c.user);
        HWND page = s.sheet.Page(4);
        ASSERT_NE(nullptr, page) << c.user;
        EXPECT_NE("", ItemText(page, IDC_ACCOUNT_LAST_LOGIN)) << c.user;
        auto check = [&](int id, const char* expected) {
            if (!expected) return;
            EXPECT_EQ(expected, ItemText(page, id)) << c.user << " control " << id;
        };
        check(IDC_ACCOUNT_EXPIRATION, c.expiration);
        check(IDC_ACCOUNT_GRACE_LIMIT, c.grace);
        check(IDC_ACCOUNT_GRACE_REMAINING, c.remaining);
        check(IDC_ACCOUNT_MAX_LOGINS, c.maxLogins);
        check(IDC_ACCOUNT_STATUS, c.status);
        check(IDC_ACCOUNT_BALANCE, c.balance);
        check(IDC_ACCOUNT_LOW_LIMIT, c.lowLimit);
        EXPECT_EQ(c.remainingLabel, IsEnabled(page, IDC_ACCOUNT_GRACE_REMAINING_LABEL)) << c.user;
        EXPECT_EQ(c.balanceLabel, IsEnabled(page, IDC_ACCOUNT_BALANCE_LABEL)) << c.user;
    }
}

TEST(PasswordPage, ShowsTheRulesAndGreysWhatDoesNotApply)
{
    {
        UserSheet s("JDoe.Sales.Corp");
        HWND page = s.sheet.Page(6);
        ASSERT_NE(nullptr, page);
        for (int id : {IDC_PASSWORD_ALLOW_CHANGE, IDC_PASSWORD_REQUIRED, IDC_PASSWORD_PERIODIC,
                       IDC_PASSWORD_UNIQUE})
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, id)) << "check " << id;
        EXPECT_EQ("8", ItemText(page, IDC_PASSWORD_MIN_LENGTH));
        EXPECT_EQ("90", ItemText(page, IDC_PASSWORD_INTERVAL));
        EXPECT_NE("", ItemText(page, IDC_PASSWORD_EXPIRES));
        for (int id : {IDC_PASSWORD_CHANGE, IDC_PASSWORD_MIN_LENGTH_LABEL, IDC_PASSWORD_PERIODIC_GROUP,
                       IDC_PASSWORD_INTERVAL_LABEL, IDC_PASSWORD_EXPIRES_LABEL, IDC_PASSWORD_UNIQUE_GROUP})
            EXPECT_TRUE(IsEnabled(page, id)) << "control " << id;
        EXPECT_FALSE(IsEnabled(page, IDC_PASSWORD_ALLOW_CHANGE)) << "checks are display only";
        // Each box is labelled by its own caption (what a screen reader
        // announces and a resource library's template replaces).
        EXPECT_EQ("Allowed to change password", ItemText(page, IDC_PASSWORD_ALLOW_CHANGE));
        EXPECT_EQ("Require unique passwords", ItemText(page, IDC_PASSWORD_UNIQUE));
        // Under an NT system the system's own dialog changes passwords.
        EXPECT_EQ("To change the password, hit <Ctrl-Alt-Del> and\r\nchoose \"Change Password...\"",
                  AnswerMessageBox(page, IDC_PASSWORD_CHANGE, IDOK));
    }
    UserSheet s("JDoe.Sales.Corp", [](nlohmann::json& image) {
        SampleImage::Attributes(image, "JDoe.Sales.Corp")["Password Allow Change"] = {false};
    });
    HWND page = s.sheet.Page(6);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_PASSWORD_ALLOW_CHANGE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_PASSWORD_PERIODIC));
    EXPECT_EQ("", ItemText(page, IDC_PASSWORD_INTERVAL));
    EXPECT_EQ("8", ItemText(page, IDC_PASSWORD_MIN_LENGTH));
    EXPECT_TRUE(IsEnabled(page, IDC_PASSWORD_MIN_LENGTH_LABEL));
    for (int id : {IDC_PASSWORD_CHANGE, IDC_PASSWORD_PERIODIC_GROUP, IDC_PASSWORD_INTERVAL_LABEL,
                   IDC_PASSWORD_EXPIRES_LABEL, IDC_PASSWORD_UNIQUE_GROUP})
        EXPECT_FALSE(IsEnabled(page, id)) << "control " << id;
}

// ---- Time Restrictions and Group Membership ---------------------------------------------

TEST(TimeRestrictionsPage, PaintsEveryHalfHourInItsLocalCell)
{
    using namespace orrel::userpages;
    TIME_ZONE_INFORMATION zone = {};
    GetTimeZoneInformation(&zone);
    const int shift = TimeZoneShift(zone.Bias);
    struct Case {
        const char* name;
        const char* map;  // hex, or null for no value
        std::function<bool(int)> allowed;
    } const cases[] = {
        {"weekdays 07:00-19:00 UTC", "", [](int bit) {
             int day = bit / 48, half = bit % 48;
             return day >= 1 && day <= 5 && half >= 14 && half < 38;
         }},
        {"no value", nullptr, [](int) { return true; }},
        {"one byte", "FF", [](int bit) { return bit < 8; }},
    };
    for (const Case& c : cases) {
        UserSheet s("JDoe.Sales.Corp", [&](nlohmann::json& image) {
            auto& attributes = SampleImage::Attributes(image, "JDoe.Sales.Corp");
            if (!c.map) attributes.erase("Login Allowed Time Map");
            else if (*c.map) attributes["Login Allowed Time Map"] = {c.map};
        });
        HWND page = s.sheet.Page(5);
        ASSERT_NE(nullptr, page) << c.name;
        int width = 0, height = 0;
        std::vector<COLORREF> pixels = PrintClient(GetDlgItem(page, IDC_TIMES_GRID), &width, &height);
        GridGeometry g = GridGeometry::ForClient(width, height);
        ASSERT_FALSE(g.Empty()) << width << "x" << height;
        ASSERT_EQ(static_cast<std::size_t>(width) * height, pixels.size());
        int wrong = 0;
        for (int bit = 0; bit < kHalfHoursPerWeek; ++bit) {
            int l, t, r, b;
            g.CellInterior(CellOfBit(bit, shift), &l, &t, &r, &b);
            COLORREF found = pixels[static_cast<std::size_t>((t + b) / 2) * width + (l + r) / 2];
            COLORREF expected = c.allowed(bit) ? RGB(0, 255, 0) : RGB(255, 0, 0);
            if (found != expected && ++wrong <= 3)
                ADD_FAILURE() << c.name << ": bit " << bit << " drawn 0x" << std::hex << found;
        }
        EXPECT_EQ(0, wrong) << c.name;
        // The grid's lines: the top-left corner and the line under row 0.
        EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), pixels[0]);
        EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), pixels[static_cast<std::size_t>(g.cellHeight) * width + 1]);
    }
}

// Run by ctest in two more processes, with TZ one hour east and five hours
// west of UTC and ORREL_USER_TZ_BIAS telling the bias that zone has.
TEST(TimeRestrictionsPage, SundayMidnightUtcIsDrawnInTheLocalRow)
{
    char text[16] = {};
    if (!GetEnvironmentVariableA("ORREL_USER_TZ_BIAS", text, sizeof text))
        GTEST_SKIP() << "run with TZ and ORREL_USER_TZ_BIAS set";
    const long bias = std::atol(text);
    TIME_ZONE_INFORMATION zone = {};
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(bias, zone.Bias) << "the process runs in another zone";
    struct {
        long bias;
        orrel::userpages::GridCell cell;
    } const expected[] = {{-60, {0, 2}}, {300, {6, 38}}};  // Sunday 01:00, Saturday 19:00
    orrel::userpages::GridCell where = {-1, -1};
    for (const auto& e : expected)
        if (e.bias == bias) where = e.cell;
    ASSERT_NE(-1, where.column) << "no expectation for bias " << bias;

    // Only the half hour from Sunday 00:00 UTC is allowed.
    UserSheet s("JDoe.Sales.Corp", [](nlohmann::json& image) {
        SampleImage::Attributes(image, "JDoe.Sales.Corp")["Login Allowed Time Map"] = {
            "01" + std::string(82, '0')};
    });
    HWND page = s.sheet.Page(5);
    int width = 0, height = 0;
    std::vector<COLORREF> pixels = PrintClient(GetDlgItem(page, IDC_TIMES_GRID), &width, &height);
    auto g = orrel::userpages::GridGeometry::ForClient(width, height);
    for (int column = 0; column < 7; ++column)
        for (int row = 0; row < 48; ++row) {
            int l, t, r, b;
            g.CellInterior({column, row}, &l, &t, &r, &b);
            COLORREF found = pixels[static_cast<std::size_t>((t + b) / 2) * width + (l + r) / 2];
            bool green = column == where.column && row == where.row;
            EXPECT_EQ(green ? RGB(0, 255, 0) : RGB(255, 0, 0), found)
                << "column " << column << " row " << row;
        }
}

TEST(TimeRestrictionsPage, RowLabelsSitEveryTwoHoursAndPmTwelveHoursBelowAm)
{
    UserSheet s("JDoe.Sales.Corp");
    HWND page = s.sheet.Page(5);
    RECT grid;
    GetClientRect(GetDlgItem(page, IDC_TIMES_GRID), &grid);
    const int row = orrel::userpages::GridGeometry::ForClient(grid.right, grid.bottom).cellHeight;
    auto top = [&](int id) {
        RECT r;
        GetWindowRect(GetDlgItem(page, id), &r);
        return static_cast<int>(r.top);
    };
    for (int id = IDC_TIMES_ROW_FIRST + 1; id <= IDC_TIMES_ROW_LAST; ++id)
        EXPECT_EQ(4 * row, top(id) - top(id - 1)) << "label " << id;
    EXPECT_EQ(24 * row, top(IDC_TIMES_PM) - top(IDC_TIMES_AM));
    EXPECT_EQ(top(IDC_TIMES_ROW_FIRST + 6), top(IDC_TIMES_PM)) << "\"PM\" is not beside its \"12\"";
}

TEST(GroupMembershipPage, ListsGroupsByDisplayNameInOrder)
{
    UserSheet s("MStone.Sales.Corp");
    HWND page = s.sheet.Page(7);
    ASSERT_NE(nullptr, page);
    HWND list = GetDlgItem(page, IDC_GROUPS_LIST);
    EXPECT_EQ(static_cast<LONG>(LVS_LIST), GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK);
    Texts names;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
        EXPECT_EQ(0, item.iImage) << text;
    }
    EXPECT_EQ((Texts{".Everyone.Corp", ".Staff.Sales.Corp"}), names);
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_EQ(1, ImageList_GetImageCount(icons));
}

// ---- Rights and failures ----------------------------------------------------------------

TEST(UserPagesRights, FieldsWithoutTheWriteRightAreReadOnly)
{
    UserSheet s("JDoe.Sales.Corp", nullptr, true);
    ASSERT_EQ(2, s.sheet.PageCount());
    HWND personal = s.sheet.Page(0);
    for (int id : {IDC_PERSONAL_GIVEN_NAME, IDC_PERSONAL_INITIALS, IDC_PERSONAL_SURNAME,
                   IDC_PERSONAL_FULL_NAME, IDC_PERSONAL_QUALIFIER, IDC_PERSONAL_EMAIL})
        EXPECT_TRUE(IsReadOnly(personal, id)) << "edit " << id;
    EXPECT_FALSE(IsEnabled(personal, IDC_PERSONAL_EDIT_OTHER_NAMES));
    EXPECT_EQ("John", ItemText(personal, IDC_PERSONAL_GIVEN_NAME));

    HWND work = s.sheet.Page(1);
    EXPECT_FALSE(IsReadOnly(work, IDC_WORK_DESCRIPTION));
    for (int id : {IDC_WORK_EDIT_TITLE, IDC_WORK_EDIT_TELEPHONE})
        EXPECT_TRUE(IsEnabled(work, id)) << "button " << id;
    for (int id : {IDC_WORK_EDIT_LOCATION, IDC_WORK_EDIT_ORGANIZATION, IDC_WORK_EDIT_DEPARTMENT,
                   IDC_WORK_EDIT_FAX})
        EXPECT_FALSE(IsEnabled(work, id)) << "button " << id;
}

TEST(UserPagesRights, MailingLabelWithoutWriteRightCannotBeCopiedTo)
{
    UserSheet s(
        "JDoe.Sales.Corp",
        [](nlohmann::json& image) {
            auto& acl = SampleImage::Attributes(image, "JDoe.Sales.Corp")["ACL"];
            for (const char* attribute : {"SA", "Postal Address"})
                acl.push_back({{"attribute", attribute}, {"subject", "Guest.Corp"}, {"privileges", 2}});
        },
        true);
    ASSERT_EQ(3, s.sheet.PageCount());
    HWND page = s.sheet.Page(2);
    EXPECT_EQ("Mailing Information", s.sheet.Caption(2));
    EXPECT_FALSE(IsEnabled(page, IDC_MAILING_COPY_TO_LABEL));
    for (int id = IDC_MAILING_LABEL_1; id <= IDC_MAILING_LABEL_6; ++id)
        EXPECT_TRUE(IsReadOnly(page, id)) << "label line " << id;
    EXPECT_TRUE(IsReadOnly(page, IDC_MAILING_STREET));
    EXPECT_EQ("John Q. Doe Jr.", ItemText(page, IDC_MAILING_LABEL_1));
}

TEST(UserPagesApply, FailingWriteKeepsTheSheetOnThePageUntilItSucceeds)
{
    UserSheet s("JDoe.Sales.Corp");
    HWND page = s.sheet.Page(0);
    SetText(page, IDC_PERSONAL_GIVEN_NAME, "Jon");
    s.sheet.Page(1);
    // The rights are taken away while the sheet is open.
    SampleImage::UseSecondIdentity(true);
    EXPECT_FALSE(s.sheet.Apply());
    EXPECT_TRUE(IsWindow(s.sheet.Handle()));
    EXPECT_EQ(1, s.sheet.CurrentIndex()) << "the sheet left the page the user was on";
    EXPECT_TRUE(s.sheet.ApplyEnabled());
    EXPECT_EQ(Strings({"John"}), s.image.Values("JDoe.Sales.Corp", "Given Name"));
    SampleImage::UseSecondIdentity(false);
    EXPECT_TRUE(s.sheet.Apply()) << "the change was lost after the failure";
    EXPECT_EQ(Strings({"Jon"}), s.image.Values("JDoe.Sales.Corp", "Given Name"));
}

// ---- Screenshots ------------------------------------------------------------------------

TEST(UserPagesScreenshots, EveryPageIsDrawnAndSaved)
{
    UserSheet s("JDoe.Sales.Corp");
    ASSERT_EQ(8, s.sheet.PageCount());
    EXPECT_EQ(8u, SaveSheetPages(s.sheet, "user-pages-screens").size());
}

}  // namespace
