// OrrelVolumePages: its figures as pure code, the DLL through COM, and its
// three pages driven in a property sheet against a copy of the sample, whose
// servers report the usage, extended information and name spaces.
#include <gtest/gtest.h>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "resource.h"
#include "volumefigures.h"

namespace {

using namespace pagetest;
using orrel::volumepages::DescribeExtended;
using orrel::volumepages::DescribeUsage;
using orrel::volumepages::NameSpaceTexts;

// {0FEC5133-2800-11D3-8685-00A0C9D59E71}
const CLSID kClsid = {0x0FEC5133, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const PageDll kDll("OrrelVolumePages.dll", kClsid);

const char kSys[] = "ORREL-FS1_SYS.Corp";    // 1000 blocks of 4 KB, no compression
const char kData[] = "ORREL-FS1_DATA.Corp";  // compressed
const char kFs2Sys[] = "ORREL-FS2_SYS.Engineering.Corp";  // server 4.11, name spaces 0 4 9

// The sample's servers, for patches.
nlohmann::json& Volume(nlohmann::json& image, const char* server, const char* volume)
{
    for (auto& s : image["servers"])
        if (s["name"] == server)
            for (auto& v : s["volumes"])
                if (v["name"] == volume) return v;
    throw std::runtime_error("no such volume");
}

// The texts of the process's number locale, as the pages use it.
std::string Amount(const char* digits)
{
    char thousand[8] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    std::string out;
    for (const char* p = digits; *p; ++p) out += *p == ',' ? std::string(thousand) : std::string(1, *p);
    return out;
}
std::string Percent(const char* text)
{
    char decimal[17] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    std::string out = text;
    out.replace(out.find('.'), 1, decimal);
    return out;
}

struct VolumeSheet {
    explicit VolumeSheet(const char* object,
                         const std::function<void(nlohmann::json&)>& patch = nullptr,
                         bool second = false)
        : image(patch),
          handler((SampleImage::UseSecondIdentity(second), kDll.MakeHandler("Volume", {object}))),
          sheet(handler.Get(), "Volume Properties")
    {
    }
    SampleImage image;
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
};

// ---- Pure figures -------------------------------------------------------------------

TEST(VolumeFigures, UsageOfTheSpecifiedExampleAndZeroTotals)
{
    orrel::pages::NumberLocale locale;
    HALVET_VOLUME_USAGE u = {};
    u.totalBlocks = 1000;
    u.freeBlocks = 250;
    u.purgeableBlocks = 125;
    u.sectorsPerBlock = 8;
    u.totalDirEntries = 4096;
    u.availableDirEntries = 1024;
    auto t = DescribeUsage(u, locale);
    EXPECT_EQ("4", t.blockSize);
    EXPECT_EQ("4,000", t.total);
    EXPECT_EQ("25.0%", t.freePercent);
    EXPECT_EQ("12.5%", t.purgeablePercent);
    EXPECT_EQ("62.5%", t.usedPercent);
    EXPECT_EQ("2,500", t.used);
    EXPECT_EQ("75.0%", t.usedEntriesPercent);
    ASSERT_EQ(3u, t.disk.size());
    EXPECT_EQ(625, t.disk[0].share);

    // Nothing to divide by: empty texts and no slices, not a fault.
    HALVET_VOLUME_USAGE zero = {};
    zero.sectorsPerBlock = 8;
    t = DescribeUsage(zero, locale);
    EXPECT_EQ("", t.total);
    EXPECT_EQ("", t.usedPercent);
    EXPECT_EQ("", t.availablePercent);
    EXPECT_TRUE(t.disk.empty());
    EXPECT_TRUE(t.entries.empty());

    HALVET_EXTENDED_VOLUME_INFO x = {};
    x.featureFlags = HALVET_VOLUME_FEATURE_COMPRESSION;
    x.sizeUnit = 4096;
    auto e = DescribeExtended(x, locale);
    EXPECT_TRUE(e.compression);
    EXPECT_EQ("", e.afterPercent) << "no data before compression";
    EXPECT_TRUE(e.pie.empty());
}

TEST(VolumeFigures, NameSpacesFollowTheServerVersion)
{
    const uint8_t ids[] = {0, 4, 9};
    EXPECT_EQ((std::vector<unsigned>{IDS_VOLUME_NS_DOS, IDS_VOLUME_NS_LONG, 0}),
              NameSpaceTexts(ids, 3, 4, 11));
    EXPECT_EQ((std::vector<unsigned>{IDS_VOLUME_NS_DOS, IDS_VOLUME_NS_OS2, 0}),
              NameSpaceTexts(ids, 3, 4, 10));
    EXPECT_EQ(IDS_VOLUME_NS_LONG, NameSpaceTexts(ids + 1, 1, 5, 0)[0]);
}

// ---- The DLL through COM ---------------------------------------------------------------

TEST(VolumePagesDll, KeepsThePageDllContract)
{
    const Texts all = {"Identification", "Statistics", "Extended Information"};
    // The restricted identity reads the host attributes: every page, read-only.
    ExpectPageDllContract(kDll, {"Volume", "Corvane Orrel Volume Properties", kSys, all, all});
}

TEST(VolumePagesDll, FigurePagesFollowTheHost)
{
    const std::vector<std::string> all = {"Identification", "Statistics", "Extended Information"};
    struct Case {
        const char* object;
        bool second;
        std::vector<std::string> captions;
    } const cases[] = {
        {kFs2Sys, false, all},
        {"Archive.Corp", false, {"Identification"}},  // no "Host Server"
        {kData, true, all},
    };
    SampleImage image;
    for (const Case& c : cases) {
        SampleImage::UseSecondIdentity(c.second);
        auto handler = kDll.MakeHandler("Volume", {c.object});
        Sheet sheet(handler.Get());
        EXPECT_EQ(c.captions, sheet.Captions()) << c.object;
    }
    // A host server that cannot be reached hides the figure pages.
    SampleImage moved([](nlohmann::json& i) {
        SampleImage::Attributes(i, kSys)["Host Server"] = {"ORREL-PS1.Corp"};
    });
    auto handler = kDll.MakeHandler("Volume", {kSys});
    Sheet sheet(handler.Get());
    EXPECT_EQ(std::vector<std::string>{"Identification"}, sheet.Captions());
}

// ---- Identification -----------------------------------------------------------------------

TEST(VolumeIdentificationPage, ShowsTheHostAndAppliesItsLists)
{
    VolumeSheet s(kSys);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{}, ComboTexts(GetDlgItem(page, IDC_IDENT_OTHER_NAMES))) << "naming value hidden";
    EXPECT_EQ(Texts{"Boston"}, ComboTexts(GetDlgItem(page, IDC_IDENT_LOCATION)));
    EXPECT_EQ(Texts{"Corp"}, ComboTexts(GetDlgItem(page, IDC_IDENT_ORGANIZATION)));
    EXPECT_EQ(".ORREL-FS1.Corp", ItemText(page, IDC_IDENT_HOST_SERVER));
    EXPECT_EQ("SYS", ItemText(page, IDC_IDENT_HOST_VOLUME));
    EXPECT_TRUE(IsReadOnly(page, IDC_IDENT_HOST_SERVER));
    EXPECT_TRUE(IsReadOnly(page, IDC_IDENT_HOST_VOLUME));
    EXPECT_FALSE(s.sheet.ApplyEnabled());

    EXPECT_EQ(Texts{}, EditList(page, IDC_IDENT_EDIT_OTHER_NAMES, "Edit: Other Names", {"System"}));
    EditList(page, IDC_IDENT_EDIT_LOCATION, "Edit: Location", {"Cambridge"});
    // An empty entry is taken by the editor and left out on Apply.
    EditList(page, IDC_IDENT_EDIT_DEPARTMENT, "Edit: Department", {"IT", ""});
    EXPECT_TRUE(s.sheet.ApplyEnabled());
    ASSERT_TRUE(s.sheet.Apply());
    EXPECT_EQ(Strings({"ORREL-FS1_SYS", "System"}), s.image.Values(kSys, "CN"));
    EXPECT_EQ(Strings({"Boston", "Cambridge"}), s.image.Values(kSys, "L"));
    EXPECT_EQ(Strings({"IT"}), s.image.Values(kSys, "OU"));
    EXPECT_EQ(Strings({"Corp"}), s.image.Values(kSys, "O"));
}

TEST(VolumeIdentificationPage, TheRestrictedIdentityCannotEdit)
{
    VolumeSheet s(kSys, nullptr, true);
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{"Boston"}, ComboTexts(GetDlgItem(page, IDC_IDENT_LOCATION)));
    for (int id : {IDC_IDENT_EDIT_OTHER_NAMES, IDC_IDENT_EDIT_LOCATION,
                   IDC_IDENT_EDIT_ORGANIZATION, IDC_IDENT_EDIT_DEPARTMENT})
        EXPECT_FALSE(IsEnabled(page, id)) << id;
}

TEST(VolumeIdentificationPage, AListThatCameOnlyInPartIsShownEmptyAndCannotBeEdited)
{
    // "L" made a case-ignore list (syntax 6) whose second value does not
    // fit a reply of its own: the read fails after the first value came.
    VolumeSheet s(kSys, [](nlohmann::json& i) {
        for (auto& tree : i["trees"]) {
            for (auto& a : tree["schema"]["attributes"])
                if (a["name"] == "L") a["syntax"] = 6;
            for (auto& o : tree["objects"])
                if (o["attributes"].contains("L"))
                    for (auto& v : o["attributes"]["L"]) v = nlohmann::json::array({v});
        }
        nlohmann::json big = nlohmann::json::array();
        for (int k = 0; k < 20; ++k) big.push_back(std::string(4000, 'x'));
        SampleImage::Attributes(i, kSys)["L"] =
            nlohmann::json::array({nlohmann::json::array({"Boston"}), big});
    });
    HWND page = s.sheet.Page(0);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(Texts{}, ComboTexts(GetDlgItem(page, IDC_IDENT_LOCATION)));
    EXPECT_FALSE(IsEnabled(page, IDC_IDENT_EDIT_LOCATION));
    EXPECT_TRUE(IsEnabled(page, IDC_IDENT_EDIT_ORGANIZATION)) << "the other lists are whole";
    EXPECT_EQ(2u, s.image.Values(kSys, "L").size());
}

// ---- Statistics ----------------------------------------------------------------------------

TEST(VolumeStatisticsPage, ShowsTheServersUsageFiguresAndPies)
{
    VolumeSheet s(kSys);
    HWND page = s.sheet.Page(1);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("0", ItemText(page, IDC_STATS_VOLUME_NUMBER));
    EXPECT_EQ("4", ItemText(page, IDC_STATS_BLOCK_SIZE));
    EXPECT_EQ(Amount("4,000"), ItemText(page, IDC_STATS_TOTAL_SPACE));
    EXPECT_EQ(Amount("2,500"), ItemText(page, IDC_STATS_USED_SPACE));
    EXPECT_EQ(Percent("62.5%"), ItemText(page, IDC_STATS_USED_PERCENT));
    EXPECT_EQ(Amount("1,000"), ItemText(page, IDC_STATS_FREE_SPACE));
    EXPECT_EQ(Percent("25.0%"), ItemText(page, IDC_STATS_FREE_PERCENT));
    EXPECT_EQ("500", ItemText(page, IDC_STATS_PURGEABLE_SPACE));
    EXPECT_EQ(Percent("12.5%"), ItemText(page, IDC_STATS_PURGEABLE_PERCENT));
    EXPECT_EQ(Amount("4,096"), ItemText(page, IDC_STATS_TOTAL_ENTRIES));
    EXPECT_EQ(Amount("3,072"), ItemText(page, IDC_STATS_USED_ENTRIES));
    EXPECT_EQ(Percent("75.0%"), ItemText(page, IDC_STATS_USED_ENTRIES_PERCENT));
    EXPECT_EQ(Amount("1,024"), ItemText(page, IDC_STATS_AVAILABLE_ENTRIES));
    EXPECT_EQ(Percent("25.0%"), ItemText(page, IDC_STATS_AVAILABLE_PERCENT));

    // Used (62.5%) fills the upper half in blue; free (25%) follows in
    // magenta to the lower right, purgeable (12.5%) in green before 3 o'clock.
    int w = 0, h = 0;
    std::vector<COLORREF> pie = PrintClient(GetDlgItem(page, IDC_STATS_DISK_PIE), &w, &h);
    ASSERT_GT(w, 40);
    ASSERT_GT(h, 40);
    const int cx = (w - 1) / 2, cy = (h - 10 - 1) / 2;
    auto at = [&](int x, int y) { return pie[static_cast<std::size_t>(y) * w + x]; };
    EXPECT_EQ(RGB(0, 0, 255), at(cx, cy / 2)) << "used";
    EXPECT_EQ(RGB(255, 0, 255), at(cx + cx / 4, cy + (h - 10 - cy) / 2)) << "free";
    EXPECT_EQ(RGB(0, 255, 0), at(cx + (3 * cx) / 4, cy + 2)) << "purgeable";
}

TEST(VolumeStatisticsPage, AZeroTotalShowsEmptyFiguresAndAnEmptyPie)
{
    VolumeSheet s(kSys, [](nlohmann::json& i) {
        auto& usage = Volume(i, "ORREL-FS1", "SYS")["usage"];
        usage["totalBlocks"] = 0;
        usage["freeBlocks"] = 0;
        usage["purgeableBlocks"] = 0;
        usage["totalDirEntries"] = 0;
        usage["availableDirEntries"] = 0;
    });
    HWND page = s.sheet.Page(1);
    ASSERT_NE(nullptr, page);
    for (int id : {IDC_STATS_TOTAL_SPACE, IDC_STATS_USED_PERCENT, IDC_STATS_FREE_PERCENT,
                   IDC_STATS_TOTAL_ENTRIES, IDC_STATS_AVAILABLE_PERCENT})
        EXPECT_EQ("", ItemText(page, id)) << id;
    int w = 0, h = 0;
    std::vector<COLORREF> pie = PrintClient(GetDlgItem(page, IDC_STATS_ENTRIES_PIE), &w, &h);
    ASSERT_FALSE(pie.empty());
    for (COLORREF c : pie) ASSERT_EQ(GetSysColor(COLOR_BTNFACE), c);
}

// ---- Extended Information ----------------------------------------------------------------

TEST(VolumeExtendedPage, ShowsFeaturesCompressionAndNameSpaces)
{
    VolumeSheet s(kData);
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Texts{"Suballocation", "Data Compression", "Data Migration", "Auditing"}),
              ListBoxTexts(GetDlgItem(page, IDC_EXT_FEATURES)));
    EXPECT_EQ(Amount("8,000"), ItemText(page, IDC_EXT_BEFORE));
    EXPECT_EQ(Amount("6,000"), ItemText(page, IDC_EXT_AFTER));
    EXPECT_EQ(Percent("75.0%"), ItemText(page, IDC_EXT_AFTER_PERCENT));
    EXPECT_EQ(Amount("2,000"), ItemText(page, IDC_EXT_SAVINGS));
    EXPECT_EQ(Percent("25.0%"), ItemText(page, IDC_EXT_SAVINGS_PERCENT));
    EXPECT_TRUE(IsEnabled(page, IDC_EXT_BEFORE));
    EXPECT_EQ((Texts{"DOS", "LONG"}), ListBoxTexts(GetDlgItem(page, IDC_EXT_NAME_SPACES)));
}

TEST(VolumeExtendedPage, WithoutCompressionTheGroupIsOffAndNameSpacesFollowTheVersion)
{
    {
        VolumeSheet s(kFs2Sys);  // server 4.11
        HWND page = s.sheet.Page(2);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(Texts{"Read Only"}, ListBoxTexts(GetDlgItem(page, IDC_EXT_FEATURES)));
        EXPECT_FALSE(IsEnabled(page, IDC_EXT_BEFORE));
        EXPECT_FALSE(IsEnabled(page, IDC_EXT_COMPRESSION_GROUP));
        EXPECT_EQ((Texts{"DOS", "LONG", ""}), ListBoxTexts(GetDlgItem(page, IDC_EXT_NAME_SPACES)));
        int w = 0, h = 0;
        std::vector<COLORREF> pie = PrintClient(GetDlgItem(page, IDC_EXT_COMPRESSION_PIE), &w, &h);
        ASSERT_FALSE(pie.empty());
        EXPECT_EQ(RGB(127, 127, 127), pie[static_cast<std::size_t>((h - 10) / 2) * w + w / 2])
            << "one grey slice";
    }
    VolumeSheet s(kFs2Sys, [](nlohmann::json& i) {
        for (auto& server : i["servers"])
            if (server["name"] == "ORREL-FS2") server["version"]["minor"] = 10;
    });
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Texts{"DOS", "OS2", ""}), ListBoxTexts(GetDlgItem(page, IDC_EXT_NAME_SPACES)));
}

TEST(VolumeExtendedPage, NoDataBeforeCompressionShowsEmptyFigures)
{
    VolumeSheet s(kData, [](nlohmann::json& i) {
        Volume(i, "ORREL-FS1", "DATA")["extended"]["dataBeforeCompression"] = 0;
    });
    HWND page = s.sheet.Page(2);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("", ItemText(page, IDC_EXT_BEFORE));
    EXPECT_EQ("", ItemText(page, IDC_EXT_AFTER_PERCENT));
    EXPECT_EQ("", ItemText(page, IDC_EXT_SAVINGS_PERCENT));
}

TEST(VolumePagesScreenshots, EveryPageIsDrawnAndSaved)
{
    VolumeSheet s(kData);
    ASSERT_EQ(3, s.sheet.PageCount());
    EXPECT_EQ(3u, SaveSheetPages(s.sheet, "volume-pages-screens").size());
}

TEST(VolumePagesInTheShell, ThePropertiesCommandOpensTheSheetOnItsOwnThread)
{
    SampleImage image;
    CommandSheet sheet(kDll, "Volume", kData);
    ASSERT_NE(nullptr, sheet.Handle());
    EXPECT_EQ((Texts{"Identification", "Statistics", "Extended Information"}), sheet.Captions());
    std::size_t colours = 0;
    EXPECT_TRUE(SaveScreenshot(sheet.Handle(), BinPath("..\\volume-pages-screens\\properties-command.png"),
                               &colours));
    EXPECT_GE(colours, 8u);
}

}  // namespace
