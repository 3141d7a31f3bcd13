#include "display/Renderer.hpp"

#include "base/Hub.hpp"
#include "base/GameFiles.hpp"
#include "display/Palette.hpp"
#include "display/ScreenGeometry.hpp"
#include "base/DeferredRelease.hpp"
#include "base/GamePaths.hpp"
#include "script/ScriptingInterface.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/VertexArray.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace qel {

namespace {

// Takes the monitor scene's coordinates to the window's.
sf::Transform monitorTransform(sf::Vector2u windowSize)
{
    const MonitorPlace place = monitorPlace(windowSize.x, windowSize.y);
    sf::Transform transform;
    transform.translate(place.left, place.top).scale(place.scale, place.scale);
    return transform;
}

// The glass in the monitor scene as one quad per quarter of its width, its corners on the bulging
// edges, each showing the same share of the screen texture's width; the texture's full height
// spans the glass.
sf::VertexArray glassQuads(float textureWidth)
{
    const sf::Vector2f corner(GlassLeft, GlassTop);
    const float quarterWidth = static_cast<float>(GlassWidth) / GlassQuarters;
    const float textureHeight = ScreenTextureHeight;
    // The corners on the top and bottom edges at a boundary between quarters, 0 to GlassQuarters.
    const auto onTop = [&](int boundary) {
        const float x = boundary * quarterWidth;
        return sf::Vertex({corner.x + x, corner.y - GlassBulge[boundary]}, {x * textureWidth / GlassWidth, 0});
    };
    const auto onBottom = [&](int boundary) {
        const float x = boundary * quarterWidth;
        return sf::Vertex({corner.x + x, corner.y + GlassHeight + GlassBulge[boundary]},
                          {x * textureWidth / GlassWidth, textureHeight});
    };
    sf::VertexArray quads(sf::Quads);
    for (int quarter = 0; quarter < GlassQuarters; ++quarter) {
        quads.append(onTop(quarter));
        quads.append(onTop(quarter + 1));
        quads.append(onBottom(quarter + 1));
        quads.append(onBottom(quarter));
    }
    return quads;
}

// The fitted area as the graphics library takes rectangles.
sf::FloatRect fitRect(int width, int height)
{
    const FitArea area = fitArea(width, height);
    return sf::FloatRect(area.left, area.top, area.width, area.height);
}

// A fully transparent screen texture, smoothed when it is scaled into the window.
void createScreenTexture(sf::Texture& texture, unsigned width)
{
    sf::Image transparent;
    transparent.create(width, ScreenTextureHeight, sf::Color::Transparent);
    texture.loadFromImage(transparent);
    texture.setSmooth(true);
}

// Pictures larger than this on a side are refused: a wallpaper tile or monitor frame needs far
// less, and one of 4096 x 4096 already takes 64 MB to decode.
constexpr unsigned MaxPictureSide = 4096;

// The size a PNG file's header gives, or none for files that are not PNG: the first chunk of
// every PNG is its header, which holds the width and height as big-endian numbers.
std::optional<sf::Vector2u> pngSize(const std::vector<unsigned char>& file)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
    const unsigned char* header = file.data();
    if (file.size() < 24 || !std::equal(header, header + 16, reinterpret_cast<const unsigned char*>(signature)))
        return std::nullopt;
    const auto bigEndian = [&](int at) {
        return unsigned(header[at]) << 24 | unsigned(header[at + 1]) << 16 | unsigned(header[at + 2]) << 8 |
               unsigned(header[at + 3]);
    };
    return sf::Vector2u(bigEndian(16), bigEndian(20));
}

// Whether a picture of that size may be made a texture; otherwise says so in one line.
bool fitsTexture(sf::Vector2u size, const std::string& path)
{
    const unsigned largest = std::min(MaxPictureSide, sf::Texture::getMaximumSize());
    if (size.x <= largest && size.y <= largest)
        return true;
    std::fprintf(stderr, "qel: cannot load picture \"%s\": it is %u x %u pixels, more than %u on a side\n",
                 path.c_str(), size.x, size.y, largest);
    return false;
}

// Loads a picture file into the texture, or leaves it empty. A PNG too large is refused from
// its header, before it is decoded; other formats are measured once decoded. Whatever goes
// wrong is said in one line, by the engine or by the graphics library.
bool loadPicture(sf::Texture& texture, const std::string& path)
{
    const std::optional<std::vector<unsigned char>> file = GameFiles::load(path, "picture");
    if (!file)
        return false;
    if (const std::optional<sf::Vector2u> size = pngSize(*file); size && !fitsTexture(*size, path))
        return false;
    sf::Image picture;
    return picture.loadFromMemory(file->data(), file->size()) && fitsTexture(picture.getSize(), path) &&
           texture.loadFromImage(picture);
}

// How many pixels deep the colour of the picture's edge reaches into the transparent pixels around
// it: enough for the smaller copies down to a sixteenth of its size.
constexpr int EdgeColourDepth = 8;

// A transparent pixel beside the picture takes the colour of an opaque neighbour (the first of
// left, right, above, below), staying transparent, and so on outward to the given depth. Each
// step looks only beside the pixels the step before coloured: the monitor picture has a million
// pixels, and every start of the engine spreads its edge.
void spreadEdgeColour(sf::Image& picture, int depth)
{
    const int width = picture.getSize().x, height = picture.getSize().y;
    std::vector<sf::Uint8> rgba(picture.getPixelsPtr(), picture.getPixelsPtr() + std::size_t(width) * height * 4);
    std::vector<bool> coloured(std::size_t(width) * height);
    std::vector<int> newlyColoured;
    for (int pixel = 0; pixel < width * height; ++pixel)
        if ((coloured[pixel] = rgba[pixel * 4 + 3] > 0))
            newlyColoured.push_back(pixel);
    const int offsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    // The pixel beside (x, y) in that direction, or -1 outside the picture.
    const auto beside = [&](int x, int y, const int (&offset)[2]) {
        const int nx = x + offset[0], ny = y + offset[1];
        return nx >= 0 && ny >= 0 && nx < width && ny < height ? ny * width + nx : -1;
    };
    for (int step = 0; step < depth; ++step) {
        std::vector<int> candidates;
        for (const int pixel : newlyColoured)
            for (const auto& offset : offsets)
                if (const int next = beside(pixel % width, pixel / width, offset); next >= 0 && !coloured[next])
                    candidates.push_back(next);
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        newlyColoured.clear();
        for (const int pixel : candidates) {
            for (const auto& offset : offsets) {
                const int neighbour = beside(pixel % width, pixel / width, offset);
                if (neighbour >= 0 && coloured[neighbour]) {
                    std::copy_n(&rgba[neighbour * 4], 3, &rgba[pixel * 4]);
                    newlyColoured.push_back(pixel);
                    break;
                }
            }
        }
        for (const int pixel : newlyColoured)
            coloured[pixel] = true;
    }
    picture.create(width, height, rgba.data());
}

// Makes the picture ready to be drawn at any size: smoothed, with smaller copies of itself for
// shrinking. Smoothing blends a pixel with its neighbours, transparent ones too, whose colour
// (black, in most files) would darken the outline; they take the edge's colour instead. At the
// picture's own size every pixel still shows as it is.
void prepareForScaling(sf::Texture& texture)
{
    sf::Image picture = texture.copyToImage();
    spreadEdgeColour(picture, EdgeColourDepth);
    texture.update(picture);
    texture.setSmooth(true);
    texture.generateMipmap();
}

} // namespace

Renderer::Renderer(Hub* core) : core(core)
{
    if (loadPicture(frameTexture, dataPath("data/monitor.png")))
        prepareForScaling(frameTexture);
    const bool resetRect = true;
    frameSprite.setTexture(frameTexture, resetRect);
    // The font reads its file as it makes glyphs, so its bytes stay while it does.
    if (std::optional<std::vector<unsigned char>> file = GameFiles::load(dataPath("data/fonts/VodareraZorezo.ttf"), "font"))
        fontFile = std::move(*file);
    if (fontFile.empty() || !font.loadFromMemory(fontFile.data(), fontFile.size()))
        std::printf("Failed to load font...\n");
    createScreenTexture(screenTexture(VideoMode::Text80x25), Columns80 * CellWidth);
    createScreenTexture(screenTexture(VideoMode::Text40x25), Columns40 * CellWidth);
}

Renderer::~Renderer() = default;

void Renderer::setVideoMode(VideoMode mode, Repaint repaint)
{
    if (mode != VideoMode::Text40x25)
        mode = VideoMode::Text80x25;
    std::printf("setVideoMode = %d\n", static_cast<int>(mode));
    videoMode = mode;
    pictureChanged = true;
    const int columns = mode == VideoMode::Text40x25 ? Columns40 : Columns80;
    // Engine code that called the scripts may still be writing into the old buffer.
    DeferredRelease::release(std::move(screenBuffer));
    std::printf("Buffer size: %d x %d\n", columns, ScreenRows);
    screenBuffer = std::make_unique<ScreenBuffer>(core, columns, ScreenRows);
    if (ScriptingInterface* script = core->getScript())
        script->onSetVideoMode(static_cast<int>(mode));
    if (repaint == Repaint::Now)
        core->redraw();
}

void Renderer::setDisplayStyle(DisplayStyle style, Repaint repaint)
{
    pictureChanged = true;
    displayStyle = style;
    backdropStale = true;
    if (repaint == Repaint::Now)
        core->redraw();
}

void Renderer::setWallpaper(int index)
{
    pictureChanged = true;
    backdropStale = true;
    wallpaperShown = index >= 0;
    if (index < 0)
        return;
    // A number without a picture leaves no wallpaper, but is still the one reported.
    wallpaperIndex = index;
    if (index == loadedWallpaper)
        return;
    // The picture is read once per number, so that a script setting the same wallpaper again
    // neither decodes it again nor repeats why it could not.
    char path[64];
    std::snprintf(path, sizeof path, "data/wallpapers/%d.png", index);
    wallpaperTexture = std::make_unique<sf::Texture>();
    if (!loadPicture(*wallpaperTexture, dataPath(path)))
        wallpaperTexture.reset();
    else
        wallpaperTexture->setRepeated(true);
    loadedWallpaper = index;
}

const sf::Texture* Renderer::shownWallpaper() const
{
    return wallpaperShown ? wallpaperTexture.get() : nullptr;
}

void Renderer::setCellDrawer(std::unique_ptr<CellDrawer> drawer)
{
    cellDrawer = std::move(drawer);
    pictureChanged = true;
}

void Renderer::draw()
{
    sf::RenderWindow& window = *core->getWindow();
    drawCells();
    if (windowShowsPicture() && sincePresented.getElapsedTime().asMilliseconds() < StillPictureInterval)
        return;
    composeWindow(window);
    present();
}

void Renderer::compose()
{
    drawCells();
    composeWindow(*core->getWindow());
}

void Renderer::present()
{
    sf::RenderWindow& window = *core->getWindow();
    statsOverlay.draw(window);
    window.display();
    pictureChanged = false;
    presentedSize = window.getSize();
    presentedPosition = window.getPosition();
    presentedErrorRevision = errorPanel.getRevision();
    presentedStatsRevision = statsOverlay.getRevision();
    sincePresented.restart();
}

// The screen texture is brought up to date before the window's drawing begins, so that the
// upload need not wait for that drawing.
void Renderer::drawCells()
{
    if (screenBuffer && cellDrawer->draw(*screenBuffer, screenTexture(videoMode)))
        pictureChanged = true;
}

bool Renderer::windowShowsPicture() const
{
    const sf::RenderWindow& window = *core->getWindow();
    return !pictureChanged && presentedSize == window.getSize() && presentedPosition == window.getPosition() &&
           presentedErrorRevision == errorPanel.getRevision() && presentedStatsRevision == statsOverlay.getRevision();
}

void Renderer::composeWindow(sf::RenderWindow& window)
{
    drawBackdrop(window);
    if (displayStyle == DisplayStyle::FullFill || displayStyle == DisplayStyle::FullFit)
        composeFull(window);
    else
        composeMonitor(window);
    errorPanel.draw(window, font);
}

// What lies behind the screen changes only with the window size, the style or the wallpaper, so
// the wallpaper tiles and the monitor frame are drawn once into the backdrop and copied from there.
void Renderer::drawBackdrop(sf::RenderTarget& window)
{
    if (displayStyle != DisplayStyle::Default && displayStyle != DisplayStyle::FullFit) {
        drawBackground(window);
        return;
    }
    const sf::Vector2u size = window.getSize();
    if (backdropStale || backdrop.getSize() != size) {
        backdrop.create(size.x, size.y);
        drawBackground(backdrop);
        backdrop.display();
        backdropStale = false;
    }
    window.draw(sf::Sprite(backdrop.getTexture()), sf::BlendNone);
}

void Renderer::drawBackground(sf::RenderTarget& target)
{
    const sf::Color& black = palette()[Black];
    const sf::Vector2u size = target.getSize();
    const int width = size.x, height = size.y;
    switch (displayStyle) {
    case DisplayStyle::Default:
        if (const sf::Texture* wallpaper = shownWallpaper())
            tileWallpaper(target, *wallpaper);
        else
            target.clear(black);
        frameSprite.setPosition((MonitorPictureWidth - static_cast<int>(frameTexture.getSize().x)) / 2,
                                MonitorPictureHeight - static_cast<int>(frameTexture.getSize().y));
        target.draw(frameSprite, monitorTransform(size));
        break;
    case DisplayStyle::FullFit:
        if (const sf::Texture* wallpaper = shownWallpaper()) {
            tileWallpaper(target, *wallpaper);
            const sf::FloatRect area = fitRect(width, height);
            sf::RectangleShape under({area.width, area.height});
            under.setPosition(area.left, area.top);
            under.setFillColor(black);
            target.draw(under);
        } else {
            target.clear(black);
        }
        break;
    case DisplayStyle::FullFill:
        target.clear(black);
        break;
    default:
        break;
    }
}

// Tiles from the top-left corner: the texture repeats, so one sprite as large as the target
// covers it with whole and cut tiles, whatever the tile's size.
void Renderer::tileWallpaper(sf::RenderTarget& target, const sf::Texture& wallpaper)
{
    const sf::Vector2u size = target.getSize();
    target.draw(sf::Sprite(wallpaper, sf::IntRect(0, 0, size.x, size.y)));
}

// The glass stands where it does in the bundled monitor picture, whatever picture is shown.
void Renderer::composeMonitor(sf::RenderTarget& window)
{
    const sf::Texture& texture = screenTexture();
    sf::RenderStates states(monitorTransform(window.getSize()));
    states.texture = &texture;
    window.draw(glassQuads(texture.getSize().x), states);
}

void Renderer::composeFull(sf::RenderTarget& window)
{
    const sf::Vector2u size = window.getSize();
    const sf::FloatRect area = displayStyle == DisplayStyle::FullFill
                                   ? sf::FloatRect(0, 0, size.x, size.y)
                                   : fitRect(size.x, size.y);
    const sf::Texture& texture = screenTexture();
    const float textureWidth = texture.getSize().x, shownHeight = FullStylesShownHeight;
    sf::VertexArray screen(sf::Quads, 4);
    screen[0] = sf::Vertex({area.left, area.top}, {0, 0});
    screen[1] = sf::Vertex({area.left + area.width, area.top}, {textureWidth, 0});
    screen[2] = sf::Vertex({area.left + area.width, area.top + area.height}, {textureWidth, shownHeight});
    screen[3] = sf::Vertex({area.left, area.top + area.height}, {0, shownHeight});
    window.draw(screen, &texture);
}

} // namespace qel
