#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

namespace qel::e2e {

namespace {

// One misuse of each kind on lines 2 and 5 to 9; redraw runs at least twice (for the change of
// video mode and after start), yet its misuse is reported once.
const char* const MisusingScript = R"(function redraw()
    screen.print({x = 1, y = 1, text = "hello", colour = Color.Red})
end
function start()
    screen.fillRect({x = 0, y = 2, width = "a", height = 1})
    screen.drawBorder({x = 0, y = 3, width = 4, height = 3, shadow = "yes"})
    screen.fillRow({row = 6, color = 42})
    core.setVideoMode(7)
    screen:put({x = 0, y = 7, text = "x"})
    core.exit(0)
end
)";

// The lines of the engine's errors that are warnings.
std::vector<std::string> warningLines(const std::string& errors)
{
    std::vector<std::string> warnings;
    for (const std::string& line : test::errorLines(errors))
        if (test::contains(line, ": warning: "))
            warnings.push_back(line);
    return warnings;
}

using MisuseWarningTest = EngineTest;

TEST_F(MisuseWarningTest, EachMisusedCallIsReportedOnceWithItsPlace)
{
    writeScript("misusing", MisusingScript);
    launch({"-script", "misusing"});
    ASSERT_EQ(waitForExit(), 0);
    const std::string place = "scripts/misusing.lua:";
    EXPECT_EQ(warningLines(errors()),
              (std::vector<std::string>{
                  place + "5: LuaScreenBuffer.fillRect: warning: option \"width\" is a string, not a number",
                  place + "6: LuaScreenBuffer.drawBorder: warning: option \"shadow\" is a string, not a boolean",
                  place + "7: LuaScreenBuffer.fillRow: warning: colour 42 is not in the Color table",
                  place + "8: LuaCore.setVideoMode: warning: video mode 7 is not in the VideoMode table",
                  place + "2: LuaScreenBuffer.print: warning: unknown option \"colour\"",
                  place + "9: LuaScreenBuffer.put: warning: called with ':'; methods are called with '.', as in "
                          "screen.print{...}",
              }))
        << errors();
}

} // namespace

} // namespace qel::e2e
