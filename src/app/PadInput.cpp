#include "app/PadInput.hpp"

#include <algorithm>
#include <cmath>

namespace qel {

namespace {

using Kind = Recording::PadQuestion::Kind;
using Answer = Recording::PadAnswer;

bool isIn(int number, int count)
{
    return number >= 0 && number < count;
}

Answer yesOrNo(bool yes)
{
    return {yes ? 1.0 : 0.0, ""};
}

// The window library's answers, as it found the pads when it last read them.
Answer liveButton(int pad, int button)
{
    return yesOrNo(sf::Joystick::isButtonPressed(static_cast<unsigned>(pad), static_cast<unsigned>(button)));
}

Answer liveAxis(int pad, int axis)
{
    const float position = sf::Joystick::getAxisPosition(static_cast<unsigned>(pad), static_cast<sf::Joystick::Axis>(axis));
    return {PadInput::shapedPosition(position), ""};
}

Answer livePresence(int pad)
{
    if (!sf::Joystick::isConnected(static_cast<unsigned>(pad)))
        return yesOrNo(false);
    const auto utf8 = sf::Joystick::getIdentification(static_cast<unsigned>(pad)).name.toUtf8();
    return {1, PadInput::cleanName(std::string(utf8.begin(), utf8.end()))};
}

} // namespace

void PadInput::replay(const std::vector<Recording::PadPoll>& polls)
{
    replaying = true;
    for (const Recording::PadPoll& poll : polls)
        replayedPolls[slotOf(poll.question)].push_back(poll);
}

std::size_t PadInput::slotOf(const Recording::PadQuestion& question)
{
    const int first = question.kind == Kind::Button ? 0 : question.kind == Kind::Axis ? ButtonCount : ButtonCount + AxisCount;
    return static_cast<std::size_t>(question.pad * QuestionsPerPad + first + question.index);
}

template <class Ask>
Answer PadInput::answer(int frame, const Recording::PadQuestion& question, Ask ask)
{
    const std::size_t slot = slotOf(question);
    Answer found = replaying ? replayedAnswer(frame, slot) : ask();
    if (record && found != written[slot]) {
        written[slot] = found;
        *record << Recording::padPollLine({frame, question, found}) << std::flush;
    }
    return found;
}

// Each change of an answer was written at the question that found it, and the replay asks the
// same questions in the same frames.
const Answer& PadInput::replayedAnswer(int frame, std::size_t slot)
{
    const std::vector<Recording::PadPoll>& polls = replayedPolls[slot];
    std::size_t& taken = replayedCount[slot];
    if (taken < polls.size() && polls[taken].frame <= frame)
        replayedNow[slot] = polls[taken++].answer;
    return replayedNow[slot];
}

bool PadInput::isButtonDown(int frame, int pad, int button)
{
    if (!isIn(pad, PadCount) || !isIn(button, ButtonCount))
        return false;
    return answer(frame, {pad, Kind::Button, button}, [&] { return liveButton(pad, button); }).value != 0;
}

double PadInput::axisPosition(int frame, int pad, int axis)
{
    if (!isIn(pad, PadCount) || !isIn(axis, AxisCount))
        return 0;
    return answer(frame, {pad, Kind::Axis, axis}, [&] { return liveAxis(pad, axis); }).value;
}

std::vector<PadInput::Pad> PadInput::connectedPads(int frame)
{
    std::vector<Pad> pads;
    for (int pad = 0; pad < PadCount; ++pad) {
        const Answer found = answer(frame, {pad, Kind::Presence}, [pad] { return livePresence(pad); });
        if (found.value != 0)
            pads.push_back({pad, found.name});
    }
    return pads;
}

// NaN, which no pad should give, stands in the middle.
double PadInput::shapedPosition(float libraryPosition)
{
    const double fraction = static_cast<double>(libraryPosition) / 100;
    const double beyond = std::min(std::fabs(fraction), 1.0) - DeadZone;
    if (!(beyond > 0))
        return 0;
    const long thousandths = std::lround(beyond / (1 - DeadZone) * 1000);
    return static_cast<double>(fraction < 0 ? -thousandths : thousandths) / 1000;
}

std::string PadInput::cleanName(const std::string& name)
{
    std::string clean = name;
    for (char& byte : clean)
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F)
            byte = ' ';
    if (clean.size() > LongestName) {
        std::size_t cut = LongestName;
        while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80)
            --cut;
        clean.resize(cut);
    }
    const std::size_t first = clean.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return clean.substr(first, clean.find_last_not_of(' ') - first + 1);
}

} // namespace qel
