#pragma once

#include <SFML/Graphics/Image.hpp>

#include <optional>
#include <string>

typedef struct _XDisplay Display;

namespace qel::capture {

// A window as it stands on the screen, in root window coordinates.
struct WindowPlace {
    unsigned long id = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
};

// Reads the pictures of top-level windows on the X display named by DISPLAY. Windows come and go
// while it looks (a fullscreen toggle re-creates the engine's window), so every failure of the
// X server is an answer here, never the end of the process.
class WindowCapture {
public:
    WindowCapture();
    ~WindowCapture();
    WindowCapture(const WindowCapture&) = delete;
    WindowCapture& operator=(const WindowCapture&) = delete;

    bool connected() const { return display != nullptr; }
    // The size of the default screen, which a fullscreen window covers.
    sf::Vector2u screenSize() const;

    // The topmost viewable window with this title, searched through the whole tree so that a
    // window manager's frames do not hide it.
    std::optional<WindowPlace> find(const std::string& title);

    // The window's picture. Only the part of a window that lies on the screen can be read, so a
    // window reaching past the screen's edges is moved to the top-left corner first; its new
    // contents appear with the program's next frame, so callers retry until the picture is
    // what they expect.
    std::optional<sf::Image> capture(const WindowPlace& window);

    // Asks the window to close, as a window manager's close button does; false when the request
    // could not be sent.
    bool askToClose(const WindowPlace& window);

private:
    bool liesOnScreen(const WindowPlace& window) const;

    Display* display = nullptr;
};

// Whether every pixel of the picture has the same colour, as a window that has not been
// drawn into yet.
bool isBlank(const sf::Image& picture);

} // namespace qel::capture
