// The "Printer Configuration" record (syntax 9, 1072 bytes, little-endian)
// and the text of a "Network Address Restriction". Pure code: no
// <windows.h>.
//
//   offset size field
//        0    2 printer type (index into the printer type list)
//        2    2 starting form number
//        4    2 buffer size in KB
//        6    2 service mode for forms (index into the service mode list)
//        8    2 service interval
//       10    2 banner type (index into the banner type list)
//       12    4 zero
//       16    8 printer port driver name, NUL-padded
//       24 1048 zero
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orrel {
namespace printerpages {

constexpr std::size_t kConfigSize = 1072;
constexpr std::size_t kConfigFieldsSize = 24;
constexpr std::size_t kDriverOffset = 16;
constexpr std::size_t kDriverLength = 8;

enum ConfigField : unsigned {
    kPrinterType,
    kStartingForm,
    kBufferSize,
    kServiceMode,
    kServiceInterval,
    kBannerType,
    kDriverName,
    kConfigFieldCount
};

struct PrinterConfig {
    uint16_t numbers[kDriverName] = {};  // by ConfigField, in record order
    std::string driver;                  // at most 8 characters
};

// The fields a record holds. A record shorter than its 24 bytes of fields
// gives those that lie whole inside it (the driver name up to the record's
// end) and is not complete.
struct ParsedConfig {
    PrinterConfig config;
    bool present[kConfigFieldCount] = {};
    bool complete = false;
};
ParsedConfig ParseConfig(const uint8_t* data, std::size_t length);

// The record of 1072 bytes for a configuration (the driver name cut to 8).
std::vector<uint8_t> BuildConfig(const PrinterConfig& config);

// Type 0: "IPX: " + bytes 0-3 as "%02X" + ":" + bytes 4-9 as "%02X"
// (stopping at the address's end); other types: every byte as "%X".
std::string RestrictionText(uint32_t type, const uint8_t* bytes, std::size_t length);

}  // namespace printerpages
}  // namespace orrel
