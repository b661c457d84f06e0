// Shell identifier lists (LPITEMIDLIST) and ItemIdList, with the shell's
// task allocator watched through a registered IMallocSpy.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "format_test_util.h"
#include "orrel/core/itemidlist.h"

using namespace formattest;
using orrel::ItemIdList;
using orrel::ItemRecord;
using orrel::ListAllocator;

namespace {

const Bytes kClsid = B({0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2, 0xD1, 0x11,
                        0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7});

Bytes ListBytes(LPCITEMIDLIST list, std::size_t withTerminator)
{
    const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(list);
    return Bytes(p, p + withTerminator);
}

Bytes EntryBytes(const ItemRecord& r)
{
    Bytes out;
    EXPECT_TRUE(orrel::AppendItemEntry(r, &out));
    return out;
}

ItemRecord Folder(const char* name)
{
    ItemRecord r;
    r.flags = 0x81;
    r.className = orrel::kFolderClass;
    r.displayName = name;
    EXPECT_TRUE(orrel::EncodePath(std::string(".") + name, &r.path));
    return r;
}

// Records every allocation and free of the task allocator while registered.
class RecordingSpy : public IMallocSpy {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = static_cast<IMallocSpy*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }

    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override
    {
        requested_.push_back(cbRequest);
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override
    {
        allocated_.push_back(pActual);
        return pActual;
    }
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL) override
    {
        freed_.push_back(pRequest);
        return pRequest;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void*, SIZE_T cbRequest, void** ppNewRequest, BOOL) override
    {
        *ppNewRequest = nullptr;
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override { return pActual; }
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

    bool Allocated(const void* p) const
    {
        for (void* a : allocated_)
            if (a == p) return true;
        return false;
    }
    bool Freed(const void* p) const
    {
        for (void* f : freed_)
            if (f == p) return true;
        return false;
    }
    std::size_t Allocations() const { return requested_.size(); }
    bool Requested(SIZE_T size) const
    {
        for (SIZE_T r : requested_)
            if (r == size) return true;
        return false;
    }

private:
    ULONG refs_ = 1;
    std::vector<SIZE_T> requested_;
    std::vector<void*> allocated_;
    std::vector<void*> freed_;
};

TEST(ShellList, MakeItemIdAppendsOneEntryAndTerminatorToThePrefix)
{
    ItemRecord a = Folder("Work"), b = SampleObject();
    LPITEMIDLIST first = orrel::MakeItemId(a, nullptr, ListAllocator::Shell);
    ASSERT_NE(nullptr, first);
    const Bytes ea = EntryBytes(a), eb = EntryBytes(b);
    EXPECT_EQ(Cat({ea, B({0, 0})}), ListBytes(first, ea.size() + 2));
    EXPECT_EQ(ea.size(), orrel::IdListSize(first));
    EXPECT_EQ(1u, orrel::IdListCount(first));

    LPITEMIDLIST both = orrel::MakeItemId(b, first, ListAllocator::Shell);
    ASSERT_NE(nullptr, both);
    EXPECT_EQ(Cat({ea, eb, B({0, 0})}), ListBytes(both, ea.size() + eb.size() + 2));
    EXPECT_EQ(ea.size() + eb.size(), orrel::IdListSize(both));
    EXPECT_EQ(2u, orrel::IdListCount(both));

    ItemRecord r;
    ASSERT_TRUE(orrel::DecodeItem(both, &r));
    EXPECT_TRUE(Same(a, r)) << "DecodeItem reads the first entry: " << Describe(r);
    ASSERT_TRUE(orrel::DecodeLastItem(both, &r));
    EXPECT_TRUE(Same(b, r)) << "DecodeLastItem reads the last entry: " << Describe(r);
    CoTaskMemFree(first);
    CoTaskMemFree(both);
}

TEST(ShellList, DesktopEntryAloneDecodesToTheRoot)
{
    ItemIdList desk = ItemIdList::DesktopEntry(ListAllocator::Shell);
    ASSERT_TRUE(desk);
    EXPECT_EQ(Cat({U16(20), B({0x1F, 0}), kClsid, B({0, 0})}), ListBytes(desk.Get(), 22));
    EXPECT_EQ(20u, desk.Size());
    ItemRecord r;
    EXPECT_FALSE(orrel::DecodeItem(desk.Get(), &r));
    EXPECT_FALSE(orrel::DecodeLastItem(desk.Get(), &r));
    EXPECT_TRUE(r.IsRoot()) << Describe(r);
}

TEST(ShellList, AbsoluteListDecodesItsLastEntryWithTheDesktopEntryInFront)
{
    ItemIdList desk = ItemIdList::DesktopEntry(ListAllocator::Heap);
    ItemIdList abs = ItemIdList::FromRecord(SampleObject(), desk.Get(), ListAllocator::Heap);
    ASSERT_TRUE(abs);
    EXPECT_EQ(2u, abs.Count());
    ItemRecord r;
    ASSERT_TRUE(orrel::DecodeLastItem(abs.Get(), &r));
    EXPECT_TRUE(Same(SampleObject(), r)) << Describe(r);
}

TEST(ShellList, MalformedListsMeasureAsNothingAndDoNotDecode)
{
    const Bytes ours = EntryBytes(SampleObject());
    struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"cb 1", B({1, 0, 0, 0})},
        {"cb 1 after an entry", Cat({ours, B({1, 0, 0, 0})})},
    };
    for (const auto& c : cases) {
        GuardedBytes data(c.bytes);
        LPCITEMIDLIST list = reinterpret_cast<LPCITEMIDLIST>(data.Data());
        EXPECT_EQ(0u, orrel::IdListSize(list)) << c.what;
        EXPECT_EQ(0u, orrel::IdListCount(list)) << c.what;
        ItemRecord r;
        EXPECT_FALSE(orrel::DecodeLastItem(list, &r)) << c.what;
        EXPECT_FALSE(orrel::DecodeItem(list, &r)) << c.what;
        EXPECT_FALSE(ItemIdList::Copy(list, ListAllocator::Heap)) << c.what << ": copied";
        EXPECT_EQ(nullptr, orrel::MakeItemId(SampleObject(), list, ListAllocator::Heap))
            << c.what << ": used as prefix";
    }
    ItemRecord r;
    EXPECT_EQ(0u, orrel::IdListSize(nullptr));
    EXPECT_FALSE(orrel::DecodeItem(static_cast<LPCITEMIDLIST>(nullptr), &r));
    EXPECT_FALSE(orrel::DecodeLastItem(static_cast<LPCITEMIDLIST>(nullptr), &r));
}

TEST(ShellList, EntriesAtOddAddressesAreReadByteWise)
{
    ItemRecord a = Folder("Odd");
    // A foreign entry of odd size first, so that ours starts at an odd address
    // (the guarded bytes end on a page boundary: an even size starts even).
    Bytes odd = Cat({B({3, 0, 0x55}), EntryBytes(a), B({0, 0})});
    if (odd.size() % 2) odd.push_back(0xEE);
    GuardedBytes data(odd);
    LPCITEMIDLIST pidl = reinterpret_cast<LPCITEMIDLIST>(data.Data());
    ASSERT_EQ(1u, reinterpret_cast<std::uintptr_t>(data.Data() + 3) & 1u);
    ItemRecord r;
    ASSERT_TRUE(orrel::DecodeItem(pidl, &r));
    EXPECT_TRUE(Same(a, r)) << Describe(r);
    EXPECT_EQ(2u, orrel::IdListCount(pidl));
    ItemIdList copy = ItemIdList::Copy(pidl, ListAllocator::Heap);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy.Equals(pidl));
    LPCITEMIDLIST second = copy.Entry(1);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(3, reinterpret_cast<const BYTE*>(second) - reinterpret_cast<const BYTE*>(copy.Get()));
}

TEST(ShellList, RecordTooLargeForOneEntryGivesNoList)
{
    ItemRecord big;
    big.displayName.assign(65501, 'n');  // cb would be 65536
    RecordingSpy spy;
    ASSERT_EQ(S_OK, CoRegisterMallocSpy(&spy));
    LPITEMIDLIST list = orrel::MakeItemId(big, nullptr, ListAllocator::Shell);
    ItemIdList wrapped = ItemIdList::FromRecord(big, nullptr, ListAllocator::Shell);
    std::size_t allocations = spy.Allocations();
    EXPECT_EQ(S_OK, CoRevokeMallocSpy());
    EXPECT_EQ(nullptr, list) << "an entry over 65535 bytes cannot be written";
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(0u, allocations) << "no partial or truncated list may be made";

    big.displayName.pop_back();  // cb 65535
    ItemIdList largest = ItemIdList::FromRecord(big, nullptr, ListAllocator::Heap);
    ASSERT_TRUE(largest);
    EXPECT_EQ(65535u, largest.Size());
    ItemRecord back;
    ASSERT_TRUE(orrel::DecodeLastItem(largest.Get(), &back));
    EXPECT_EQ(big.displayName.size(), back.displayName.size());
}

TEST(ItemIdListAllocator, ShellListsComeFromTheTaskAllocatorAndGoBackToIt)
{
    ItemRecord a = Folder("Alloc");
    const std::size_t expected = EntryBytes(a).size() + 2;
    RecordingSpy spy;
    ASSERT_EQ(S_OK, CoRegisterMallocSpy(&spy));
    void* shellList = nullptr;
    void* heapList = nullptr;
    {
        ItemIdList shell = ItemIdList::FromRecord(a, nullptr, ListAllocator::Shell);
        ItemIdList heap = ItemIdList::FromRecord(a, nullptr, ListAllocator::Heap);
        ASSERT_TRUE(shell);
        ASSERT_TRUE(heap);
        shellList = shell.Get();
        heapList = heap.Get();
        EXPECT_TRUE(spy.Allocated(shellList)) << "shell list not from the task allocator";
        EXPECT_FALSE(spy.Allocated(heapList)) << "heap list came from the task allocator";
        EXPECT_TRUE(spy.Requested(expected)) << "no task allocation of " << expected << " bytes";

        IMalloc* malloc = nullptr;
        ASSERT_EQ(S_OK, SHGetMalloc(&malloc));
        EXPECT_EQ(1, malloc->DidAlloc(shellList));
        malloc->Release();
    }
    EXPECT_TRUE(spy.Freed(shellList)) << "shell list not given back to the task allocator";
    EXPECT_FALSE(spy.Freed(heapList)) << "heap list given to the task allocator";
    EXPECT_EQ(S_OK, CoRevokeMallocSpy());
}

TEST(ItemIdListAllocator, DetachedShellListIsFreedByCoTaskMemFree)
{
    RecordingSpy spy;
    ASSERT_EQ(S_OK, CoRegisterMallocSpy(&spy));
    ItemIdList list = ItemIdList::DesktopEntry(ListAllocator::Shell);
    ItemIdList copy = ItemIdList::Copy(list.Get(), ListAllocator::Shell);
    LPITEMIDLIST detached = copy.Detach();
    EXPECT_FALSE(copy);
    EXPECT_TRUE(spy.Allocated(detached));
    CoTaskMemFree(detached);
    EXPECT_TRUE(spy.Freed(detached));
    list.Reset();
    EXPECT_EQ(S_OK, CoRevokeMallocSpy());
}

TEST(ItemIdListOwnership, CopiesAreDeepAndMovesTransfer)
{
    ItemIdList original = ItemIdList::FromRecord(SampleObject(), nullptr, ListAllocator::Shell);
    ASSERT_TRUE(original);
    ItemIdList copy(original);
    ASSERT_TRUE(copy);
    EXPECT_NE(original.Get(), copy.Get()) << "copy shares the list";
    EXPECT_TRUE(copy.Equals(original.Get()));
    EXPECT_EQ(ListAllocator::Shell, copy.Allocator());

    ItemIdList assigned = ItemIdList::DesktopEntry(ListAllocator::Heap);
    assigned = copy;
    EXPECT_TRUE(assigned.Equals(original.Get()));
    EXPECT_NE(copy.Get(), assigned.Get());
    EXPECT_EQ(ListAllocator::Shell, assigned.Allocator());

    LPITEMIDLIST raw = copy.Get();
    ItemIdList moved(std::move(copy));
    EXPECT_EQ(raw, moved.Get());
    EXPECT_FALSE(copy);  // NOLINT: moved-from is empty by contract
    ItemIdList target;
    target = std::move(moved);
    EXPECT_EQ(raw, target.Get());
    EXPECT_FALSE(moved);

    assigned = assigned;  // self-assignment keeps the list
    EXPECT_TRUE(assigned.Equals(original.Get()));
}

TEST(ItemIdListOwnership, EntryLastAppendAndEquals)
{
    ItemRecord a = Folder("A"), b = Folder("B"), c = SampleObject();
    ItemIdList list = ItemIdList::FromRecord(a, nullptr, ListAllocator::Heap);
    ItemIdList tail = ItemIdList::FromRecord(b, nullptr, ListAllocator::Heap);
    ItemIdList more = ItemIdList::FromRecord(c, tail.Get(), ListAllocator::Heap);
    ASSERT_TRUE(list && tail && more);
    const std::size_t ca = EntryBytes(a).size(), cb = EntryBytes(b).size(), cc = EntryBytes(c).size();

    ASSERT_TRUE(list.Append(more.Get()));
    EXPECT_EQ(3u, list.Count());
    EXPECT_EQ(ca + cb + cc, list.Size());
    const BYTE* base = reinterpret_cast<const BYTE*>(list.Get());
    EXPECT_EQ(base, reinterpret_cast<const BYTE*>(list.Entry(0)));
    EXPECT_EQ(base + ca, reinterpret_cast<const BYTE*>(list.Entry(1)));
    EXPECT_EQ(base + ca + cb, reinterpret_cast<const BYTE*>(list.Entry(2)));
    EXPECT_EQ(nullptr, list.Entry(3));
    EXPECT_EQ(list.Entry(2), list.Last());
    ItemRecord r;
    ASSERT_TRUE(orrel::DecodeItem(list.Entry(1), &r));
    EXPECT_EQ("B", r.displayName);

    ItemIdList same = ItemIdList::Copy(list.Get(), ListAllocator::Shell);
    EXPECT_TRUE(list.Equals(same.Get())) << "allocators do not matter to equality";
    EXPECT_FALSE(list.Equals(more.Get()));
    ItemIdList differs = same;
    reinterpret_cast<BYTE*>(differs.Get())[ca + cb + cc - 1] ^= 1;
    EXPECT_FALSE(list.Equals(differs.Get())) << "last byte differs";

    ItemIdList empty;
    EXPECT_FALSE(empty.Equals(list.Get()));
    EXPECT_TRUE(empty.Equals(nullptr));
    EXPECT_EQ(nullptr, empty.Last());
    EXPECT_EQ(0u, empty.Count());
    ASSERT_TRUE(empty.Append(tail.Get())) << "an empty wrapper starts a list";
    EXPECT_TRUE(empty.Equals(tail.Get()));
}

TEST(ItemIdListOwnership, AppendRefusesMalformedListAndKeepsItsOwn)
{
    ItemIdList list = ItemIdList::FromRecord(Folder("Keep"), nullptr, ListAllocator::Heap);
    ItemIdList before = list;
    GuardedBytes bad(B({1, 0, 0, 0}));
    EXPECT_FALSE(list.Append(reinterpret_cast<LPCITEMIDLIST>(bad.Data())));
    EXPECT_TRUE(list.Equals(before.Get()));
    EXPECT_TRUE(list.Append(nullptr)) << "appending no list changes nothing";
    EXPECT_TRUE(list.Equals(before.Get()));
}

}  // namespace
