#include "printerrecord.h"

#include <cstdio>

namespace orrel {
namespace printerpages {

ParsedConfig ParseConfig(const uint8_t* data, std::size_t length)
{
    ParsedConfig parsed;
    if (!data) length = 0;
    for (unsigned f = 0; f < kDriverName; ++f) {
        std::size_t at = 2 * f;
        if (at + 2 > length) continue;
        parsed.config.numbers[f] = static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
        parsed.present[f] = true;
    }
    if (length > kDriverOffset) {
        std::size_t end = length < kDriverOffset + kDriverLength ? length : kDriverOffset + kDriverLength;
        for (std::size_t i = kDriverOffset; i < end && data[i]; ++i)
            parsed.config.driver += static_cast<char>(data[i]);
        parsed.present[kDriverName] = length >= kDriverOffset + kDriverLength;
    }
    parsed.complete = length >= kConfigFieldsSize;
    return parsed;
}

std::vector<uint8_t> BuildConfig(const PrinterConfig& config)
{
    std::vector<uint8_t> record(kConfigSize, 0);
    for (unsigned f = 0; f < kDriverName; ++f) {
        record[2 * f] = static_cast<uint8_t>(config.numbers[f] & 0xFF);
        record[2 * f + 1] = static_cast<uint8_t>(config.numbers[f] >> 8);
    }
    for (std::size_t i = 0; i < config.driver.size() && i < kDriverLength; ++i)
        record[kDriverOffset + i] = static_cast<uint8_t>(config.driver[i]);
    return record;
}

std::string RestrictionText(uint32_t type, const uint8_t* bytes, std::size_t length)
{
    std::string text;
    char hex[4];
    if (!bytes) length = 0;
    if (type == 0) {
        text = "IPX: ";
        for (std::size_t i = 0; i < 4 && i < length; ++i) {
            std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
            text += hex;
        }
        text += ":";
        for (std::size_t i = 4; i < 10 && i < length; ++i) {
            std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
            text += hex;
        }
        return text;
    }
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%X", bytes[i]);
        text += hex;
    }
    return text;
}

}  // namespace printerpages
}  // namespace orrel
