#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

namespace qel::e2e {

namespace {

// Frame 2 spins in update, the key pressed in frame 3 spins in the key handler, and frame 4
// grows a table without end; frame 6 says the game still runs and ends it.
const char* const RunawayScript = R"(
frames = 0
function update()
    frames = frames + 1
    if frames == 2 then
        while true do end
    elseif frames == 4 then
        local grown, i = {}, 0
        while true do i = i + 1 grown[i] = ("x"):rep(64) .. i end
    elseif frames == 6 then
        say("still running after " .. frames .. " frames")
        core.exit(0)
    end
end

function key(code, pressed)
    if pressed and code == Key.A then
        while true do end
    end
end
)";

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

using RunawayScriptTest = EngineTest;

TEST_F(RunawayScriptTest, RunawayCallsAreStoppedWithTheirTracebacksAndTheGameGoesOn)
{
    writeScript("runaway", RunawayScript);
    EXPECT_EQ(replay("3 press A\n8 press B\n", {"-script", "runaway", "-scriptlimit", "1", "-scriptmemory", "8"}), 0);
    EXPECT_EQ(occurrences(errors(), "script ran for more than 1 s without returning\nstack traceback:\n"), 2)
        << errors();
    EXPECT_TRUE(test::contains(errors(), "scripts/runaway.lua:6: in function <scripts/runaway.lua:3>")) << errors();
    EXPECT_TRUE(test::contains(errors(), "scripts/runaway.lua:18: in function <scripts/runaway.lua:16>")) << errors();
    EXPECT_TRUE(test::contains(errors(), "not enough memory\n")) << errors();
    EXPECT_TRUE(test::contains(output(), "still running after 6 frames")) << output();
}

} // namespace qel::e2e
