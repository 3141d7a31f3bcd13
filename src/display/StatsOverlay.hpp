#pragma once

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>

#include <string>

namespace sf {
class Font;
class RenderTarget;
}

namespace qel {

// A few lines of figures about the frames (their rate, what they cost, the memory held), drawn in
// a dark box in the window's top right corner, over the wallpaper or the monitor's frame where
// the screen leaves room. It is drawn over the window, never into the script's screen buffer.
// The text is laid out when it changes, not every frame.
class StatsOverlay {
public:
    explicit StatsOverlay(const sf::Font& font);

    void show(bool on);
    bool isShown() const { return shown; }
    void setText(const std::string& lines);
    // Counts the changes to what the overlay shows, so that a picture can tell it is out of date.
    unsigned getRevision() const { return revision; }

    void draw(sf::RenderTarget& target) const;

private:
    sf::Text text;
    sf::RectangleShape box;
    bool shown = false;
    unsigned revision = 0;
};

} // namespace qel
