#pragma once

#include "app/LaunchOptions.hpp"
#include "app/PadInput.hpp"
#include "app/Recording.hpp"
#include "base/SaveStore.hpp"

#include <SFML/Window/Event.hpp>

#include <array>
#include <deque>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// How a run is driven: by the player and the clock, or frame by frame from a recording. It
// counts the frames, writes the play to a recording when asked, feeds a recorded play back in its
// frames, says which pictures to save after a frame, and when the run ends.
//
// A recorded or replayed play runs in frames of a fixed 1/60 s, so that the scripts see the same
// dt in both; a replay does not wait for the frame rate, and takes no keys from the player. Every
// poll of the keyboard and the pads goes through here, so that a replay answers as they did, and so
// does every use of the game's saved data: a recording keeps what each load and listing found,
// and a replay answers from it without touching the save folder, keeping its own saves in memory.
class RunControl {
public:
    // A play by the player, with math.random seeded from the clock.
    RunControl();
    ~RunControl();
    RunControl(RunControl&&);
    RunControl& operator=(RunControl&&);

    // Opens the recording to write, if the options name one; the replay comes read already.
    // Says why and gives nothing when the recording cannot be written.
    static std::optional<RunControl> open(const LaunchOptions& options, std::optional<Recording> replay);
    // Reads the recording a replay names; says why and gives nothing when it cannot be read.
    static std::optional<Recording> readReplay(const std::string& path);

    unsigned randomSeed() const { return seed; }
    bool fixesFrameTime() const { return recordFile || replay; }
    bool waitsForFrames() const { return !replay; }
    bool takesPlayersKeys() const { return !replay; }

    // Starts the next frame; gives its number, from 1.
    int beginFrame() { return ++frame; }
    // The next recorded key event or character of the frame begun (or of one before it, left
    // waiting as the window leaves events waiting), in their order; none when the frame has no more.
    std::optional<Recording::Event> nextReplayedEvent();
    // Writes a key event or typed character the engine is about to treat to the recording.
    void noteEvent(const sf::Event& event, bool repeated);
    // Whether the key is down now: the keyboard's answer, or the recorded one in a replay.
    bool isKeyDown(sf::Keyboard::Key key);
    // Writes a mouse fact the engine is about to treat to the recording.
    void noteMouse(const MouseFact& fact);
    // The cell under the pointer now, as findCell finds it, or as it was found in a replay.
    std::optional<CellPosition> pointerCell(const std::function<std::optional<CellPosition>()>& findCell);
    // Whether the mouse button (a number of sf::Mouse::Button) is down now, likewise.
    bool isMouseDown(int button);
    // The pads' answers now, as PadInput gives them.
    bool isPadDown(int pad, int button) { return pads.isButtonDown(frame, pad, button); }
    double padAxis(int pad, int axis) { return pads.axisPosition(frame, pad, axis); }
    std::vector<PadInput::Pad> connectedPads() { return pads.connectedPads(frame); }

    // The saved data under the name, as SaveStore::read gives it (or gave it, in a replay).
    std::optional<std::string> loadSaved(const std::string& name, std::string& error);
    // Stores the bytes under the name, or removes it when there are none; as SaveStore does.
    bool save(const std::string& name, const std::optional<std::string>& bytes, std::string& error);
    std::vector<std::string> savedNames();
    // The folder of the game's saved data; empty when the user has no data folder.
    const std::filesystem::path& saveFolder() const { return saves.getFolder(); }

    // A picture to save after the frame in progress; false, and not asked, when the frame has
    // MostCapturesAFrame already. The window's picture is read and encoded once for all of them.
    bool requestCapture(const std::string& path);
    static constexpr std::size_t MostCapturesAFrame = 16;
    // The pictures to save now that the frame begun is drawn.
    std::vector<std::string> takeCaptures();
    // Whether the window shows the frame begun. A replay shows one frame in ShownReplayFrames:
    // the pictures are the slow part of a frame, and a replay is there for what the game does.
    bool showsFrame() const { return !replay || frame % ShownReplayFrames == 0; }
    static constexpr int ShownReplayFrames = 10;
    // Whether the run ends with the frame begun.
    bool endsNow() const { return lastFrame > 0 && frame >= lastFrame; }
    // Ends the recording, and says which pictures were asked for frames the run never reached.
    void finish();

private:
    void write(const std::string& text);

    unsigned seed;
    int frame = 0;
    int lastFrame = 0;
    std::vector<LaunchOptions::Capture> captures;
    std::vector<std::string> requestedCaptures;

    std::string recordPath;
    std::unique_ptr<std::ofstream> recordFile;
    // The last answer written for each key; a key counts as up until a poll finds it down.
    std::array<bool, sf::Keyboard::KeyCount> polledDown{};

    std::optional<Recording> replay;
    std::size_t nextEvent = 0;
    std::array<std::deque<Recording::Poll>, sf::Keyboard::KeyCount> replayedPolls;
    std::array<bool, sf::Keyboard::KeyCount> replayedDown{};
    // The mouse's last answers written, and a replay's answers to come, as for the keys.
    std::optional<CellPosition> polledCell;
    std::array<bool, sf::Mouse::ButtonCount> polledButtonDown{};
    std::deque<Recording::PointerPoll> replayedPointerPolls;
    std::array<std::deque<Recording::ButtonPoll>, sf::Mouse::ButtonCount> replayedButtonPolls;
    std::array<bool, sf::Mouse::ButtonCount> replayedButtonDown{};
    PadInput pads;

    SaveStore saves;
    // A replay's answers: the recorded loads of each name and listings in their order, and the
    // saves the replay made itself (none: removed), which answer later loads of their names.
    std::map<std::string, std::deque<Recording::Load>> replayedLoads;
    std::deque<Recording::Listing> replayedListings;
    std::map<std::string, std::optional<std::string>> replaySaves;
};

} // namespace qel
