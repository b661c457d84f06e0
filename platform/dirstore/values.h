// Attribute values: the client's value records, comparison, validation and
// the image's JSON form. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model.h"

namespace orrel::dirstore {

constexpr size_t kMaxTextBytes = 4096;
constexpr size_t kMaxBinaryBytes = 4096;
constexpr size_t kMaxListItems = 4096;
constexpr size_t kMaxStreamFileChars = 100;

bool IsTextSyntax(uint32_t syntax);
// Syntaxes whose text is compared ignoring case.
bool IsCaseIgnoreSyntax(uint32_t syntax);

// Bytes the record of a value takes in GetAttrVal (record plus its data).
size_t RecordSize(const Value& value);
// Writes the record of value into out (at least RecordSize bytes); the
// record's pointers point into out.
void WriteRecord(const Value& value, void* out);
// Reads a caller's record (or text) of a syntax into a value. value may be
// null: an empty value. Strings are read up to kMaxTextBytes + 1 bytes.
// Returns 0, -315 (unknown syntax) or -613 (too long, malformed).
int32_t ReadRecord(uint32_t syntax, const void* record, Value& out);

bool ValuesEqual(const Value& a, const Value& b);

// Checks a value against its attribute's definition: syntax, contents and
// sizes. Names must already be canonical. 0 or -613.
int32_t CheckValue(const AttrDef& def, const Value& value);

// JSON form of the image. ValueFromJson returns false with a reason.
bool ValueFromJson(uint32_t syntax, const Json& json, Value& out, std::string& why);
Json ValueToJson(const Value& value);

// Directory names inside a value (so that they can be canonicalised).
// Calls fn(std::string&) on each.
template <typename Fn>
void ForEachName(Value& value, Fn fn)
{
    switch (value.syntax) {
    case 1: case 15: case 23: case 25: case 26:
        fn(value.s1);
        break;
    case 17:
        if (!value.s2.empty() && value.s2[0] != '[') fn(value.s2);
        break;
    default:
        break;
    }
}

}  // namespace orrel::dirstore
