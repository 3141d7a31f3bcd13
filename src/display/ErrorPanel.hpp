#pragma once

#include <SFML/System/String.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace sf {
class Font;
class RenderTarget;
}

namespace qel {

// The latest script error, shown to the player over the picture until it is hidden or the
// scripts reload: a red-framed panel across the lower part of the window with the message, its
// traceback and how to go on. It is drawn over the window, never into the script's screen
// buffer, and at a size that follows the window's, whatever the display style and video mode.
// The text is decoded once, when it arrives, and wrapped again only when the window's size
// changes how many characters fit on a row: a frame that shows the panel does neither.
class ErrorPanel {
public:
    // The text is the error as printed: the message, then "stack traceback:" and its levels.
    // Only the first LongestShownText bytes are kept; standard error has all of it.
    void show(const std::string& text);
    static constexpr std::size_t LongestShownText = 64 * 1024;
    void hide();
    bool isShown() const { return !lines.empty(); }
    // Counts the changes to what the panel shows, so that a picture can tell it is out of date.
    unsigned getRevision() const { return revision; }

    void draw(sf::RenderTarget& target, const sf::Font& font) const;

private:
    // The rows of the error that fit on the panel, for a width and a most number of rows.
    const std::vector<sf::String>& rowsFitting(std::size_t columns, std::size_t mostRows) const;

    std::vector<sf::String> lines;
    unsigned revision = 0;
    // The rows last laid out, and for which width and most rows.
    mutable std::vector<sf::String> rows;
    mutable std::size_t rowColumns = 0;
    mutable std::size_t rowLimit = 0;
};

} // namespace qel
