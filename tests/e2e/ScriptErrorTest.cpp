#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

namespace qel::e2e {

namespace {

// M mends the script as its author would: the failing start is gone, and the screen is drawn
// as before the failure.
const char* const FailingScript = R"(
function start()
    error("start failed on purpose")
end

function redraw()
    fill(turnedGreen and Color.Green or Color.Blue)
end

function key(code, pressed)
    if not pressed then
        return
    end
    if code == Key.E then
        callAFunctionThatIsNotThere()
    elseif code == Key.G then
        turnedGreen = true
        screen.redraw()
    elseif code == Key.M then
        local file = io.open("scripts/failing.lua", "w")
        file:write("function redraw() fill(Color.Blue) end")
        file:close()
    elseif code == Key.Q then
        core.exit(4)
    end
end
)";

using ScriptErrorTest = EngineTest;

TEST_F(ScriptErrorTest, ScriptErrorsAreReportedWhileTheGameRunsOn)
{
    writeScript("failing", FailingScript);
    EXPECT_EQ(replay(typing(3, "egq"), {"-script", "failing", "-capture", "2:start.bmp", "-capture", "4:green.bmp"}), 4);
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    EXPECT_TRUE(test::contains(errors(), "scripts/failing.lua:3: start failed on purpose\nstack traceback:\n"))
        << errors();
    EXPECT_TRUE(test::contains(errors(), "\tscripts/failing.lua:3: in function <scripts/failing.lua:2>\n")) << errors();
    EXPECT_TRUE(savedPicture("start.bmp", cellShows(layout, 40, 12, Blue)));
    EXPECT_TRUE(test::contains(errors(), "attempt to call global 'callAFunctionThatIsNotThere'")) << errors();
    EXPECT_TRUE(savedPicture("green.bmp", cellShows(layout, 40, 12, Green)));
}

TEST_F(ScriptErrorTest, TheLatestErrorShowsInTheWindowUntilHiddenOrReloaded)
{
    writeScript("failing", FailingScript);
    ASSERT_EQ(replay("3 press F12\n" + typing(4, "emR"),
                     {"-script", "failing", "-capture", "2:start.bmp", "-capture", "3:hidden.bmp", "-capture",
                      "4:again.bmp", "-capture", "6:mended.bmp"}),
              0);
    EXPECT_TRUE(savedPicture("start.bmp", errorPanelShown(true)));
    EXPECT_TRUE(savedPicture("hidden.bmp", errorPanelShown(false)));
    EXPECT_TRUE(savedPicture("again.bmp", errorPanelShown(true))) << "a new error shows again";
    EXPECT_TRUE(savedPicture("mended.bmp", errorPanelShown(false))) << "the author mended the script and reloaded";
}

TEST_F(ScriptErrorTest, AReleasedGameShowsErrorsOnlyOnStandardError)
{
    writeScript("failing", FailingScript);
    launch({"-script", "failing", "-errorpanel", "0"});
    EXPECT_TRUE(waitForErrors("start failed on purpose"));
    ASSERT_TRUE(waitForPicture(cellShows(ScreenLayout(Style::Default, 80, {1280, 720}), 40, 12, Blue)));
    EXPECT_TRUE(waitForPicture(errorPanelShown(false)));
}

} // namespace

} // namespace qel::e2e
