// Identifier lists as they come from the shell, a drop or a shortcut file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "orrel/core/itemid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t bytes = 0, entries = 0;
    bool measured = orrel::MeasureIdList(data, size, &bytes, &entries);
    if (measured) {
        FUZZ_CHECK(bytes + 2 <= size);
        FUZZ_CHECK(entries * 2 <= bytes);
    }

    orrel::ItemRecord first;
    first.displayName = "untouched";
    if (!orrel::DecodeItem(data, size, &first)) FUZZ_CHECK(first.displayName == "untouched");

    orrel::ItemRecord last;
    last.displayName = "untouched";
    if (!orrel::DecodeLastItem(data, size, &last)) {
        FUZZ_CHECK(last.displayName == "untouched");
        return 0;
    }
    FUZZ_CHECK(measured);
    // What was read writes back into one entry that reads the same.
    std::vector<std::uint8_t> rebuilt;
    FUZZ_CHECK(orrel::AppendItemEntry(last, &rebuilt));
    rebuilt.push_back(0);
    rebuilt.push_back(0);
    orrel::ItemRecord again;
    FUZZ_CHECK(orrel::DecodeLastItem(rebuilt.data(), rebuilt.size(), &again));
    FUZZ_CHECK(SameRecord(last, again));
    return 0;
}
