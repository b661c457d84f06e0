// The icon of every directory class: a read-only table of (class name, icon
// resource id) rows ended by a row with no name, the fallback. Pure code, no
// Windows headers.
#pragma once

#include <cstddef>

namespace orrel {
namespace icons {

struct ClassIconRow {
    const char* className;  // null in the end row
    int iconId;             // icon-group resource id in OrrelIcons
};

// The fallback icon: the end row's, and the "Unknown" class's.
constexpr int kFallbackIconId = 100;

// The rows in lookup order, the end row last.
const ClassIconRow* ClassIconRows() noexcept;
std::size_t ClassIconRowCount() noexcept;  // including the end row

// Index of the first row whose name equals className in a case-insensitive
// comparison of whole names (single bytes, only A-Z fold, no locale); the
// end row when none does or className is null.
std::size_t FindClassIconRow(const char* className) noexcept;

// Icon id of a row; the fallback for an index outside the table.
int ClassIconIdOfRow(std::size_t row) noexcept;

// Icon id for a class name (FindClassIconRow, then its id).
int ClassIconId(const char* className) noexcept;

// Icon images that the DLL holds although no row uses them.
const int* SpareIconIds(std::size_t* count) noexcept;

// Whole-name comparison used by the lookup.
bool ClassNamesEqual(const char* a, const char* b) noexcept;

}  // namespace icons
}  // namespace orrel
