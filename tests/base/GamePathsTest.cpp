#include "base/GamePaths.hpp"

#include "support/GameFolder.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

// Tests run from their build tree, where the engine's data is the bundled game's.
TEST(DataPath, TheGamesOwnFileWinsAndTheEnginesFillsTheGaps)
{
    const std::filesystem::path engineData = std::filesystem::path(QEL_GAME_DIR) / "data";
    qel::test::TempDir game;
    game.write("data/monitor.png", "the game's own");
    const qel::test::WorkingDirectory inside(game.path);

    EXPECT_EQ(qel::dataPath("data/monitor.png"), "data/monitor.png");
    EXPECT_EQ(qel::dataPath("data/wallpapers/18.png"), (engineData / "wallpapers/18.png").string());
    EXPECT_EQ(qel::dataPath("data/fonts/VodareraZorezo.ttf"), (engineData / "fonts/VodareraZorezo.ttf").string());
    EXPECT_EQ(qel::dataPath("data/wallpapers/999.png"), "data/wallpapers/999.png")
        << "found nowhere: the game's path, which the message about it names";
}
