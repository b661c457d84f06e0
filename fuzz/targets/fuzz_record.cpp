// Serialised records: counted strings and flags.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orrel::ItemRecord record;
    record.className = "untouched";
    if (!record.DeserialiseRecord(data, size)) {
        FUZZ_CHECK(record.className == "untouched");
        return 0;
    }
    // Texts end at their first zero, so writing back never takes more room.
    std::size_t need = record.RecordSize();
    FUZZ_CHECK(need <= size);
    std::vector<std::uint8_t> out(need);
    FUZZ_CHECK(record.SerialiseRecord(out.data(), out.size()) == need);
    if (need > 0) FUZZ_CHECK(record.SerialiseRecord(out.data(), need - 1) == 0);
    orrel::ItemRecord back;
    FUZZ_CHECK(back.DeserialiseRecord(out.data(), out.size()));
    FUZZ_CHECK(SameRecord(record, back));
    return 0;
}
