#pragma once

#include "display/CellDrawer.hpp"
#include "display/DisplayModes.hpp"
#include "display/ErrorPanel.hpp"
#include "display/ScreenBuffer.hpp"
#include "display/StatsOverlay.hpp"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/System/Clock.hpp>

#include <array>
#include <memory>
#include <vector>

namespace sf {
class RenderTarget;
class RenderWindow;
}

namespace qel {

class Hub;

// Turns the screen buffer into the picture in the window: the cells drawn at a fixed size into
// a screen texture, then set into the monitor frame over the wallpaper, or stretched or fitted
// to the window.
class Renderer {
public:
    explicit Renderer(Hub* core);
    virtual ~Renderer();

    // Only the two text modes have a screen texture; any other value means the default one.
    void setVideoMode(VideoMode mode, Repaint repaint);
    VideoMode getVideoMode() const { return videoMode; }
    // A style of another number is kept and reported; it shows the screen on the glass alone.
    void setDisplayStyle(DisplayStyle style, Repaint repaint);
    DisplayStyle getDisplayStyle() const { return displayStyle; }
    void setWallpaper(int index);
    int getWallpaper() const { return wallpaperIndex; }
    ScreenBuffer* getScreenBuffer() { return screenBuffer.get(); }

    // Composes the frame into the window and presents it, unless the window already shows that
    // picture: a still picture is presented again when the window moved (a window moved onto the
    // screen from partly off it shows nothing where it was off), and every StillPictureInterval,
    // in case the window system lost it otherwise.
    void draw();
    // Composes the whole picture into the window without presenting it, so that it can be read
    // back: the stats overlay is left out.
    void compose();
    // Presents the picture compose made, with the stats overlay drawn over it.
    void present();
    // The window system may have spoiled the picture shown (the window gained or lost the focus,
    // was resized or made again): the next draw presents a fresh one.
    void windowSpoiled() { pictureChanged = true; }
    static constexpr int StillPictureInterval = 250; // milliseconds

    // The latest script error, drawn over the picture while it is shown.
    ErrorPanel& getErrorPanel() { return errorPanel; }
    // The frame figures, drawn over the picture presented while shown.
    StatsOverlay& getStatsOverlay() { return statsOverlay; }

    const sf::Texture& getScreenTexture() const { return screenTexture(); }
    const sf::Font& getFont() const { return font; }
    // Replaces the way cells are drawn, so that other ways can be measured against this one.
    void setCellDrawer(std::unique_ptr<CellDrawer> drawer);

private:
    void drawCells();
    bool windowShowsPicture() const;
    void composeWindow(sf::RenderWindow& window);
    void drawBackdrop(sf::RenderTarget& window);
    void drawBackground(sf::RenderTarget& target);
    void tileWallpaper(sf::RenderTarget& target, const sf::Texture& wallpaper);
    // The wallpaper to draw, or null.
    const sf::Texture* shownWallpaper() const;
    void composeMonitor(sf::RenderTarget& window);
    void composeFull(sf::RenderTarget& window);
    sf::Texture& screenTexture(VideoMode mode) { return screenTextures[static_cast<int>(mode)]; }
    const sf::Texture& screenTexture() const { return screenTextures[static_cast<int>(videoMode)]; }

    Hub* core;
    VideoMode videoMode = VideoMode::Text80x25;
    DisplayStyle displayStyle = DisplayStyle::Default;
    std::unique_ptr<ScreenBuffer> screenBuffer;
    std::array<sf::Texture, 2> screenTextures;
    sf::Texture frameTexture;
    sf::Sprite frameSprite;
    // The font file's bytes, which the font reads from while it lives.
    std::vector<unsigned char> fontFile;
    sf::Font font;
    int wallpaperIndex = -1;
    // The picture of wallpaper number loadedWallpaper, kept while another number is not asked
    // for; null when that number has no picture. Negative numbers load nothing.
    std::unique_ptr<sf::Texture> wallpaperTexture;
    int loadedWallpaper = -1;
    bool wallpaperShown = false;
    sf::RenderTexture backdrop;
    bool backdropStale = true;
    std::unique_ptr<CellDrawer> cellDrawer = std::make_unique<CellDrawer>(font);
    ErrorPanel errorPanel;
    StatsOverlay statsOverlay{font};
    // What the window was last presented with, and when.
    bool pictureChanged = true;
    sf::Vector2u presentedSize;
    sf::Vector2i presentedPosition;
    unsigned presentedErrorRevision = 0;
    unsigned presentedStatsRevision = 0;
    sf::Clock sincePresented;
};

} // namespace qel
