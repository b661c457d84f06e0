// The pure rules of the User pages: where the time grid draws each half
// hour, how a short time map is read, and what the Login Account and
// Password pages show for every combination of values.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "halvet/dirtypes.h"
#include "timemap.h"
#include "userdisplay.h"

namespace {

using namespace orrel::userpages;

TEST(TimeGridMapping, HalfHourLandsInTheCellOfItsLocalTime)
{
    struct Case {
        long bias;  // minutes, as GetTimeZoneInformation gives it
        int bit;
        int column, row;
    };
    const Case cases[] = {
        {0, 0, 0, 0},          // Sunday 00:00 UTC in UTC
        {-60, 0, 0, 2},        // one hour east: Sunday 01:00
        {300, 0, 6, 38},       // five hours west: Saturday 19:00
        {300, 10, 0, 0},       // Sunday 05:00 UTC is local midnight
        {-330, 335, 0, 10},    // half-hour zone: Saturday 23:30 UTC is Sunday 05:00
        {-840, 320, 0, 12},    // UTC+14: Saturday 16:00 UTC is Sunday 06:00
        {720, 0, 6, 24},       // UTC-12: Sunday 00:00 UTC is Saturday noon
        {-60, 335, 0, 1},      // the week's last half hour wraps to Sunday
    };
    for (const Case& c : cases) {
        GridCell cell = CellOfBit(c.bit, TimeZoneShift(c.bias));
        EXPECT_EQ(c.column, cell.column) << "bias " << c.bias << " bit " << c.bit;
        EXPECT_EQ(c.row, cell.row) << "bias " << c.bias << " bit " << c.bit;
    }
}

TEST(TimeGridMapping, EveryCellShowsExactlyOneHalfHour)
{
    for (long bias : {0L, -60L, 300L, -345L, 210L, 100000L, -100000L}) {
        int shift = TimeZoneShift(bias);
        std::vector<int> seen(kHalfHoursPerWeek, 0);
        for (int bit = 0; bit < kHalfHoursPerWeek; ++bit) {
            GridCell cell = CellOfBit(bit, shift);
            ASSERT_TRUE(cell.column >= 0 && cell.column < 7 && cell.row >= 0 && cell.row < 48)
                << "bias " << bias << " bit " << bit << " -> " << cell.column << "," << cell.row;
            ++seen[cell.column * 48 + cell.row];
            EXPECT_EQ(bit, BitOfCell(cell, shift)) << "bias " << bias;
        }
        for (int c = 0; c < kHalfHoursPerWeek; ++c) EXPECT_EQ(1, seen[c]) << "cell " << c;
    }
}

TEST(TimeGridGeometry, CellsAndClosingLinesFitTheClientArea)
{
    struct Case {
        int width, height, cellWidth, cellHeight;
    } const cases[] = {{243, 242, 34, 5}, {245, 241, 34, 5}, {246, 240, 35, 4}, {7, 48, 0, 0}, {0, 0, 0, 0}};
    for (const auto& c : cases) {
        GridGeometry g = GridGeometry::ForClient(c.width, c.height);
        EXPECT_EQ(c.cellWidth, g.cellWidth) << c.width << "x" << c.height;
        EXPECT_EQ(c.cellHeight, g.cellHeight) << c.width << "x" << c.height;
        if (!g.Empty()) {
            EXPECT_LT(g.Width(), c.width);  // the right line is inside
            EXPECT_LT(g.Height(), c.height);
        }
    }
    int l, t, r, b;
    GridGeometry::ForClient(243, 242).CellInterior({6, 47}, &l, &t, &r, &b);
    EXPECT_EQ(205, l);  // one pixel in from the column's line at 204
    EXPECT_EQ(236, t);
    EXPECT_EQ(238, r);  // up to the closing line at 238
    EXPECT_EQ(240, b);
}

// A value placed at the very end of a readable page: reading one byte past
// it faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<std::uint8_t>& bytes)
    {
        base_ = static_cast<std::uint8_t*>(
            VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old);
        data_ = base_ + kPage - bytes.size();
        std::copy(bytes.begin(), bytes.end(), data_);
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    const std::uint8_t* Data() const { return data_; }

private:
    static constexpr std::size_t kPage = 4096;
    std::uint8_t* base_;
    std::uint8_t* data_;
};

TEST(TimeMapValue, ShortValueIsNeverReadPastItsEndAndMissingHalfHoursAreRestricted)
{
    GuardedBytes bytes({0xFF, 0x01, 0x80});
    TimeMap map(bytes.Data(), 3);
    for (int bit = 0; bit < 8; ++bit) EXPECT_TRUE(map.Allowed(bit)) << bit;
    EXPECT_TRUE(map.Allowed(8));
    EXPECT_FALSE(map.Allowed(9));
    EXPECT_TRUE(map.Allowed(23));
    for (int bit = 24; bit < kHalfHoursPerWeek; ++bit) EXPECT_FALSE(map.Allowed(bit)) << bit;
    EXPECT_FALSE(map.Allowed(-1));
    EXPECT_FALSE(map.Allowed(kHalfHoursPerWeek));

    TimeMap empty(nullptr, 0);
    EXPECT_TRUE(empty.HasValue());
    EXPECT_FALSE(empty.Allowed(0));

    std::vector<std::uint8_t> longer(60, 0xFF);
    EXPECT_EQ(kTimeMapBytes, TimeMap(longer.data(), longer.size()).Bytes().size());

    TimeMap none;
    for (int bit = 0; bit < kHalfHoursPerWeek; ++bit) ASSERT_TRUE(none.Allowed(bit)) << bit;
}

// A directory of first values for the displays; records which attributes
// were read.
struct FakeValues {
    std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> values;  // syntax, raw
    mutable std::vector<std::string> reads;
    ValueReader Reader() const
    {
        return [this](const char* attribute, std::uint32_t* syntax, std::uint32_t* raw) {
            reads.push_back(attribute);
            auto it = values.find(attribute);
            if (it == values.end()) return false;
            *syntax = it->second.first;
            *raw = it->second.second;
            return true;
        };
    }
    bool Read(const char* attribute) const
    {
        return std::find(reads.begin(), reads.end(), attribute) != reads.end();
    }
};

DisplayTexts Texts()
{
    DisplayTexts t;
    t.unlimited = "Unlimited";
    t.enabled = "Enabled";
    t.disabled = "Disabled";
    t.formatTime = [](std::uint32_t s) { return "T" + std::to_string(s); };
    return t;
}

constexpr std::uint32_t kBool = HALVET_SYNTAX_BOOLEAN, kInt = HALVET_SYNTAX_INTEGER,
                        kCounter = HALVET_SYNTAX_COUNTER, kTime = HALVET_SYNTAX_TIME,
                        kInterval = HALVET_SYNTAX_INTERVAL;

TEST(LoginAccountDisplay, FullAccountShowsEveryValue)
{
    FakeValues v;
    v.values = {{"Last Login Time", {kTime, 100}},         {"Login Expiration Time", {kTime, 200}},
                {"Login Grace Limit", {kInt, 6}},          {"Login Grace Remaining", {kCounter, 3}},
                {"Login Maximum Simultaneous", {kInt, 2}}, {"Login Disabled", {kBool, 0}},
                {"Allow Unlimited Credit", {kBool, 0}},    {"Minimum Account Balance", {kInt, 0xFFFFFFF6u}},
                {"Account Balance", {kCounter, 1030}}};
    AccountDisplay d = DescribeLoginAccount(v.Reader(), Texts());
    EXPECT_EQ("T100", d.lastLogin);
    EXPECT_EQ("T200", d.expiration);
    EXPECT_EQ("6", d.graceLimit);
    EXPECT_EQ("3", d.graceRemaining);
    EXPECT_EQ("2", d.maxLogins);
    EXPECT_EQ("Enabled", d.status);
    EXPECT_EQ("-10", d.lowLimit);
    EXPECT_EQ("1030", d.balance);
    EXPECT_TRUE(d.graceRemainingLabelEnabled);
    EXPECT_TRUE(d.balanceLabelEnabled);
}

TEST(LoginAccountDisplay, MissingAndWronglyTypedValuesGiveTheDefaults)
{
    FakeValues v;  // nothing readable but a disabled login
    v.values = {{"Login Disabled", {kBool, 1}}, {"Login Grace Remaining", {kCounter, 3}},
                {"Login Expiration Time", {kInt, 5}}};
    AccountDisplay d = DescribeLoginAccount(v.Reader(), Texts());
    EXPECT_EQ("", d.lastLogin);
    EXPECT_EQ("Unlimited", d.expiration);  // wrong syntax counts as unreadable
    EXPECT_EQ("Unlimited", d.graceLimit);
    EXPECT_EQ("", d.graceRemaining);
    EXPECT_FALSE(v.Read("Login Grace Remaining")) << "read although the limit was unreadable";
    EXPECT_FALSE(d.graceRemainingLabelEnabled);
    EXPECT_EQ("Unlimited", d.maxLogins);
    EXPECT_EQ("Disabled", d.status);
    EXPECT_EQ("Unlimited", d.lowLimit);  // credit unreadable
    EXPECT_EQ("", d.balance);
    EXPECT_TRUE(d.balanceLabelEnabled);
    EXPECT_FALSE(v.Read("Account Balance"));
}

TEST(LoginAccountDisplay, UnlimitedCreditGreysTheBalance)
{
    FakeValues v;
    v.values = {{"Allow Unlimited Credit", {kBool, 1}}, {"Account Balance", {kCounter, 5}}};
    AccountDisplay d = DescribeLoginAccount(v.Reader(), Texts());
    EXPECT_EQ("Unlimited", d.lowLimit);
    EXPECT_EQ("", d.balance);
    EXPECT_FALSE(d.balanceLabelEnabled);
    EXPECT_FALSE(v.Read("Minimum Account Balance"));
}

TEST(PasswordDisplay, ChecksTextsAndEnablingFollowTheRules)
{
    struct Case {
        const char* name;
        std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> values;
        bool allow, required, periodic, unique;
        const char *minLength, *days, *expires;
        bool button, minLabel, groups, periodLabels;
    } const cases[] = {
        {"all set",
         {{"Password Allow Change", {kBool, 1}}, {"Password Required", {kBool, 1}},
          {"Password Minimum Length", {kInt, 8}}, {"Password Expiration Interval", {kInterval, 7776000}},
          {"Password Expiration Time", {kTime, 42}}, {"Password Unique Required", {kBool, 1}}},
         true, true, true, true, "8", "90", "T42", true, true, true, true},
        {"interval of another syntax",
         {{"Password Allow Change", {kBool, 1}}, {"Password Required", {kBool, 1}},
          {"Password Expiration Interval", {kInt, 86400}}},
         true, true, true, false, "", "", "", true, true, true, true},
        {"no periodic change",
         {{"Password Allow Change", {kBool, 1}}, {"Password Required", {kBool, 1}}},
         true, true, false, false, "", "", "", true, true, true, false},
        {"change not allowed",
         {{"Password Allow Change", {kBool, 0}}, {"Password Required", {kBool, 1}},
          {"Password Minimum Length", {kInt, 5}}, {"Password Expiration Interval", {kInterval, 86400}}},
         false, true, false, false, "5", "", "", false, true, false, false},
        {"no password required",
         {{"Password Allow Change", {kBool, 1}}, {"Password Required", {kBool, 0}},
          {"Password Minimum Length", {kInt, 5}}},
         true, false, false, false, "", "", "", true, false, false, false},
        {"nothing readable", {}, false, false, false, false, "", "", "", false, false, false, false},
    };
    for (const Case& c : cases) {
        FakeValues v;
        v.values = c.values;
        PasswordDisplay d = DescribePassword(v.Reader(), Texts());
        EXPECT_EQ(c.allow, d.allowChange) << c.name;
        EXPECT_EQ(c.required, d.required) << c.name;
        EXPECT_EQ(c.periodic, d.periodic) << c.name;
        EXPECT_EQ(c.unique, d.unique) << c.name;
        EXPECT_EQ(c.minLength, d.minLength) << c.name;
        EXPECT_EQ(c.days, d.intervalDays) << c.name;
        EXPECT_EQ(c.expires, d.expires) << c.name;
        EXPECT_EQ(c.button, d.changeButtonEnabled) << c.name;
        EXPECT_EQ(c.minLabel, d.minLengthLabelEnabled) << c.name;
        EXPECT_EQ(c.groups, d.periodicGroupEnabled) << c.name;
        EXPECT_EQ(c.groups, d.uniqueGroupEnabled) << c.name;
        EXPECT_EQ(c.periodLabels, d.intervalLabelEnabled) << c.name;
        EXPECT_EQ(c.periodLabels, d.expiresLabelEnabled) << c.name;
    }
}

TEST(PasswordDisplay, DaysAndUserNameTexts)
{
    EXPECT_EQ("90", IntervalDaysText(7776000));
    EXPECT_EQ("0", IntervalDaysText(86399));
    EXPECT_EQ("-1", IntervalDaysText(-86400));
    EXPECT_EQ("JDoe", LeftmostNamePart(".JDoe.Sales.Corp"));
    EXPECT_EQ("Admin", LeftmostNamePart(".Admin"));
    EXPECT_EQ("JDoe", LeftmostNamePart("JDoe.Sales"));
    EXPECT_EQ("", LeftmostNamePart(""));
}

}  // namespace
