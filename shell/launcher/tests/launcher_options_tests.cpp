// The launcher's command line: what it accepts and what it refuses.
#include <gtest/gtest.h>

#include "options.h"

using orrel::launcher::LauncherOptions;
using orrel::launcher::ParseOptions;

namespace {

TEST(LauncherOptions, NoArgumentsOpenTheNamespaceUntilClosed)
{
    LauncherOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions({}, &options, &error)) << error;
    EXPECT_EQ("::{76AAD000-C21A-11D1-8115-00C04FB67EB7}", options.path);
    EXPECT_TRUE(options.screenshot.empty()) << options.screenshot;
    EXPECT_EQ(0.0, options.timeout);
    EXPECT_FALSE(options.installDemo);
}

TEST(LauncherOptions, EveryOptionTakesItsValue)
{
    LauncherOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--path", "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "--screenshot",
                              "C:\\shot.bmp", "--timeout", "2.5", "--settle", "0", "--size",
                              "800x600"},
                             &options, &error))
        << error;
    EXPECT_EQ("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", options.path);
    EXPECT_EQ("C:\\shot.bmp", options.screenshot);
    EXPECT_DOUBLE_EQ(2.5, options.timeout);
    EXPECT_DOUBLE_EQ(0.0, options.settle);
    EXPECT_EQ(800, options.width);
    EXPECT_EQ(600, options.height);
}

TEST(LauncherOptions, InstallDemoTakesTheItemsOfTheConfiguration)
{
    LauncherOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--install-demo", "--tree", "T", "--server", "S", "--folder", "F",
                              "--unit", "Sales.Corp", "--unit-class", "Organization"},
                             &options, &error))
        << error;
    EXPECT_TRUE(options.installDemo);
    EXPECT_EQ("T", options.demo.tree);
    EXPECT_EQ("S", options.demo.server);
    EXPECT_EQ("F", options.demo.folder);
    EXPECT_EQ("Sales.Corp", options.demo.unit);
    EXPECT_EQ("Organization", options.demo.unitClass);
}

TEST(LauncherOptions, MalformedCommandLinesAreRefusedWithAMessage)
{
    struct Case {
        std::vector<std::string> args;
        const char* messagePart;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option: --bogus"},
        {{"--path"}, "--path needs a value"},
        {{"--path", ""}, "--path"},
        {{"--screenshot"}, "--screenshot needs a value"},
        {{"--timeout", "soon"}, "not a number of seconds: soon"},
        {{"--timeout", "-1"}, "not a number of seconds: -1"},
        {{"--timeout", "5s"}, "not a number of seconds: 5s"},
        {{"--timeout", "nan"}, "not a number of seconds"},
        {{"--settle", "1e9"}, "not a number of seconds"},
        {{"--size", "800"}, "--size"},
        {{"--size", "100x600"}, "--size"},
        {{"--size", "800x-6"}, "--size"},
        {{"--size", "99999x600"}, "--size"},
        {{"--install-demo"}, "needs --tree and --server"},
        {{"--install-demo", "--tree", "T"}, "needs --tree and --server"},
        {{"--install-demo", "--tree", "T", "--server", "S", "--unit", "Sales.Corp"}, "--folder"},
    };
    for (const Case& c : cases) {
        LauncherOptions options;
        options.path = "untouched";
        std::string error;
        std::string joined;
        for (const std::string& a : c.args) joined += "[" + a + "]";
        EXPECT_FALSE(ParseOptions(c.args, &options, &error)) << "accepted " << joined;
        EXPECT_NE(std::string::npos, error.find(c.messagePart))
            << joined << " gave the message: " << error;
        EXPECT_EQ("untouched", options.path) << joined << " changed the options";
    }
}

}  // namespace
