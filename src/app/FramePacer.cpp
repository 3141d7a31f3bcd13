#include "app/FramePacer.hpp"

#include <SFML/System/Sleep.hpp>

namespace qel {

FramePacer::FramePacer(unsigned framesPerSecond) : period(sf::microseconds(1000000 / framesPerSecond))
{
}

void FramePacer::waitForNextFrame()
{
    nextFrame += period;
    const sf::Time now = clock.getElapsedTime();
    if (now < nextFrame)
        sf::sleep(nextFrame - now);
    else if (now - nextFrame > period)
        nextFrame = now;
}

} // namespace qel
