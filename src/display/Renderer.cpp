#include "display/Renderer.hpp"

#include "app/Core.hpp"
#include "display/Palette.hpp"
#include "script/ScriptingInterface.hpp"
#include "script/DeferredRelease.hpp"

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/VertexArray.hpp>

#include <cstdio>

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

} // namespace

Renderer::Renderer(Core* core) : core(core)
{
    frameTexture.loadFromFile(basePath() + "data/monitor.png");
    frameSprite.setTexture(frameTexture, true);
    if (!font.loadFromFile(basePath() + "data/fonts/VodareraZorezo.ttf"))
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
    wallpaperSprite.reset();
    wallpaperTexture.reset();
    if (index < 0)
        return;
    wallpaperIndex = index;
    char path[64];
    std::snprintf(path, sizeof path, "data/wallpapers/%d.png", index);
    auto texture = std::make_unique<sf::Texture>();
    // A number without a picture leaves no wallpaper, but is still the one reported.
    if (!texture->loadFromFile(basePath() + path))
        return;
    wallpaperTexture = std::move(texture);
    wallpaperSprite = std::make_unique<sf::Sprite>(*wallpaperTexture);
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
        if (wallpaperSprite)
            tileWallpaper(target);
        else
            target.clear(black);
        frameSprite.setPosition((width - static_cast<int>(frameTexture.getSize().x)) / 2,
                                height - static_cast<int>(frameTexture.getSize().y));
        target.draw(frameSprite);
        break;
    case FullFit:
        if (wallpaperSprite) {
            tileWallpaper(target);
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

void Renderer::tileWallpaper(sf::RenderTarget& target)
{
    const sf::Vector2u tile = wallpaperTexture->getSize();
    const sf::Vector2u size = target.getSize();
    const unsigned across = size.x / tile.x, down = size.y / tile.y;
    for (unsigned i = 0; i <= down; ++i) {
        for (unsigned j = 0; j <= across; ++j) {
            wallpaperSprite->setPosition(j * tile.x, i * tile.y);
            target.draw(*wallpaperSprite);
        }
    }
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
