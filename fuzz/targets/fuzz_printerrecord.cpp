// The printer's configuration record and its network address restriction
// text, from stored bytes of any length.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "printerrecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orrel::printerpages;
    ParsedConfig parsed = ParseConfig(data, size);
    FUZZ_CHECK(parsed.complete == (size >= kConfigFieldsSize));
    FUZZ_CHECK(parsed.config.driver.size() <= kDriverLength);
    if (parsed.complete) {
        // What the page writes back reads as what it showed.
        std::vector<std::uint8_t> record = BuildConfig(parsed.config);
        FUZZ_CHECK(record.size() == kConfigSize);
        ParsedConfig again = ParseConfig(record.data(), record.size());
        for (unsigned f = 0; f < kDriverName; ++f)
            FUZZ_CHECK(again.config.numbers[f] == parsed.config.numbers[f]);
        FUZZ_CHECK(again.config.driver == parsed.config.driver);
    }
    if (size > 0) {
        std::string text = RestrictionText(data[0] % 3, data + 1, size - 1);
        FUZZ_CHECK(text.size() <= 6 + 2 * (size - 1));
    }
    return 0;
}
