#include "app/DisplayConnection.hpp"

#include <X11/Xlib.h>
#include <unistd.h>

namespace qel {

namespace {

constexpr useconds_t RetryPause = 100000;

} // namespace

DisplayConnection::DisplayConnection(int attempts)
{
    for (int attempt = 0; attempt < attempts && !display; ++attempt) {
        if (attempt > 0)
            usleep(RetryPause);
        display = XOpenDisplay(nullptr);
    }
}

DisplayConnection::~DisplayConnection()
{
    if (display)
        XCloseDisplay(display);
}

} // namespace qel
