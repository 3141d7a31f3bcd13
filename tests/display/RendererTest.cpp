#include "display/Renderer.hpp"

#include "display/Palette.hpp"
#include "display/ScreenGeometry.hpp"
#include "support/EngineFixture.hpp"
#include "support/ErrorLines.hpp"
#include "support/FakeScript.hpp"
#include "support/TempDir.hpp"

#include <SFML/System/Sleep.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

using namespace qel;
using test::colorIs;
using test::saysOnceAbout;
using test::screenshot;
using test::windowPixels;

namespace {

const sf::Color& paletteOf(uint8_t index)
{
    return palette()[index];
}

// The tests' windows are as large as the monitor picture unless they say otherwise, so the
// picture fills them and the glass lies where it does in the picture.
constexpr int GlassRight = GlassLeft + GlassWidth;
constexpr int GlassBottom = GlassTop + GlassHeight;
constexpr unsigned GlassCentreX = GlassLeft + GlassWidth / 2, GlassCentreY = GlassTop + GlassHeight / 2;

// The window pixel showing a point of the monitor scene in a window of that size.
sf::Vector2u inScene(sf::Vector2u window, float x, float y)
{
    const MonitorPlace place = monitorPlace(window.x, window.y);
    return {static_cast<unsigned>(place.left + x * place.scale), static_cast<unsigned>(place.top + y * place.scale)};
}

// Whether the window pixel showing a point of the monitor scene has the colour, or, with a
// tolerance, about that colour, as a shrunk or enlarged picture shows it.
::testing::AssertionResult sceneIs(const sf::Image& image, sf::Vector2f scenePoint, sf::Color expected, int tolerance = 0)
{
    const sf::Vector2u pixel = inScene(image.getSize(), scenePoint.x, scenePoint.y);
    const sf::Color actual = image.getPixel(pixel.x, pixel.y);
    const auto near = [&](sf::Uint8 a, sf::Uint8 b) { return std::abs(int(a) - int(b)) <= tolerance; };
    if (near(actual.r, expected.r) && near(actual.g, expected.g) && near(actual.b, expected.b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "scene point (" << scenePoint.x << ", " << scenePoint.y << ") shows "
                                         << int(actual.r) << "," << int(actual.g) << "," << int(actual.b)
                                         << ", expected about " << int(expected.r) << "," << int(expected.g) << ","
                                         << int(expected.b);
}

// The centre of a cell in the screen texture; a fraction of a column moves it along its row.
sf::Vector2f cellCentre(float column, int row)
{
    return {column * CellWidth + CellWidth / 2.f, CellsTop + row * CellHeight + CellHeight / 2.f};
}

// The window pixel showing a point of the 80-column screen texture in the stretched style: its
// columns one to one, its shown rows spread over the window's height.
sf::Vector2u stretched(sf::Vector2f point)
{
    static_assert(Columns80 * CellWidth == MonitorPictureWidth);
    return {static_cast<unsigned>(point.x),
            static_cast<unsigned>(point.y * MonitorPictureHeight / FullStylesShownHeight)};
}

bool stretchedCellIs(const sf::Image& image, float column, int row, uint8_t colour)
{
    const sf::Vector2u pixel = stretched(cellCentre(column, row));
    return colorIs(image, pixel.x, pixel.y, palette()[colour]);
}

// The leftmost and rightmost window columns in which a pixel of the given rows passes the test.
struct Columns {
    int left;
    int right;
    double middle() const { return (left + right + 1) / 2.0; }
};

Columns columnsShowing(const sf::Image& image, unsigned firstRow, unsigned endRow,
                       const std::function<bool(sf::Color)>& shows)
{
    Columns found{static_cast<int>(image.getSize().x), -1};
    for (unsigned y = firstRow; y < endRow; ++y)
        for (int x = 0; x < static_cast<int>(image.getSize().x); ++x)
            if (shows(image.getPixel(x, y)))
                found = {std::min(found.left, x), std::max(found.right, x)};
    return found;
}

// An engine whose whole screen has the given background; no scripts run.
std::unique_ptr<Core> engineWithScreen(uint8_t background, DisplayStyle style, int width = MonitorPictureWidth,
                                       int height = MonitorPictureHeight)
{
    auto core = test::buildEngine(test::testOptions(width, height), std::make_unique<test::FakeScript>());
    core->getRenderer()->setDisplayStyle(style, Repaint::Later);
    core->getRenderer()->getScreenBuffer()->fillRect(0, 0, 80, 25, background);
    return core;
}

// A game folder that the tests run in, whose data files are links to the bundled game's, so that
// a test can put bad ones in their place.
class GameFolder {
public:
    GameFolder() : gameDirectory(std::filesystem::current_path())
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(gameDirectory / "data")) {
            const std::filesystem::path copy = folder.path / std::filesystem::relative(entry.path(), gameDirectory);
            if (entry.is_directory())
                std::filesystem::create_directories(copy);
            else
                std::filesystem::create_symlink(entry.path(), copy);
        }
        std::filesystem::current_path(folder.path);
    }
    ~GameFolder() { std::filesystem::current_path(gameDirectory); }
    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

    // The link goes first: writing through it would change the bundled game's file.
    void write(const std::string& relative, const std::string& contents) const
    {
        std::filesystem::remove(folder.path / relative);
        folder.write(relative, contents);
    }

    // A picture of the given size, in the format the name's extension gives, every pixel of it
    // the colour that pixelColor gives.
    template <class PixelColor>
    void writePicture(const std::string& relative, unsigned width, unsigned height, PixelColor pixelColor) const
    {
        sf::Image picture;
        picture.create(width, height);
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                picture.setPixel(x, y, pixelColor(x, y));
        std::filesystem::remove(folder.path / relative);
        ASSERT_TRUE(picture.saveToFile((folder.path / relative).string()));
    }

    void writePicture(const std::string& relative, unsigned width, unsigned height, sf::Color color) const
    {
        writePicture(relative, width, height, [&](unsigned, unsigned) { return color; });
    }

    // The file cut to its first bytes.
    void truncate(const std::string& relative, std::size_t size) const
    {
        const std::filesystem::path file = folder.path / relative;
        const std::filesystem::path original = std::filesystem::read_symlink(file);
        std::filesystem::remove(file);
        std::filesystem::copy_file(original, file);
        std::filesystem::resize_file(file, size);
    }

    std::filesystem::path path(const std::string& relative) const { return folder.path / relative; }

private:
    std::filesystem::path gameDirectory;
    test::TempDir folder;
};

// Builds the engine, keeping what it says on the error output.
std::unique_ptr<Core> engineSaying(std::string& errors)
{
    testing::internal::CaptureStderr();
    auto core = test::buildEngine(test::testOptions(), std::make_unique<test::FakeScript>());
    errors = testing::internal::GetCapturedStderr();
    return core;
}

// Sets a wallpaper, keeping what is said on the error output.
std::string setWallpaperSaying(Renderer& renderer, int index)
{
    testing::internal::CaptureStderr();
    renderer.setWallpaper(index);
    return testing::internal::GetCapturedStderr();
}

// Paints the window's back buffer magenta and has the renderer draw a frame: whether it composed
// and presented one. A frame it skips leaves the magenta, which no picture has in that corner.
bool drawsFrame(Core& core)
{
    const sf::Color unused = sf::Color::Magenta;
    core.getWindow()->clear(unused);
    core.getRenderer()->draw();
    return !colorIs(windowPixels(core), 2, 2, unused);
}

} // namespace

TEST(Renderer, DefaultStyleSetsTheCurvedScreenIntoTheMonitor)
{
    auto core = engineWithScreen(Red, DisplayStyle::Default);
    const sf::Image image = screenshot(*core);
    const sf::Color red = paletteOf(Red);

    EXPECT_TRUE(colorIs(image, GlassCentreX, GlassCentreY, red));
    EXPECT_TRUE(colorIs(image, GlassLeft + 2, GlassCentreY, red));
    EXPECT_FALSE(colorIs(image, GlassLeft - 3, GlassCentreY, red));
    EXPECT_TRUE(colorIs(image, GlassRight - 3, GlassCentreY, red));
    EXPECT_FALSE(colorIs(image, GlassRight + 3, GlassCentreY, red));
    // The top edge rises towards the middle and the bottom edge sinks, so that there the cells
    // reach past the edges of the glass's ends.
    EXPECT_TRUE(colorIs(image, GlassCentreX, GlassTop - 1, red));
    EXPECT_FALSE(colorIs(image, GlassLeft + 8, GlassTop - 1, red));
    EXPECT_TRUE(colorIs(image, GlassCentreX, GlassBottom - 2, red));
    EXPECT_FALSE(colorIs(image, GlassLeft + 8, GlassBottom - 2, red));
    // Around the monitor the wallpaper shows.
    EXPECT_FALSE(colorIs(image, 5, 5, paletteOf(Black)));
}

// Smaller and larger windows than the monitor picture show the whole picture, shrunk or enlarged
// alike both ways, with the screen on its glass; the wallpaper around it keeps its size.
TEST(Renderer, DefaultStyleScalesTheWholeMonitorToTheWindowAndCentresIt)
{
    sf::Image monitor, tile;
    ASSERT_TRUE(monitor.loadFromFile("data/monitor.png"));
    ASSERT_TRUE(tile.loadFromFile("data/wallpapers/18.png"));
    const sf::Vector2f bezel(GlassLeft - 40, GlassCentreY), stand(GlassCentreX, MonitorPictureHeight - 8);
    for (const sf::Vector2u size : {sf::Vector2u(800, 600), sf::Vector2u(1920, 1080)}) {
        SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
        auto core = engineWithScreen(Red, DisplayStyle::Default, size.x, size.y);
        const sf::Image image = screenshot(*core);
        const sf::Color& red = paletteOf(Red);
        EXPECT_TRUE(sceneIs(image, {GlassCentreX, GlassCentreY}, red));
        EXPECT_TRUE(sceneIs(image, {GlassLeft + 4, GlassCentreY}, red));
        EXPECT_FALSE(sceneIs(image, {GlassLeft - 4, GlassCentreY}, red));
        EXPECT_TRUE(sceneIs(image, {GlassRight - 4, GlassCentreY}, red));
        EXPECT_FALSE(sceneIs(image, {GlassRight + 4, GlassCentreY}, red));
        EXPECT_TRUE(sceneIs(image, {GlassCentreX, GlassBottom - 3}, red));
        EXPECT_TRUE(sceneIs(image, bezel, monitor.getPixel(bezel.x, bezel.y), 12));
        EXPECT_TRUE(sceneIs(image, stand, monitor.getPixel(stand.x, stand.y), 12)) << "the foot is in the window";
    }
    // 800 pixels wide take the picture at 0.625 of its size, 450 high, with 75 rows above it.
    EXPECT_EQ(inScene({800, 600}, 0, 0), sf::Vector2u(0, 75));
    EXPECT_EQ(inScene({800, 600}, MonitorPictureWidth, MonitorPictureHeight), sf::Vector2u(800, 525));
    const sf::Image shrunk = screenshot(*engineWithScreen(Red, DisplayStyle::Default, 800, 600));
    EXPECT_TRUE(colorIs(shrunk, 3, 70, tile.getPixel(3, 70 % tile.getSize().y))) << "the wallpaper is not scaled";
}

// Without a wallpaper everything not black is the monitor; on the glass, the red screen.
TEST(Renderer, DefaultStyleCentresTheMonitorAndItsGlassInTheWindow)
{
    const sf::Color black = paletteOf(Black);
    const auto isRed = [](sf::Color pixel) { return pixel.r > 100 && pixel.g < 60 && pixel.b < 60; };
    for (const sf::Vector2u size : {sf::Vector2u(1280, 720), sf::Vector2u(1600, 600), sf::Vector2u(1001, 700),
                                    sf::Vector2u(700, 1000)}) {
        SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
        auto core = engineWithScreen(Red, DisplayStyle::Default, size.x, size.y);
        core->getRenderer()->setWallpaper(-1);
        const sf::Image image = screenshot(*core);
        const Columns monitor = columnsShowing(image, 0, size.y, [&](sf::Color pixel) { return pixel != black; });
        const unsigned glassRow = inScene(size, GlassCentreX, GlassCentreY).y;
        const Columns glass = columnsShowing(image, glassRow, glassRow + 1, isRed);
        ASSERT_LT(glass.left, glass.right) << "no screen on the glass";
        ASSERT_LT(monitor.left, glass.left) << "no monitor around the glass";
        EXPECT_NEAR(monitor.middle(), size.x / 2.0, 1) << "the monitor spans columns " << monitor.left << " to "
                                                       << monitor.right;
        EXPECT_NEAR(glass.middle(), size.x / 2.0, 1) << "the glass spans columns " << glass.left << " to " << glass.right;
    }
}

TEST(Renderer, TransparentCellsShowWhatLiesUnderTheScreen)
{
    auto core = engineWithScreen(Clear, DisplayStyle::Default);
    const sf::Image withFrame = screenshot(*core);
    const sf::Color glass = withFrame.getPixel(GlassCentreX, GlassCentreY);
    EXPECT_EQ(glass.a, 255);
    EXPECT_LT(glass.r + glass.g + glass.b, 3 * 60) << "the monitor's dark glass";

    core->getRenderer()->setDisplayStyle(DisplayStyle::FullFill, Repaint::Later);
    EXPECT_TRUE(colorIs(screenshot(*core), 640, 360, paletteOf(Black)));
}

TEST(Renderer, FullFitCentresA4To3AreaOverTheWallpaper)
{
    auto core = engineWithScreen(Green, DisplayStyle::FullFit);
    sf::Image image = screenshot(*core);
    const unsigned left = (MonitorPictureWidth - MonitorPictureHeight / FitHeightPerWidth) / 2;
    const unsigned right = MonitorPictureWidth - left, middle = MonitorPictureHeight / 2;
    EXPECT_TRUE(colorIs(image, left + 3, middle, paletteOf(Green)));
    EXPECT_TRUE(colorIs(image, right - 4, middle, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, left - 4, middle, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, left - 4, middle, paletteOf(Black))) << "wallpaper beside the screen";

    core->getRenderer()->getScreenBuffer()->clear(Clear);
    image = screenshot(*core);
    EXPECT_TRUE(colorIs(image, MonitorPictureWidth / 2, middle, paletteOf(Black)))
        << "a black rectangle lies under the screen";
}

TEST(Renderer, FullFitInATallWindowUsesTheWidthAndCentresVertically)
{
    const unsigned width = 600, height = 800;
    auto core = engineWithScreen(Green, DisplayStyle::FullFit, width, height);
    const sf::Image image = screenshot(*core);
    const unsigned top = (height - width * FitHeightPerWidth) / 2, bottom = height - top;
    EXPECT_TRUE(colorIs(image, width / 2, top + 3, paletteOf(Green)));
    EXPECT_TRUE(colorIs(image, width / 2, bottom - 3, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, width / 2, top - 5, paletteOf(Green)));
    EXPECT_FALSE(colorIs(image, width / 2, bottom + 5, paletteOf(Green)));
}

TEST(Renderer, FullFillStretchesOverTheWindowInBothVideoModes)
{
    auto core = engineWithScreen(Clear, DisplayStyle::FullFill);
    Renderer& renderer = *core->getRenderer();
    renderer.getScreenBuffer()->fillRect(0, 0, 1, 1, Cyan);
    renderer.getScreenBuffer()->fillRect(79, 24, 1, 1, Yellow);
    sf::Image image = screenshot(*core);
    EXPECT_TRUE(stretchedCellIs(image, 0, 0, Cyan));
    EXPECT_FALSE(stretchedCellIs(image, 1, 0, Cyan));
    EXPECT_TRUE(stretchedCellIs(image, 79, 24, Yellow));

    testing::internal::CaptureStdout();
    renderer.setVideoMode(VideoMode::Text40x25, Repaint::Later);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "setVideoMode = 1\nBuffer size: 40 x 25\n");
    renderer.getScreenBuffer()->fillRect(0, 0, 1, 1, Cyan);
    image = screenshot(*core);
    EXPECT_TRUE(stretchedCellIs(image, 1, 0, Cyan)) << "40 columns: each cell as wide as two of 80";
    EXPECT_FALSE(stretchedCellIs(image, 2, 0, Cyan));
}

// Switching video modes back and forth shows each mode's screen whole, not what its texture
// held when it was last shown.
TEST(Renderer, AVideoModeShownAgainShowsItsNewScreen)
{
    auto core = engineWithScreen(Cyan, DisplayStyle::FullFill);
    Renderer& renderer = *core->getRenderer();
    screenshot(*core);
    testing::internal::CaptureStdout();
    renderer.setVideoMode(VideoMode::Text40x25, Repaint::Later);
    screenshot(*core);
    renderer.setVideoMode(VideoMode::Text80x25, Repaint::Later);
    testing::internal::GetCapturedStdout();
    renderer.getScreenBuffer()->fillRect(40, 12, 1, 1, Yellow);
    const sf::Image image = screenshot(*core);
    EXPECT_TRUE(stretchedCellIs(image, 40, 12, Yellow));
    EXPECT_FALSE(stretchedCellIs(image, 0, 0, Cyan)) << "the new buffer is clear";
}

// A still picture costs almost nothing: the frame is neither composed nor presented, unless the
// picture changed in any way or the window may have lost it.
TEST(Renderer, PresentsOnlyPicturesThatChanged)
{
    auto core = engineWithScreen(Red, DisplayStyle::Default);
    Renderer& renderer = *core->getRenderer();
    EXPECT_TRUE(drawsFrame(*core)) << "the first frame";
    EXPECT_FALSE(drawsFrame(*core)) << "the same picture";

    renderer.getScreenBuffer()->fillRect(40, 12, 1, 1, Yellow);
    ASSERT_TRUE(drawsFrame(*core)) << "a changed cell";
    EXPECT_TRUE(sceneIs(windowPixels(*core), {GlassLeft + 40.5f * GlassWidth / 80, GlassCentreY}, paletteOf(Yellow), 40));
    EXPECT_FALSE(drawsFrame(*core));

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"display style", [&] { renderer.setDisplayStyle(DisplayStyle::FullFit, Repaint::Later); }},
        {"wallpaper", [&] { renderer.setWallpaper(3); }},
        {"video mode", [&] {
             testing::internal::CaptureStdout();
             renderer.setVideoMode(VideoMode::Text40x25, Repaint::Later);
             testing::internal::GetCapturedStdout();
         }},
        {"error shown", [&] { renderer.getErrorPanel().show("boom"); }},
        {"error hidden", [&] { renderer.getErrorPanel().hide(); }},
        {"window spoiled", [&] { renderer.windowSpoiled(); }},
        {"window size", [&] { core->getWindow()->setSize({800, 600}); }},
        {"window moved", [&] { core->getWindow()->setPosition(core->getWindow()->getPosition() + sf::Vector2i(30, -20)); }},
    };
    for (const auto& [what, change] : changes) {
        change();
        EXPECT_TRUE(drawsFrame(*core)) << what;
        EXPECT_FALSE(drawsFrame(*core)) << "after " << what;
    }
    sf::sleep(sf::milliseconds(Renderer::StillPictureInterval + 20));
    EXPECT_TRUE(drawsFrame(*core)) << "a still picture now and then";
}

// The panel decodes and lays out an error once, when it arrives, so that a frame showing a
// long one costs what a frame showing a short one does.
TEST(Renderer, ALongErrorCostsAFrameNoMoreThanAShortOne)
{
    auto core = engineWithScreen(Cyan, DisplayStyle::FullFill);
    Renderer& renderer = *core->getRenderer();
    const auto tenFramesShowing = [&](const std::string& error) {
        renderer.getErrorPanel().show(error);
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < 10; ++frame) {
            renderer.windowSpoiled();
            renderer.draw();
        }
        return std::chrono::steady_clock::now() - start;
    };
    const auto shortError = tenFramesShowing("short\nstack traceback:\n\t[C]: in ?");
    const auto longError = tenFramesShowing(std::string(10 << 20, 'x') + "\nstack traceback:\n\t[C]: in ?");
    EXPECT_LT(longError, shortError * 3 + std::chrono::milliseconds(100));
}

TEST(Renderer, EveryPaletteEntryShowsItsColourAndOthersDrawNothing)
{
    auto core = engineWithScreen(Clear, DisplayStyle::FullFill);
    ScreenBuffer& buffer = *core->getRenderer()->getScreenBuffer();
    for (int index = 1; index < PaletteSize; ++index)
        buffer.fillRect(index * 4, 10, 4, 1, static_cast<uint8_t>(index));
    buffer.getCells()[0].background = 200;
    const sf::Image image = screenshot(*core);
    for (int index = 1; index < PaletteSize; ++index)
        EXPECT_TRUE(stretchedCellIs(image, index * 4 + 1.5f, 10, index)) << "entry " << index;
    EXPECT_TRUE(stretchedCellIs(image, 0, 0, Black)) << "index 200 has no colour";
}

TEST(Renderer, GlyphsTakeTheForegroundAndForegroundZeroHidesThem)
{
    auto core = engineWithScreen(Clear, DisplayStyle::FullFill);
    ScreenBuffer& buffer = *core->getRenderer()->getScreenBuffer();
    buffer.put(10, 10, 0x2588, {White, Blue});  // full block
    buffer.put(12, 10, 0x2588, {Clear, Blue});
    const sf::Image image = screenshot(*core);
    EXPECT_TRUE(stretchedCellIs(image, 10, 10, White));
    EXPECT_TRUE(stretchedCellIs(image, 12, 10, Blue));
}

TEST(Renderer, WallpapersTileAndMissingOnesLeaveNone)
{
    auto core = engineWithScreen(Clear, DisplayStyle::Default);
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
    auto core = engineWithScreen(Clear, DisplayStyle::Default);
    Renderer& renderer = *core->getRenderer();
    testing::internal::CaptureStdout();
    renderer.setVideoMode(static_cast<VideoMode>(7), Repaint::Later);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "setVideoMode = 0\nBuffer size: 80 x 25\n");
    EXPECT_EQ(renderer.getVideoMode(), VideoMode::Text80x25);
    EXPECT_EQ(renderer.getScreenBuffer()->getSize().width, 80);
}

TEST(Renderer, AWallpaperOfAnySizeTilesInOneDraw)
{
    GameFolder game;
    // A tile of 3 x 2 pixels, each of its own colour, so that a misplaced tile shows.
    const auto tileColor = [](unsigned x, unsigned y) { return sf::Color(x * 100, y * 100, 50); };
    game.writePicture("data/wallpapers/18.png", 3, 2, tileColor);
    game.writePicture("data/wallpapers/1.png", 1, 1, sf::Color(10, 200, 30));
    auto core = engineWithScreen(Clear, DisplayStyle::Default);
    Renderer& renderer = *core->getRenderer();

    const sf::Image tiled = screenshot(*core);
    for (const unsigned x : {0u, 1u, 2u, 3u, 5u, 1279u})
        for (const unsigned y : {0u, 1u, 2u, 7u})
            EXPECT_TRUE(colorIs(tiled, x, y, tileColor(x % 3, y % 2)));

    renderer.setWallpaper(1);
    const auto start = std::chrono::steady_clock::now();
    const sf::Image single = screenshot(*core);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500))
        << "a one-pixel tile costs no more than any other";
    EXPECT_TRUE(colorIs(single, 0, 0, sf::Color(10, 200, 30)));
    EXPECT_TRUE(colorIs(single, 1279, 5, sf::Color(10, 200, 30)));
}

TEST(Renderer, AWallpaperIsReadOncePerNumber)
{
    GameFolder game;
    game.writePicture("data/wallpapers/1.png", 4, 4, sf::Color::Red);
    auto core = engineWithScreen(Clear, DisplayStyle::FullFit);
    Renderer& renderer = *core->getRenderer();
    renderer.setWallpaper(1);
    game.writePicture("data/wallpapers/1.png", 4, 4, sf::Color::Blue);

    renderer.setWallpaper(1);
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, sf::Color::Red)) << "the same number again is not read again";
    renderer.setWallpaper(-1);
    renderer.setWallpaper(1);
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, sf::Color::Red)) << "nor after hiding the wallpaper";
    renderer.setWallpaper(2);
    renderer.setWallpaper(1);
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, sf::Color::Blue)) << "another number in between reads it";

    game.write("data/wallpapers/3.png", "not a picture");
    EXPECT_EQ(test::errorLines(setWallpaperSaying(renderer, 3)).size(), 1u);
    EXPECT_EQ(setWallpaperSaying(renderer, 3), "") << "a bad picture is not read again either";
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, paletteOf(Black)));
}

TEST(Renderer, PicturesTooLargeAreRefusedInOneLine)
{
    GameFolder game;
    // A small picture whose header claims 10000 x 10000 pixels: refused before decoding.
    game.writePicture("data/wallpapers/1.png", 2, 2, sf::Color::Red);
    std::ifstream small(game.path("data/wallpapers/1.png"), std::ios::binary);
    std::string claims10000{std::istreambuf_iterator<char>(small), {}};
    claims10000.replace(16, 8, std::string("\0\0\x27\x10\0\0\x27\x10", 8));
    game.write("data/wallpapers/1.png", claims10000);
    // Pictures of other formats are measured once decoded.
    game.writePicture("data/wallpapers/2.png.bmp", 5000, 1, sf::Color::Red);
    std::filesystem::rename(game.path("data/wallpapers/2.png.bmp"), game.path("data/wallpapers/2.png"));
    auto core = engineWithScreen(Clear, DisplayStyle::Default);
    Renderer& renderer = *core->getRenderer();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(saysOnceAbout(setWallpaperSaying(renderer, 1), "data/wallpapers/1.png"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_TRUE(saysOnceAbout(setWallpaperSaying(renderer, 2), "data/wallpapers/2.png"));
    EXPECT_EQ(renderer.getWallpaper(), 2);
    EXPECT_TRUE(colorIs(screenshot(*core), 5, 5, paletteOf(Black)));
}

// Each bad file costs its picture or its text, says so once, and the engine runs on.
TEST(Renderer, BadDataFilesLeaveARunningEngine)
{
    const std::string font = "data/fonts/VodareraZorezo.ttf";
    const auto setUp = [&](GameFolder& game, int variant) {
        switch (variant) {
        case 0: game.truncate("data/monitor.png", 2000); break;
        case 1: game.truncate("data/wallpapers/18.png", 100); break;
        case 2: game.write(font, ""); break;
        case 3: game.write(font, std::string(5000, '\x7f')); break;
        case 4: game.truncate(font, 3000); break;
        case 5: game.write("data/monitor.png", ""); break;
        case 6:
            std::filesystem::remove(game.path(font));
            std::filesystem::create_directory(game.path(font));
            break;
        case 7:
            std::filesystem::remove(game.path("data/monitor.png"));
            ASSERT_EQ(mkfifo(game.path("data/monitor.png").c_str(), 0600), 0);
            break;
        }
    };
    for (int variant = 0; variant < 8; ++variant) {
        SCOPED_TRACE(variant);
        GameFolder game;
        setUp(game, variant);
        std::string errors;
        auto core = engineSaying(errors);
        EXPECT_LE(test::errorLines(errors).size(), 1u) << errors;
        Renderer& renderer = *core->getRenderer();
        renderer.getScreenBuffer()->fillRect(0, 0, 80, 25, Red);
        renderer.getScreenBuffer()->put(40, 10, 'x', {White, Red});
        EXPECT_TRUE(colorIs(screenshot(*core), GlassCentreX, GlassCentreY, paletteOf(Red))) << "the screen still shows";
    }
}
