// The text of a directory value of every syntax, from the value record that
// GetAttrVal wrote into a buffer of the size ComputeAttrValSize reported.
//
// The record is never trusted: every pointer in it must lie inside the value
// buffer, every string is bounded by the buffer's end (a string that runs to
// the end without a zero is cut there), every list is walked at most as many
// steps as the buffer can hold nodes. A record that fails these checks gives
// no node. Pure: no <windows.h>; directory names are shown through the
// NameDisplay the caller gives (the session's ToDisplayName on a page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "orrel/pages/valuelist.h"

namespace orrel {
namespace pages {

// How a directory name inside a value is shown.
class NameDisplay {
public:
    virtual ~NameDisplay() = default;
    virtual std::string Display(const char* name) const = 0;
};

// Shows names as they are stored (for callers without a directory).
class RawNameDisplay final : public NameDisplay {
public:
    std::string Display(const char* name) const override { return name ? name : ""; }
};

// The value shown as a node: kind, text and the extra fields of kinds 1 and 3.
// Null when the record is malformed (a pointer outside the buffer, a buffer
// smaller than the record).
std::unique_ptr<ValueNode> FormatValue(uint32_t syntax, const void* value, std::size_t size,
                                       const NameDisplay& names);

// The pieces, exposed for the pages and the tools.
extern const char kTrueText[];          // "True"
extern const char kFalseText[];         // "False"
extern const char kNotSupportedText[];  // "<Not supportted yet>"

// Network address text: type 0 "NNNNNNNN:HHHHHHHHHHHH:SSSS" of the first 12
// bytes, type 1 "a.b.c.d" of the first 4; other types, and addresses shorter
// than their type needs, "<Not supportted yet>".
std::string FormatNetAddress(uint32_t type, const uint8_t* bytes, std::size_t length);
// Seconds since 1970 as local time with "%c" (the C runtime's locale).
std::string FormatLocalTimeC(uint32_t seconds);
// Bytes as upper-case hexadecimal pairs separated by blanks: "01 02 0A".
std::string FormatHexBytes(const uint8_t* bytes, std::size_t length);

// The string at p bounded by end: up to its zero or to end. Empty when p is
// outside [begin, end).
std::string BoundedString(const char* p, const unsigned char* begin, const unsigned char* end);

}  // namespace pages
}  // namespace orrel
