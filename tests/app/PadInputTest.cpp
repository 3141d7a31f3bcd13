#include "app/PadInput.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using qel::PadInput;
using qel::Recording;
using Kind = Recording::PadQuestion::Kind;

TEST(PadInput, AnAxisRestsInTheDeadZoneAndGrowsEvenlyFromItsEdgeToEitherEnd)
{
    EXPECT_EQ(PadInput::shapedPosition(0.f), 0);
    EXPECT_EQ(PadInput::shapedPosition(15.f), 0) << "the dead zone's edge";
    EXPECT_EQ(PadInput::shapedPosition(-14.9f), 0);
    EXPECT_EQ(PadInput::shapedPosition(57.5f), 0.5) << "half way from the edge to the end";
    EXPECT_EQ(PadInput::shapedPosition(-57.5f), -0.5);
    EXPECT_EQ(PadInput::shapedPosition(100.f), 1);
    EXPECT_EQ(PadInput::shapedPosition(-100.f), -1);
    EXPECT_EQ(PadInput::shapedPosition(250.f), 1) << "past the end";
    EXPECT_EQ(PadInput::shapedPosition(std::nanf("")), 0);
    EXPECT_EQ(PadInput::shapedPosition(33.3333f), 0.216) << "in steps of 0.001";
    EXPECT_FALSE(std::signbit(PadInput::shapedPosition(-15.01f))) << "no -0 for a script to print";
}

TEST(PadInput, ANameIsOneLineWithoutSpacesAtItsEndsAndCutWhereACharacterStarts)
{
    EXPECT_EQ(PadInput::cleanName("  Pad\tone\nline\x7F "), "Pad one line");
    EXPECT_EQ(PadInput::cleanName(" \r\n "), "");
    const std::string accented = "\xC3\xA9";
    const std::string longName = std::string(PadInput::LongestName - 1, 'x') + accented + "tail";
    EXPECT_EQ(PadInput::cleanName(longName), std::string(PadInput::LongestName - 1, 'x'))
        << "the character across the limit goes whole";
    EXPECT_EQ(PadInput::cleanName("Pad " + std::string(PadInput::LongestName, ' ') + "x"), "Pad");
}

// The build machines have no pads: every question is answered as for none.
TEST(PadInput, WithoutPadsNothingIsDownMovedOrConnectedAndOddNumbersAreNeverAsked)
{
    PadInput pads;
    std::ostringstream recorded;
    pads.recordTo(&recorded);
    EXPECT_FALSE(pads.isButtonDown(1, 0, 0));
    EXPECT_EQ(pads.axisPosition(1, 7, 7), 0);
    EXPECT_TRUE(pads.connectedPads(1).empty());
    EXPECT_FALSE(pads.isButtonDown(1, 8, 0) || pads.isButtonDown(1, -1, 0) || pads.isButtonDown(1, 0, 32));
    EXPECT_EQ(pads.axisPosition(1, 0, 8), 0);
    EXPECT_EQ(recorded.str(), "") << "an answer that never changed is never written";
}

// A replay answers each question with the answers recorded for it, each from its frame on; one
// that also records writes the same lines again, as it asks the same questions in the same frames.
TEST(PadInput, AReplayAnswersFromItsFrameOnAndARecordingOfItWritesTheSameLines)
{
    const std::vector<Recording::PadPoll> polls = {
        {2, {0, Kind::Presence}, {1, "Stick"}}, {2, {3, Kind::Presence}, {1, "Wheel pedals"}},
        {2, {0, Kind::Button, 5}, {1, ""}},     {3, {0, Kind::Axis, 1}, {-0.25, ""}},
        {4, {0, Kind::Presence}, {0, ""}},      {4, {0, Kind::Button, 5}, {0, ""}},
        {4, {3, Kind::Axis, 6}, {1, ""}}};
    PadInput pads;
    pads.replay(polls);
    std::ostringstream recorded;
    pads.recordTo(&recorded);

    std::ostringstream answers;
    for (int frame = 1; frame <= 4; ++frame) {
        answers << frame << ":";
        for (const PadInput::Pad& pad : pads.connectedPads(frame))
            answers << " " << pad.number << "=" << pad.name;
        answers << " " << pads.isButtonDown(frame, 0, 5) << " " << pads.isButtonDown(frame, 0, 4) << " "
                << pads.axisPosition(frame, 0, 1) << " " << pads.axisPosition(frame, 3, 6) << "\n";
    }
    EXPECT_EQ(answers.str(), "1: 0 0 0 0\n"
                             "2: 0=Stick 3=Wheel pedals 1 0 0 0\n"
                             "3: 0=Stick 3=Wheel pedals 1 0 -0.25 0\n"
                             "4: 3=Wheel pedals 0 0 -0.25 1\n");

    std::string lines;
    for (const Recording::PadPoll& poll : polls)
        lines += Recording::padPollLine(poll);
    EXPECT_EQ(recorded.str(), lines);
}
