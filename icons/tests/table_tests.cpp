// The class icon table itself, where a slip in it would go unnoticed through
// the handler: the end row, the add-on rows, names that repeat, the lookup's
// case folding.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "ClassIconTable.h"

namespace {

using orrel::icons::ClassIconId;
using orrel::icons::ClassIconRowCount;
using orrel::icons::ClassIconRows;
using orrel::icons::FindClassIconRow;

TEST(ClassIconTable, EndsWithTheNamelessFallbackRowAndHasNoOtherNamelessRow)
{
    const auto* rows = ClassIconRows();
    std::size_t count = ClassIconRowCount();
    ASSERT_GE(count, 2u);
    EXPECT_EQ(nullptr, rows[count - 1].className);
    EXPECT_EQ(100, rows[count - 1].iconId);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        ASSERT_NE(nullptr, rows[i].className) << "row " << i << " ends the table early";
        EXPECT_NE('\0', rows[i].className[0]) << "row " << i << " has an empty name";
    }
}

TEST(ClassIconTable, AddOnRowsAre201To260Without203AllBeforeTheEnd)
{
    const auto* rows = ClassIconRows();
    std::size_t count = ClassIconRowCount();
    std::set<int> addOn;
    std::size_t volumeRow = FindClassIconRow("Volume");
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (rows[i].iconId >= 200 && rows[i].iconId < 1000) {
            EXPECT_GT(i, volumeRow) << rows[i].className << " stands before \"Volume\"";
            EXPECT_TRUE(addOn.insert(rows[i].iconId).second) << "id " << rows[i].iconId
                                                             << " used twice";
        }
    }
    EXPECT_EQ(59u, addOn.size());
    EXPECT_EQ(0u, addOn.count(203));
    for (int id = 201; id <= 260; ++id) {
        if (id != 203) {
            EXPECT_TRUE(addOn.count(id)) << "no row for " << id;
        }
    }
}

TEST(ClassIconTable, EveryNameIsReachable)
{
    // A name that repeats (in any case) would hide its later rows.
    const auto* rows = ClassIconRows();
    for (std::size_t i = 0; i + 1 < ClassIconRowCount(); ++i)
        EXPECT_EQ(i, FindClassIconRow(rows[i].className)) << rows[i].className;
}

TEST(ClassIconTable, FolderAndProtocolServerRowsStandWhereTheLookupFindsThem)
{
    // Personal folders never reach the handler through the selection library
    // (it leaves them out); their row is checked here.
    EXPECT_EQ(1101, ClassIconId("Ombra::Folder"));
    EXPECT_EQ(1101, ClassIconId("ombra::folder"));
    // Row 117 sits between "Messaging Server" and "Organization".
    const auto* rows = ClassIconRows();
    std::size_t row117 = FindClassIconRow("Messaging Server") + 1;
    EXPECT_EQ(117, rows[row117].iconId);
    EXPECT_EQ(117, ClassIconId(rows[row117].className));
    EXPECT_EQ(row117 + 1, FindClassIconRow("Organization"));
}

TEST(ClassIconTable, LookupFoldsOnlyAsciiLettersAndComparesWholeNames)
{
    struct Case {
        const char* name;
        int id;
    } cases[] = {
        {nullptr, 100},
        {"", 100},
        {"uSeR", 132},
        {"Use", 100},
        {"Users", 100},
        {" User", 100},
        {"Template", 100},
        // 0xC9 and 0xE9 are a capital and small letter in code page 1252: no locale folds them.
        {"Us\xC9r", 100},
        {"Organizational_Unit", 100},
        {"Role-Based Service", 240},
        {"role-based service", 240},
        {"ldap server", 244},
    };
    for (const Case& c : cases) EXPECT_EQ(c.id, ClassIconId(c.name)) << (c.name ? c.name : "null");
    EXPECT_TRUE(orrel::icons::ClassNamesEqual("\xC9t\xE9", "\xC9T\xE9"));
    EXPECT_FALSE(orrel::icons::ClassNamesEqual("\xC9", "\xE9"));
    EXPECT_EQ(ClassIconRowCount() - 1, FindClassIconRow("Nothing"));
    EXPECT_EQ(100, orrel::icons::ClassIconIdOfRow(ClassIconRowCount() + 5));
}

}  // namespace
