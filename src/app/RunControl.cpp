#include "app/RunControl.hpp"

#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/Mouse.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace qel {

namespace {

unsigned clockSeed()
{
    return static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count());
}

bool isKey(sf::Keyboard::Key key)
{
    return key >= 0 && key < sf::Keyboard::KeyCount;
}

bool isMouseButton(int button)
{
    return button >= 0 && button < sf::Mouse::ButtonCount;
}

// The answer of the first recorded poll not yet answered, once its frame has come; otherwise
// the answer given last. Each change of an answer was written at the poll that found it, and the
// replay makes the same polls in the same frames.
template <class Poll, class Answer>
Answer replayedAnswer(std::deque<Poll>& polls, int frame, Answer& last, Answer Poll::*answer)
{
    if (!polls.empty() && polls.front().frame <= frame) {
        last = polls.front().*answer;
        polls.pop_front();
    }
    return last;
}

} // namespace

RunControl::RunControl() : seed(clockSeed())
{
}

RunControl::~RunControl() = default;
RunControl::RunControl(RunControl&&) = default;
RunControl& RunControl::operator=(RunControl&&) = default;

std::optional<Recording> RunControl::readReplay(const std::string& path)
{
    TextFileReader lines(path, Recording::FileLimits);
    std::string error;
    std::optional<Recording> recording = Recording::read(lines, error);
    if (!recording)
        std::fprintf(stderr, "qel: cannot replay \"%s\": %s\n", path.c_str(), error.c_str());
    return recording;
}

std::optional<RunControl> RunControl::open(const LaunchOptions& options, std::optional<Recording> replay)
{
    RunControl control;
    control.captures = options.captures;
    control.lastFrame = options.lastFrame;
    if (replay) {
        control.seed = replay->seed;
        // Even a recording of nothing ends.
        if (control.lastFrame <= 0)
            control.lastFrame = std::max(replay->endFrame, 1);
        for (const Recording::Poll& poll : replay->polls)
            if (isKey(poll.key))
                control.replayedPolls[poll.key].push_back(poll);
        control.replayedPointerPolls.assign(replay->pointerPolls.begin(), replay->pointerPolls.end());
        for (const Recording::ButtonPoll& poll : replay->buttonPolls)
            if (isMouseButton(poll.button))
                control.replayedButtonPolls[poll.button].push_back(poll);
        for (Recording::Load& load : replay->loads)
            control.replayedLoads[load.name].push_back(std::move(load));
        control.replayedListings.assign(replay->listings.begin(), replay->listings.end());
        control.pads.replay(replay->padPolls);
        control.replay = std::move(replay);
    }
    control.saves = SaveStore(options.saveFolder());
    if (!options.recordPath.empty()) {
        control.recordPath = options.recordPath;
        control.recordFile = std::make_unique<std::ofstream>(options.recordPath);
        if (!*control.recordFile) {
            std::fprintf(stderr, "qel: cannot record to \"%s\": %s\n", options.recordPath.c_str(), std::strerror(errno));
            return std::nullopt;
        }
        control.write(Recording::header(control.seed, options.gameSettings()));
        control.pads.recordTo(control.recordFile.get());
    }
    return control;
}

std::optional<Recording::Event> RunControl::nextReplayedEvent()
{
    if (!replay || nextEvent == replay->events.size() || replay->events[nextEvent].frame > frame)
        return std::nullopt;
    return replay->events[nextEvent++];
}

void RunControl::noteEvent(const sf::Event& event, bool repeated)
{
    if (recordFile)
        write(Recording::eventLine(frame, event, repeated));
}

bool RunControl::isKeyDown(sf::Keyboard::Key key)
{
    if (!isKey(key))
        return false;
    const bool down = replay ? replayedAnswer(replayedPolls[key], frame, replayedDown[key], &Recording::Poll::down)
                             : sf::Keyboard::isKeyPressed(key);
    if (recordFile && down != polledDown[key]) {
        polledDown[key] = down;
        write(Recording::pollLine({frame, key, down}));
    }
    return down;
}

void RunControl::noteMouse(const MouseFact& fact)
{
    if (recordFile)
        write(Recording::mouseLine(frame, fact));
}

std::optional<CellPosition> RunControl::pointerCell(const std::function<std::optional<CellPosition>()>& findCell)
{
    if (replay)
        return replayedAnswer(replayedPointerPolls, frame, polledCell, &Recording::PointerPoll::cell);
    const std::optional<CellPosition> cell = findCell();
    if (recordFile && cell != polledCell)
        write(Recording::pointerPollLine({frame, cell}));
    polledCell = cell;
    return cell;
}

bool RunControl::isMouseDown(int button)
{
    if (!isMouseButton(button))
        return false;
    if (replay)
        return replayedAnswer(replayedButtonPolls[button], frame, replayedButtonDown[button], &Recording::ButtonPoll::down);
    const bool down = sf::Mouse::isButtonPressed(static_cast<sf::Mouse::Button>(button));
    if (recordFile && down != polledButtonDown[button]) {
        polledButtonDown[button] = down;
        write(Recording::buttonPollLine({frame, button, down}));
    }
    return down;
}

bool RunControl::requestCapture(const std::string& path)
{
    if (requestedCaptures.size() >= MostCapturesAFrame)
        return false;
    requestedCaptures.push_back(path);
    return true;
}

std::optional<std::string> RunControl::loadSaved(const std::string& name, std::string& error)
{
    error.clear();
    if (replay) {
        if (const auto saved = replaySaves.find(name); saved != replaySaves.end())
            return saved->second;
        std::deque<Recording::Load>& loads = replayedLoads[name];
        if (loads.empty())
            return std::nullopt;
        Recording::Load load = std::move(loads.front());
        loads.pop_front();
        error = load.fault;
        return load.bytes;
    }
    std::optional<std::string> bytes = saves.read(name, error);
    if (recordFile)
        write(Recording::loadLines({frame, name, bytes, error}));
    return bytes;
}

bool RunControl::save(const std::string& name, const std::optional<std::string>& bytes, std::string& error)
{
    if (replay) {
        replaySaves[name] = bytes;
        return true;
    }
    return bytes ? saves.write(name, *bytes, error) : saves.remove(name, error);
}

std::vector<std::string> RunControl::savedNames()
{
    if (replay) {
        if (replayedListings.empty())
            return {};
        std::vector<std::string> names = std::move(replayedListings.front().names);
        replayedListings.pop_front();
        return names;
    }
    std::vector<std::string> names = saves.names();
    if (recordFile)
        write(Recording::listingLine({frame, names}));
    return names;
}

std::vector<std::string> RunControl::takeCaptures()
{
    std::vector<std::string> paths = std::move(requestedCaptures);
    requestedCaptures.clear();
    for (const LaunchOptions::Capture& capture : captures)
        if (capture.frame == frame)
            paths.push_back(capture.path);
    return paths;
}

void RunControl::finish()
{
    for (const LaunchOptions::Capture& capture : captures)
        if (capture.frame > frame)
            std::fprintf(stderr, "qel: the run ended after frame %d, before frame %d: no picture was saved to \"%s\"\n",
                         frame, capture.frame, capture.path.c_str());
    if (!recordFile)
        return;
    write(Recording::endLine(frame));
    pads.recordTo(nullptr);
    recordFile->close();
    if (!*recordFile)
        std::fprintf(stderr, "qel: the recording \"%s\" could not be written whole\n", recordPath.c_str());
    recordFile.reset();
}

// Each line goes out at once, so that a play cut short keeps what it recorded.
void RunControl::write(const std::string& text)
{
    *recordFile << text << std::flush;
}

} // namespace qel
