#include "e2e/EngineTest.hpp"

namespace qel::e2e {

namespace {

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
    elseif code == Key.Q then
        core.exit(4)
    end
end
)";

// A script that starts cleanly and draws the same as the failing one before it failed.
const char* const FixedScript = R"(
function redraw()
    fill(Color.Blue)
end
)";

// The error panel's red frame runs along the bottom of the window, 12 pixels up.
PictureCheck errorPanelShown(bool shown)
{
    return [=](const sf::Image& picture) -> testing::AssertionResult {
        const sf::Vector2u size = picture.getSize();
        const sf::Color seen = picture.getPixel(size.x / 2, size.y - 14);
        if (looksLike(seen, sf::Color(224, 48, 48)) == shown)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the bottom of the window shows " << describe(seen) << ", so the error panel is "
                                           << (shown ? "not shown" : "shown");
    };
}

using ScriptErrorTest = EngineTest;

TEST_F(ScriptErrorTest, ScriptErrorsAreReportedWhileTheGameRunsOn)
{
    writeScript("failing", FailingScript);
    launch({"-script", "failing"});
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    EXPECT_TRUE(waitForErrors("scripts/failing.lua:3: start failed on purpose\nstack traceback:\n"));
    EXPECT_TRUE(waitForErrors("\tscripts/failing.lua:3: in function <scripts/failing.lua:2>\n"));
    ASSERT_TRUE(waitForPicture(cellShows(layout, 40, 12, Blue)));

    ASSERT_TRUE(press("e"));
    EXPECT_TRUE(waitForErrors("attempt to call global 'callAFunctionThatIsNotThere'"));
    ASSERT_TRUE(press("g"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 40, 12, Green)));
    ASSERT_TRUE(press("q"));
    EXPECT_EQ(waitForExit(), 4);
}

TEST_F(ScriptErrorTest, TheLatestErrorShowsInTheWindowUntilHiddenOrReloaded)
{
    writeScript("failing", FailingScript);
    launch({"-script", "failing"});
    ASSERT_TRUE(waitForPicture(errorPanelShown(true)));
    ASSERT_TRUE(press("F12"));
    ASSERT_TRUE(waitForPicture(errorPanelShown(false)));
    ASSERT_TRUE(press("e"));
    ASSERT_TRUE(waitForPicture(errorPanelShown(true))) << "a new error shows again";

    writeScript("failing", FixedScript);
    ASSERT_TRUE(press("shift+r"));
    EXPECT_TRUE(waitForPicture(errorPanelShown(false))) << "the author mended the script and reloaded";
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
