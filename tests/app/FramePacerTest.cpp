#include "app/FramePacer.hpp"

#include <SFML/System/Sleep.hpp>
#include <gtest/gtest.h>

using namespace qel;

TEST(FramePacer, HoldsFramesToTheirRateWithoutRushingAfterAStall)
{
    FramePacer pacer(100);
    sf::Clock clock;
    for (int frame = 0; frame < 10; ++frame)
        pacer.waitForNextFrame();
    EXPECT_GE(clock.getElapsedTime().asMilliseconds(), 99) << "ten frames of 10 ms";

    // A stall of five frames is not made up by five frames at once.
    sf::sleep(sf::milliseconds(50));
    clock.restart();
    for (int frame = 0; frame < 3; ++frame)
        pacer.waitForNextFrame();
    EXPECT_GE(clock.getElapsedTime().asMilliseconds(), 19);
}
