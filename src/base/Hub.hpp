#pragma once

#include <string>

namespace sf {
class RenderWindow;
}

namespace qel {

class ScreenBuffer;
class ScriptingInterface;
class UI;

// The application as its subsystems see it: each keeps a pointer to it and reaches the others
// through it. The application implements it; no subsystem needs to know more of it than this.
class Hub {
public:
    virtual sf::RenderWindow* getWindow() = 0;
    virtual UI* getUI() = 0;
    virtual ScriptingInterface* getScript() = 0;
    // The renderer's buffer of the moment, or null before the first video mode: a video-mode
    // change replaces it, so it is fetched each time and never kept.
    virtual ScreenBuffer* getScreenBuffer() = 0;
    // Clears the screen and has the script draw it again.
    virtual void redraw() = 0;
    // Says what the screen has just shown (UTF-8), while speech is on and the game lets the
    // engine speak by itself.
    virtual void announce(const std::string& text) = 0;

protected:
    ~Hub() = default;
};

} // namespace qel
