#pragma once

#include "app/Recording.hpp"

#include <SFML/Window/Joystick.hpp>

#include <array>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace qel {

// The gamepads as scripts ask about them: whether a button is down, where an axis stands, which
// pads are connected and under what names. A play asks the window library, which reads the pads
// as the window's events are taken; a replay answers as the recorded play was answered. A
// recording keeps each answer that changed, written at the question that found it, and the
// replay, asking the same questions in the same frames, takes them back in order, as the
// keyboard's polls are kept.
class PadInput {
public:
    static constexpr int PadCount = sf::Joystick::Count;
    static constexpr int ButtonCount = sf::Joystick::ButtonCount;
    static constexpr int AxisCount = sf::Joystick::AxisCount;
    // An axis this near its middle, as a part of the way to either end, stands at 0: a stick at
    // rest is rarely read as exactly there, and a worn one drifts.
    static constexpr double DeadZone = 0.15;
    // A pad's name is cut to this many bytes; a recording line holds it with room to spare.
    static constexpr std::size_t LongestName = 256;

    struct Pad {
        int number;
        std::string name;
    };

    // Answers from the polls of a recorded play from now on.
    void replay(const std::vector<Recording::PadPoll>& polls);
    // Writes each answer that changed to the stream from now on; none stops the writing.
    void recordTo(std::ostream* stream) { record = stream; }

    // Pads, buttons and axes outside the window library's numbers are never connected, down or moved.
    bool isButtonDown(int frame, int pad, int button);
    double axisPosition(int frame, int pad, int axis);
    // The connected pads in the order of their numbers.
    std::vector<Pad> connectedPads(int frame);

    // An axis's position as the window library gives it (-100 to 100) as scripts get it: from -1
    // to 1 in steps of 0.001, 0 within the dead zone, and growing evenly from there to either end.
    static double shapedPosition(float libraryPosition);
    // A pad's name as scripts get it: one line of at most LongestName bytes, cut where a
    // character starts, with no spaces at either end.
    static std::string cleanName(const std::string& name);

private:
    static constexpr int QuestionsPerPad = ButtonCount + AxisCount + 1;
    static constexpr std::size_t QuestionCount = PadCount * QuestionsPerPad;
    static std::size_t slotOf(const Recording::PadQuestion& question);

    // The answer to the question, asked of the pads or taken from the replay, written to the
    // recording when it changed.
    template <class Ask>
    Recording::PadAnswer answer(int frame, const Recording::PadQuestion& question, Ask ask);
    const Recording::PadAnswer& replayedAnswer(int frame, std::size_t slot);

    std::ostream* record = nullptr;
    std::array<Recording::PadAnswer, QuestionCount> written;

    bool replaying = false;
    // Each question's recorded answers, in their order, and how many the replay has taken.
    std::array<std::vector<Recording::PadPoll>, QuestionCount> replayedPolls;
    std::array<std::size_t, QuestionCount> replayedCount{};
    std::array<Recording::PadAnswer, QuestionCount> replayedNow;
};

} // namespace qel
