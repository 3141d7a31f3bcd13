#pragma once

#include "base/TextFileReader.hpp"
#include "script/MouseFact.hpp"

#include <SFML/Window/Event.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qel {

// A recorded play: the seed of math.random, the game's launch settings and every input fact in
// the frame it happened in. The file is text, one fact a line, frames counted from 1:
//
//   qel-recording 1
//   seed 2718281828
//   setting style fullFit        (one line for each game setting)
//   12 press Left shift          (a key event: key name, then alt, control, shift, system if held)
//   12 press Left shift repeat   (a press that a held key repeated)
//   12 text 76                   (a typed character, as its Unicode number)
//   13 focus lost                (the window lost the focus; "gained": it gained it)
//   14 release Left
//   15 down Return               (a poll of the keyboard found the key down; "up": found it up)
//   16 mouse move 12 3           (the pointer entered the cell at column 12, row 3)
//   16 mouse move none           (the pointer left the screen area or the window)
//   16 mouse press 12 3 Left     (a button pressed over a cell; "release": released)
//   16 mouse wheel 12 3 -2       (the wheel turned over a cell by steps, positive away from the player)
//   17 mouse at 12 3             (a poll of the pointer found it over the cell; "mouse at none": off it)
//   17 mouse down Right          (a poll of a mouse button found it down; "mouse up": found it up)
//   20 loaded scores 40          (saved data the play loaded: its name and size in bytes, the
//   + 71656c2d73617665...         bytes following in lines of at most 1024, in hex)
//   20 nothing options           (a load found nothing under the name)
//   20 unreadable x it is not a regular file   (a load could not read the file: why)
//   21 names options scores      (the names a listing of the saved data found)
//   22 pad 0 press 3             (a pad's button event: the pad's number, then the button's)
//   22 pad 0 release 3
//   22 pad 1 connected           (a pad came; "disconnected": it went)
//   23 pad 0 down 3              (a poll found pad 0's button 3 down; "up": found it up)
//   23 pad 0 axis X -0.5         (a poll found the axis there, from -1 to 1; axes as in PadAxis)
//   23 pad 1 present Gamepad F310  (a poll of the pads found pad 1 connected, with its name;
//                                 "absent": found it not connected)
//   3600 end                     (the last frame of the play)
//
// Every poll's line is written when its answer changed; a question never answered was answered
// with a button up, an axis at 0, a pad absent. Blank lines and lines starting with '#' are
// skipped. Keys are named as in the Key table, or given by number; mouse buttons as in the
// MouseButton table. The mouse is kept in cells, not pixels, so that a replay in a window of
// another size sees the same cells. Lines may end in a carriage return and line feed.
struct Recording {
    // A key press or release, a typed character, a pad's button event or its coming or going, as
    // the window delivered it; or, in its place, a mouse fact.
    struct Event {
        int frame;
        sf::Event event;
        // A press that a held key repeated.
        bool repeated = false;
        std::optional<MouseFact> mouse = std::nullopt;
    };
    // What a poll of the keyboard answered, written when the answer for that key changed.
    struct Poll {
        int frame;
        sf::Keyboard::Key key;
        bool down;
    };
    // What a poll of the pointer or of a mouse button answered, written when the answer changed.
    struct PointerPoll {
        int frame;
        std::optional<CellPosition> cell;
    };
    struct ButtonPoll {
        int frame;
        int button;
        bool down;
    };

    // What a load of saved data found: the bytes, or none (with the reason when the file could not be read).
    struct Load {
        int frame;
        std::string name;
        std::optional<std::string> bytes;
        std::string fault;
    };
    struct Listing {
        int frame;
        std::vector<std::string> names;
    };

    // A question about a pad: whether a button is down, where an axis stands, or whether the pad
    // itself is connected.
    struct PadQuestion {
        enum class Kind { Button, Axis, Presence };
        int pad;
        Kind kind;
        // The button or the axis.
        int index = 0;
    };
    // Its answer: 1 for a button down or a pad connected, 0 for one up or absent; an axis's
    // position; a connected pad's name.
    struct PadAnswer {
        double value = 0;
        std::string name;
        bool operator==(const PadAnswer& other) const { return value == other.value && name == other.name; }
        bool operator!=(const PadAnswer& other) const { return !(*this == other); }
    };
    // What a poll of a pad answered, written when the answer to that question changed.
    struct PadPoll {
        int frame;
        PadQuestion question;
        PadAnswer answer;
    };

    unsigned seed = 0;
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<Event> events;
    std::vector<Poll> polls;
    std::vector<PointerPoll> pointerPolls;
    std::vector<ButtonPoll> buttonPolls;
    std::vector<Load> loads;
    std::vector<Listing> listings;
    std::vector<PadPoll> padPolls;
    // The last frame of the play: its end line's, else its last fact's.
    int endFrame = 0;

    // A play of an hour at 60 frames a second, with a key pressed, released or typed in every
    // other frame, takes about 1.5 MB; 16 MB holds ten such hours, and their facts take some
    // tens of MB once read. The longest line the engine writes is a setting, a launch script's
    // name at most (a path, which the system keeps within 4096 bytes), or a listing of saved
    // names; loaded saved data goes in lines of 2048 hex digits, and the room above the keys'
    // 16 MB holds the largest value a game can save (16 MB, twice that in hex) once over.
    static constexpr TextFileReader::Limits FileLimits{64 << 20, 4096};

    // Reads a recording; on a fault gives nothing and says in error what and on which line.
    static std::optional<Recording> read(TextFileReader& lines, std::string& error);

    // The lines that begin a recording.
    static std::string header(unsigned seed, const std::vector<std::pair<std::string, std::string>>& settings);
    // The line of a key event, typed character, focus change or pad event; empty for any other
    // event. Only a key's press repeats.
    static std::string eventLine(int frame, const sf::Event& event, bool repeated = false);
    static std::string pollLine(const Poll& poll);
    static std::string mouseLine(int frame, const MouseFact& fact);
    static std::string pointerPollLine(const PointerPoll& poll);
    static std::string buttonPollLine(const ButtonPoll& poll);
    static std::string padPollLine(const PadPoll& poll);
    static std::string endLine(int frame);
    static std::string loadLines(const Load& load);
    static std::string listingLine(const Listing& listing);
};

} // namespace qel
