#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qel::e2e {

namespace {

// The game fills its screen with the colour the script names.
std::string gameFilling(const std::string& colour)
{
    return "function start() say('ready') end\nfunction redraw() fill(Color." + colour + ") end\n";
}

std::string textOf(const std::filesystem::path& file)
{
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

std::size_t reloadsIn(const std::string& output)
{
    std::size_t count = 0;
    for (std::size_t at = output.find("changed: the scripts are reloaded"); at != std::string::npos;
         at = output.find("changed: the scripts are reloaded", at + 1))
        ++count;
    return count;
}

using AuthorLoopTest = EngineTest;

TEST_F(AuthorLoopTest, SavingAScriptShowsItsChangeInTheRunningGame)
{
    writeFile("config.dat", "#watch\n1\n");
    writeScript("main", gameFilling("Blue"));
    launch({});
    ASSERT_TRUE(waitForWindow());
    ASSERT_TRUE(waitForOutput("ready\n"));
    const ScreenLayout layout(Style::Default, 80, {1280, 720});

    writeScript("main", gameFilling("Green"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 40, 12, Green))) << "a plain write";

    // As editors save: the new text in a file of its own, renamed over the old one.
    writeFile("scripts/main.lua.new", gameFilling("Yellow"));
    std::filesystem::rename(gameFolder() / "scripts/main.lua.new", gameFolder() / "scripts/main.lua");
    EXPECT_TRUE(waitForPicture(cellShows(layout, 40, 12, Yellow))) << "a rename over the script";

    writeScript("main", gameFilling("Red") + "this is no Lua\n");
    EXPECT_TRUE(waitForPicture(errorPanelShown(true))) << "a syntax error";
    EXPECT_TRUE(waitForErrors("scripts/main.lua:3: syntax error near 'is'"));

    writeScript("main", gameFilling("Red"));
    EXPECT_TRUE(waitForPicture(errorPanelShown(false))) << "the mended script";
    EXPECT_TRUE(waitForPicture(cellShows(layout, 40, 12, Red)));

    // A second reload of a save would come a settling time after the first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(reloadsIn(output()), 4u) << "one reload a save:\n" << output();
}

TEST_F(AuthorLoopTest, ANewGameRunsAtOnceAndItsFolderIsNeverMadeTwice)
{
    const test::TempDir authors;
    launchIn(authors.path, enginePath(), {"--new", "mygame"});
    EXPECT_EQ(waitForExit(), 0) << errors();
    EXPECT_EQ(output(), "A new game is in mygame: run it with qel mygame\n");
    const std::string script = textOf(authors.path / "mygame/scripts/main.lua");

    launchIn(authors.path, enginePath(), {"--new", "mygame"});
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_EQ(errors(), "qel: cannot make a new game in \"mygame\": it exists and is not an empty folder\n");
    EXPECT_EQ(textOf(authors.path / "mygame/scripts/main.lua"), script) << "left alone";

    launchIn(authors.path, enginePath(), {"mygame"});
    windowTitle = "A new game";
    ASSERT_TRUE(waitForWindow()) << errors();
    EXPECT_TRUE(waitForPicture(cellShows(ScreenLayout(Style::Default, 80, {1280, 720}), 40, 20, Blue)));
    EXPECT_TRUE(press("Escape"));
    EXPECT_EQ(waitForExit(), 0);
    EXPECT_EQ(test::withoutWindowNotices(errors()), "");
}

// A player's screenshots go beside the saved data, never over one another; a game may take F10 for itself.
TEST_F(AuthorLoopTest, F10SavesTheWindowsPictureBesideTheSavedData)
{
    writeScript("shots", R"(
function redraw() fill(Color.Green) end
function key(code, pressed)
    if code == Key.X and pressed then core.setHotKeys{screenshot = false} end
    if code == Key.F10 and pressed then say("the game's F10") end
end
)");
    ASSERT_EQ(replay("3 press F10\n3 release F10\n4 press F10\n5 press X\n6 press F10\n",
                     {"-script", "shots", "-savedir", "saves"}),
              0)
        << errors();
    std::vector<std::filesystem::path> shots;
    for (const auto& entry : std::filesystem::directory_iterator(gameFolder() / "saves/screenshots"))
        shots.push_back(entry.path());
    ASSERT_EQ(shots.size(), 2u);
    std::sort(shots.begin(), shots.end());
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    for (const std::filesystem::path& shot : shots) {
        EXPECT_TRUE(test::contains(output(), "screenshot: " + shot.string() + "\n")) << output();
        EXPECT_TRUE(savedPicture(std::filesystem::relative(shot, gameFolder()), cellShows(layout, 40, 12, Green)));
    }
    EXPECT_TRUE(test::contains(output(), "the game's F10\n")) << "switched off, F10 is the game's";
}

// F11 and LuaCore.showStats switch the frame figures, which stay out of the cells and the captures.
TEST_F(AuthorLoopTest, TheStatsOverlayTogglesAndLeavesThePictureAlone)
{
    writeScript("stats", R"(
local shown
function redraw() fill(Color.Blue) end
function update()
    if core.isStatsShown() ~= shown then
        shown = core.isStatsShown()
        say("stats " .. tostring(shown))
    end
end
function key(code, pressed)
    if code == Key.X and pressed then core.showStats(true) end
end
)");
    ASSERT_EQ(replay("3 press F11\n5 press F11\n6 press X\n",
                     {"-script", "stats", "-capture", "2:hidden.bmp", "-capture", "4:shown.bmp", "-frames", "7"}),
              0)
        << errors();
    EXPECT_EQ(output().substr(output().find("stats ")), "stats false\nstats true\nstats false\nstats true\n");
    EXPECT_EQ(textOf(gameFolder() / "shown.bmp"), textOf(gameFolder() / "hidden.bmp")) << "the same picture";
}

} // namespace

} // namespace qel::e2e
