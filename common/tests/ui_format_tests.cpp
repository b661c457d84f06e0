// Checked formatting of string-table formats against the arguments given.
#include <gtest/gtest.h>

#include <string>

#include "orrel/ui/format.h"

namespace {

using orrel::ui::FormatArg;
using orrel::ui::FormatChecked;
using orrel::ui::FormatText;

struct FittingCase {
    const char* format;
    std::string expected;
    std::string formatted;
};

TEST(FormatText, FormatsThatFitTheArgumentsComeOutAsPrintfWouldShowThem)
{
    const FittingCase cases[] = {
        {"%d Objects", "3 Objects", FormatText("%d Objects", 3)},
        {"%d Object Selected", "1 Object Selected", FormatText("%d Object Selected", 1)},
        {"Do you wish to remove \"%s\"?", "Do you wish to remove \"Admin\"?",
         FormatText("Do you wish to remove \"%s\"?", "Admin")},
        {"LDAP Error %ld", "LDAP Error -1", FormatText("LDAP Error %ld", -1L)},
        {"%d object(s) found in %d ms", "12 object(s) found in 250 ms",
         FormatText("%d object(s) found in %d ms", 12, 250)},
        {"New Folder (%ld)", "New Folder (2)", FormatText("New Folder (%ld)", 2L)},
        {"%d.%d.%d.%d", "10.0.0.1", FormatText("%d.%d.%d.%d", 10, 0, 0, 1)},
        {"%s", "text from std::string", FormatText("%s", std::string("text from std::string"))},
        {"%u of an int", "4294967295 of an int", FormatText("%u of an int", -1)},
        {"%d of an unsigned", "-1 of an unsigned", FormatText("%d of an unsigned", 0xFFFFFFFFu)},
        {"%hd", "-1", FormatText("%hd", 65535)},
        {"%I64d", "-5000000000", FormatText("%I64d", -5000000000LL)},
        {"%lld", "9000000000", FormatText("%lld", 9000000000LL)},
        {"%d of a 64-bit value", "705032704 of a 64-bit value", FormatText("%d of a 64-bit value", 5000000000LL)},
        {"%08X", "0000BEEF", FormatText("%08X", 0xBEEF)},
        {"[%-5s|%5s]", "[ab   |   cd]", FormatText("[%-5s|%5s]", "ab", "cd")},
        {"[%*d]", "[   42]", FormatText("[%*d]", 5, 42)},
        {"%.3s", "abc", FormatText("%.3s", "abcdef")},
        {"%c%c", "ok", FormatText("%c%c", 'o', 'k')},
        {"%.2f", "3.14", FormatText("%.2f", 3.14159)},
        {"100%% sure", "100% sure", FormatText("100%% sure")},
        {"%s", "(null)", FormatText("%s", static_cast<const char*>(nullptr))},
        {"extra args are ignored", "extra args are ignored", FormatText("extra args are ignored", 1, "x")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.formatted) << "format \"" << c.format << "\"";
}

struct MisfitCase {
    const char* why;
    const char* format;
    std::string formatted;
};

TEST(FormatText, FormatsThatDoNotFitAreShownAsTheyStand)
{
    int n = 0;
    const MisfitCase cases[] = {
        {"too few arguments", "From %s to %s", FormatText("From %s to %s", "A")},
        {"no arguments", "%d Objects", FormatText("%d Objects")},
        {"a number for %s", "Name: %s", FormatText("Name: %s", 42)},
        {"a text for %d", "Count: %d", FormatText("Count: %d", "many")},
        {"%n writes memory", "Written %n bytes", FormatText("Written %n bytes", &n)},
        {"positional argument", "%1$s", FormatText("%1$s", "a")},
        {"wide text", "%S", FormatText("%S", "a")},
        {"wide %ls", "%ls", FormatText("%ls", "a")},
        {"huge width", "%99999999d", FormatText("%99999999d", 1)},
        {"huge star width", "%*d", FormatText("%*d", 100000000, 1)},
        {"a double for %d", "%d", FormatText("%d", 1.5)},
        {"an int for %f", "%f", FormatText("%f", 1)},
        {"dangling percent", "50%", FormatText("50%")},
        {"NUL through %c", "a%cb", FormatText("a%cb", 0)},
        {"unknown conversion", "%y", FormatText("%y", 1)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.format, c.formatted) << c.why;
    EXPECT_EQ(0, n) << "%n never wrote";
}

TEST(FormatText, FormatCheckedReportsMisfitsAndLeavesNoPartialText)
{
    std::string out = "old";
    const FormatArg args[] = {FormatArg(7)};
    EXPECT_FALSE(FormatChecked("start %d then %s", args, 1, out));
    EXPECT_EQ("", out);
    EXPECT_TRUE(FormatChecked("value %d", args, 1, out));
    EXPECT_EQ("value 7", out);
    EXPECT_FALSE(FormatChecked(nullptr, args, 1, out));
    EXPECT_FALSE(FormatChecked("%d", nullptr, 1, out));
    EXPECT_EQ("", FormatText(nullptr, 1));
}

TEST(FormatText, PointersFormatAsSixteenHexDigits)
{
    int value = 0;
    std::string text = FormatText("%p", &value);
    EXPECT_EQ(16u, text.size()) << text;
    EXPECT_EQ("0000000000000000", FormatText("%p", nullptr));
}

}  // namespace
