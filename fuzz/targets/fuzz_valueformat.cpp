// The pages' value formatter over value records whose pointers point
// anywhere: into the value buffer, just before or past it, or into other
// memory that the process may read but the formatter must not. The buffer is
// a heap block of exactly the size the client reported and the other memory
// is poisoned, so AddressSanitizer reports any read outside the buffer.
//
// Input: one byte, the syntax; the rest, the value buffer. Every 8-byte
// aligned slot of the buffer whose upper half is one of the markers below is
// turned into a pointer before the call:
//   kInside:  buffer start + the lower half (signed, folded into -32..size+32)
//   kOutside: an address inside the poisoned block, at the lower half
// Other slots stay as they are (scalars, or pointers nowhere near).
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <halvet/dirtypes.h>

#include "fuzz_check.h"
#include "orrel/pages/valueformat.h"

using orrel::pages::FormatValue;
using orrel::pages::ValueKind;
using orrel::pages::ValueNode;

namespace {

constexpr std::uint32_t kInside = 0x494E5344;   // "INSD"
constexpr std::uint32_t kOutside = 0x4F555453;  // "OUTS"
constexpr std::size_t kOutsideSize = 256;

// Memory the formatter has no business reading: poisoned for the call.
class Forbidden {
public:
    Forbidden() : block_(new unsigned char[kOutsideSize])
    {
        std::memset(block_.get(), 'x', kOutsideSize);
        block_[kOutsideSize - 1] = 0;
        ASAN_POISON_MEMORY_REGION(block_.get(), kOutsideSize);
    }
    ~Forbidden() { ASAN_UNPOISON_MEMORY_REGION(block_.get(), kOutsideSize); }
    Forbidden(const Forbidden&) = delete;
    Forbidden& operator=(const Forbidden&) = delete;
    const unsigned char* At(std::uint32_t offset) const { return block_.get() + offset % kOutsideSize; }

private:
    std::unique_ptr<unsigned char[]> block_;
};

// Shows names as stored, marked, as the session's display would convert them;
// the formatter hands it its own copy of the name, never a record pointer.
class CheckedNames final : public orrel::pages::NameDisplay {
public:
    std::string Display(const char* name) const override
    {
        FUZZ_CHECK(name != nullptr);
        return std::string(name) + "|";
    }
};

void Relocate(unsigned char* buffer, std::size_t size, const Forbidden& forbidden)
{
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        std::uint64_t slot;
        std::memcpy(&slot, buffer + at, 8);
        const auto marker = static_cast<std::uint32_t>(slot >> 32);
        const auto low = static_cast<std::uint32_t>(slot);
        const void* pointer;
        if (marker == kInside) {
            // Offsets from 32 bytes before the buffer to 32 bytes past it.
            const std::int64_t span = static_cast<std::int64_t>(size) + 64;
            std::int64_t offset = static_cast<std::int32_t>(low);
            if (offset < -32 || offset >= static_cast<std::int64_t>(size) + 32)
                offset = ((offset % span) + span) % span - 32;
            pointer = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(buffer) +
                                                    static_cast<std::uintptr_t>(offset));
        } else if (marker == kOutside) {
            pointer = forbidden.At(low);
        } else {
            continue;
        }
        std::memcpy(buffer + at, &pointer, sizeof pointer);
    }
}

std::size_t RecordSizeOf(std::uint32_t syntax)
{
    switch (syntax) {
    case HALVET_SYNTAX_CI_LIST: return sizeof(HALVET_CI_LIST);
    case HALVET_SYNTAX_BOOLEAN: return 1;
    case HALVET_SYNTAX_INTEGER:
    case HALVET_SYNTAX_INTERVAL:
    case HALVET_SYNTAX_COUNTER:
    case HALVET_SYNTAX_TIME: return 4;
    case HALVET_SYNTAX_FAX_NUMBER: return sizeof(HALVET_FAX_NUMBER);
    case HALVET_SYNTAX_NET_ADDRESS: return sizeof(HALVET_NET_ADDRESS);
    case HALVET_SYNTAX_OCTET_LIST: return sizeof(HALVET_OCTET_LIST);
    case HALVET_SYNTAX_EMAIL_ADDRESS: return sizeof(HALVET_EMAIL_ADDRESS);
    case HALVET_SYNTAX_PATH: return sizeof(HALVET_PATH);
    case HALVET_SYNTAX_OBJECT_ACL: return sizeof(HALVET_OBJECT_ACL);
    case HALVET_SYNTAX_PO_ADDRESS: return sizeof(HALVET_POSTAL_ADDRESS);
    case HALVET_SYNTAX_TIMESTAMP: return sizeof(HALVET_TIMESTAMP);
    case HALVET_SYNTAX_BACK_LINK: return sizeof(HALVET_BACK_LINK);
    case HALVET_SYNTAX_TYPED_NAME: return sizeof(HALVET_TYPED_NAME);
    case HALVET_SYNTAX_HOLD: return sizeof(HALVET_HOLD);
    case HALVET_SYNTAX_OCTET_STRING:
    case HALVET_SYNTAX_REPLICA_POINTER: return sizeof(HALVET_OCTET_STRING);
    default: return 0;  // the value is its text
    }
}

// What the table of syntaxes says of the records whose text needs no pointer.
void CheckPlainSyntaxes(std::uint32_t syntax, const unsigned char* buffer, std::size_t size,
                        const ValueNode* node)
{
    const std::size_t need = RecordSizeOf(syntax);
    if (need > size) {
        FUZZ_CHECK(node == nullptr);  // a buffer smaller than its record
        return;
    }
    char expected[32];
    switch (syntax) {
    case HALVET_SYNTAX_BOOLEAN:
        FUZZ_CHECK(node && node->text == (buffer[0] ? "True" : "False"));
        return;
    case HALVET_SYNTAX_INTEGER:
    case HALVET_SYNTAX_INTERVAL: {
        std::int32_t n;
        std::memcpy(&n, buffer, 4);
        std::snprintf(expected, sizeof expected, "%ld", static_cast<long>(n));
        FUZZ_CHECK(node && node->text == expected);
        return;
    }
    case HALVET_SYNTAX_COUNTER: {
        std::uint32_t n;
        std::memcpy(&n, buffer, 4);
        std::snprintf(expected, sizeof expected, "%lu", static_cast<unsigned long>(n));
        FUZZ_CHECK(node && node->text == expected);
        return;
    }
    case HALVET_SYNTAX_TIMESTAMP:
    case HALVET_SYNTAX_TIME:
        FUZZ_CHECK(node != nullptr);
        return;
    default:
        break;
    }
    if (need == 0 && syntax != HALVET_SYNTAX_STREAM) {
        // Text syntaxes and the ones not listed: the bytes up to the first
        // zero, or up to the end of the buffer.
        const void* zero = std::memchr(buffer, 0, size);
        const std::size_t length =
            zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - buffer) : size;
        FUZZ_CHECK(node && node->kind == ValueKind::Text);
        FUZZ_CHECK(node->text == std::string(reinterpret_cast<const char*>(buffer), length));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::uint32_t syntax = data[0];
    const std::size_t length = size - 1;

    Forbidden forbidden;
    // Exactly the reported size: one byte more read is a heap overflow. An
    // empty buffer still has an address of its own.
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[length ? length : 1]);
    if (length) std::memcpy(buffer.get(), data + 1, length);
    Relocate(buffer.get(), length, forbidden);

    CheckedNames names;
    FUZZ_CHECK(FormatValue(syntax, nullptr, length, names) == nullptr);
    std::unique_ptr<ValueNode> node = FormatValue(syntax, buffer.get(), length, names);
    if (node) {
        FUZZ_CHECK(node->next == nullptr);
        const ValueKind kind = syntax == HALVET_SYNTAX_TYPED_NAME ? ValueKind::TypedName
                               : syntax == HALVET_SYNTAX_OBJECT_ACL ? ValueKind::AclEntry
                                                                    : ValueKind::Text;
        FUZZ_CHECK(node->kind == kind);
        FUZZ_CHECK(node->text.size() <= 3 * length + 256);
    }
    CheckPlainSyntaxes(syntax, buffer.get(), length, node.get());

    // The pieces the pages use on their own, over the same bytes.
    const unsigned char* begin = buffer.get();
    const unsigned char* end = begin + length;
    for (std::size_t at = 0; at + 8 <= length; at += 8) {
        const char* p;
        std::memcpy(&p, begin + at, sizeof p);
        FUZZ_CHECK(orrel::pages::BoundedString(p, begin, end).size() <= length);
    }
    const std::string hex = orrel::pages::FormatHexBytes(begin, length);
    FUZZ_CHECK(hex.size() == (length ? 3 * length - 1 : 0));
    orrel::pages::FormatNetAddress(syntax % 3, begin, length);
    return 0;
}
