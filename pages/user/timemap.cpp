#include "timemap.h"

#include <algorithm>

namespace orrel {
namespace userpages {

int TimeZoneShift(long biasMinutes) noexcept
{
    // Biases lie within a day; anything else is folded into one week so the
    // arithmetic below cannot overflow.
    long shift = biasMinutes / 30;
    return static_cast<int>(shift % kHalfHoursPerWeek);
}

GridCell CellOfBit(int bit, int shift) noexcept
{
    long c = (static_cast<long>(bit) - shift) % kHalfHoursPerWeek;
    if (c < 0) c += kHalfHoursPerWeek;
    return GridCell{static_cast<int>(c / kHalfHoursPerDay), static_cast<int>(c % kHalfHoursPerDay)};
}

int BitOfCell(GridCell cell, int shift) noexcept
{
    long c = static_cast<long>(cell.column) * kHalfHoursPerDay + cell.row;
    long bit = (c + shift) % kHalfHoursPerWeek;
    if (bit < 0) bit += kHalfHoursPerWeek;
    return static_cast<int>(bit);
}

TimeMap::TimeMap(const std::uint8_t* bytes, std::size_t length) : hasValue_(true)
{
    if (bytes) bytes_.assign(bytes, bytes + std::min(length, kTimeMapBytes));
}

bool TimeMap::Allowed(int bit) const noexcept
{
    if (bit < 0 || bit >= kHalfHoursPerWeek) return false;
    if (!hasValue_) return true;
    std::size_t byte = static_cast<std::size_t>(bit) / 8;
    if (byte >= bytes_.size()) return false;  // missing from a short value
    return ((bytes_[byte] >> (bit % 8)) & 1u) != 0;
}

GridGeometry GridGeometry::ForClient(int width, int height) noexcept
{
    GridGeometry g;
    g.cellWidth = width > 1 ? (width - 1) / kDays : 0;
    g.cellHeight = height > 1 ? (height - 1) / kHalfHoursPerDay : 0;
    return g;
}

void GridGeometry::CellInterior(GridCell cell, int* left, int* top, int* right,
                                int* bottom) const noexcept
{
    *left = cell.column * cellWidth + 1;
    *top = cell.row * cellHeight + 1;
    *right = (cell.column + 1) * cellWidth;
    *bottom = (cell.row + 1) * cellHeight;
}

}  // namespace userpages
}  // namespace orrel
