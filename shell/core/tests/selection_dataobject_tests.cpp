// The selection data object, its format enumerator and the reader of
// "Orrel::Object", through IDataObject and IEnumFORMATETC.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstring>

#include "orrel/core/dataobject.h"
#include "selection_support.h"

using orrel::ComPtr;
using orrel::ItemRecord;
using orrel::SelectionDataObject;
using seltest::Bytes;

namespace {

ComPtr<SelectionDataObject> MakeDataObject(const std::vector<ItemRecord>& records = {})
{
    ComPtr<SelectionDataObject> data;
    data.Attach(new SelectionDataObject);
    for (const ItemRecord& record : records) EXPECT_TRUE(data->AddRecord(record));
    return data;
}

CLIPFORMAT Registered(const char* name)
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

std::uint32_t CountOf(const Bytes& block)
{
    std::uint32_t count = 0;
    if (block.size() >= 4) std::memcpy(&count, block.data(), 4);
    return count;
}

TEST(SelectionDataObject, QueryGetDataChecksAspectIndexMediumAndFormatInThatOrder)
{
    ComPtr<SelectionDataObject> data = MakeDataObject({seltest::ObjectRecord("User", "Alice")});
    const CLIPFORMAT own = orrel::ObjectClipboardFormat();
    ASSERT_NE(0, own);
    struct Case {
        const char* what;
        FORMATETC format;
        HRESULT expected;
    } cases[] = {
        {"all wrong", {CF_TEXT, nullptr, DVASPECT_ICON, 0, TYMED_FILE}, DV_E_DVASPECT},
        {"index, kind, format wrong", {CF_TEXT, nullptr, DVASPECT_CONTENT, 0, TYMED_FILE}, DV_E_LINDEX},
        {"kind 2, format wrong", {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE}, DV_E_TYMED},
        {"own format, kind 2", {own, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE}, DV_E_TYMED},
        {"format wrong", {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {"own format", {own, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, S_OK},
        {"own format, any of several kinds", {own, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM}, S_OK},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.expected, data->QueryGetData(&c.format)) << c.what;
        STGMEDIUM medium = {};
        HRESULT hr = data->GetData(&c.format, &medium);
        EXPECT_EQ(c.expected, hr) << "GetData, " << c.what;
        if (SUCCEEDED(hr)) ReleaseStgMedium(&medium);
        else EXPECT_EQ(static_cast<DWORD>(TYMED_NULL), medium.tymed) << "medium untouched, " << c.what;
    }
    EXPECT_EQ(E_INVALIDARG, data->QueryGetData(nullptr));
    EXPECT_EQ(E_INVALIDARG, data->GetData(nullptr, nullptr));
    FORMATETC format = orrel::ObjectFormatEtc();
    EXPECT_EQ(E_INVALIDARG, data->GetData(&format, nullptr));
}

TEST(SelectionDataObject, GetDataBuildsCountAndListsWithTerminatorsForZeroOneAndTwoItems)
{
    ItemRecord alice = seltest::ObjectRecord("User", "Alice");
    ItemRecord staff = seltest::ObjectRecord("Group", "Staff");
    Bytes list1 = seltest::ListBytes(seltest::ListOf(alice));
    Bytes list2 = seltest::ListBytes(seltest::ListOf(staff));
    ASSERT_GT(list1.size(), 22u);

    for (std::size_t items = 0; items <= 2; ++items) {
        std::vector<ItemRecord> records;
        if (items >= 1) records.push_back(alice);
        if (items >= 2) records.push_back(staff);
        ComPtr<SelectionDataObject> data = MakeDataObject(records);

        Bytes block;
        STGMEDIUM seen = {};
        ASSERT_EQ(S_OK, seltest::ObjectBlock(data.Get(), &block, &seen)) << items << " items";
        EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), seen.tymed);
        EXPECT_EQ(nullptr, seen.pUnkForRelease) << "the receiver owns the block";

        Bytes expected = {static_cast<std::uint8_t>(items), 0, 0, 0};
        if (items >= 1) expected.insert(expected.end(), list1.begin(), list1.end());
        if (items >= 2) expected.insert(expected.end(), list2.begin(), list2.end());
        EXPECT_EQ(expected.size(), block.size()) << "4 + the sum of (cb + 2), " << items << " items";
        EXPECT_EQ(items, CountOf(block));
        EXPECT_TRUE(block == expected) << items << " items: block bytes differ";
    }
}

TEST(SelectionDataObject, EveryGetDataHandsOutABlockOfItsOwn)
{
    ComPtr<SelectionDataObject> data = MakeDataObject({seltest::ObjectRecord("User", "Alice")});
    FORMATETC format = orrel::ObjectFormatEtc();
    STGMEDIUM first = {}, second = {};
    ASSERT_EQ(S_OK, data->GetData(&format, &first));
    ASSERT_EQ(S_OK, data->GetData(&format, &second));
    EXPECT_NE(first.hGlobal, second.hGlobal);
    ReleaseStgMedium(&first);
    orrel::GlobalLock lock(second.hGlobal);
    ASSERT_TRUE(lock) << "the second block survives the release of the first";
    EXPECT_EQ(1u, *static_cast<const std::uint32_t*>(lock.Data()));
    ReleaseStgMedium(&second);
}

TEST(SelectionDataObject, AddIdListCopiesWholeListsAndRefusesMalformedOnes)
{
    ComPtr<SelectionDataObject> data = MakeDataObject();
    orrel::ItemIdList alice = seltest::ListOf(seltest::ObjectRecord("User", "Alice"));
    orrel::ItemIdList twoEntries = orrel::ItemIdList::DesktopEntry(orrel::ListAllocator::Heap);
    ASSERT_TRUE(twoEntries.Append(alice.Get()));
    const std::uint8_t broken[] = {1, 0, 0x1F, 0, 0, 0};  // cb of 1

    EXPECT_FALSE(data->AddIdList(nullptr));
    EXPECT_FALSE(data->AddIdList(reinterpret_cast<LPCITEMIDLIST>(broken)));
    EXPECT_TRUE(data->AddIdList(twoEntries.Get()));
    EXPECT_EQ(1u, data->Count());

    Bytes block;
    ASSERT_EQ(S_OK, seltest::ObjectBlock(data.Get(), &block));
    Bytes expected = {1, 0, 0, 0};
    Bytes list = seltest::ListBytes(twoEntries);
    expected.insert(expected.end(), list.begin(), list.end());
    EXPECT_TRUE(block == expected) << "block of " << block.size() << " bytes, expected " << expected.size();
}

TEST(SelectionDataObject, UnsupportedMethodsAnswerTheirCodes)
{
    ComPtr<SelectionDataObject> data = MakeDataObject();
    FORMATETC format = orrel::ObjectFormatEtc(), out = {};
    STGMEDIUM medium = {};
    DWORD connection = 0;
    IEnumSTATDATA* advises = nullptr;
    EXPECT_EQ(E_NOTIMPL, data->GetDataHere(&format, &medium));
    EXPECT_EQ(E_NOTIMPL, data->GetCanonicalFormatEtc(&format, &out));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, data->DAdvise(&format, 0, nullptr, &connection));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, data->DUnadvise(connection));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, data->EnumDAdvise(&advises));
}

TEST(SelectionDataObject, SetDataAcceptsOnlyTheDragLoopFlagAndKeepsNothing)
{
    ComPtr<SelectionDataObject> data = MakeDataObject({seltest::ObjectRecord("User", "Alice")});
    const CLIPFORMAT dragLoop = Registered("InShellDragLoop");
    struct Case {
        const char* what;
        CLIPFORMAT format;
        DWORD value;
        BOOL release;
        HRESULT expected;
        int releases;  // of the medium, by the data object
    } cases[] = {
        {"drag loop 1, kept by caller", dragLoop, 1, FALSE, S_OK, 0},
        {"drag loop 0, kept by caller", dragLoop, 0, FALSE, S_OK, 0},
        {"drag loop, handed over", dragLoop, 1, TRUE, S_OK, 1},
        {"own format", orrel::ObjectClipboardFormat(), 1, TRUE, E_NOTIMPL, 0},
        {"other format", CF_TEXT, 1, TRUE, DV_E_FORMATETC, 0},
    };
    for (const Case& c : cases) {
        orrel::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD)));
        ASSERT_TRUE(memory);
        {
            orrel::GlobalLock lock(memory.Get());
            std::memcpy(lock.Data(), &c.value, sizeof c.value);
        }
        seltest::ReleaseCounter counter;
        FORMATETC format = {c.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = memory.Get();
        medium.pUnkForRelease = &counter;
        EXPECT_EQ(c.expected, data->SetData(&format, &medium, c.release)) << c.what;
        EXPECT_EQ(c.releases, counter.releases) << "medium releases, " << c.what;
        EXPECT_EQ(0u, GlobalFlags(memory.Get()) & GMEM_LOCKCOUNT) << "left unlocked, " << c.what;
    }
    FORMATETC loopFormat = {dragLoop, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(DV_E_FORMATETC, data->QueryGetData(&loopFormat)) << "the flag is not kept";
    EXPECT_EQ(E_NOTIMPL, data->SetData(nullptr, nullptr, FALSE));
    EXPECT_EQ(E_INVALIDARG, data->SetData(&loopFormat, nullptr, FALSE));
}

TEST(FormatEnumerator, OffersExactlyTheOwnFormatThenNothing)
{
    ComPtr<SelectionDataObject> data = MakeDataObject();
    ComPtr<IEnumFORMATETC> formats;
    EXPECT_EQ(E_NOTIMPL, data->EnumFormatEtc(DATADIR_SET, formats.Put()));
    EXPECT_EQ(E_INVALIDARG, data->EnumFormatEtc(DATADIR_GET, nullptr));
    ASSERT_EQ(S_OK, data->EnumFormatEtc(DATADIR_GET, formats.Put()));

    FORMATETC got[5] = {};
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, formats->Next(5, got, &fetched)) << "fewer than asked for";
    EXPECT_EQ(1u, fetched);
    EXPECT_EQ(orrel::ObjectClipboardFormat(), got[0].cfFormat);
    EXPECT_EQ(nullptr, got[0].ptd);
    EXPECT_EQ(static_cast<DWORD>(DVASPECT_CONTENT), got[0].dwAspect);
    EXPECT_EQ(-1, got[0].lindex);
    EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), got[0].tymed);
    fetched = 99;
    EXPECT_EQ(S_FALSE, formats->Next(5, got, &fetched));
    EXPECT_EQ(0u, fetched);

    ASSERT_EQ(S_OK, formats->Reset());
    EXPECT_EQ(S_OK, formats->Next(1, got, nullptr));
    ASSERT_EQ(S_OK, formats->Reset());
    EXPECT_EQ(S_FALSE, formats->Next(0, got, &fetched));
    EXPECT_EQ(S_FALSE, formats->Next(1, nullptr, &fetched));
    EXPECT_EQ(S_OK, formats->Skip(1));
    EXPECT_EQ(S_FALSE, formats->Next(1, got, &fetched));
    ASSERT_EQ(S_OK, formats->Reset());
    EXPECT_EQ(S_FALSE, formats->Skip(2)) << "only one format to skip";
    EXPECT_EQ(S_FALSE, formats->Skip(0xFFFFFFFFu));
    EXPECT_EQ(S_FALSE, formats->Next(1, got, &fetched)) << "the position does not wrap";

    ComPtr<IEnumFORMATETC> clone;
    ASSERT_EQ(S_OK, formats->Clone(clone.Put()));
    EXPECT_EQ(S_OK, clone->Next(1, got, &fetched)) << "a clone starts at the beginning";
    EXPECT_EQ(1u, fetched);
    EXPECT_EQ(E_POINTER, formats->Clone(nullptr));
}

TEST(SelectionDataObject, ReferencesReturnTheModuleCounterToWhereItWas)
{
    LONG before = orrel::Module::LockCount();
    {
        ComPtr<SelectionDataObject> data = MakeDataObject({seltest::ObjectRecord("User", "Alice")});
        ComPtr<IEnumFORMATETC> formats, clone;
        ASSERT_EQ(S_OK, data->EnumFormatEtc(DATADIR_GET, formats.Put()));
        ASSERT_EQ(S_OK, formats->Clone(clone.Put()));
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(S_OK, data->QueryInterface(IID_IUnknown, unknown.PutVoid()));
        EXPECT_EQ(before + 4, orrel::Module::LockCount());
    }
    EXPECT_EQ(before, orrel::Module::LockCount());
}

// ---------------------------------------------------------------------------
// ReadSelection

TEST(ReadSelection, ReadsBackEveryRecordOfTheSelectionAndAppends)
{
    ItemRecord alice = seltest::ObjectRecord("User", "Alice");
    alice.flags = orrel::ITEM_ALIAS;
    ItemRecord folder;
    folder.flags = orrel::ITEM_FOLDER | orrel::ITEM_CONTAINER;
    folder.className = orrel::kFolderClass;
    folder.displayName = "Mine";
    folder.server = "srv";
    ComPtr<SelectionDataObject> data = MakeDataObject({alice, folder});

    std::vector<ItemRecord> records(1);
    ASSERT_TRUE(orrel::ReadSelection(data.Get(), &records));
    ASSERT_EQ(3u, records.size()) << "appended to what was there";
    const ItemRecord* expected[] = {&alice, &folder};
    for (int i = 0; i < 2; ++i) {
        const ItemRecord& got = records[i + 1];
        EXPECT_EQ(expected[i]->flags, got.flags) << i;
        EXPECT_EQ(expected[i]->displayName, got.displayName) << i;
        EXPECT_EQ(expected[i]->className, got.className) << i;
        EXPECT_EQ(expected[i]->path, got.path) << i;
        EXPECT_EQ(expected[i]->tree, got.tree) << i;
        EXPECT_EQ(expected[i]->server, got.server) << i;
    }
}

TEST(ReadSelection, GoesThroughTheOleClipboard)
{
    ComPtr<SelectionDataObject> data = MakeDataObject({seltest::ObjectRecord("User", "Alice"),
                                                       seltest::ObjectRecord("User", "Bob")});
    ASSERT_EQ(S_OK, OleSetClipboard(data.Get()));
    ComPtr<IDataObject> clipboard;
    ASSERT_EQ(S_OK, OleGetClipboard(clipboard.Put()));
    std::vector<ItemRecord> records;
    EXPECT_TRUE(orrel::ReadSelection(clipboard.Get(), &records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Bob", records[1].displayName);
    clipboard.Reset();
    EXPECT_EQ(S_OK, OleSetClipboard(nullptr));
}

TEST(ReadSelection, FailsOnEveryDamagedOrHostileBlockAndReleasesTheMedium)
{
    Bytes alice = seltest::ListBytes(seltest::ListOf(seltest::ObjectRecord("User", "Alice")));
    Bytes foreign = alice;
    foreign[4] ^= 0xFF;  // another namespace's class identifier
    Bytes damaged = alice;
    damaged[20] = 0xF0;  // the record's first count runs past the entry
    Bytes desktop = seltest::ListBytes(orrel::ItemIdList::DesktopEntry(orrel::ListAllocator::Heap));
    auto block = [](std::uint32_t count, std::initializer_list<Bytes> lists) {
        Bytes out(4);
        std::memcpy(out.data(), &count, 4);
        for (const Bytes& list : lists) out.insert(out.end(), list.begin(), list.end());
        return out;
    };
    Bytes cut = block(1, {alice});
    cut.resize(cut.size() - 2);  // no terminator
    Bytes runsPast = block(1, {alice});
    runsPast.resize(10);

    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"no selection", block(0, {})},
        {"shorter than the count", {1, 0, 0}},
        {"count without lists", block(1, {})},
        {"fewer lists than counted", block(2, {alice})},
        {"huge count", block(0xFFFFFFFFu, {alice})},
        {"list without terminator", cut},
        {"entry running past the block", runsPast},
        {"another namespace's entry", block(1, {foreign})},
        {"desktop entry only", block(1, {desktop})},
        {"record bytes damaged", block(1, {damaged})},
        {"second list bad", block(2, {alice, foreign})},
    };
    for (const Case& c : cases) {
        ComPtr<seltest::BlockDataObject> source = seltest::BlockDataObject::Make(c.bytes);
        std::vector<ItemRecord> records;
        EXPECT_FALSE(orrel::ReadSelection(source.Get(), &records)) << c.what;
        EXPECT_TRUE(records.empty()) << c.what << ": " << records.size() << " records left in use";
        EXPECT_EQ(source->handedOut, source->counter.releases) << "medium released, " << c.what;
    }

    ComPtr<seltest::BlockDataObject> good = seltest::BlockDataObject::Make(block(1, {alice, foreign}));
    std::vector<ItemRecord> records;
    EXPECT_TRUE(orrel::ReadSelection(good.Get(), &records)) << "bytes after the counted lists are ignored";
    EXPECT_EQ(1, good->counter.releases);

    ComPtr<seltest::BlockDataObject> stream = seltest::BlockDataObject::Make(block(1, {alice}));
    stream->tymed = TYMED_ISTREAM;
    EXPECT_FALSE(orrel::ReadSelection(stream.Get(), &records)) << "a medium of another kind";
    ASSERT_TRUE(stream->stream);
    stream->stream->AddRef();
    EXPECT_EQ(1u, stream->stream->Release()) << "the stream handed over was released";

    ComPtr<seltest::BlockDataObject> refusing = seltest::BlockDataObject::Make(block(1, {alice}));
    refusing->result = DV_E_FORMATETC;
    EXPECT_FALSE(orrel::ReadSelection(refusing.Get(), &records));
    EXPECT_FALSE(orrel::ReadSelection(nullptr, &records));
    EXPECT_EQ(1u, records.size());
}

}  // namespace
