#pragma once

#include <SFML/System/Clock.hpp>
#include <SFML/System/Time.hpp>

namespace qel {

// Holds the main loop to a steady number of frames a second. Frames that show nothing new are
// not presented, so presenting can no longer be what waits. Frames are due at whole periods from
// the start, so the rate does not drift with how long each frame took; a loop that has fallen
// more than a frame behind starts counting afresh instead of rushing to catch up.
class FramePacer {
public:
    explicit FramePacer(unsigned framesPerSecond);

    // Sleeps until the next frame is due.
    void waitForNextFrame();

private:
    sf::Clock clock;
    sf::Time period;
    sf::Time nextFrame;
};

} // namespace qel
