// OrrelPrinterPages: the configuration record as pure code, the DLL through
// COM, and its four pages driven in a property sheet against a copy of the
// sample, with what Apply wrote read back from the directory image.
#include <gtest/gtest.h>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "printerrecord.h"
#include "resource.h"

namespace {

using namespace pagetest;
using namespace orrel::printerpages;

// {0FEC5125-2800-11D3-8685-00A0C9D59E71}
const CLSID kClsid = {0x0FEC5125, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const PageDll kDll("OrrelPrinterPages.dll", kClsid);

const char kLaser[] = "Laser-1.Sales.Corp";        // full record "LASR", default queue
const char kOld[] = "Old-Printer.Support.Corp";    // record of 12 bytes

struct PrinterSheet {
    explicit PrinterSheet(const char* object, bool second = false,
                          const std::function<void(nlohmann::json&)>& patch = nullptr)
        : image(patch), handler((SampleImage::UseSecondIdentity(second), kDll.MakeHandler("Printer", {object}))),
          sheet(handler.Get(), "Printer Properties")
    {
    }
    SampleImage image;
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

std::vector<uint8_t> StoredRecord(const SampleImage& image, const char* object)
{
    nlohmann::json v = image.Values(object, "Printer Configuration");
    std::vector<uint8_t> bytes;
    if (!v.is_array() || v.empty() || !v[0].is_string()) return bytes;
    std::string hex = v[0].get<std::string>();
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

void SelectCombo(HWND page, int id, int index)
{
    SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

int ComboSelection(HWND page, int id)
{
    return static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0));
}

// ---- The record as pure code -------------------------------------------------------------

TEST(PrinterRecord, FieldsSitAtTheirOffsetsAndShortRecordsAreNeverReadPast)
{
    PrinterConfig config;
    config.numbers[kPrinterType] = 1;
    config.numbers[kServiceInterval] = 0x1234;
    config.driver = "LASR";
    std::vector<uint8_t> record = BuildConfig(config);
    ASSERT_EQ(1072u, record.size());
    EXPECT_EQ(1, record[0]);
    EXPECT_EQ(0x34, record[8]);
    EXPECT_EQ(0x12, record[9]);
    EXPECT_EQ(std::vector<uint8_t>({'L', 'A', 'S', 'R', 0, 0, 0, 0}),
              std::vector<uint8_t>(record.begin() + 16, record.begin() + 24));
    config.driver = "TOOLONGNAME";
    EXPECT_EQ('N', BuildConfig(config)[23]) << "eight characters at most";
    EXPECT_EQ(0, BuildConfig(config)[24]);

    ParsedConfig full = ParseConfig(record.data(), record.size());
    EXPECT_TRUE(full.complete);
    EXPECT_EQ("LASR", ParseConfig(BuildConfig({{}, "LASR"}).data(), 1072).config.driver);
    EXPECT_EQ(0x1234, full.config.numbers[kServiceInterval]);

    // 11 bytes: five whole fields, no driver name, not complete.
    ParsedConfig cut = ParseConfig(record.data(), 11);
    EXPECT_FALSE(cut.complete);
    EXPECT_TRUE(cut.present[kServiceInterval]);
    EXPECT_FALSE(cut.present[kBannerType]);
    EXPECT_FALSE(cut.present[kDriverName]);
    EXPECT_EQ("LA", ParseConfig(record.data(), 18).config.driver);
    EXPECT_FALSE(ParseConfig(nullptr, 0).present[kPrinterType]);
}

TEST(PrinterRecord, RestrictionTexts)
{
    const uint8_t ipx[] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    EXPECT_EQ("IPX: 00000001:001B2C3D4E5F", RestrictionText(0, ipx, sizeof ipx));
    EXPECT_EQ("IPX: 00000001:001B", RestrictionText(0, ipx, 6)) << "stops at the address's end";
    const uint8_t ip[] = {0x7F, 0x00, 0x00, 0x01};
    EXPECT_EQ("7F001", RestrictionText(1, ip, sizeof ip));
}

// ---- The DLL through COM -------------------------------------------------------------------

TEST(PrinterPagesDll, KeepsThePageDllContract)
{
    // The restricted identity may not read the configuration.
    ExpectPageDllContract(kDll, {"Printer", "Corvane Orrel Printer Properties", kLaser,
                                 {"Identification", "Assignments", "Configuation", "Features"},
                                 {"Identification", "Assignments", "Features"}});
}

// ---- Identification and Assignments ----------------------------------------------------------

TEST(PrinterIdentificationPage, ShowsItsValuesAndAppliesTheEditedOnes)
{
    PrinterSheet s(kLaser);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{"Sales laser"}, ComboTexts(GetDlgItem(page, IDC_IDENT_OTHER_NAMES)));
    EXPECT_EQ(Texts{".MStone.Sales.Corp"}, ComboTexts(GetDlgItem(page, IDC_IDENT_OWNER)));
    EXPECT_FALSE(IsEnabled(page, IDC_IDENT_EDIT_OWNER));
    EXPECT_EQ("Laser printer by the Sales entrance", ItemText(page, IDC_IDENT_DESCRIPTION));
    EXPECT_EQ((Texts{"01020304:00001B2C3D4E:0451", "127.0.0.1"}),
              ComboTexts(GetDlgItem(page, IDC_IDENT_NETWORK_ADDRESS)));
    EXPECT_EQ(Texts{"Sales"}, ComboTexts(GetDlgItem(page, IDC_IDENT_DEPARTMENT)));

    SetText(page, IDC_IDENT_DESCRIPTION, "Laser printer, first floor");
    EditList(page, IDC_IDENT_EDIT_LOCATION, "Edit: Location", {"Cambridge"});
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(Strings({"Laser printer, first floor"}), s.image.Values(kLaser, "Description"));
    EXPECT_EQ(Strings({"Boston", "Cambridge"}), s.image.Values(kLaser, "L"));
    EXPECT_EQ(2u, s.image.Values(kLaser, "Network Address").size()) << "never written";
}

TEST(PrinterAssignmentsPage, MarksTheDefaultQueueWhateverItsLetterCase)
{
    PrinterSheet s(kLaser);
    HWND page = s.sheet.Page(1);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(".ORREL-PS1.Corp", ItemText(page, IDC_ASSIGN_PRINT_SERVER));
    EXPECT_TRUE(IsReadOnly(page, IDC_ASSIGN_PRINT_SERVER));
    HWND list = GetDlgItem(page, IDC_ASSIGN_QUEUES);
    EXPECT_EQ((Texts{"*", ""}), ListViewTexts(list, 0));
    EXPECT_EQ((Texts{"1", "2"}), ListViewTexts(list, 1));
    EXPECT_EQ((Texts{".Laser-Q.Sales.Corp", ".Draft-Q.Sales.Corp"}), ListViewTexts(list, 2));
}

// ---- Configuation ------------------------------------------------------------------------------

TEST(PrinterConfigurationPage, ShowsTheRecordAndWritesItBackWhole)
{
    PrinterSheet s(kLaser);
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(1, ComboSelection(page, IDC_CONFIG_PRINTER_TYPE)) << "Parallel";
    EXPECT_FALSE(IsEnabled(page, IDC_CONFIG_PRINTER_TYPE));
    EXPECT_EQ("0", ItemText(page, IDC_CONFIG_STARTING_FORM));
    EXPECT_EQ("3", ItemText(page, IDC_CONFIG_BUFFER_SIZE));
    EXPECT_EQ("5", ItemText(page, IDC_CONFIG_SERVICE_INTERVAL));
    EXPECT_EQ(0, ComboSelection(page, IDC_CONFIG_BANNER_TYPE));
    EXPECT_EQ(0, ComboSelection(page, IDC_CONFIG_SERVICE_MODE));
    EXPECT_EQ("LASR", ItemText(page, IDC_CONFIG_DRIVER));
    EXPECT_EQ("IPX: 00000001:001B2C3D4E5F", ItemText(page, IDC_CONFIG_RESTRICTION));
    EXPECT_FALSE(IsVisible(page, IDC_CONFIG_RESTRICTION));
    EXPECT_FALSE(s.sheet.ApplyEnabled());

    EXPECT_EQ(8, SendDlgItemMessageA(page, IDC_CONFIG_DRIVER, EM_GETLIMITTEXT, 0, 0));
    SetText(page, IDC_CONFIG_DRIVER, "HPLJ4SIX");
    SetText(page, IDC_CONFIG_DRIVER, "HPLJ");
    SetText(page, IDC_CONFIG_SERVICE_INTERVAL, "65535");
    SelectCombo(page, IDC_CONFIG_BANNER_TYPE, 1);
    SelectCombo(page, IDC_CONFIG_SERVICE_MODE, 3);
    ASSERT_TRUE(s.sheet.Apply());
    std::vector<uint8_t> stored = StoredRecord(s.image, kLaser);
    ASSERT_EQ(1072u, stored.size());
    EXPECT_EQ(1, stored[0]) << "the printer type is kept";
    EXPECT_EQ(3, stored[6]) << "service mode";
    EXPECT_EQ(0xFF, stored[8]);
    EXPECT_EQ(0xFF, stored[9]);
    EXPECT_EQ(1, stored[10]) << "banner type";
    EXPECT_EQ(std::vector<uint8_t>({'H', 'P', 'L', 'J', 0, 0, 0, 0}),
              std::vector<uint8_t>(stored.begin() + 16, stored.begin() + 24));
    EXPECT_EQ(std::vector<uint8_t>(1048, 0), std::vector<uint8_t>(stored.begin() + 24, stored.end()));
    EXPECT_FALSE(s.image.Values(kLaser, "Network Address Restriction").is_null());
}

TEST(PrinterConfigurationPage, AnIndexWithoutAnEntryIsKeptAsItWas)
{
    // Banner type 7: no entry of the list shows it.
    PrinterSheet s(kLaser, false, [](nlohmann::json& i) {
        std::string hex = SampleImage::Attributes(i, kLaser)["Printer Configuration"][0];
        hex.replace(20, 2, "07");
        SampleImage::Attributes(i, kLaser)["Printer Configuration"][0] = hex;
    });
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(CB_ERR, ComboSelection(page, IDC_CONFIG_BANNER_TYPE));
    SetText(page, IDC_CONFIG_STARTING_FORM, "2");
    ASSERT_TRUE(s.sheet.Apply());
    std::vector<uint8_t> stored = StoredRecord(s.image, kLaser);
    ASSERT_EQ(1072u, stored.size());
    EXPECT_EQ(2, stored[2]);
    EXPECT_EQ(7, stored[10]) << "the banner type was not reset";
}

TEST(PrinterConfigurationPage, ANumberBeyondSixteenBitsIsRefusedNotCut)
{
    PrinterSheet s(kLaser);
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    SetText(page, IDC_CONFIG_BUFFER_SIZE, "65536");
    std::string told;
    ModalScript script({[&] {
        HWND box = FindDialog("Halvet Services");
        if (!box) return false;
        told = StaticTexts(box);
        Click(box, IDOK);
        return true;
    }});
    EXPECT_FALSE(s.sheet.Apply());
    EXPECT_TRUE(script.Done());
    EXPECT_NE(std::string::npos, told.find("65536")) << told;
    EXPECT_NE(std::string::npos, told.find("65535")) << told;
    EXPECT_EQ(3, StoredRecord(s.image, kLaser).at(4)) << "the stored record is unchanged";
}

TEST(PrinterConfigurationPage, AShortRecordShowsWhatItHoldsAndCannotBeChanged)
{
    PrinterSheet s(kOld);
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(2, ComboSelection(page, IDC_CONFIG_PRINTER_TYPE)) << "Serial";
    EXPECT_EQ("1", ItemText(page, IDC_CONFIG_BUFFER_SIZE));
    EXPECT_EQ("30", ItemText(page, IDC_CONFIG_SERVICE_INTERVAL));
    EXPECT_EQ("", ItemText(page, IDC_CONFIG_DRIVER)) << "beyond the record's end";
    for (int id : {IDC_CONFIG_SERVICE_INTERVAL, IDC_CONFIG_BUFFER_SIZE, IDC_CONFIG_STARTING_FORM,
                   IDC_CONFIG_DRIVER})
        EXPECT_TRUE(IsReadOnly(page, id)) << id;
    for (int id : {IDC_CONFIG_BANNER_TYPE, IDC_CONFIG_SERVICE_MODE})
        EXPECT_FALSE(IsEnabled(page, id)) << id;
    SelectCombo(page, IDC_CONFIG_BANNER_TYPE, 1);
    EXPECT_FALSE(s.sheet.ApplyEnabled()) << "no change can be made";
    EXPECT_EQ(12u, StoredRecord(s.image, kOld).size());
}

// ---- Features --------------------------------------------------------------------------------

TEST(PrinterFeaturesPage, ListsAndMemoryApply)
{
    PrinterSheet s(kLaser);
    HWND page = s.sheet.Page(3);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Texts{"PostScript", "PCL"}), ComboTexts(GetDlgItem(page, IDC_FEATURES_LANGUAGE)));
    EXPECT_EQ("4096", ItemText(page, IDC_FEATURES_MEMORY));
    EXPECT_EQ(Texts{"Forms A"}, ComboTexts(GetDlgItem(page, IDC_FEATURES_CARTRIDGES)));
    SetText(page, IDC_FEATURES_MEMORY, "8192");
    EditList(page, IDC_FEATURES_EDIT_LANGUAGE, "Edit: Page description language", {"HPGL"});
    EditList(page, IDC_FEATURES_EDIT_TYPEFACES, "Edit: Supported type faces", {"Gothic"});
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(nlohmann::json::array({8192}), s.image.Values(kLaser, "Memory"));
    EXPECT_EQ(Strings({"PostScript", "PCL", "HPGL"}),
              s.image.Values(kLaser, "Page Description Language"));
    EXPECT_EQ(Strings({"Courier", "Roman", "Sans", "Gothic"}),
              s.image.Values(kLaser, "Supported Typefaces"));
}

TEST(PrinterFeaturesPage, TheRestrictedIdentitySeesButCannotEdit)
{
    PrinterSheet s(kLaser, true);
    HWND page = s.sheet.Page(2);  // Identification, Assignments, Features
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("4096", ItemText(page, IDC_FEATURES_MEMORY));
    EXPECT_TRUE(IsReadOnly(page, IDC_FEATURES_MEMORY));
    EXPECT_FALSE(IsEnabled(page, IDC_FEATURES_EDIT_TYPEFACES));
}

TEST(PrinterPagesScreenshots, EveryPageIsDrawnAndSaved)
{
    PrinterSheet s(kLaser);
    ASSERT_EQ(4, s.sheet.PageCount());
    EXPECT_EQ(4u, SaveSheetPages(s.sheet, "printer-pages-screens").size());
}

TEST(PrinterPagesInTheShell, ThePropertiesCommandOpensTheSheetOnItsOwnThread)
{
    SampleImage image;
    CommandSheet sheet(kDll, "Printer", kLaser);
    ASSERT_NE(nullptr, sheet.Handle());
    EXPECT_EQ((Texts{"Identification", "Assignments", "Configuation", "Features"}), sheet.Captions());
    std::size_t colours = 0;
    EXPECT_TRUE(SaveScreenshot(sheet.Handle(), BinPath("..\\printer-pages-screens\\properties-command.png"),
                               &colours));
    EXPECT_GE(colours, 8u);
}

}  // namespace
