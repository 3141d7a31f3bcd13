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

using ScriptErrorTest = EngineTest;

TEST_F(ScriptErrorTest, ScriptErrorsAreReportedWhileTheGameRunsOn)
{
    writeScript("failing", FailingScript);
    launch({"-script", "failing"});
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    EXPECT_TRUE(waitForErrors("scripts/failing.lua:3: start failed on purpose\n"));
    ASSERT_TRUE(waitForPicture(cellShows(layout, 40, 12, Blue)));

    ASSERT_TRUE(press("e"));
    EXPECT_TRUE(waitForErrors("attempt to call global 'callAFunctionThatIsNotThere'"));
    ASSERT_TRUE(press("g"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 40, 12, Green)));
    ASSERT_TRUE(press("q"));
    EXPECT_EQ(waitForExit(), 4);
}

} // namespace

} // namespace qel::e2e
