#include "WindowCapture.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>
#include <vector>

namespace qel::capture {

namespace {

// Xlib's default handler ends the process; here a window vanishing mid-request is ordinary.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

// Scales a pixel's channel, selected by its mask in the visual, to 0..255.
sf::Uint8 channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctzl(mask);
    const unsigned long maximum = mask >> shift;
    return static_cast<sf::Uint8>(((pixel & mask) >> shift) * 255 / maximum);
}

sf::Image toImage(XImage& picture)
{
    sf::Image image;
    image.create(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned long pixel = XGetPixel(&picture, x, y);
            image.setPixel(x, y, sf::Color(channel(pixel, picture.red_mask), channel(pixel, picture.green_mask),
                                           channel(pixel, picture.blue_mask)));
        }
    }
    return image;
}

bool hasTitle(Display* display, Window window, const std::string& title)
{
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return false;
    const bool matches = title == name;
    XFree(name);
    return matches;
}

bool isViewable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Depth first in stacking order, bottom to top, so the last match is the topmost window.
void findTitled(Display* display, Window parent, const std::string& title, Window& found)
{
    Window root, parentOfParent;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return;
    const std::vector<Window> list(children, children + count);
    if (children)
        XFree(children);
    for (Window child : list) {
        if (hasTitle(display, child, title) && isViewable(display, child))
            found = child;
        findTitled(display, child, title, found);
    }
}

std::optional<WindowPlace> placeOf(Display* display, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return std::nullopt;
    WindowPlace place;
    place.id = window;
    place.width = attributes.width;
    place.height = attributes.height;
    Window child;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &place.x, &place.y, &child))
        return std::nullopt;
    return place;
}

// An X server may refuse a connection made right after another one closed (the connection
// attempt fails with EAGAIN), so a refusal is tried again for a while.
Display* connect()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr))
            return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

} // namespace

WindowCapture::WindowCapture() : display(connect())
{
    XSetErrorHandler(ignoreError);
}

WindowCapture::~WindowCapture()
{
    if (display)
        XCloseDisplay(display);
}

std::optional<WindowPlace> WindowCapture::find(const std::string& title)
{
    if (!display)
        return std::nullopt;
    Window found = 0;
    findTitled(display, DefaultRootWindow(display), title, found);
    if (!found)
        return std::nullopt;
    return placeOf(display, found);
}

std::optional<sf::Image> WindowCapture::capture(const WindowPlace& window)
{
    if (!display)
        return std::nullopt;
    const std::optional<WindowPlace> current = placeOf(display, window.id);
    if (!current)
        return std::nullopt;
    if (!liesOnScreen(*current)) {
        XMoveWindow(display, current->id, 0, 0);
        XSync(display, False);
    }
    XImage* picture = XGetImage(display, current->id, 0, 0, current->width, current->height, AllPlanes, ZPixmap);
    if (!picture)
        return std::nullopt;
    sf::Image image = toImage(*picture);
    XDestroyImage(picture);
    return image;
}

// The close button's request is the WM_DELETE_WINDOW message of the window's WM_PROTOCOLS.
bool WindowCapture::askToClose(const WindowPlace& window)
{
    if (!display)
        return false;
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window.id;
    request.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    request.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window.id, False, NoEventMask, &request) != 0;
    XSync(display, False);
    return sent;
}

sf::Vector2u WindowCapture::screenSize() const
{
    if (!display)
        return {};
    const Screen* screen = DefaultScreenOfDisplay(display);
    return sf::Vector2u(screen->width, screen->height);
}

bool WindowCapture::liesOnScreen(const WindowPlace& window) const
{
    const sf::Vector2u screen = screenSize();
    return window.x >= 0 && window.y >= 0 && window.x + window.width <= screen.x && window.y + window.height <= screen.y;
}

bool isBlank(const sf::Image& picture)
{
    const sf::Vector2u size = picture.getSize();
    if (size.x == 0 || size.y == 0)
        return true;
    const sf::Color first = picture.getPixel(0, 0);
    for (unsigned y = 0; y < size.y; ++y)
        for (unsigned x = 0; x < size.x; ++x)
            if (picture.getPixel(x, y) != first)
                return false;
    return true;
}

} // namespace qel::capture
