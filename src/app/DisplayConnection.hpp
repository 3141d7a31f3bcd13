#pragma once

// The window system's own name for a connection; its header stays out of the engine's headers,
// whose names it would clash with.
typedef struct _XDisplay Display;

namespace qel {

// A connection to the X server, held while the window library makes its own. That library aborts
// the process when it cannot reach a server, so the engine asks first; and a connection opened
// right after another was closed is sometimes refused (seen with Xvfb), so the connection stays
// open until the window exists.
class DisplayConnection {
public:
    // Asks the server up to attempts times, a tenth of a second apart.
    explicit DisplayConnection(int attempts = 1);
    ~DisplayConnection();
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    bool open() const { return display != nullptr; }

private:
    Display* display = nullptr;
};

} // namespace qel
