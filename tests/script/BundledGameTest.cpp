#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>

using namespace qel;

namespace {

// The characters of one screen row.
std::string rowText(Core& core, int row)
{
    const ScreenBuffer& screen = *core.getRenderer()->getScreenBuffer();
    WideString text;
    for (int column = 0; column < screen.getSize().width; ++column)
        text += screen.cellAt(column, row).character ? screen.cellAt(column, row).character : u' ';
    return toUtf8(text);
}

bool showsCentred(Core& core, int row, const std::string& text)
{
    const std::string line = rowText(core, row);
    const size_t left = line.find(text);
    const size_t right = line.size() - left - text.size();
    return left != std::string::npos && (left == right || left + 1 == right);
}

} // namespace

// The game in the game folder, as ./play runs it.
TEST(BundledGame, TitleScreenDrawsAndAnswersItsKeys)
{
    LaunchOptions options = test::testOptions();
    options.scriptName = "main";
    auto core = std::make_unique<Core>();
    const test::Printed startup = test::capturePrinted([&] { core->build(options); });
    EXPECT_EQ(startup.err, "");
    EXPECT_TRUE(showsCentred(*core, 6, "a text-mode game engine")) << rowText(*core, 6);
    EXPECT_TRUE(showsCentred(*core, 24, "Shift+R reloads the scripts")) << rowText(*core, 24);
    EXPECT_NE(rowText(*core, 9).find("Everything here is drawn"), std::string::npos) << rowText(*core, 9);

    const test::Printed played = test::capturePrinted([&] {
        core->runFrame(16);
        core->handleEvent(test::keyPress(sf::Keyboard::V));
        core->handleEvent(test::keyPress(sf::Keyboard::S));
        core->handleEvent(test::keyPress(sf::Keyboard::W));
        core->runFrame(16);
    });
    EXPECT_EQ(played.err, "");
    Renderer& renderer = *core->getRenderer();
    EXPECT_EQ(renderer.getVideoMode(), Text40x25);
    EXPECT_EQ(renderer.getDisplayStyle(), FullFill);
    EXPECT_EQ(renderer.getWallpaper(), 1);
    EXPECT_TRUE(showsCentred(*core, 6, "a text-mode game engine")) << "redrawn for 40 columns";
    EXPECT_NE(rowText(*core, 20).find("wallpaper"), std::string::npos);
    EXPECT_NE(rowText(*core, 20).find(" 1 "), std::string::npos) << rowText(*core, 20);

    test::capturePrinted([&] { core->handleEvent(test::keyPress(sf::Keyboard::Q)); });
    EXPECT_FALSE(core->getWindow()->isOpen());
    EXPECT_EQ(core->getExitCode(), 0);
}
