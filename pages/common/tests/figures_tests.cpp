// The usage figures and the pie chart: number and percentage texts, the
// slices' angles as pure code, and the chart's drawing as pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include "orrel/pages/figures.h"
#include "orrel/pages/piechart.h"
#include "pages_testing.h"

namespace {

using namespace orrel::pages;

TEST(Figures, AmountsAreGroupedByTheLocaleAndZeroIsEmpty)
{
    NumberLocale us;
    EXPECT_EQ("", GroupedAmount(0, us));
    EXPECT_EQ("999", GroupedAmount(999, us));
    EXPECT_EQ("1,000", GroupedAmount(1000, us));
    EXPECT_EQ("4,294,967,296", GroupedAmount(4294967296ull, us));
    NumberLocale other;
    other.thousand = ".";
    other.grouping = 4;
    EXPECT_EQ("12.3456.7890", GroupedAmount(1234567890, other));
    other.grouping = 0;
    EXPECT_EQ("1234567890", GroupedAmount(1234567890, other));
}

TEST(Figures, PercentagesAreRoundedTenthsAndAZeroWholeGivesNone)
{
    long t = -1;
    ASSERT_TRUE(PercentTenths(250, 1000, &t));
    EXPECT_EQ(250, t);
    ASSERT_TRUE(PercentTenths(1, 3, &t));
    EXPECT_EQ(333, t);
    ASSERT_TRUE(PercentTenths(2, 3, &t));
    EXPECT_EQ(667, t);
    EXPECT_FALSE(PercentTenths(5, 0, &t));
    NumberLocale locale;
    EXPECT_EQ("37.5%", PercentText(375, locale));
    EXPECT_EQ("100.0%", PercentText(1000, locale));
    locale.decimal = ",";
    EXPECT_EQ("0,5%", PercentText(5, locale));
}

TEST(Figures, SlicesFollowEachOtherAndTheLastClosesTheCircle)
{
    PieGeometry g = PieGeometry::FromClient(0, 0, 101, 71);  // ellipse 101 x 61
    EXPECT_EQ(50, g.cx);
    EXPECT_EQ(30, g.cy);
    std::vector<SliceLayout> l = LayoutPie({{625, 1}, {250, 2}, {124, 3}}, g);
    ASSERT_EQ(3u, l.size());
    EXPECT_DOUBLE_EQ(0, l[0].start);
    EXPECT_NEAR(0.625 * kTwoPi, l[0].end, 1e-9);
    EXPECT_DOUBLE_EQ(l[0].end, l[1].start);
    EXPECT_DOUBLE_EQ(kTwoPi, l[2].end) << "shares that fall short still close the circle";
    EXPECT_EQ((PiePoint{100, 30}), l[0].from) << "3 o'clock";
    for (const SliceLayout& s : l) {
        EXPECT_EQ(SliceShape::Wedge, s.shape);
        EXPECT_TRUE(s.rim) << "every slice reaches below the axis";
    }
    EXPECT_DOUBLE_EQ(kPi, l[0].rimStart);
    EXPECT_EQ(0x7Fu, LayoutPie({{1000, 0xFF}}, g)[0].rimColour);

    std::vector<SliceLayout> one = LayoutPie({{1000, 1}}, g);
    EXPECT_EQ(SliceShape::Full, one[0].shape);
    std::vector<SliceLayout> upper = LayoutPie({{250, 1}, {0, 2}, {750, 3}}, g);
    EXPECT_FALSE(upper[0].rim) << "a slice above the axis has no rim";
    EXPECT_EQ(SliceShape::Line, upper[1].shape);
    EXPECT_TRUE(LayoutPie({}, g).empty());
}

// The chart drawn by a real static control into a memory bitmap.
std::vector<COLORREF> Painted(const std::vector<PieSlice>& slices, int* w, int* h)
{
    HWND control = CreateWindowExA(0, "Static", "", WS_POPUP | SS_OWNERDRAW, 0, 0, 101, 71,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    PieChart chart;
    EXPECT_TRUE(chart.Attach(control));
    chart.SetSlices(slices);
    std::vector<COLORREF> pixels = pagetest::PrintClient(control, w, h);
    DestroyWindow(control);
    return pixels;
}

TEST(PieChart, SlicesAreFilledInTheirColoursWithADarkerRimBelow)
{
    int w = 0, h = 0;
    std::vector<COLORREF> p =
        Painted({{500, RGB(0, 0, 255)}, {500, RGB(255, 0, 255)}}, &w, &h);
    ASSERT_EQ(101 * 71, static_cast<int>(p.size()));
    auto at = [&](int x, int y) { return p[static_cast<std::size_t>(y) * w + x]; };
    EXPECT_EQ(RGB(0, 0, 255), at(70, 15)) << "upper half: the first slice";
    EXPECT_EQ(RGB(255, 0, 255), at(30, 45)) << "lower half: the second";
    EXPECT_EQ(RGB(0x7F, 0, 0x7F), at(50, 66)) << "the rim under the lower half";
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), at(1, 1)) << "outside the pie";
    EXPECT_EQ(RGB(0, 0, 0), at(50, 0)) << "outlined in black";

    std::vector<COLORREF> empty = Painted({}, &w, &h);
    for (COLORREF c : empty) ASSERT_EQ(GetSysColor(COLOR_BTNFACE), c) << "no slices: no pie";
}

}  // namespace
