#include "app/LaunchOptions.hpp"

#include "support/ErrorLines.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

#include <sys/stat.h>

using qel::DisplayStyle;
using qel::LaunchOptions;
using qel::SpeechMode;
using qel::test::TempDir;

namespace {

struct Parsed {
    std::optional<LaunchOptions> options;
    int failureStatus;
    std::string output;
};

std::string folderIn(std::vector<const char*> args)
{
    args.insert(args.begin(), "qel");
    return LaunchOptions::gameFolderIn(static_cast<int>(args.size()), args.data());
}

bool asksForHelp(std::vector<const char*> args)
{
    args.insert(args.begin(), "qel");
    return LaunchOptions::asksForHelp(static_cast<int>(args.size()), args.data());
}

Parsed parse(std::vector<const char*> args, const TempDir& folder)
{
    args.insert(args.begin(), "qel");
    testing::internal::CaptureStdout();
    const LaunchOptions::Parsed parsed =
        LaunchOptions::parse(static_cast<int>(args.size()), args.data(), folder.prefix());
    return {parsed.options, parsed.failureStatus, testing::internal::GetCapturedStdout()};
}

} // namespace

TEST(LaunchOptions, NoScriptAnywhereIsError1000)
{
    TempDir folder;
    const Parsed parsed = parse({}, folder);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.failureStatus, 1000);
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

TEST(LaunchOptions, TheGameFolderIsTheLastArgumentThatIsNoOptionNorValue)
{
    EXPECT_EQ(folderIn({}), "");
    EXPECT_EQ(folderIn({"-script", "main", "games/cave"}), "games/cave");
    EXPECT_EQ(folderIn({"/bundled", "-width", "800", "mine"}), "mine") << "a wrapper's default goes first";
    EXPECT_EQ(folderIn({"-script", "-width", "800", "-wallpaper", "-7"}), "") << "each one a value";
    EXPECT_EQ(folderIn({"-bogus", "cave", "-height"}), "cave") << "an unknown option takes no value";
}

TEST(LaunchOptions, HelpIsAskedOutsideAValueAndListsEveryOptionOnALine)
{
    EXPECT_TRUE(asksForHelp({"-width", "800", "--help"}));
    EXPECT_FALSE(asksForHelp({"-script", "--help"}));
    EXPECT_FALSE(asksForHelp({"-help"}));
    const std::string help = LaunchOptions::help();
    for (const char* option : {"script", "width", "height", "fullscreen", "style", "wallpaper", "errorpanel",
                               "scriptlimit", "scriptmemory", "watch", "speech", "record", "replay", "frames", "capture"})
        EXPECT_NE(help.find("\n  -" + std::string(option) + " "), std::string::npos) << option;
    EXPECT_NE(help.find("\n  --new DIR "), std::string::npos);
    EXPECT_NE(help.find("\n  --pack DIR [OUT] "), std::string::npos);
    EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), 2 + 17 + 3) << help;
}

TEST(LaunchOptions, WatchingAndSpeechAreSettingsThatRecordingsLeaveOut)
{
    TempDir folder;
    folder.write("config.dat", "#script\ngame\n#watch\n1\n#speech\n1\n");
    const Parsed fromFile = parse({}, folder);
    ASSERT_TRUE(fromFile.options);
    EXPECT_TRUE(fromFile.options->watch);
    EXPECT_EQ(fromFile.options->speech, SpeechMode::Sound);
    for (const auto& [name, value] : fromFile.options->gameSettings())
        EXPECT_TRUE(name != "watch" && name != "speech") << name << ": a replay reloads nothing, says what it is told";
    const Parsed fromCommandLine = parse({"-script", "game", "-watch", "1", "-speech", "log"}, folder);
    ASSERT_TRUE(fromCommandLine.options);
    EXPECT_TRUE(fromCommandLine.options->watch);
    EXPECT_EQ(fromCommandLine.options->speech, SpeechMode::Log);
    testing::internal::CaptureStderr();
    const Parsed misspelt = parse({"-script", "game", "-speech", "yes"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "qel: -speech \"yes\": not 0, 1 or log; it stays 0\n");
    EXPECT_EQ(misspelt.options->speech, SpeechMode::Off);

    const auto newGameFolder = [](std::vector<const char*> args) {
        args.insert(args.begin(), "qel");
        return LaunchOptions::newGameFolderIn(static_cast<int>(args.size()), args.data());
    };
    EXPECT_EQ(newGameFolder({"--new", "mygame"}), "mygame");
    EXPECT_EQ(newGameFolder({"--new"}), "") << "for the message that a folder is missing";
    EXPECT_EQ(newGameFolder({"mygame"}), std::nullopt);
    EXPECT_EQ(newGameFolder({"-script", "--new"}), std::nullopt) << "a value";
}

TEST(LaunchOptions, UnknownOptionsAreSaidOneLineEachAndSkipped)
{
    TempDir folder;
    testing::internal::CaptureStderr();
    const Parsed parsed = parse({"-bogus", "-script", "game", "-Width", "-wallpaper", "-3", "--help", "cave"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "qel: unknown option -bogus (qel --help lists them)\n"
                                                      "qel: unknown option -Width (qel --help lists them)\n");
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->scriptName, "game");
    EXPECT_EQ(parsed.options->wallpaperIndex, -3);
    EXPECT_EQ(parsed.options->width, 1280);
}

TEST(LaunchOptions, AFolderWithScriptsMainLuaNeedsNoLaunchScriptNamed)
{
    TempDir folder;
    folder.write("scripts/main.lua", "");
    const Parsed usual = parse({}, folder);
    ASSERT_TRUE(usual.options);
    EXPECT_EQ(usual.options->scriptName, "main");
    EXPECT_EQ(parse({"-script", "demo"}, folder).options->scriptName, "demo");
    folder.write("config.dat", "#script\ntitle\n");
    EXPECT_EQ(parse({}, folder).options->scriptName, "title");

    TempDir notAFile;
    std::filesystem::create_directories(notAFile.path / "scripts/main.lua");
    EXPECT_FALSE(parse({}, notAFile).options);
}

TEST(LaunchOptions, StyleWordsAreExact)
{
    EXPECT_EQ(LaunchOptions::displayStyleNamed("default"), DisplayStyle::Default);
    EXPECT_EQ(LaunchOptions::displayStyleNamed("FullFit"), DisplayStyle::Default);
    EXPECT_EQ(LaunchOptions::displayStyleNamed("full_fit"), DisplayStyle::FullFit);
    EXPECT_EQ(LaunchOptions::displayStyleNamed("fullfit"), DisplayStyle::FullFit);
    EXPECT_EQ(LaunchOptions::displayStyleNamed("full-fill"), DisplayStyle::FullFill);
    EXPECT_EQ(LaunchOptions::displayStyleNamed("fullFill"), DisplayStyle::FullFill);
}

TEST(LaunchOptions, ANulByteEndsTheTextOfItsLine)
{
    TempDir folder;
    using namespace std::string_literals;
    folder.write("config.dat", "#width\0junk\n1024\n#script\ngame\0.lua\n#style\r\nfull_fit\0\r\n"s);
    const Parsed parsed = parse({}, folder);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->width, 1024) << "a key, as its printed line shows";
    EXPECT_EQ(parsed.options->scriptName, "game") << "the name as printed, not a longer one";
    EXPECT_EQ(LaunchOptions::displayStyleNamed(parsed.options->style), DisplayStyle::FullFit);
    EXPECT_EQ(parsed.output, "arg[0] = qel\nline = #width\nline = #script\nline = #style\n"
                             "scriptName = game\nwallpaperIndex = 18\n");
}

// A config.dat larger than any real one is not read at all, not even in part, and is said once
// on the error output.
TEST(LaunchOptions, AConfigDatWithAnEndlessLineOrOfManyLinesIsRefusedWhole)
{
    TempDir folder;
    for (const std::string& tooLarge : {"#script\ngame\n#width\n" + std::string(8 << 20, '7') + "\n",
                                        "#script\ngame\n" + std::string(100'000, '\n')}) {
        folder.write("config.dat", tooLarge);
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        const Parsed parsed = parse({}, folder);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_TRUE(qel::test::saysOnceAbout(testing::internal::GetCapturedStderr(), "config.dat"));
        EXPECT_FALSE(parsed.options);
        EXPECT_EQ(parsed.output, "arg[0] = qel\nError 1000: Missing launch script\n");
    }
}

TEST(LaunchOptions, AConfigDatThatIsNoFileReadsAsEmptyAndIsNamed)
{
    TempDir folder;
    std::filesystem::create_directory(folder.path / "config.dat");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({}, folder).options);
    EXPECT_TRUE(qel::test::saysOnceAbout(testing::internal::GetCapturedStderr(), "config.dat"));

    std::filesystem::remove(folder.path / "config.dat");
    ASSERT_EQ(mkfifo((folder.path / "config.dat").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({}, folder).options) << "a pipe is not waited for";
    EXPECT_TRUE(qel::test::saysOnceAbout(testing::internal::GetCapturedStderr(), "config.dat"));

    std::filesystem::remove(folder.path / "config.dat");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({}, folder).options);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a missing file is no error of its own";
}

TEST(LaunchOptions, RunControlsComeFromTheCommandLineOnlyAndAreNotGameSettings)
{
    TempDir folder;
    folder.write("config.dat", "#script\ngame\n#frames\n50\n#record\nplay.rec\n");
    testing::internal::CaptureStderr();
    const Parsed parsed = parse({"-capture", "12:a.png", "-capture", "7:sub/d.png:e", "-replay", "old.rec"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: #frames is not read from config.dat: only the command line takes -frames\n"
              "qel: #record is not read from config.dat: only the command line takes -record\n");
    ASSERT_TRUE(parsed.options);
    LaunchOptions options = *parsed.options;
    EXPECT_EQ(options.lastFrame, 0) << "config.dat has no run controls";
    EXPECT_EQ(options.recordPath, "");
    options.resolveRunPaths("/launch");
    EXPECT_EQ(options.replayPath, "/launch/old.rec");
    ASSERT_EQ(options.captures.size(), 2u);
    EXPECT_EQ(options.captures[0].frame, 12);
    EXPECT_EQ(options.captures[0].path, "/launch/a.png");
    EXPECT_EQ(options.captures[1].frame, 7);
    EXPECT_EQ(options.captures[1].path, "/launch/sub/d.png:e");
}

TEST(LaunchOptions, GameSettingsReadBackAsTheyWereAndTheCommandLineChangesThem)
{
    LaunchOptions recorded;
    recorded.scriptName = "demo";
    recorded.style = "fullFit";
    recorded.wallpaperIndex = -2;
    recorded.fullscreen = true;
    recorded.errorPanel = false;
    LaunchOptions replayed;
    for (const auto& [name, value] : recorded.gameSettings())
        EXPECT_TRUE(replayed.applyGameSetting(name, value)) << name;
    EXPECT_EQ(replayed.gameSettings(), recorded.gameSettings());
    EXPECT_FALSE(replayed.applyGameSetting("frames", "5")) << "a run control is no game setting";

    TempDir folder;
    const char* args[] = {"qel", "-width", "640", "-replay", "play.rec"};
    testing::internal::CaptureStdout();
    const std::optional<LaunchOptions> options = LaunchOptions::parse(5, args, folder.prefix(), replayed).options;
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(options);
    EXPECT_EQ(options->scriptName, "demo");
    EXPECT_EQ(options->style, "fullFit");
    EXPECT_EQ(options->width, 640);
    EXPECT_EQ(LaunchOptions::valueIn(5, args, "replay"), "play.rec");
    EXPECT_EQ(LaunchOptions::valueIn(5, args, "record"), "");
}

TEST(LaunchOptions, ANumberOutOfRangeOrNoNumberIsSaidAndTheSettingKeepsItsValue)
{
    TempDir folder;
    folder.write("config.dat", "#script\ngame\n#wallpaper\n99999999999\n#height\n-2147483649\n#width\n-0\n");
    testing::internal::CaptureStderr();
    const Parsed parsed = parse({"-width", "4294967296", "-fullscreen", "yes", "-errorpanel", "+0", "-wallpaper",
                                 "2147483647", "-height", "+-1"},
                                folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: -width \"4294967296\": out of range (-2147483648 to 2147483647); it stays 1280\n"
              "qel: -fullscreen \"yes\": not a number; it stays 0\n"
              "qel: -height \"+-1\": not a number; it stays 720\n"
              "qel: #wallpaper \"99999999999\": out of range (-2147483648 to 2147483647); it stays 2147483647\n"
              "qel: #height \"-2147483649\": out of range (-2147483648 to 2147483647); it stays 720\n");
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->width, 0);
    EXPECT_EQ(parsed.options->height, 720);
    EXPECT_FALSE(parsed.options->fullscreen);
    EXPECT_FALSE(parsed.options->errorPanel);
    EXPECT_EQ(parsed.options->wallpaperIndex, 2147483647);

    LaunchOptions replayed;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(replayed.applyGameSetting("wallpaper", "-99999999999"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: setting wallpaper \"-99999999999\": out of range (-2147483648 to 2147483647); it stays 18\n");
}

TEST(LaunchOptions, AFrameOutOfRangeOrNoNumberIsAnErrorWithStatus1)
{
    TempDir folder;
    const std::pair<const char*, const char*> refused[] = {
        {"-frames", "4294967301"}, {"-frames", "-3"},  {"-frames", "0"},  {"-frames", "x"},
        {"-capture", "4294967299:z.png"}, {"-capture", "0:c.png"}, {"-capture", "x:b.png"}, {"-capture", "3"}};
    for (const auto& [option, value] : refused) {
        testing::internal::CaptureStderr();
        const Parsed parsed = parse({"-script", "game", option, value}, folder);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(parsed.options) << option << " " << value;
        EXPECT_EQ(parsed.failureStatus, 1);
        EXPECT_EQ(qel::test::errorLines(errors).size(), 1u) << errors;
        EXPECT_EQ(errors.rfind("qel: " + std::string(option) + " \"" + value + "\": ", 0), 0u) << errors;
    }
    testing::internal::CaptureStderr();
    parse({"-script", "game", "-frames", "-3", "-capture", "4294967299:z.png"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "qel: -frames \"-3\": out of range (1 to 2147483647)\n"
                                                      "qel: -capture \"4294967299:z.png\": FRAME out of range "
                                                      "(1 to 2147483647)\n");

    const Parsed largest = parse({"-script", "game", "-frames", "2147483647", "-capture", "2147483647:z.png"}, folder);
    ASSERT_TRUE(largest.options);
    EXPECT_EQ(largest.options->lastFrame, 2147483647);
    EXPECT_EQ(largest.options->captures.at(0).frame, 2147483647);
}

// Config.dat wins over the command line, so its lines are said after the command line's.
TEST(LaunchOptions, StyleWordsKeysAndMissingValuesItCannotReadAreSaidAndTheSettingKeepsItsValue)
{
    TempDir folder;
    folder.write("config.dat", "#script\ngame\n#widht\n800\n#style\nbogus\n#\nFullFit\n#width");
    testing::internal::CaptureStderr();
    const Parsed parsed = parse({"-style", "fullFit", "-style", "stretched", "-height"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: -style \"stretched\": not default, fullFill or fullFit; it stays fullFit\n"
              "qel: -height: no value after it; it stays 720\n"
              "qel: unknown setting #widht in config.dat (qel --help lists them)\n"
              "qel: #style \"bogus\": not default, fullFill or fullFit; it stays fullFit\n"
              "qel: unknown setting # in config.dat (qel --help lists them)\n"
              "qel: #width: no value after it; it stays 1280\n");
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->style, "fullFit");
    EXPECT_EQ(parsed.options->width, 1280);
    EXPECT_EQ(parsed.options->height, 720);

    testing::internal::CaptureStderr();
    parse({"-style", "default", "-style", "full-fill", "-script"}, folder);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "qel: -script: no value after it; it stays empty\n"
                                                      "qel: unknown setting #widht in config.dat (qel --help lists them)\n"
                                                      "qel: #style \"bogus\": not default, fullFill or fullFit; it "
                                                      "stays full-fill\n"
                                                      "qel: unknown setting # in config.dat (qel --help lists them)\n"
                                                      "qel: #width: no value after it; it stays 1280\n")
        << "every style word is taken";
}

TEST(LaunchOptions, ARunControlWithoutAValueIsAnErrorWithStatus1)
{
    TempDir folder;
    for (const char* option : {"-frames", "-capture", "-record", "-replay", "-savedir"}) {
        testing::internal::CaptureStderr();
        const Parsed parsed = parse({"-script", "game", option}, folder);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(parsed.options) << option;
        EXPECT_EQ(parsed.failureStatus, 1);
        EXPECT_EQ(qel::test::errorLines(errors).size(), 1u) << errors;
        EXPECT_EQ(errors.rfind("qel: " + std::string(option) + ": no value after it (" + option + " ", 0), 0u)
            << errors;
    }
}
