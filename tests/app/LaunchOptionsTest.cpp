#include "app/LaunchOptions.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <vector>

using qel::LaunchOptions;
using qel::test::TempDir;

namespace {

struct Parsed {
    std::optional<LaunchOptions> options;
    std::string output;
};

Parsed parse(std::vector<const char*> args, const TempDir& folder)
{
    args.insert(args.begin(), "qel");
    testing::internal::CaptureStdout();
    Parsed parsed;
    parsed.options = LaunchOptions::parse(static_cast<int>(args.size()), args.data(), folder.prefix());
    parsed.output = testing::internal::GetCapturedStdout();
    return parsed;
}

} // namespace

TEST(LaunchOptions, NoScriptAnywhereIsError1000)
{
    TempDir folder;
    const Parsed parsed = parse({}, folder);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.output, "arg[0] = qel\nError 1000: Missing launch script\n");
}

TEST(LaunchOptions, CommandLineValuesAreAlsoPrintedAndConfigIsNotRead)
{
    TempDir folder;
    folder.write("config.dat", "#width\n1024\n#style\nfullFit\n");
    const Parsed parsed = parse({"-script", "game", "-width", "800"}, folder);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->scriptName, "game");
    EXPECT_EQ(parsed.options->width, 800);
    EXPECT_EQ(parsed.options->height, 720);
    EXPECT_EQ(parsed.options->style, "default");
    EXPECT_EQ(parsed.output, "arg[0] = qel\narg[1] = -script\narg[2] = game\narg[3] = -width\n"
                             "arg[4] = 800\nscriptName = game\nwallpaperIndex = 18\n");
}

TEST(LaunchOptions, ConfigFileOverridesTheCommandLineForTheKeysItNames)
{
    TempDir folder;
    folder.write("config.dat", "#script\r\ngame\r\n #height\n600\n#width\n1024\n");
    const Parsed parsed = parse({"-width", "800", "-height", "500"}, folder);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->scriptName, "game");
    EXPECT_EQ(parsed.options->width, 1024);
    EXPECT_EQ(parsed.options->height, 500) << "a key after a leading blank is not a key";
    EXPECT_NE(parsed.output.find("line = #script\nline =  #height\nline = 600\nline = #width\n"),
              std::string::npos)
        << parsed.output;
}

TEST(LaunchOptions, NumbersReadLikeAtoiAndTheLastOptionWins)
{
    TempDir folder;
    const Parsed on = parse({"-script", "a", "-fullscreen", "2", "-wallpaper", " -7x", "-script", "b"}, folder);
    ASSERT_TRUE(on.options);
    EXPECT_TRUE(on.options->fullscreen);
    EXPECT_EQ(on.options->wallpaperIndex, -7);
    EXPECT_EQ(on.options->scriptName, "b");

    const Parsed off = parse({"-script", "a", "-fullscreen", "yes"}, folder);
    ASSERT_TRUE(off.options);
    EXPECT_FALSE(off.options->fullscreen);
}

TEST(LaunchOptions, OptionsWithoutValueAreIgnored)
{
    TempDir folder;
    folder.write("config.dat", "#script\ngame\n#width");
    const Parsed parsed = parse({"-height"}, folder);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->height, 720);
    EXPECT_EQ(parsed.options->width, 1280);
    EXPECT_EQ(parsed.output, "arg[0] = qel\narg[1] = -height\nline = #script\nline = #width\n"
                             "scriptName = game\nwallpaperIndex = 18\n");
}

TEST(LaunchOptions, StyleWordsAreExact)
{
    EXPECT_EQ(LaunchOptions::styleNumber("default"), 0);
    EXPECT_EQ(LaunchOptions::styleNumber("FullFit"), 0);
    EXPECT_EQ(LaunchOptions::styleNumber("full_fit"), 2);
    EXPECT_EQ(LaunchOptions::styleNumber("fullfit"), 2);
    EXPECT_EQ(LaunchOptions::styleNumber("full-fill"), 1);
    EXPECT_EQ(LaunchOptions::styleNumber("fullFill"), 1);
}
