// "Orrel::Object" blocks as another process or a drop may hand them over.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "orrel/core/itemid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::vector<std::uint8_t>> lists;
    if (!orrel::ParseObjectBlock(data, size, &lists)) return 0;
    std::size_t used = 4;
    for (const auto& list : lists) {
        used += list.size() + 2;
        // Each list as a reader of the block would decode it.
        std::vector<std::uint8_t> terminated(list);
        terminated.push_back(0);
        terminated.push_back(0);
        orrel::ItemRecord record;
        orrel::DecodeItem(terminated.data(), terminated.size(), &record);
        orrel::DecodeLastItem(terminated.data(), terminated.size(), &record);
    }
    FUZZ_CHECK(used <= size);
    // The lists read write back into the very bytes they came from.
    std::vector<std::uint8_t> rebuilt;
    FUZZ_CHECK(orrel::BuildObjectBlock(lists, &rebuilt));
    FUZZ_CHECK(rebuilt.size() == used);
    FUZZ_CHECK(std::memcmp(rebuilt.data(), data, used) == 0);
    return 0;
}
