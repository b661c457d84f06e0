// Figures of the pages that show live usage (the Volume pages): amounts
// grouped by the locale's thousands separator, percentages in tenths, and
// the slices of a pie chart laid out as angles and points. Pure code: no
// <windows.h>; the locale's texts come from the caller (display.h reads
// them from the system default locale).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orrel {
namespace pages {

struct NumberLocale {
    std::string thousand = ",";  // LOCALE_STHOUSAND
    unsigned grouping = 3;       // the first number of LOCALE_SGROUPING (0: no grouping)
    std::string decimal = ".";   // LOCALE_SDECIMAL
};

// An amount with the separator before every further group of digits from
// the right; 0 gives an empty text.
std::string GroupedAmount(uint64_t value, const NumberLocale& locale);

// 1000 x part / whole + 0.5, truncated (a percentage in tenths); false when
// whole is 0.
bool PercentTenths(uint64_t part, uint64_t whole, long* tenths);
// "%ld%s%ld%%" of tenths / 10, the decimal separator and tenths mod 10
// (375 -> "37.5%"); negative values keep their sign on the whole part.
std::string PercentText(long tenths, const NumberLocale& locale);

// ---- Pie chart -------------------------------------------------------------------

// One slice: its share in thousandths and its colour (0x00BBGGRR).
struct PieSlice {
    long share;
    uint32_t colour;
};

struct PiePoint {
    int x;
    int y;
    bool operator==(const PiePoint& o) const noexcept { return x == o.x && y == o.y; }
};

// The ellipse a pie is drawn in: the client rectangle with its bottom
// raised by the rim's depth.
struct PieGeometry {
    static constexpr int kDepth = 10;
    int left = 0, top = 0, right = 0, bottom = 0;  // the ellipse's bounds
    double cx = 0, cy = 0, rx = 0, ry = 0;

    // From a client rectangle.
    static PieGeometry FromClient(int left, int top, int right, int bottom);
    // The point of the ellipse at an angle (counter-clockwise from 3
    // o'clock, screen y growing downwards).
    PiePoint At(double angle) const;
};

enum class SliceShape {
    Wedge,  // Pie from start to end
    Full,   // the whole ellipse (one slice of everything)
    Line,   // start and end coincide: a single radius line
};

// How one slice is drawn.
struct SliceLayout {
    SliceShape shape;
    uint32_t colour;
    double start, end;       // angles in radians, 0 .. 2 pi
    PiePoint from, to;       // the points at start and end
    bool rim;                // reaches below the horizontal axis (end > pi)
    double rimStart;         // max(start, pi)
    uint32_t rimColour;      // colour & 0x7F7F7F
};

constexpr double kTwoPi = 6.28318530718;
constexpr double kPi = kTwoPi / 2;

// Slice k covers [start, start + share x 2 pi / 1000); the last slice ends at
// 2 pi. Shares below 0 count as 0. No slices give no layout.
std::vector<SliceLayout> LayoutPie(const std::vector<PieSlice>& slices, const PieGeometry& g);

}  // namespace pages
}  // namespace orrel
