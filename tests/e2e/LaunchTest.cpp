#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"
#include "support/TempDir.hpp"

#include <fstream>
#include <optional>
#include <sstream>

namespace qel::e2e {

namespace {

// Reports what the running game sees of its launch options when Q is pressed, then leaves
// with a status of its own choosing.
const char* const ProbeScript = R"(
function redraw()
    fill(Color.Green)
end

function key(code, pressed)
    if pressed and code == Key.Q then
        say("style " .. core.getDisplayStyle() .. ", wallpaper " .. core.getWallpaper())
        core.exit(7)
    end
end
)";

// The probe as a whole game, needing no startup script and no data: a folder holding only it
// runs with the engine's own font, monitor and wallpapers.
const char* const OnlyScript = R"(
local core = LuaCore(gCore)
local screen = LuaScreenBuffer(gScreenBuffer)
function onSetVideoMode() screen = LuaScreenBuffer(gScreenBuffer) end
function redraw() screen.fillRect({x = 0, y = 0, width = 80, height = 25, color = Color.Green}) end
function key(code, pressed)
    if pressed and code == 16 then core.exit(7) end
end
)";

class LaunchTest : public EngineTest {
protected:
    LaunchTest() { writeScript("probe", ProbeScript); }

    // Checks the window the options asked for, then quits the game through the probe.
    void expectWindowThenQuit(sf::Vector2u size, Style style, int wallpaper)
    {
        const std::optional<capture::WindowPlace> window = waitForWindow();
        ASSERT_TRUE(window);
        EXPECT_EQ(window->width, size.x);
        EXPECT_EQ(window->height, size.y);
        EXPECT_TRUE(waitForPicture([&](const sf::Image& picture) { return showsLayout(picture, style, wallpaper); }));
        ASSERT_TRUE(press("q"));
        EXPECT_EQ(waitForExit(), 7);
    }

    // The green screen from corner to corner where the style puts it, and the backdrop beside
    // it in the styles that leave room.
    testing::AssertionResult showsLayout(const sf::Image& picture, Style style, int wallpaper)
    {
        const ScreenLayout layout(style, 80, picture.getSize());
        for (const sf::Vector2i cell : {sf::Vector2i(0, 0), sf::Vector2i(40, 12), sf::Vector2i(79, 24)})
            if (testing::AssertionResult shown = cellShows(layout, cell.x, cell.y, Green)(picture); !shown)
                return shown;
        if (style == Style::FullFill)
            return testing::AssertionSuccess();
        const sf::Vector2i side(3, picture.getSize().y / 2);
        const sf::Color expected = Backdrop(gameData(), wallpaper).at(style, picture.getSize(), side.x, side.y);
        const sf::Color seen = picture.getPixel(side.x, side.y);
        if (looksLike(seen, expected))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "beside the screen: " << describe(seen) << " instead of "
                                           << describe(expected);
    }
};

TEST_F(LaunchTest, WithoutALaunchScriptTheEngineStopsWithStatus1000)
{
    launch({});
    EXPECT_EQ(waitForExit(), 1000 % 256);
    EXPECT_EQ(output(), "arg[0] = " + enginePath() + "\nError 1000: Missing launch script\n");
    EXPECT_EQ(errors(), "");

    writeFile("config.dat", "#width\n800\n#script\n");
    launch({"-script"});
    EXPECT_EQ(waitForExit(), 1000 % 256);
    EXPECT_EQ(output(), "arg[0] = " + enginePath() + "\narg[1] = -script\nline = #width\nline = #script\n"
                        "Error 1000: Missing launch script\n");
    EXPECT_FALSE(windows.find("QEL"));
}

TEST_F(LaunchTest, WithoutADisplayTheEngineExplainsAndStopsWithStatus1)
{
    launchWithoutDisplay({"-script", "x"});
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_NE(errors().find("no X display"), std::string::npos) << errors();
}

TEST_F(LaunchTest, TheEngineEndsWithTheStatusTheScriptChose)
{
    writeScript("quit", "function update() LuaCore(gCore).exit(3) end");
    launch({"-script", "quit"});
    EXPECT_EQ(waitForExit(), 3);
}

// The picture is read before the window closes, whether the script or the command line asked.
TEST_F(LaunchTest, CapturesOfTheFrameThatExitsShowItsPicture)
{
    writeScript("shot", R"(
local frame = 0
function redraw() fill(Color.Blue) end
function update()
    frame = frame + 1
    if frame == 3 then core.capture("asked.png") core.exit(5) end
end
)");
    EXPECT_EQ(runToTheEnd({"-script", "shot", "-capture", "3:given.png"}), 5) << errors();
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    EXPECT_TRUE(savedPicture("asked.png", cellShows(layout, 40, 12, Blue)));
    EXPECT_TRUE(savedPicture("given.png", cellShows(layout, 40, 12, Blue)));
}

TEST_F(LaunchTest, CommandLineOptionsShapeTheWindowAndSkipConfigDat)
{
    writeFile("config.dat", "#script\nmissing\n#width\n640\n");
    launch({"-script", "probe", "-width", "1024", "-height", "600", "-style", "full_fit", "-wallpaper", "3"});
    expectWindowThenQuit({1024, 600}, Style::FullFit, 3);
    EXPECT_EQ(output(), "arg[0] = " + enginePath() + "\n"
                        "arg[1] = -script\narg[2] = probe\narg[3] = -width\narg[4] = 1024\narg[5] = -height\n"
                        "arg[6] = 600\narg[7] = -style\narg[8] = full_fit\narg[9] = -wallpaper\narg[10] = 3\n"
                        "scriptName = probe\nwallpaperIndex = 3\n"
                        "setVideoMode = 0\nBuffer size: 80 x 25\n"
                        "style 2, wallpaper 3\n");
    EXPECT_EQ(test::withoutWindowNotices(errors()), "");
}

TEST_F(LaunchTest, ConfigDatNamesTheScriptAndOverridesTheCommandLine)
{
    writeFile("config.dat", "#script\r\nprobe\r\n#width\r\n1000\r\n #style\r\nfullFit\r\n#style\r\nfullfill\r\n");
    launch({"-width", "800", "-wallpaper", "5"});
    expectWindowThenQuit({1000, 720}, Style::FullFill, 5);
    EXPECT_EQ(output(), "arg[0] = " + enginePath() + "\narg[1] = -width\narg[2] = 800\narg[3] = -wallpaper\n"
                        "arg[4] = 5\n"
                        "line = #script\nline = #width\nline =  #style\nline = fullFit\nline = #style\n"
                        "scriptName = probe\nwallpaperIndex = 5\n"
                        "setVideoMode = 0\nBuffer size: 80 x 25\n"
                        "style 1, wallpaper 5\n");
}

TEST_F(LaunchTest, TheDefaultStyleShowsTheMonitorOverTheLaunchWallpaper)
{
    launch({"-script", "probe", "-wallpaper", "2"});
    expectWindowThenQuit({1280, 720}, Style::Default, 2);
    EXPECT_NE(output().find("style 0, wallpaper 2\n"), std::string::npos) << output();
}

TEST_F(LaunchTest, HelpListsTheOptionsAndMistakesOnTheCommandLineAreSaid)
{
    launch({"-width", "800", "--help"});
    EXPECT_EQ(waitForExit(), 0);
    for (const char* option : {"-script", "-width", "-height", "-fullscreen", "-style", "-wallpaper", "-errorpanel"})
        EXPECT_NE(output().find("\n  " + std::string(option) + " "), std::string::npos) << option << "\n" << output();
    EXPECT_EQ(errors(), "");

    launch({"-script", "probe", "no/such/folder"});
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_TRUE(test::saysOnceAbout(errors(), "no/such/folder")) << errors();

    launch({"-script", "probe", "-frames", "4294967301"});
    EXPECT_EQ(waitForExit(), 1) << "a run that could not end as asked does not start";
    EXPECT_EQ(errors(), "qel: -frames \"4294967301\": out of range (1 to 2147483647)\n");

    launch({"-bogus", "-script", "probe", "-height", "-1"});
    expectWindowThenQuit({1280, 720}, Style::Default, 18);
    EXPECT_EQ(test::withoutWindowNotices(errors()), "qel: unknown option -bogus (qel --help lists them)\n");
}

TEST_F(LaunchTest, AFolderOfOnlyAMainScriptRunsByPathFromAnotherFolder)
{
    const test::TempDir game, elsewhere;
    game.write("scripts/main.lua", OnlyScript);
    launchIn(elsewhere.path, enginePath(), {"-width", "1024", "../" + game.path.filename().string()});
    expectWindowThenQuit({1024, 720}, Style::Default, 18);
    EXPECT_EQ(test::withoutWindowNotices(errors()), "");
    EXPECT_EQ(output().find("Failed to load font"), std::string::npos) << output();
}

// Installed into a folder of the test's own, with one of its wallpapers swapped so that the
// picture shows which data it reads.
TEST_F(LaunchTest, AnInstalledEngineRunsAGameFolderWithItsOwnData)
{
    const test::TempDir prefix, game;
    const ProgramResult installed = runProgram({"sh", "-c", "exec \"$0\" --install \"$1\" --prefix \"$2\" >/dev/null",
                                                QEL_CMAKE, QEL_BUILD_DIR, prefix.path.string()});
    ASSERT_EQ(installed.status, 0) << installed.errors;
    const std::filesystem::path data = prefix.path / "share/qel/data";
    EXPECT_TRUE(std::filesystem::is_regular_file(data / "fonts/VodareraZorezo.ttf"));
    EXPECT_TRUE(std::filesystem::is_regular_file(data / "monitor.png"));
    std::filesystem::copy_file(data / "wallpapers/3.png", data / "wallpapers/18.png",
                               std::filesystem::copy_options::overwrite_existing);

    game.write("scripts/main.lua", OnlyScript);
    launchIn(prefix.path, (prefix.path / "bin/qel").string(), {game.path.string()});
    expectWindowThenQuit({1280, 720}, Style::Default, 3);
    EXPECT_EQ(output().find("Failed to load font"), std::string::npos) << output();
}

// What a helper program writes on standard output, or nothing when it fails.
std::optional<std::string> outputOf(const std::vector<std::string>& arguments, const std::filesystem::path& scratch)
{
    std::vector<std::string> command{"sh", "-c", "\"$@\" > \"$0\"", (scratch / "output.txt").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    if (runProgram(command).status != 0)
        return std::nullopt;
    std::ifstream file(scratch / "output.txt");
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The Debian package, made of the normal build, holds the program, its data, the bundled game's
// archive, a manual page that names every option and the scripting reference, and names Debian's
// packages of the libraries it needs; unpacked, its program plays the game's archive.
TEST_F(LaunchTest, TheDebianPackageHoldsTheEngineAndItsProgramPlaysTheBundledGame)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the package is made of the normal build";
#endif
    const ProgramResult made = runProgram({"sh", "-c", "exec \"$0\" --build \"$1\" --target package >/dev/null",
                                           QEL_CMAKE, QEL_BUILD_DIR});
    ASSERT_EQ(made.status, 0) << made.errors;
    const test::TempDir scratch, unpacked;
    const std::optional<std::string> contents = outputOf({"dpkg-deb", "--contents", QEL_PACKAGE}, scratch.path);
    ASSERT_TRUE(contents);
    for (const char* file : {"/usr/bin/qel", "/usr/share/qel/data/fonts/VodareraZorezo.ttf",
                             "/usr/share/qel/data/monitor.png", "/usr/share/qel/data/wallpapers/18.png",
                             "/usr/share/qel/games/treasure-cave.qel", "/usr/share/man/man1/qel.1.gz",
                             "/usr/share/doc/qel/reference.md"})
        EXPECT_NE(contents->find(" ." + std::string(file) + "\n"), std::string::npos) << file << " is not in the package";
    const std::optional<std::string> depends = outputOf({"dpkg-deb", "--field", QEL_PACKAGE, "Depends"}, scratch.path);
    ASSERT_TRUE(depends);
    for (const char* package : {"liblua5.2-0", "libsfml-graphics2.5", "libsfml-audio2.5", "libphysfs1", "libzip4"})
        EXPECT_NE(depends->find(package), std::string::npos) << *depends;

    ASSERT_EQ(runProgram({"dpkg-deb", "--extract", QEL_PACKAGE, unpacked.path.string()}).status, 0);
    const std::optional<std::string> manual = outputOf({"zcat", (unpacked.path / "usr/share/man/man1/qel.1.gz").string()},
                                                       scratch.path);
    const std::optional<std::string> help = outputOf({enginePath(), "--help"}, scratch.path);
    ASSERT_TRUE(manual && help);
    std::istringstream helpLines(*help);
    for (std::string line; std::getline(helpLines, line);) {
        if (line.rfind("  -", 0) != 0)
            continue;
        std::string option = line.substr(2, line.find(' ', 2) - 2);
        for (size_t dash = option.find('-'); dash != std::string::npos; dash = option.find('-', dash + 2))
            option.insert(dash, "\\");
        EXPECT_NE(manual->find(option), std::string::npos) << "the manual page does not name " << option;
    }

    launchIn(scratch.path, (unpacked.path / "usr/bin/qel").string(),
             {(unpacked.path / "usr/share/qel/games/treasure-cave.qel").string(), "-frames", "30", "-capture",
              "30:title.png"});
    EXPECT_EQ(waitForExit(), 0) << errors();
    EXPECT_TRUE(std::filesystem::is_regular_file(scratch.path / "title.png"));
}

} // namespace

} // namespace qel::e2e
