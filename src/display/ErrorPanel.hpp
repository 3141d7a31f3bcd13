#pragma once

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
class ErrorPanel {
public:
    // The text is the error as printed: the message, then "stack traceback:" and its levels.
    void show(const std::string& text);
    void hide();
    bool isShown() const { return !lines.empty(); }
    // Counts the changes to what the panel shows, so that a picture can tell it is out of date.
    unsigned getRevision() const { return revision; }

    void draw(sf::RenderTarget& target, const sf::Font& font) const;

private:
    std::vector<std::string> lines;
    unsigned revision = 0;
};

} // namespace qel
