// ItemRecord's serialised form and the label-counted path.
#include <gtest/gtest.h>

#include <string>

#include "format_test_util.h"
#include "orrel/core/itemrecord.h"

using namespace formattest;
using orrel::ItemRecord;

namespace {

Bytes Serialise(const ItemRecord& r)
{
    Bytes out(r.RecordSize() + 8, 0xCC);
    std::size_t n = r.SerialiseRecord(out.data(), out.size());
    out.resize(n);
    return out;
}

TEST(RecordLayout, EmptyRecordIsFiveZeroCountsAndFlags)
{
    ItemRecord r;
    r.flags = 0x81;
    EXPECT_EQ(14u, r.RecordSize());
    Bytes expected = B({0, 0, 0, 0, 0, 0, 0, 0, 0x81, 0, 0, 0, 0, 0});
    Bytes got = Serialise(r);
    EXPECT_EQ(expected, got) << "got " << Hex(got);
    EXPECT_TRUE(r.IsRoot());
}

TEST(RecordLayout, ThreeLetterStringIsCountFourThenBytesAndZero)
{
    ItemRecord r;
    r.path = "Abc";
    Bytes got = Serialise(r);
    ASSERT_GE(got.size(), 6u) << "got " << Hex(got);
    EXPECT_EQ(B({4, 0, 'A', 'b', 'c', 0}), Bytes(got.begin(), got.begin() + 6)) << "got " << Hex(got);
    EXPECT_EQ(18u, r.RecordSize());
}

TEST(RecordLayout, FieldsAreWrittenPathTreeClassNameFlagsServer)
{
    ItemRecord r;
    r.path = std::string("\x02" "Ou");
    r.tree = "T";
    r.className = "Tree Root";
    r.displayName = "N";
    r.flags = 0x12345678;
    r.server = "srv";
    Bytes expected = Cat({U16(4), Text("\x02Ou"), U16(2), Text("T"), U16(10), Text("Tree Root"),
                          U16(2), Text("N"), B({0x78, 0x56, 0x34, 0x12}), U16(4), Text("srv")});
    Bytes got = Serialise(r);
    EXPECT_EQ(expected, got) << "got " << Hex(got);
    EXPECT_EQ(expected.size(), r.RecordSize());
    EXPECT_FALSE(r.IsRoot());
}

TEST(RecordLayout, WritesNothingIntoTooSmallBuffer)
{
    ItemRecord r = SampleObject();
    Bytes out(r.RecordSize() - 1, 0xCC);
    EXPECT_EQ(0u, r.SerialiseRecord(out.data(), out.size()));
    EXPECT_EQ(0u, r.SerialiseRecord(nullptr, 100));
}

TEST(RecordLayout, TextStopsAtAnEmbeddedZeroSoItReadsBackTheSame)
{
    ItemRecord r;
    r.displayName = std::string("ab\0cd", 5);
    Bytes got = Serialise(r);
    EXPECT_EQ(got.size(), r.RecordSize());
    ItemRecord back;
    ASSERT_TRUE(back.DeserialiseRecord(got.data(), got.size())) << "bytes " << Hex(got);
    EXPECT_EQ("ab", back.displayName);
}

TEST(RecordLayout, RefusesStringLongerThanA16BitCount)
{
    ItemRecord r;
    r.tree.assign(65535, 't');  // count would be 65536
    Bytes out(70000);
    EXPECT_EQ(0u, r.SerialiseRecord(out.data(), out.size()));
    r.tree.resize(65534);  // count 65535: the longest that fits
    EXPECT_EQ(r.RecordSize(), r.SerialiseRecord(out.data(), out.size()));
}

TEST(RecordRoundTrip, EveryFieldComesBack)
{
    ItemRecord r = SampleObject();
    r.server = "10.0.0.1";
    r.flags = 0x1301;
    Bytes bytes = Serialise(r);
    ItemRecord back;
    ASSERT_TRUE(back.DeserialiseRecord(bytes.data(), bytes.size()));
    EXPECT_TRUE(Same(r, back)) << "wrote " << Describe(r) << "\nread " << Describe(back);
}

struct HostileRecord {
    const char* what;
    Bytes bytes;
};

TEST(RecordReader, RefusesDamagedBytesAndLeavesRecordAlone)
{
    const Bytes empty14 = B({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0});
    const HostileRecord cases[] = {
        {"nothing", {}},
        {"one byte of a count", B({3})},
        {"count past the end", Cat({U16(200), Text("abc")})},
        {"count one past the end", Cat({U16(5), Text("abc")})},
        {"count 0xFFFF", Cat({U16(0xFFFF), Text("x")})},
        {"no terminating zero", Cat({U16(3), Text("abc", false), empty14})},
        {"flags cut short", B({0, 0, 0, 0, 0, 0, 0, 0, 1, 0})},
        {"server count missing", B({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0})},
        {"server count cut", B({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 4})},
        {"server text cut", Cat({B({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), U16(4), Text("sr", false)})},
    };
    for (const HostileRecord& c : cases) {
        ItemRecord r = SampleObject();
        const ItemRecord before = r;
        GuardedBytes data(c.bytes);
        ASSERT_TRUE(data.Valid());
        EXPECT_FALSE(r.DeserialiseRecord(data.Data(), data.Size())) << c.what << ": accepted";
        EXPECT_TRUE(Same(before, r)) << c.what << ": record became " << Describe(r);
    }
    ItemRecord r;
    EXPECT_FALSE(r.DeserialiseRecord(nullptr, 14));
}

TEST(RecordReader, IgnoresBytesAfterTheRecordAndCutsTextAtFirstZero)
{
    Bytes bytes = Cat({U16(6), B({'a', 0, 'b', 'c', 'd', 0}), U16(0), U16(0), U16(0),
                       B({1, 0, 0, 0}), U16(0), B({0xEE, 0xEE})});
    ItemRecord r;
    ASSERT_TRUE(r.DeserialiseRecord(bytes.data(), bytes.size()));
    EXPECT_EQ("a", r.path);
    EXPECT_EQ(1u, r.flags);
    EXPECT_TRUE(r.IsRoot()) << Describe(r);
}

struct EncodeCase {
    const char* text;
    bool ok;
    std::string encoded;
};

TEST(PathEncoding, ReplacesEachSeparatorByTheLengthOfItsLabel)
{
    const std::string label127(127, 'x');
    const std::string label128(128, 'x');
    const EncodeCase cases[] = {
        {".Admin.Org", true, std::string("\x05" "Admin" "\x03" "Org")},
        {"\\Work\\Sub", true, std::string("\x04" "Work" "\x03" "Sub")},
        {".a\\bc.d", true, std::string("\x01" "a" "\x02" "bc" "\x01" "d")},
        {".x", true, std::string("\x01" "x")},
        {"Admin.Org", false, ""},
        {"", false, ""},
        {".", false, ""},
        {".a..b", false, ""},
        {".a.", false, ""},
    };
    for (const EncodeCase& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(c.ok, orrel::EncodePath(c.text, &out)) << "\"" << c.text << "\"";
        if (c.ok)
            EXPECT_EQ(c.encoded, out) << "\"" << c.text << "\" gave " << Hex(out);
        else
            EXPECT_EQ("untouched", out) << "\"" << c.text << "\"";
    }
    std::string out;
    ASSERT_TRUE(orrel::EncodePath("." + label127 + ".a", &out)) << "a 127-byte label is legal";
    EXPECT_EQ(127, static_cast<signed char>(out[0]));
    EXPECT_FALSE(orrel::EncodePath("." + label128, &out))
        << "a 128-byte label would store a count that reads back as -128";
}

struct DecodeCase {
    const char* what;
    std::string path;
    bool leading;
    char separator;
    const char* text;
};

TEST(PathDecoding, JoinsLabelsAndStopsAtACountThatDoesNotFit)
{
    const std::string two("\x05" "Admin" "\x03" "Org");
    const DecodeCase cases[] = {
        {"two labels", two, false, '.', "Admin.Org"},
        {"leading separator", two, true, '\\', "\\Admin\\Org"},
        {"empty", "", false, '.', ""},
        {"empty with leading", "", true, '\\', ""},
        {"count past the end", std::string("\x03" "Org" "\x09" "abc"), false, '.', "Org"},
        {"negative count", std::string("\x03" "Org" "\x80" "abc"), false, '.', "Org"},
        {"zero count", std::string("\x03" "Org" "\x00" "\x01" "x", 7), false, '.', "Org"},
        {"negative first", std::string("\xFF" "abc"), false, '.', ""},
        {"count alone", std::string("\x02"), true, '.', ""},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(c.text, orrel::DecodePath(c.path, c.leading, c.separator))
            << c.what << " [" << Hex(c.path) << "]";
    }
}

struct ParentCase {
    const char* what;
    std::uint32_t flags;
    const char* text;  // encoded with EncodePath; null for an empty path
    const char* parent;
};

TEST(PathParent, FolderDropsLastLabelObjectDropsFirst)
{
    const ParentCase cases[] = {
        {"top-level object", orrel::ITEM_CONTAINER, ".Org", "[Root]"},
        {"top-level folder", orrel::ITEM_FOLDER | orrel::ITEM_CONTAINER, ".Work", ""},
        {"nested object", 0, ".Admin.Sales.Corp", "Sales.Corp"},
        {"nested folder", orrel::ITEM_FOLDER, ".Work.Projects.Old", "Work.Projects"},
        {"tree (no path)", 0x301, nullptr, "[Root]"},
        {"folder without path", orrel::ITEM_FOLDER, nullptr, ""},
    };
    for (const ParentCase& c : cases) {
        ItemRecord r;
        r.flags = c.flags;
        if (c.text) {
            ASSERT_TRUE(orrel::EncodePath(c.text, &r.path)) << c.text;
        }
        EXPECT_EQ(c.parent, orrel::ParentPath(r)) << c.what;
    }
}

TEST(FolderRename, StoresParentAndNewNameAsPath)
{
    ItemRecord top;
    top.flags = 0x81;
    top.displayName = "Work";
    ASSERT_TRUE(orrel::EncodePath(".Work", &top.path));
    ASSERT_TRUE(orrel::SetRecordName(top, "Play"));
    EXPECT_EQ(std::string("\x04" "Play"), top.path) << Hex(top.path);
    EXPECT_EQ("Play", top.displayName);

    ItemRecord nested;
    nested.flags = 0x81;
    nested.displayName = "Old";
    ASSERT_TRUE(orrel::EncodePath(".Work.Projects.Old", &nested.path));
    ASSERT_TRUE(orrel::SetRecordName(nested, "Archive"));
    EXPECT_EQ("Work\\Projects\\Archive", orrel::DecodePath(nested.path, false, '\\'));
    EXPECT_EQ("Archive", nested.displayName);
}

TEST(FolderRename, RefusesWhatWouldCorruptThePathAndLeavesRecordAlone)
{
    ItemRecord folder;
    folder.flags = 0x81;
    folder.displayName = "Work";
    ASSERT_TRUE(orrel::EncodePath(".Top.Work", &folder.path));
    const ItemRecord before = folder;
    struct {
        const char* what;
        std::string name;
    } cases[] = {
        {"empty", ""},
        {"full stop", "a.b"},
        {"backslash", "a\\b"},
        {"over 127 bytes", std::string(200, 'n')},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(orrel::SetRecordName(folder, c.name)) << c.what;
        EXPECT_TRUE(Same(before, folder)) << c.what << ": " << Describe(folder);
    }
    ItemRecord object = SampleObject();
    EXPECT_FALSE(orrel::SetRecordName(object, "Other")) << "only folders are renamed";
    EXPECT_EQ("Admin", object.displayName);
}

TEST(FolderRename, WorkingBufferHolds1023BytesOfText)
{
    // Seven parent labels of 127 bytes: the parent part is 7 * 127 + 6 = 895
    // bytes, so the text is 1 + 895 + 1 + name.
    std::string text;
    for (int i = 0; i < 7; ++i) text += "." + std::string(127, static_cast<char>('a' + i));
    text += ".Old";
    ItemRecord folder;
    folder.flags = 0x81;
    ASSERT_TRUE(orrel::EncodePath(text, &folder.path));
    ItemRecord fits = folder;
    EXPECT_TRUE(orrel::SetRecordName(fits, std::string(126, 'z'))) << "1023 bytes and a zero fit";
    EXPECT_EQ(1023u, fits.path.size());
    ItemRecord over = folder;
    EXPECT_FALSE(orrel::SetRecordName(over, std::string(127, 'z'))) << "1024 bytes and a zero do not";
    EXPECT_TRUE(Same(folder, over)) << Describe(over);
}

}  // namespace
