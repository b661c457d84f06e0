// What the Statistics and Extended Information pages show, from the
// server's usage and extended records: amounts, percentages, pie slices,
// the features and the name spaces. Pure code: no <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "halvet/dirtypes.h"
#include "orrel/pages/figures.h"

namespace orrel {
namespace volumepages {

using pages::NumberLocale;
using pages::PieSlice;

constexpr uint32_t kBlue = 0xFF0000;     // RGB(0, 0, 255)
constexpr uint32_t kMagenta = 0xFF00FF;  // RGB(255, 0, 255)
constexpr uint32_t kGreen = 0x00FF00;    // RGB(0, 255, 0)
constexpr uint32_t kGrey = 0x7F7F7F;     // RGB(127, 127, 127)

// Statistics (2000). Amounts in KB; a whole of 0 leaves its percentages
// empty and its pie without slices.
struct UsageTexts {
    std::string blockSize;
    std::string total, used, usedPercent, free, freePercent, purgeable, purgeablePercent;
    std::string totalEntries, usedEntries, usedEntriesPercent, availableEntries,
        availablePercent;
    std::vector<PieSlice> disk;     // used, free, purgeable
    std::vector<PieSlice> entries;  // used, available
};
UsageTexts DescribeUsage(const HALVET_VOLUME_USAGE& usage, const NumberLocale& locale);

// Extended Information (3000).
struct ExtendedTexts {
    std::vector<unsigned> features;  // string ids, in the list's order
    bool compression = false;        // the "Compression" group is enabled
    std::string before, after, afterPercent, savings, savingsPercent;
    std::vector<PieSlice> pie;  // after, savings; one grey slice without compression
};
ExtendedTexts DescribeExtended(const HALVET_EXTENDED_VOLUME_INFO& info, const NumberLocale& locale);

// The string id of each loaded name space, in order; 0 for an id without
// a name (an empty entry). Id 4 is "LONG" on servers of version 5 or later
// and 4 with a minor version above 10, else "OS2".
std::vector<unsigned> NameSpaceTexts(const uint8_t* ids, std::size_t count, unsigned major,
                                     unsigned minor);

}  // namespace volumepages
}  // namespace orrel
