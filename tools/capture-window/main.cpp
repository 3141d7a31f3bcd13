// Saves a picture of the engine's window (the top-level window titled "QEL") as a PNG file.
// It waits for the window to appear and for its picture to settle, so it can be started right
// after the engine:
//
//   build/qel -script main & build/tools/qel-capture-window shot.png
//
// Exits with 0 when the picture was saved, 1 when there was no window to read, 2 on a usage error.

#include "WindowCapture.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto WaitLimit = std::chrono::seconds(10);
// A few frames of the engine: a picture that has not changed over this long has settled.
constexpr auto SettleInterval = std::chrono::milliseconds(100);

// Both pictures are drawn (not blank), so neither is empty.
bool samePicture(const sf::Image& a, const sf::Image& b)
{
    const sf::Vector2u size = a.getSize();
    return size == b.getSize() &&
           std::equal(a.getPixelsPtr(), a.getPixelsPtr() + size.x * size.y * 4, b.getPixelsPtr());
}

// Waits for a drawn picture that stays the same over one settle interval; after the wait limit,
// the last drawn picture is the best there is.
std::optional<sf::Image> settledPicture(qel::capture::WindowCapture& capture)
{
    const Clock::time_point deadline = Clock::now() + WaitLimit;
    std::optional<sf::Image> previous;
    while (Clock::now() < deadline) {
        std::optional<sf::Image> picture;
        if (std::optional<qel::capture::WindowPlace> window = capture.find("QEL"))
            picture = capture.capture(*window);
        if (picture && !qel::capture::isBlank(*picture)) {
            if (previous && samePicture(*previous, *picture))
                return picture;
            previous = std::move(picture);
        }
        std::this_thread::sleep_for(SettleInterval);
    }
    return previous;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s out.png\n", argv[0]);
        return 2;
    }
    qel::capture::WindowCapture capture;
    if (!capture.connected()) {
        std::fprintf(stderr, "%s: cannot open the X display (is DISPLAY set?)\n", argv[0]);
        return 1;
    }
    const std::optional<sf::Image> picture = settledPicture(capture);
    if (!picture) {
        std::fprintf(stderr, "%s: no window titled QEL appeared\n", argv[0]);
        return 1;
    }
    return picture->saveToFile(argv[1]) ? 0 : 1;
}
