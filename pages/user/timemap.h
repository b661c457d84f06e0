// The week of the "Login Allowed Time Map" and its grid on the Time
// Restrictions page, as pure arithmetic (no <windows.h>).
//
// The map is a bit string of 42 bytes = 336 bits, one per half hour of the
// week in universal time: bit i (byte i / 8, bit i % 8 from the least
// significant bit) is the half hour i counted from Sunday 00:00 UTC; a set
// bit allows logins. The grid shows the week in local time: 7 columns
// (Sunday ... Saturday) of 48 rows (00:00-00:30 ... 23:30-24:00).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orrel {
namespace userpages {

constexpr int kDays = 7;
constexpr int kHalfHoursPerDay = 48;
constexpr int kHalfHoursPerWeek = kDays * kHalfHoursPerDay;  // 336
constexpr std::size_t kTimeMapBytes = kHalfHoursPerWeek / 8;  // 42

// The time-zone shift in half hours: the bias (minutes to add to local time
// to get UTC, as GetTimeZoneInformation gives it) divided by 30, truncated.
int TimeZoneShift(long biasMinutes) noexcept;

struct GridCell {
    int column;  // 0 = Sunday ... 6 = Saturday
    int row;     // 0 = 00:00-00:30 ... 47 = 23:30-24:00
};

// The cell in which bit i of the map is drawn:
// c = (i - shift) mod 336 (never negative), column c / 48, row c % 48.
GridCell CellOfBit(int bit, int shift) noexcept;
// The bit drawn in a cell (the inverse of CellOfBit).
int BitOfCell(GridCell cell, int shift) noexcept;

// The time map as read from the directory. A value shorter than 42 bytes is
// never read past its end: the half hours it does not hold count as clear,
// that is restricted (logins are allowed only where the directory says so).
// Without any value every half hour is allowed.
class TimeMap {
public:
    // No value: everything allowed.
    TimeMap() = default;
    // A value of length bytes (any length; only the first 42 count).
    TimeMap(const std::uint8_t* bytes, std::size_t length);

    bool HasValue() const noexcept { return hasValue_; }
    // The bytes kept (at most 42).
    const std::vector<std::uint8_t>& Bytes() const noexcept { return bytes_; }
    // Whether logins are allowed in half hour `bit` (0..335) UTC; false for a
    // bit outside the week.
    bool Allowed(int bit) const noexcept;

private:
    bool hasValue_ = false;
    std::vector<std::uint8_t> bytes_;
};

// Pixel geometry of the grid in a control's client area of width x height:
// one pixel is kept at the right and the bottom for the closing lines, so
// cell width = (width - 1) / 7 and cell height = (height - 1) / 48. The
// grid's lines lie at x = k * cellWidth (k = 0..7) and y = k * cellHeight
// (k = 0..48); a cell is filled inside its lines, one pixel in from its left
// and top line.
struct GridGeometry {
    int cellWidth = 0;
    int cellHeight = 0;

    static GridGeometry ForClient(int width, int height) noexcept;
    bool Empty() const noexcept { return cellWidth <= 0 || cellHeight <= 0; }
    int Width() const noexcept { return cellWidth * kDays; }
    int Height() const noexcept { return cellHeight * kHalfHoursPerDay; }
    // The filled inside of a cell: [left, right) x [top, bottom).
    void CellInterior(GridCell cell, int* left, int* top, int* right, int* bottom) const noexcept;
};

}  // namespace userpages
}  // namespace orrel
