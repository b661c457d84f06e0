// Item identifier lists as the shell passes them (LPITEMIDLIST), and the
// owning wrapper that remembers which allocator made a list.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstddef>

#include "orrel/core/itemid.h"
#include "orrel/core/itemrecord.h"

namespace orrel {

enum class ListAllocator {
    Shell,  // the shell's task allocator: lists handed to or received from the shell
    Heap,   // the program's own heap: lists used only inside the program
};

// Upper bound on a list's size when walking a list whose size nobody told us.
constexpr std::size_t kMaxIdListBytes = 0x10000 * 16;

// Sum of the cb of the entries (no terminator); 0 for null or malformed lists.
std::size_t IdListSize(LPCITEMIDLIST list);
std::size_t IdListCount(LPCITEMIDLIST list);

// Decoders over a shell list (bounded by a walk of its cb chain).
bool DecodeItem(LPCITEMIDLIST list, ItemRecord* record);
bool DecodeLastItem(LPCITEMIDLIST list, ItemRecord* record);

// prefix entries + one entry for the record + terminator; null when memory
// fails or the record does not fit one entry (never a partial list).
LPITEMIDLIST MakeItemId(const ItemRecord& record, LPCITEMIDLIST prefix, ListAllocator allocator);

class ItemIdList {
public:
    ItemIdList() noexcept = default;  // empty: no list
    ItemIdList(const ItemIdList& other);
    ItemIdList& operator=(const ItemIdList& other);
    ItemIdList(ItemIdList&& other) noexcept;
    ItemIdList& operator=(ItemIdList&& other) noexcept;
    ~ItemIdList();

    static ItemIdList Copy(LPCITEMIDLIST list, ListAllocator allocator);
    static ItemIdList FromRecord(const ItemRecord& record, LPCITEMIDLIST prefix,
                                 ListAllocator allocator);
    // The namespace's desktop entry (header only) and terminator.
    static ItemIdList DesktopEntry(ListAllocator allocator);
    // Takes ownership of a list made by the given allocator.
    static ItemIdList Adopt(LPITEMIDLIST list, ListAllocator allocator) noexcept;

    LPITEMIDLIST Get() const noexcept { return list_; }
    bool Empty() const noexcept { return list_ == nullptr; }
    explicit operator bool() const noexcept { return list_ != nullptr; }
    ListAllocator Allocator() const noexcept { return allocator_; }

    std::size_t Size() const;   // without terminator
    std::size_t Count() const;  // entries
    LPCITEMIDLIST Entry(std::size_t index) const;  // null past the end
    LPCITEMIDLIST Last() const;
    // Appends another list's entries (an empty wrapper starts a list with its
    // allocator); false (unchanged) when memory fails or either list is
    // malformed.
    bool Append(LPCITEMIDLIST other);
    // Byte equality over the size; no list equals only another null list.
    bool Equals(LPCITEMIDLIST other) const;
    // Gives up ownership (the caller frees with the list's allocator).
    LPITEMIDLIST Detach() noexcept;
    void Reset() noexcept;

private:
    LPITEMIDLIST list_ = nullptr;
    ListAllocator allocator_ = ListAllocator::Heap;
};

}  // namespace orrel
