#include "display/Renderer.hpp"

#include "display/Palette.hpp"
#include "support/EngineFixture.hpp"
#include "support/FakeScript.hpp"

#include <gtest/gtest.h>

using namespace qel;
using test::colorIs;
using test::screenshot;

namespace {

const sf::Color& paletteOf(uint8_t index)
{
    return palette()[index];
}

// An engine whose whole screen has the given background; no scripts run.
std::unique_ptr<Core> engineWithScreen(uint8_t background, int style, int width = 1280, int height = 720)
{
    auto core = test::buildEngine(test::testOptions(width, height), std::make_unique<test::FakeScript>());
    core->getRenderer()->setDisplayStyle(style, false);
    core->getRenderer()->getScreenBuffer()->fillRect(0, 0, 80, 25, background);
    return core;
}

} // namespace

TEST(Renderer, DefaultStyleSetsTheCurvedScreenIntoTheMonitor)
{
    auto core = engineWithScreen(Red, Default);
    const sf::Image image = screenshot(*core);
    const sf::Color red = paletteOf(Red);

    EXPECT_TRUE(colorIs(image, 592, 377, red));
    // Left and right edges at x 272 and 912.
    EXPECT_TRUE(colorIs(image, 274, 377, red));
    EXPECT_FALSE(colorIs(image, 269, 377, red));
    EXPECT_TRUE(colorIs(image, 909, 377, red));
    EXPECT_FALSE(colorIs(image, 915, 377, red));
    // The top edge rises from y 149 at the ends to 143 in the middle; the bottom edge sinks
    // from 605 to 611. The cells leave the screen texture's top 2 and bottom 6 rows empty.
    EXPECT_TRUE(colorIs(image, 592, 148, red));
    EXPECT_FALSE(colorIs(image, 280, 148, red));
    EXPECT_TRUE(colorIs(image, 592, 603, red));
    EXPECT_FALSE(colorIs(image, 280, 603, red));
    // Around the monitor the wallpaper shows.
    EXPECT_FALSE(colorIs(image, 5, 5, paletteOf(Black)));
}

TEST(Renderer, TransparentCellsShowWhatLiesUnderTheScreen)
{
    auto core = engineWithScreen(Clear, Default);
    const sf::Image withFrame = screenshot(*core);
    const sf::Color glass = withFrame.getPixel(592, 377);
    EXPECT_EQ(glass.a, 255);
    EXPECT_LT(glass.r + glass.g + glass.b, 3 * 60) << "the monitor's dark glass";

    core->getRenderer()->setDisplayStyle(FullFill, false);
    EXPECT_TRUE(colorIs(screenshot(*core), 640, 360, paletteOf(Black)));
}

TEST(Renderer, FullFitCentresA4To3AreaOverTheWallpaper)
{
    auto core = engineWithScreen(Green, FullFit);
    sf::Image image = screenshot(*core);
    EXPECT_TRUE(colorIs(image, 163, 360, paletteOf(Green)));
    EXPECT_TRUE(colorIs(image, 1116, 360, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, 156, 360, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, 156, 360, paletteOf(Black))) << "wallpaper beside the screen";

    core->getRenderer()->getScreenBuffer()->clear(Clear);
    image = screenshot(*core);
    EXPECT_TRUE(colorIs(image, 640, 360, paletteOf(Black))) << "a black rectangle lies under the screen";
}

TEST(Renderer, FullFitInATallWindowUsesTheWidthAndCentresVertically)
{
    auto core = engineWithScreen(Green, FullFit, 600, 800);
    const sf::Image image = screenshot(*core);
    // 600 wide gives a 450 high area from y 175 to 625.
    EXPECT_TRUE(colorIs(image, 300, 178, paletteOf(Green)));
    EXPECT_TRUE(colorIs(image, 300, 622, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, 300, 170, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, 300, 630, paletteOf(Green)));
}

TEST(Renderer, FullFillStretchesOverTheWindowInBothVideoModes)
{
    auto core = engineWithScreen(Clear, FullFill);
    Renderer& renderer = *core->getRenderer();
    renderer.getScreenBuffer()->fillRect(0, 0, 1, 1, Cyan);
    renderer.getScreenBuffer()->fillRect(79, 24, 1, 1, Yellow);
    sf::Image image = screenshot(*core);
    // 80 columns over 1280 pixels: 16 pixels a cell; 600 texture rows over 720: 1.2 a row.
    EXPECT_TRUE(colorIs(image, 8, 16, paletteOf(Cyan)));
    EXPECT_FALSE(colorIs(image, 24, 16, paletteOf(Cyan)));
    EXPECT_TRUE(colorIs(image, 1272, 705, paletteOf(Yellow)));

    testing::internal::CaptureStdout();
    renderer.setVideoMode(Text40x25, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "setVideoMode = 1\nBuffer size: 40 x 25\n");
    renderer.getScreenBuffer()->fillRect(0, 0, 1, 1, Cyan);
    image = screenshot(*core);
    EXPECT_TRUE(colorIs(image, 24, 16, paletteOf(Cyan))) << "40 columns: each cell twice as wide";
    EXPECT_FALSE(colorIs(image, 40, 16, paletteOf(Cyan)));
}

TEST(Renderer, EveryPaletteEntryShowsItsColourAndOthersDrawNothing)
{
    auto core = engineWithScreen(Clear, FullFill);
    ScreenBuffer& buffer = *core->getRenderer()->getScreenBuffer();
    for (int index = 1; index < PaletteSize; ++index)
        buffer.fillRect(index * 4, 10, 4, 1, static_cast<uint8_t>(index));
    buffer.getCells()[0].background = 200;
    const sf::Image image = screenshot(*core);
    for (int index = 1; index < PaletteSize; ++index)
        EXPECT_TRUE(colorIs(image, index * 64 + 32, 10 * 28.8 + 16, paletteOf(index))) << "entry " << index;
    EXPECT_TRUE(colorIs(image, 8, 16, paletteOf(Black))) << "index 200 has no colour";
}

TEST(Renderer, GlyphsTakeTheForegroundAndForegroundZeroHidesThem)
{
    auto core = engineWithScreen(Clear, FullFill);
    ScreenBuffer& buffer = *core->getRenderer()->getScreenBuffer();
    buffer.put(10, 10, 0x2588, {White, Blue});  // full block
    buffer.put(12, 10, 0x2588, {Clear, Blue});
    const sf::Image image = screenshot(*core);
    const unsigned y = 10 * 28.8 + 14;
    EXPECT_TRUE(colorIs(image, 10 * 16 + 8, y, paletteOf(White)));
    EXPECT_TRUE(colorIs(image, 12 * 16 + 8, y, paletteOf(Blue)));
}

TEST(Renderer, WallpapersTileAndMissingOnesLeaveNone)
{
    auto core = engineWithScreen(Clear, Default);
    Renderer& renderer = *core->getRenderer();
    EXPECT_EQ(renderer.getWallpaper(), 18);
    sf::Image tile;
    ASSERT_TRUE(tile.loadFromFile("data/wallpapers/18.png"));
    const sf::Image image = screenshot(*core);
    const sf::Vector2u size = tile.getSize();
    EXPECT_TRUE(colorIs(image, size.x + 3, 5, tile.getPixel(3, 5))) << "the second tile repeats the first";
    EXPECT_TRUE(colorIs(image, 3, size.y + 5, tile.getPixel(3, 5)));

    renderer.setWallpaper(999);
    EXPECT_EQ(renderer.getWallpaper(), 999);
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, paletteOf(Black)));

    renderer.setWallpaper(-1);
    EXPECT_EQ(renderer.getWallpaper(), 999) << "removing the wallpaper keeps its number";
}

TEST(Renderer, UnknownVideoModesMeanTheDefaultOne)
{
    auto core = engineWithScreen(Clear, Default);
    Renderer& renderer = *core->getRenderer();
    testing::internal::CaptureStdout();
    renderer.setVideoMode(7, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "setVideoMode = 0\nBuffer size: 80 x 25\n");
    EXPECT_EQ(renderer.getVideoMode(), Text80x25);
    EXPECT_EQ(renderer.getScreenBuffer()->getSize().width, 80);
}
