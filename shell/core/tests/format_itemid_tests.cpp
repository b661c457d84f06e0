// Identifier entries, the byte-level list decoders and the "Orrel::Object"
// block, fed well-formed and hostile bytes placed against a guard page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format_test_util.h"
#include "orrel/core/itemid.h"

using namespace formattest;
using orrel::ItemRecord;

namespace {

const Bytes kClsid = B({0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2, 0xD1, 0x11,
                        0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7});
const Bytes kTerminator = B({0, 0});

Bytes Entry(const ItemRecord& r)
{
    Bytes out;
    EXPECT_TRUE(orrel::AppendItemEntry(r, &out));
    return out;
}

Bytes Desktop()
{
    Bytes out;
    orrel::AppendDesktopEntry(&out);
    return out;
}

// An entry of another namespace (a shell folder's entry has another class
// identifier after 0x1F 0x50).
Bytes Foreign(std::size_t cb)
{
    Bytes out = U16(static_cast<unsigned>(cb));
    out.push_back(0x1F);
    out.push_back(0x50);
    for (std::size_t i = 4; i < cb; ++i) out.push_back(static_cast<std::uint8_t>(0xE0 + i));
    return out;
}

TEST(EntryLayout, EmptyRecordEntryIsCb34WithHeaderAndClassIdentifier)
{
    ItemRecord r;
    Bytes entry = Entry(r);
    ASSERT_EQ(34u, entry.size()) << Hex(entry);
    EXPECT_EQ(Cat({U16(34), B({0x1F, 0x00}), kClsid, Bytes(14, 0)}), entry) << Hex(entry);
}

TEST(EntryLayout, EntryIsHeaderThenSerialisedRecord)
{
    ItemRecord r = SampleObject();
    Bytes record(r.RecordSize());
    ASSERT_EQ(record.size(), r.SerialiseRecord(record.data(), record.size()));
    Bytes entry = Entry(r);
    EXPECT_EQ(Cat({U16(static_cast<unsigned>(20 + record.size())), B({0x1F, 0}), kClsid, record}),
              entry)
        << Hex(entry);
}

TEST(EntryLayout, DesktopEntryIsTheHeaderAlone)
{
    EXPECT_EQ(Cat({U16(20), B({0x1F, 0x00}), kClsid}), Desktop());
}

TEST(EntryLayout, EntryThatWouldNotFitCbIsRefusedWhole)
{
    ItemRecord r;
    // 4 + four empty counts (8) + 2 + n + 1 = n + 15; cb = n + 35.
    r.displayName.assign(65500, 'd');
    Bytes out = B({0xAA});
    ASSERT_TRUE(orrel::AppendItemEntry(r, &out)) << "cb 65535 is the largest entry";
    EXPECT_EQ(1u + 65535u, out.size());
    EXPECT_EQ(U16(0xFFFF), Bytes(out.begin() + 1, out.begin() + 3));

    r.displayName.push_back('d');  // cb would be 65536 and wrap to 0
    out = B({0xAA});
    EXPECT_FALSE(orrel::AppendItemEntry(r, &out));
    EXPECT_EQ(B({0xAA}), out) << "nothing may be appended";
}

struct ListCase {
    const char* what;
    Bytes bytes;
    bool measures;
    std::size_t bytesBefore;  // when it measures
    std::size_t entries;
    bool decodes;      // DecodeItem
    bool decodesLast;  // DecodeLastItem
};

// Applies the three decoders to a case; a decode that succeeds must give the
// sample record.
void CheckCase(const ListCase& c, const ItemRecord& expected)
{
    GuardedBytes data(c.bytes);
    ASSERT_TRUE(data.Valid());
    std::size_t bytes = 12345, entries = 12345;
    bool measured = orrel::MeasureIdList(data.Data(), data.Size(), &bytes, &entries);
    EXPECT_EQ(c.measures, measured) << c.what << ": MeasureIdList";
    if (c.measures && measured) {
        EXPECT_EQ(c.bytesBefore, bytes) << c.what << ": bytes before the terminator";
        EXPECT_EQ(c.entries, entries) << c.what << ": entries";
    }

    ItemRecord first;
    first.displayName = "untouched";
    bool decoded = orrel::DecodeItem(data.Data(), data.Size(), &first);
    EXPECT_EQ(c.decodes, decoded) << c.what << ": DecodeItem";
    if (decoded)
        EXPECT_TRUE(Same(expected, first)) << c.what << ": DecodeItem read " << Describe(first);
    else
        EXPECT_EQ("untouched", first.displayName) << c.what << ": DecodeItem changed the record";

    ItemRecord last;
    bool decodedLast = orrel::DecodeLastItem(data.Data(), data.Size(), &last);
    EXPECT_EQ(c.decodesLast, decodedLast) << c.what << ": DecodeLastItem";
    if (decodedLast)
        EXPECT_TRUE(Same(expected, last)) << c.what << ": DecodeLastItem read " << Describe(last);
    else
        EXPECT_TRUE(last.IsRoot()) << c.what << ": DecodeLastItem changed the record to "
                                   << Describe(last);
}

TEST(ListDecoding, FindsOurEntriesAndSkipsOthers)
{
    const ItemRecord sample = SampleObject();
    const Bytes ours = Entry(sample);
    const std::size_t cb = ours.size();
    const ListCase cases[] = {
        {"desktop entry only", Cat({Desktop(), kTerminator}), true, 20, 1, false, false},
        {"empty list", kTerminator, true, 0, 0, false, false},
        {"ours alone", Cat({ours, kTerminator}), true, cb, 1, true, true},
        {"desktop entry then ours", Cat({Desktop(), ours, kTerminator}), true, 20 + cb, 2, true, true},
        {"foreign entry first", Cat({Foreign(14), ours, kTerminator}), true, 14 + cb, 2, true, true},
        {"ours then foreign", Cat({ours, Foreign(14), kTerminator}), true, cb + 14, 2, true, false},
        {"odd cb before ours", Cat({Foreign(13), ours, kTerminator}), true, 13 + cb, 2, true, true},
        {"bytes after the terminator", Cat({ours, kTerminator, B({7, 7, 7})}), true, cb, 1, true, true},
    };
    for (const ListCase& c : cases) CheckCase(c, sample);
}

TEST(ListDecoding, HostileListsNeitherLoopNorReadPastTheirEnd)
{
    const ItemRecord sample = SampleObject();
    const Bytes ours = Entry(sample);
    const std::size_t cb = ours.size();

    Bytes cbPastEnd = ours;
    cbPastEnd[0] = static_cast<std::uint8_t>(cb + 10);
    Bytes byte3Set = ours;
    byte3Set[3] = 0x01;
    Bytes otherSignature = ours;
    otherSignature[2] = 0x2E;
    Bytes otherClsid = ours;
    otherClsid[19] ^= 0x01;
    // The first counted string claims more bytes than the entry holds; the
    // next entry's bytes lie right behind it.
    Bytes stringPastEntry = ours;
    stringPastEntry[20] = 0xF0;
    Bytes missingZero = ours;
    missingZero[20 + 2 + sample.path.size()] = 'X';
    // Header of ours but shorter than a class identifier: comparing 16 bytes
    // would read past the buffer.
    Bytes shortSigned = Cat({U16(10), B({0x1F, 0x00, 0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2})});

    const ListCase cases[] = {
        {"nothing", {}, false, 0, 0, false, false},
        {"half a cb", B({0}), false, 0, 0, false, false},
        {"cb 1", Cat({B({1, 0}), ours, kTerminator}), false, 0, 0, false, false},
        {"cb 2 then ours", Cat({B({2, 0}), ours, kTerminator}), true, 2 + cb, 2, false, true},
        {"cb past the end", cbPastEnd, false, 0, 0, false, false},
        {"cb 0xFFFF", Cat({B({0xFF, 0xFF, 0x1F, 0}), kClsid}), false, 0, 0, false, false},
        {"no terminator", ours, false, 0, 0, true, false},
        {"half a terminator", Cat({ours, B({0})}), false, 0, 0, true, false},
        {"byte 3 not zero", Cat({byte3Set, kTerminator}), true, cb, 1, true, false},
        {"other signature", Cat({otherSignature, kTerminator}), true, cb, 1, false, false},
        {"other class identifier", Cat({otherClsid, kTerminator}), true, cb, 1, false, false},
        {"string longer than entry", Cat({stringPastEntry, ours, kTerminator}), true, 2 * cb, 2,
         false, true},
        {"string without zero", Cat({missingZero, kTerminator}), true, cb, 1, false, false},
        {"short entry with our signature", shortSigned, false, 0, 0, false, false},
        {"short entry then terminator", Cat({shortSigned, kTerminator}), true, 10, 1, false, false},
    };
    for (const ListCase& c : cases) CheckCase(c, sample);

    ItemRecord r;
    EXPECT_FALSE(orrel::DecodeItem(nullptr, 100, &r));
    EXPECT_FALSE(orrel::DecodeLastItem(nullptr, 100, &r));
    EXPECT_FALSE(orrel::MeasureIdList(nullptr, 100, nullptr));
}

TEST(ListDecoding, DamagedRecordOfOursIsAFailureNotAnEmptyItem)
{
    // The entry is ours by header, but its record is cut: passing it on as
    // an item would show (or drop) a namespace root that nobody selected.
    Bytes entry = Cat({U16(24), B({0x1F, 0}), kClsid, B({5, 0, 'a', 'b'})});
    GuardedBytes data(Cat({entry, kTerminator}));
    ItemRecord r = SampleObject();
    EXPECT_FALSE(orrel::DecodeItem(data.Data(), data.Size(), &r));
    EXPECT_FALSE(orrel::DecodeLastItem(data.Data(), data.Size(), &r));
    EXPECT_TRUE(Same(SampleObject(), r)) << Describe(r);
}

TEST(ObjectBlock, TwoItemsTakeFourPlusEachListAndItsTerminator)
{
    ItemRecord a = SampleObject();
    ItemRecord b;
    b.flags = 0x81;
    b.className = orrel::kFolderClass;
    b.displayName = "Work";
    ASSERT_TRUE(orrel::EncodePath(".Work", &b.path));
    const Bytes la = Entry(a), lb = Entry(b);
    Bytes block;
    ASSERT_TRUE(orrel::BuildObjectBlock({la, lb}, &block));
    EXPECT_EQ(4 + (la.size() + 2) + (lb.size() + 2), block.size());
    EXPECT_EQ(Cat({B({2, 0, 0, 0}), la, kTerminator, lb, kTerminator}), block) << Hex(block);

    GuardedBytes data(block);
    std::vector<Bytes> lists;
    ASSERT_TRUE(orrel::ParseObjectBlock(data.Data(), data.Size(), &lists));
    ASSERT_EQ(2u, lists.size());
    EXPECT_EQ(la, lists[0]);
    EXPECT_EQ(lb, lists[1]);
    ItemRecord back;
    ASSERT_TRUE(orrel::DecodeItem(lists[1].data(), lists[1].size(), &back))
        << "a list given without its terminator still decodes: the entry lies within it";
    EXPECT_TRUE(Same(b, back)) << Describe(back);
}

TEST(ObjectBlock, EmptySelectionIsTheCountAlone)
{
    Bytes block;
    ASSERT_TRUE(orrel::BuildObjectBlock({}, &block));
    EXPECT_EQ(B({0, 0, 0, 0}), block);
    std::vector<Bytes> lists(3);
    EXPECT_TRUE(orrel::ParseObjectBlock(block.data(), block.size(), &lists));
    EXPECT_TRUE(lists.empty()) << lists.size() << " lists";
}

TEST(ObjectBlock, RefusesListsThatAreNotWholeEntries)
{
    const Bytes ours = Entry(SampleObject());
    Bytes cut(ours.begin(), ours.end() - 1);
    Bytes withTerminator = Cat({ours, kTerminator});
    Bytes block = B({9});
    EXPECT_FALSE(orrel::BuildObjectBlock({ours, cut}, &block));
    EXPECT_FALSE(orrel::BuildObjectBlock({withTerminator}, &block))
        << "a list that carries its own terminator would end the block's list early";
    EXPECT_FALSE(orrel::BuildObjectBlock({B({1, 0})}, &block));
    EXPECT_EQ(B({9}), block) << "out must be left alone";
}

struct BlockCase {
    const char* what;
    Bytes bytes;
    bool parses;
    std::size_t lists;  // read before the fault, or in all
};

TEST(ObjectBlock, HostileBlocksFailWithTheListsReadSoFar)
{
    const Bytes ours = Entry(SampleObject());
    const Bytes one = Cat({ours, kTerminator});
    const BlockCase cases[] = {
        {"nothing", {}, false, 0},
        {"count cut", B({1, 0, 0}), false, 0},
        {"count larger than the lists", Cat({B({3, 0, 0, 0}), one, one}), false, 2},
        {"count 0xFFFFFFFF", Cat({B({0xFF, 0xFF, 0xFF, 0xFF}), one}), false, 1},
        {"count negative as signed", Cat({B({0, 0, 0, 0x80}), one}), false, 1},
        {"list without terminator", Cat({B({1, 0, 0, 0}), ours}), false, 0},
        {"cb past the end", Cat({B({1, 0, 0, 0}), B({0x40, 0, 0x1F, 0})}), false, 0},
        {"cb 1", Cat({B({1, 0, 0, 0}), B({1, 0, 0, 0})}), false, 0},
        {"second list broken", Cat({B({2, 0, 0, 0}), one, B({5, 0, 1})}), false, 1},
        {"bytes after the last list", Cat({B({1, 0, 0, 0}), one, Bytes(12, 0xEE)}), true, 1},
        {"empty lists", B({2, 0, 0, 0, 0, 0, 0, 0}), true, 2},
    };
    for (const BlockCase& c : cases) {
        GuardedBytes data(c.bytes);
        ASSERT_TRUE(data.Valid());
        std::vector<Bytes> lists;
        EXPECT_EQ(c.parses, orrel::ParseObjectBlock(data.Data(), data.Size(), &lists)) << c.what;
        EXPECT_EQ(c.lists, lists.size()) << c.what << ": lists read";
    }
}

}  // namespace
