// Identifier entries and the "Orrel::Object" block as bytes. Entries need
// not be aligned: every 16-bit field is read byte by byte.
#include "orrel/core/itemid.h"

#include <cstring>

namespace orrel {

// {76AAD000-C21A-11D1-8115-00C04FB67EB7}: Data1, Data2, Data3 little-endian.
const std::uint8_t kNamespaceClsidBytes[16] = {
    0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2, 0xD1, 0x11,
    0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7,
};

namespace {

constexpr std::size_t kMaxEntryBytes = 0xFFFF;

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutU16(std::vector<std::uint8_t>* out, std::uint16_t v)
{
    out->push_back(static_cast<std::uint8_t>(v & 0xFF));
    out->push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutHeader(std::vector<std::uint8_t>* out, std::uint16_t cb)
{
    PutU16(out, cb);
    out->push_back(kEntrySignature);
    out->push_back(0x00);
    out->insert(out->end(), kNamespaceClsidBytes, kNamespaceClsidBytes + 16);
}

bool HasOurClsid(const std::uint8_t* entry)
{
    return std::memcmp(entry + 4, kNamespaceClsidBytes, 16) == 0;
}

// An entry of ours with a record: fills record when the record reads.
bool DecodeEntry(const std::uint8_t* entry, std::size_t cb, ItemRecord* record)
{
    return record && record->DeserialiseRecord(entry + kEntryHeaderSize, cb - kEntryHeaderSize);
}

// True when the bytes are a chain of entries that ends exactly at size.
bool IsWholeEntries(const std::uint8_t* list, std::size_t size)
{
    std::size_t pos = 0;
    while (pos < size) {
        if (size - pos < 2) return false;
        std::uint16_t cb = ReadU16(list + pos);
        if (cb < 2 || size - pos < cb) return false;
        pos += cb;
    }
    return true;
}

}  // namespace

bool AppendItemEntry(const ItemRecord& record, std::vector<std::uint8_t>* out)
{
    if (!out) return false;
    std::size_t size = record.RecordSize();
    if (size > kMaxEntryBytes - kEntryHeaderSize) return false;
    std::size_t start = out->size();
    out->reserve(start + kEntryHeaderSize + size);
    PutHeader(out, static_cast<std::uint16_t>(kEntryHeaderSize + size));
    out->resize(start + kEntryHeaderSize + size);
    if (record.SerialiseRecord(out->data() + start + kEntryHeaderSize, size) != size) {
        out->resize(start);
        return false;
    }
    return true;
}

void AppendDesktopEntry(std::vector<std::uint8_t>* out)
{
    if (out) PutHeader(out, static_cast<std::uint16_t>(kEntryHeaderSize));
}

bool MeasureIdList(const std::uint8_t* list, std::size_t size, std::size_t* bytes,
                   std::size_t* entries)
{
    if (!list) return false;
    std::size_t pos = 0, count = 0;
    for (;;) {
        if (size - pos < 2) return false;
        std::uint16_t cb = ReadU16(list + pos);
        if (cb == 0) break;
        if (cb < 2 || size - pos < cb) return false;
        pos += cb;
        ++count;
    }
    if (bytes) *bytes = pos;
    if (entries) *entries = count;
    return true;
}

bool DecodeItem(const std::uint8_t* list, std::size_t size, ItemRecord* record)
{
    if (!list) return false;
    std::size_t pos = 0;
    for (;;) {
        if (size - pos < 2) return false;
        std::uint16_t cb = ReadU16(list + pos);
        if (cb <= 2 || size - pos < cb) return false;
        const std::uint8_t* entry = list + pos;
        if (cb > kEntryHeaderSize && entry[2] == kEntrySignature && HasOurClsid(entry))
            return DecodeEntry(entry, cb, record);
        pos += cb;
    }
}

bool DecodeLastItem(const std::uint8_t* list, std::size_t size, ItemRecord* record)
{
    std::size_t bytes = 0, entries = 0;
    if (!MeasureIdList(list, size, &bytes, &entries) || entries == 0) return false;
    std::size_t pos = 0, last = 0;
    while (pos < bytes) {
        last = pos;
        pos += ReadU16(list + pos);
    }
    const std::uint8_t* entry = list + last;
    std::size_t cb = ReadU16(entry);
    if (cb <= kEntryHeaderSize || entry[2] != kEntrySignature || entry[3] != 0x00 ||
        !HasOurClsid(entry))
        return false;
    return DecodeEntry(entry, cb, record);
}

bool BuildObjectBlock(const std::vector<std::vector<std::uint8_t>>& lists,
                      std::vector<std::uint8_t>* out)
{
    if (!out || lists.size() > 0xFFFFFFFFu) return false;
    std::size_t total = 4;
    for (const auto& list : lists) {
        // Each list must be whole entries and nothing else, or a reader would
        // split the block in other places than the writer meant.
        if (!IsWholeEntries(list.data(), list.size())) return false;
        total += list.size() + 2;
    }
    std::vector<std::uint8_t> block;
    block.reserve(total);
    std::uint32_t count = static_cast<std::uint32_t>(lists.size());
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    for (const auto& list : lists) {
        block.insert(block.end(), list.begin(), list.end());
        PutU16(&block, 0);
    }
    out->swap(block);
    return true;
}

bool ParseObjectBlock(const std::uint8_t* data, std::size_t size,
                      std::vector<std::vector<std::uint8_t>>* lists)
{
    if (!lists) return false;
    lists->clear();
    if (!data || size < 4) return false;
    std::uint32_t count = static_cast<std::uint32_t>(data[0]) |
                          static_cast<std::uint32_t>(data[1]) << 8 |
                          static_cast<std::uint32_t>(data[2]) << 16 |
                          static_cast<std::uint32_t>(data[3]) << 24;
    std::size_t pos = 4;
    // Every list takes at least its terminator, so a count larger than the
    // data can hold fails when the data runs out, not before.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t bytes = 0;
        if (!MeasureIdList(data + pos, size - pos, &bytes)) return false;
        lists->emplace_back(data + pos, data + pos + bytes);
        pos += bytes + 2;
    }
    return true;
}

}  // namespace orrel
