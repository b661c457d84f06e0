#include "volumefigures.h"

#include "resource.h"

namespace orrel {
namespace volumepages {
namespace {

using pages::GroupedAmount;
using pages::PercentTenths;
using pages::PercentText;

uint64_t Minus(uint64_t a, uint64_t b) { return a > b ? a - b : 0; }

}  // namespace

UsageTexts DescribeUsage(const HALVET_VOLUME_USAGE& u, const NumberLocale& locale)
{
    UsageTexts t;
    const uint64_t b = u.sectorsPerBlock / 2;  // 512-byte sectors: KB per block
    t.blockSize = std::to_string(b);
    const uint64_t total = b * u.totalBlocks;
    const uint64_t free = b * u.freeBlocks;
    const uint64_t purgeable = b * u.purgeableBlocks;
    const uint64_t used = Minus(total, purgeable + free);
    t.total = GroupedAmount(total, locale);
    t.free = GroupedAmount(free, locale);
    t.purgeable = GroupedAmount(purgeable, locale);
    t.used = GroupedAmount(used, locale);
    long freeP = 0, purgeableP = 0;
    if (PercentTenths(free, total, &freeP) && PercentTenths(purgeable, total, &purgeableP)) {
        long usedP = 1000 - freeP - purgeableP;
        t.freePercent = PercentText(freeP, locale);
        t.purgeablePercent = PercentText(purgeableP, locale);
        t.usedPercent = PercentText(usedP, locale);
        t.disk = {{usedP, kBlue}, {freeP, kMagenta}, {purgeableP, kGreen}};
    }

    const uint64_t entries = u.totalDirEntries;
    const uint64_t available = u.availableDirEntries;
    const uint64_t usedEntries = Minus(entries, available);
    t.totalEntries = GroupedAmount(entries, locale);
    t.availableEntries = GroupedAmount(available, locale);
    t.usedEntries = GroupedAmount(usedEntries, locale);
    long availableP = 0, usedEntriesP = 0;
    if (PercentTenths(available, entries, &availableP) &&
        PercentTenths(usedEntries, entries, &usedEntriesP)) {
        t.availablePercent = PercentText(availableP, locale);
        t.usedEntriesPercent = PercentText(usedEntriesP, locale);
        t.entries = {{usedEntriesP, kBlue}, {availableP, kMagenta}};
    }
    return t;
}

ExtendedTexts DescribeExtended(const HALVET_EXTENDED_VOLUME_INFO& info, const NumberLocale& locale)
{
    ExtendedTexts t;
    const uint32_t flags = info.featureFlags & 0xFFu;
    static const struct {
        uint32_t flag;
        unsigned text;
    } kFeatures[] = {
        {HALVET_VOLUME_FEATURE_SUBALLOCATION, IDS_VOLUME_SUBALLOCATION},
        {HALVET_VOLUME_FEATURE_COMPRESSION, IDS_VOLUME_COMPRESSION},
        {HALVET_VOLUME_FEATURE_MIGRATION, IDS_VOLUME_MIGRATION},
        {HALVET_VOLUME_FEATURE_AUDITING, IDS_VOLUME_AUDITING},
        {HALVET_VOLUME_FEATURE_READ_ONLY, IDS_VOLUME_READ_ONLY},
    };
    for (const auto& f : kFeatures)
        if (flags & f.flag) t.features.push_back(f.text);

    t.compression = (flags & HALVET_VOLUME_FEATURE_COMPRESSION) != 0;
    if (!t.compression) {
        t.pie = {{1000, kGrey}};
        return t;
    }
    const uint64_t unit = info.sizeUnit;
    const uint64_t before = uint64_t(info.dataBeforeCompression) * unit / 1024;
    const uint64_t after = uint64_t(info.dataAfterCompression) * unit / 1024;
    t.before = GroupedAmount(before, locale);
    t.after = GroupedAmount(after, locale);
    t.savings = GroupedAmount(Minus(before, after), locale);
    long afterP = 0;
    if (PercentTenths(after, before, &afterP)) {
        long savingsP = 1000 - afterP;
        t.afterPercent = PercentText(afterP, locale);
        t.savingsPercent = PercentText(savingsP, locale);
        t.pie = {{afterP, kBlue}, {savingsP, kMagenta}};
    }
    return t;
}

std::vector<unsigned> NameSpaceTexts(const uint8_t* ids, std::size_t count, unsigned major,
                                     unsigned minor)
{
    std::vector<unsigned> texts;
    const bool longNames = major >= 5 || (major == 4 && minor > 10);
    for (std::size_t i = 0; i < count; ++i) {
        switch (ids[i]) {
        case 0: texts.push_back(IDS_VOLUME_NS_DOS); break;
        case 1: texts.push_back(IDS_VOLUME_NS_MAC); break;
        case 2: texts.push_back(IDS_VOLUME_NS_NFS); break;
        case 3: texts.push_back(IDS_VOLUME_NS_FTAM); break;
        case 4: texts.push_back(longNames ? IDS_VOLUME_NS_LONG : IDS_VOLUME_NS_OS2); break;
        default: texts.push_back(0); break;
        }
    }
    return texts;
}

}  // namespace volumepages
}  // namespace orrel
