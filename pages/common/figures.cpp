#include "orrel/pages/figures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orrel {
namespace pages {

std::string GroupedAmount(uint64_t value, const NumberLocale& locale)
{
    if (value == 0) return std::string();
    std::string digits = std::to_string(value);
    if (locale.grouping == 0) return digits;
    std::string out;
    std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[i];
        std::size_t left = n - 1 - i;
        if (left > 0 && left % locale.grouping == 0) out += locale.thousand;
    }
    return out;
}

bool PercentTenths(uint64_t part, uint64_t whole, long* tenths)
{
    if (whole == 0) return false;
    double p = 1000.0 * static_cast<double>(part) / static_cast<double>(whole) + 0.5;
    *tenths = static_cast<long>(p);
    return true;
}

std::string PercentText(long tenths, const NumberLocale& locale)
{
    char buffer[64];
    const char* sign = tenths < 0 ? "-" : "";
    long magnitude = std::labs(tenths);
    std::snprintf(buffer, sizeof buffer, "%s%ld%s%ld%%", sign, magnitude / 10,
                  locale.decimal.substr(0, 16).c_str(), magnitude % 10);
    return buffer;
}

PieGeometry PieGeometry::FromClient(int left, int top, int right, int bottom)
{
    PieGeometry g;
    g.left = left;
    g.top = top;
    g.right = right;
    g.bottom = bottom - kDepth;
    g.cx = (g.left + g.right - 1) / 2;
    g.cy = (g.top + g.bottom - 1) / 2;
    g.rx = g.cx - g.left;
    g.ry = g.cy - g.top;
    return g;
}

PiePoint PieGeometry::At(double angle) const
{
    return {static_cast<int>(std::lround(cx + rx * std::cos(angle))),
            static_cast<int>(std::lround(cy - ry * std::sin(angle)))};
}

std::vector<SliceLayout> LayoutPie(const std::vector<PieSlice>& slices, const PieGeometry& g)
{
    std::vector<SliceLayout> out;
    double start = 0;
    for (std::size_t k = 0; k < slices.size(); ++k) {
        const PieSlice& s = slices[k];
        long share = s.share < 0 ? 0 : s.share;
        double end = k + 1 == slices.size() ? kTwoPi : start + share * kTwoPi * 0.001;
        if (end > kTwoPi) end = kTwoPi;
        if (end < start) end = start;
        SliceLayout l;
        l.colour = s.colour;
        l.start = start;
        l.end = end;
        l.from = g.At(start);
        l.to = g.At(end);
        bool same = l.from.x == l.to.x && l.from.y == l.to.y;
        if (!same)
            l.shape = SliceShape::Wedge;
        else if (end - start > kPi)
            l.shape = SliceShape::Full;
        else
            l.shape = SliceShape::Line;
        l.rim = end > kPi && l.shape != SliceShape::Line;
        l.rimStart = start > kPi ? start : kPi;
        l.rimColour = s.colour & 0x7F7F7Fu;
        out.push_back(l);
        start = end;
    }
    return out;
}

}  // namespace pages
}  // namespace orrel
