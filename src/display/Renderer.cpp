#include "display/Renderer.hpp"

#include "base/Hub.hpp"
#include "base/DataFile.hpp"
#include "display/Palette.hpp"
#include "base/DeferredRelease.hpp"
#include "base/GamePaths.hpp"
#include "script/ScriptingInterface.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/VertexArray.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

namespace qel {

namespace {

constexpr int Columns80 = 80;
constexpr int Columns40 = 40;
constexpr int Rows = 25;

// Width share of the screen texture that a video mode uses.
float textureWidthFactor(int videoMode)
{
    return videoMode == Text40x25 ? 0.5f : 1.f;
}

// The monitor's screen before scaling: four quads whose top edge rises and bottom edge sinks
// towards the middle, giving the glass its slight outward curve.
struct CurvedQuad {
    sf::Vector2f positions[4];
    float textureLeft, textureRight;
};

const CurvedQuad monitorQuads[4] = {
    {{{0, 0}, {160, -3}, {160, 307}, {0, 304}}, 0, 160},
    {{{160, -3}, {320, -4}, {320, 308}, {160, 307}}, 160, 320},
    {{{320, -4}, {480, -3}, {480, 307}, {320, 308}}, 320, 480},
    {{{480, -3}, {640, 0}, {640, 304}, {480, 307}}, 480, 640},
};

// The 4:3 area of full window height, centred; in a window narrower than 4:3 the full width,
// centred vertically.
sf::FloatRect fitArea(int width, int height)
{
    const int fitWidth = static_cast<int>(height / 0.75);
    if (width >= fitWidth) {
        const int left = (width - fitWidth) / 2;
        return sf::FloatRect(left, 0, width - 2 * left, height);
    }
    const int fitHeight = static_cast<int>(width * 0.75);
    const int top = (height - fitHeight) / 2;
    return sf::FloatRect(0, top, width, height - 2 * top);
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
std::optional<sf::Vector2u> pngSize(const std::string& path)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
    unsigned char header[24];
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header) ||
        !std::equal(header, header + 16, reinterpret_cast<const unsigned char*>(signature)))
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
    if (!isDataFile(path, "picture"))
        return false;
    if (const std::optional<sf::Vector2u> size = pngSize(path); size && !fitsTexture(*size, path))
        return false;
    sf::Image picture;
    return picture.loadFromFile(path) && fitsTexture(picture.getSize(), path) && texture.loadFromImage(picture);
}

} // namespace

Renderer::Renderer(Hub* core) : core(core)
{
    loadPicture(frameTexture, basePath() + "data/monitor.png");
    frameSprite.setTexture(frameTexture, true);
    const std::string fontPath = basePath() + "data/fonts/VodareraZorezo.ttf";
    if (!isDataFile(fontPath, "font") || !font.loadFromFile(fontPath))
        std::printf("Failed to load font...\n");
    createScreenTexture(screenTextures[Text80x25], Columns80 * CellWidth);
    createScreenTexture(screenTextures[Text40x25], Columns40 * CellWidth);
}

Renderer::~Renderer() = default;

void Renderer::setVideoMode(int mode, bool redraw)
{
    // Only the two text modes have a screen texture; anything else means the default one.
    if (mode != Text40x25)
        mode = Text80x25;
    std::printf("setVideoMode = %d\n", mode);
    videoMode = mode;
    const int columns = mode == Text40x25 ? Columns40 : Columns80;
    // Engine code that called the scripts may still be writing into the old buffer.
    DeferredRelease::release(std::move(screenBuffer));
    std::printf("Buffer size: %d x %d\n", columns, Rows);
    screenBuffer = std::make_unique<ScreenBuffer>(core, columns, Rows);
    if (ScriptingInterface* script = core->getScript())
        script->onSetVideoMode(mode);
    if (redraw)
        core->redraw();
}

void Renderer::setDisplayStyle(int style, bool redraw)
{
    displayStyle = style;
    backdropStale = true;
    if (redraw)
        core->redraw();
}

void Renderer::setWallpaper(int index)
{
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
    if (!loadPicture(*wallpaperTexture, basePath() + path))
        wallpaperTexture.reset();
    else
        wallpaperTexture->setRepeated(true);
    loadedWallpaper = index;
}

const sf::Texture* Renderer::shownWallpaper() const
{
    return wallpaperShown ? wallpaperTexture.get() : nullptr;
}

void Renderer::draw()
{
    compose();
    core->getWindow()->display();
}

void Renderer::compose()
{
    sf::RenderWindow& window = *core->getWindow();
    drawBackdrop(window);
    if (screenBuffer)
        cellDrawer->draw(*screenBuffer, screenTextures[videoMode]);
    if (displayStyle == FullFill || displayStyle == FullFit)
        composeFull(window);
    else
        composeMonitor(window);
}

// What lies behind the screen changes only with the window size, the style or the wallpaper, so
// the wallpaper tiles and the monitor frame are drawn once into the backdrop and copied from there.
void Renderer::drawBackdrop(sf::RenderTarget& window)
{
    if (displayStyle != Default && displayStyle != FullFit) {
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
    case Default:
        if (const sf::Texture* wallpaper = shownWallpaper())
            tileWallpaper(target, *wallpaper);
        else
            target.clear(black);
        frameSprite.setPosition((width - static_cast<int>(frameTexture.getSize().x)) / 2,
                                height - static_cast<int>(frameTexture.getSize().y));
        target.draw(frameSprite);
        break;
    case FullFit:
        if (const sf::Texture* wallpaper = shownWallpaper()) {
            tileWallpaper(target, *wallpaper);
            const sf::FloatRect area = fitArea(width, height);
            sf::RectangleShape under({area.width, area.height});
            under.setPosition(area.left, area.top);
            under.setFillColor(black);
            target.draw(under);
        } else {
            target.clear(black);
        }
        break;
    case FullFill:
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

void Renderer::composeMonitor(sf::RenderTarget& window)
{
    const sf::Vector2u size = window.getSize();
    const sf::Vector2f offset((static_cast<int>(size.x) - 1280) / 2 + 272,
                              static_cast<int>(size.y) - 571);
    const float f = textureWidthFactor(videoMode);
    sf::VertexArray screen(sf::Quads, 16);
    std::size_t index = 0;
    for (const CurvedQuad& quad : monitorQuads) {
        const sf::Vector2f texCoords[4] = {{quad.textureLeft, 0}, {quad.textureRight, 0},
                                           {quad.textureRight, 304}, {quad.textureLeft, 304}};
        for (int corner = 0; corner < 4; ++corner, ++index) {
            const sf::Vector2f position = quad.positions[corner];
            screen[index].position = {position.x + offset.x, position.y * 1.5f + offset.y};
            screen[index].texCoords = {texCoords[corner].x * 2 * f, texCoords[corner].y * 2};
        }
    }
    window.draw(screen, &screenTextures[videoMode]);
}

void Renderer::composeFull(sf::RenderTarget& window)
{
    const sf::Vector2u size = window.getSize();
    const sf::FloatRect area = displayStyle == FullFill
                                   ? sf::FloatRect(0, 0, size.x, size.y)
                                   : fitArea(size.x, size.y);
    const float textureWidth = 1280 * textureWidthFactor(videoMode);
    sf::VertexArray screen(sf::Quads, 4);
    screen[0] = sf::Vertex({area.left, area.top}, {0, 0});
    screen[1] = sf::Vertex({area.left + area.width, area.top}, {textureWidth, 0});
    screen[2] = sf::Vertex({area.left + area.width, area.top + area.height}, {textureWidth, 600});
    screen[3] = sf::Vertex({area.left, area.top + area.height}, {0, 600});
    window.draw(screen, &screenTextures[videoMode]);
}

} // namespace qel
