// Item identifier entries and the "Orrel::Object" transfer block, as bytes.
// Pure code: every decoder takes the size of what it was given and never
// reads past it. Built for Windows and natively (fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orrel/core/itemrecord.h"

namespace orrel {

// The namespace's class identifier {76AAD000-C21A-11D1-8115-00C04FB67EB7}
// in GUID memory layout, as embedded in every entry the namespace makes.
extern const std::uint8_t kNamespaceClsidBytes[16];

constexpr std::size_t kEntryHeaderSize = 20;  // cb, 0x1F, 0x00, class identifier
constexpr std::uint8_t kEntrySignature = 0x1F;

// One entry (cb, 0x1F, 0x00, class identifier, serialised record), without a
// terminator, appended to out. False (out unchanged) when the entry would
// not fit the 16-bit cb.
bool AppendItemEntry(const ItemRecord& record, std::vector<std::uint8_t>* out);

// The desktop entry: the header alone (cb = 20), appended to out.
void AppendDesktopEntry(std::vector<std::uint8_t>* out);

// Bytes of a list before its 16-bit terminator, when the list's entries and
// terminator lie within [0, size); false for an odd cb below 2 (0 and 1), a
// cb that runs past size, or no terminator.
bool MeasureIdList(const std::uint8_t* list, std::size_t size, std::size_t* bytes,
                   std::size_t* entries = nullptr);

// The first entry of ours (byte 2 is 0x1F, our class identifier) that
// carries a record, read into record. False when the terminator, an entry
// with cb <= 2, an entry running past size or the end of the given bytes
// comes first, and also when that first entry's record does not read (a
// damaged record is a failure, not an empty item; record is then unchanged).
bool DecodeItem(const std::uint8_t* list, std::size_t size, ItemRecord* record);

// The last entry, when it is ours (bytes 2-3 read 0x001F, our class
// identifier) and carries a record that reads: true and record filled;
// otherwise (also for a list that is not whole within size) false and record
// unchanged.
bool DecodeLastItem(const std::uint8_t* list, std::size_t size, ItemRecord* record);

// "Orrel::Object": a 32-bit count N, then N lists each with its terminator.
// Each input list is given without its terminator and must be whole entries
// (false, out unchanged, otherwise).
bool BuildObjectBlock(const std::vector<std::vector<std::uint8_t>>& lists,
                      std::vector<std::uint8_t>* out);

// Splits a block into its lists (each returned without its terminator).
// False when the count or any list runs past size; lists holds the lists
// read before the fault. Bytes after the last list are ignored (global
// memory may be larger than asked for).
bool ParseObjectBlock(const std::uint8_t* data, std::size_t size,
                      std::vector<std::vector<std::uint8_t>>* lists);

}  // namespace orrel
