// Identifier lists as the shell passes them, and ItemIdList. A shell list
// comes without its size: it is measured by walking its cb chain (bounded by
// kMaxIdListBytes) before anything else reads it. cb is read byte-wise, since
// entries need not be aligned.
#include "orrel/core/itemidlist.h"

#include <cstring>
#include <new>
#include <vector>

namespace orrel {

namespace {

std::size_t ReadCb(const BYTE* p)
{
    return static_cast<std::size_t>(p[0]) | (static_cast<std::size_t>(p[1]) << 8);
}

// Bytes before the terminator and number of entries; false for a list with a
// cb of 1 or that runs beyond kMaxIdListBytes. A null list is not a list.
bool Walk(LPCITEMIDLIST list, std::size_t* bytes, std::size_t* entries)
{
    if (!list) return false;
    const BYTE* p = reinterpret_cast<const BYTE*>(list);
    std::size_t pos = 0, count = 0;
    for (;;) {
        std::size_t cb = ReadCb(p + pos);
        if (cb == 0) break;
        if (cb < 2) return false;
        pos += cb;
        ++count;
        if (pos + 2 > kMaxIdListBytes) return false;
    }
    if (bytes) *bytes = pos;
    if (entries) *entries = count;
    return true;
}

BYTE* Allocate(std::size_t bytes, ListAllocator allocator) noexcept
{
    if (allocator == ListAllocator::Shell) return static_cast<BYTE*>(CoTaskMemAlloc(bytes));
    return static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, bytes));
}

void Free(void* list, ListAllocator allocator) noexcept
{
    if (!list) return;
    if (allocator == ListAllocator::Shell)
        CoTaskMemFree(list);
    else
        HeapFree(GetProcessHeap(), 0, list);
}

// A new list of the two lists' entries (either may be null) and a terminator.
LPITEMIDLIST Concatenate(const BYTE* first, std::size_t firstBytes, const BYTE* second,
                         std::size_t secondBytes, ListAllocator allocator) noexcept
{
    if (firstBytes > kMaxIdListBytes || secondBytes > kMaxIdListBytes - firstBytes) return nullptr;
    BYTE* out = Allocate(firstBytes + secondBytes + 2, allocator);
    if (!out) return nullptr;
    if (firstBytes) std::memcpy(out, first, firstBytes);
    if (secondBytes) std::memcpy(out + firstBytes, second, secondBytes);
    out[firstBytes + secondBytes] = 0;
    out[firstBytes + secondBytes + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(out);
}

}  // namespace

std::size_t IdListSize(LPCITEMIDLIST list)
{
    std::size_t bytes = 0;
    return Walk(list, &bytes, nullptr) ? bytes : 0;
}

std::size_t IdListCount(LPCITEMIDLIST list)
{
    std::size_t entries = 0;
    return Walk(list, nullptr, &entries) ? entries : 0;
}

bool DecodeItem(LPCITEMIDLIST list, ItemRecord* record)
{
    std::size_t bytes = 0;
    if (!Walk(list, &bytes, nullptr)) return false;
    return DecodeItem(reinterpret_cast<const std::uint8_t*>(list), bytes + 2, record);
}

bool DecodeLastItem(LPCITEMIDLIST list, ItemRecord* record)
{
    std::size_t bytes = 0;
    if (!Walk(list, &bytes, nullptr)) return false;
    return DecodeLastItem(reinterpret_cast<const std::uint8_t*>(list), bytes + 2, record);
}

LPITEMIDLIST MakeItemId(const ItemRecord& record, LPCITEMIDLIST prefix, ListAllocator allocator)
{
    try {
        std::size_t prefixBytes = 0;
        if (prefix && !Walk(prefix, &prefixBytes, nullptr)) return nullptr;
        std::vector<std::uint8_t> entry;
        if (!AppendItemEntry(record, &entry)) return nullptr;
        return Concatenate(reinterpret_cast<const BYTE*>(prefix), prefixBytes, entry.data(),
                           entry.size(), allocator);
    } catch (...) {
        return nullptr;
    }
}

ItemIdList::ItemIdList(const ItemIdList& other) : allocator_(other.allocator_)
{
    if (other.list_) list_ = Copy(other.list_, other.allocator_).Detach();
}

ItemIdList& ItemIdList::operator=(const ItemIdList& other)
{
    if (this != &other) {
        ItemIdList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ItemIdList::ItemIdList(ItemIdList&& other) noexcept
    : list_(other.list_), allocator_(other.allocator_)
{
    other.list_ = nullptr;
}

ItemIdList& ItemIdList::operator=(ItemIdList&& other) noexcept
{
    if (this != &other) {
        Reset();
        list_ = other.list_;
        allocator_ = other.allocator_;
        other.list_ = nullptr;
    }
    return *this;
}

ItemIdList::~ItemIdList() { Reset(); }

ItemIdList ItemIdList::Copy(LPCITEMIDLIST list, ListAllocator allocator)
{
    std::size_t bytes = 0;
    if (!Walk(list, &bytes, nullptr)) return Adopt(nullptr, allocator);
    return Adopt(Concatenate(reinterpret_cast<const BYTE*>(list), bytes, nullptr, 0, allocator),
                 allocator);
}

ItemIdList ItemIdList::FromRecord(const ItemRecord& record, LPCITEMIDLIST prefix,
                                  ListAllocator allocator)
{
    return Adopt(MakeItemId(record, prefix, allocator), allocator);
}

ItemIdList ItemIdList::DesktopEntry(ListAllocator allocator)
{
    std::uint8_t entry[kEntryHeaderSize];
    entry[0] = static_cast<std::uint8_t>(kEntryHeaderSize);
    entry[1] = 0;
    entry[2] = kEntrySignature;
    entry[3] = 0;
    std::memcpy(entry + 4, kNamespaceClsidBytes, sizeof kNamespaceClsidBytes);
    return Adopt(Concatenate(entry, sizeof entry, nullptr, 0, allocator), allocator);
}

ItemIdList ItemIdList::Adopt(LPITEMIDLIST list, ListAllocator allocator) noexcept
{
    ItemIdList result;
    result.list_ = list;
    result.allocator_ = allocator;
    return result;
}

std::size_t ItemIdList::Size() const { return IdListSize(list_); }

std::size_t ItemIdList::Count() const { return IdListCount(list_); }

LPCITEMIDLIST ItemIdList::Entry(std::size_t index) const
{
    std::size_t bytes = 0;
    if (!Walk(list_, &bytes, nullptr)) return nullptr;
    const BYTE* p = reinterpret_cast<const BYTE*>(list_);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < index && pos < bytes; ++i) pos += ReadCb(p + pos);
    if (pos >= bytes) return nullptr;
    return reinterpret_cast<LPCITEMIDLIST>(p + pos);
}

LPCITEMIDLIST ItemIdList::Last() const
{
    std::size_t entries = 0;
    if (!Walk(list_, nullptr, &entries) || entries == 0) return nullptr;
    return Entry(entries - 1);
}

bool ItemIdList::Append(LPCITEMIDLIST other)
{
    std::size_t ownBytes = 0, otherBytes = 0;
    if (list_ && !Walk(list_, &ownBytes, nullptr)) return false;
    if (other && !Walk(other, &otherBytes, nullptr)) return false;
    if (!other) return true;
    LPITEMIDLIST joined = Concatenate(reinterpret_cast<const BYTE*>(list_), ownBytes,
                                      reinterpret_cast<const BYTE*>(other), otherBytes, allocator_);
    if (!joined) return false;
    Free(list_, allocator_);
    list_ = joined;
    return true;
}

bool ItemIdList::Equals(LPCITEMIDLIST other) const
{
    std::size_t ownBytes = 0, otherBytes = 0;
    bool ownValid = Walk(list_, &ownBytes, nullptr);
    bool otherValid = Walk(other, &otherBytes, nullptr);
    if (!list_ || !other) return !list_ && !other;
    if (!ownValid || !otherValid || ownBytes != otherBytes) return false;
    return std::memcmp(list_, other, ownBytes) == 0;
}

LPITEMIDLIST ItemIdList::Detach() noexcept
{
    LPITEMIDLIST list = list_;
    list_ = nullptr;
    return list;
}

void ItemIdList::Reset() noexcept
{
    Free(list_, allocator_);
    list_ = nullptr;
}

}  // namespace orrel
