#include "e2e/EngineTest.hpp"

#include <cstdlib>

namespace qel::e2e {

namespace {

class SavedDataTest : public EngineTest {};

// Counts its runs in its saved data: the count it finds, then one more as it ends.
const char* const CountingScript = R"(
local core = LuaCore(gCore)
local runs
function start() runs = (core.loadSaved("runs") or 0) + 1 say("run " .. runs) end
function quit() say(tostring(core.save("runs", runs))) end
)";

} // namespace

TEST_F(SavedDataTest, WhatAGameSavesAsItEndsIsThereInItsNextRun)
{
    writeScript("counting", CountingScript);
    EXPECT_EQ(runToTheEnd({"-script", "counting", "-frames", "3"}), 0) << errors();
    EXPECT_NE(output().find("run 1\ntrue\n"), std::string::npos) << output();
    const std::filesystem::path saved =
        std::filesystem::path(std::getenv("XDG_DATA_HOME")) / "qel/saves" / gameFolder().filename() / "runs";
    EXPECT_TRUE(std::filesystem::is_regular_file(saved)) << saved;

    EXPECT_EQ(runToTheEnd({"-script", "counting", "-frames", "3"}), 0) << errors();
    EXPECT_NE(output().find("run 2\ntrue\n"), std::string::npos) << output();
    EXPECT_EQ(runToTheEnd({"-script", "counting", "-frames", "3", "-savedir", "elsewhere"}), 0) << errors();
    EXPECT_NE(output().find("run 1\ntrue\n"), std::string::npos) << output();
    EXPECT_TRUE(std::filesystem::is_regular_file(gameFolder() / "elsewhere" / "runs"));
}

} // namespace qel::e2e
