#pragma once

#include "base/TextFileReader.hpp"

#include <SFML/Window/Event.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qel {

// A recorded play: the seed of math.random, the game's launch settings and every keyboard fact in
// the frame it happened in. The file is text, one fact a line, frames counted from 1:
//
//   qel-recording 1
//   seed 2718281828
//   setting style fullFit        (one line for each game setting)
//   12 press Left shift          (a key event: key name, then alt, control, shift, system if held)
//   12 text 76                   (a typed character, as its Unicode number)
//   13 focus lost                (the window lost the focus; "gained": it gained it)
//   14 release Left
//   15 down Return               (a poll of the keyboard found the key down; "up": found it up)
//   3600 end                     (the last frame of the play)
//
// Blank lines and lines starting with '#' are skipped. Keys are named as in the Key table, or
// given by number. Lines may end in a carriage return and line feed.
struct Recording {
    // A key press or release, or a typed character, as the window delivered it.
    struct Event {
        int frame;
        sf::Event event;
    };
    // What a poll of the keyboard answered, written when the answer for that key changed.
    struct Poll {
        int frame;
        sf::Keyboard::Key key;
        bool down;
    };

    unsigned seed = 0;
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<Event> events;
    std::vector<Poll> polls;
    // The last frame of the play: its end line's, else its last fact's.
    int endFrame = 0;

    // A play of an hour at 60 frames a second, with a key pressed, released or typed in every
    // other frame, takes about 1.5 MB; 16 MB holds ten such hours, and their facts take some
    // tens of MB once read. The longest line the engine writes is a setting, a launch script's
    // name at most (a path, which the system keeps within 4096 bytes).
    static constexpr TextFileReader::Limits FileLimits{16 << 20, 4096};

    // Reads a recording; on a fault gives nothing and says in error what and on which line.
    static std::optional<Recording> read(TextFileReader& lines, std::string& error);

    // The lines that begin a recording.
    static std::string header(unsigned seed, const std::vector<std::pair<std::string, std::string>>& settings);
    // The line of a key event or typed character; empty for any other event.
    static std::string eventLine(int frame, const sf::Event& event);
    static std::string pollLine(const Poll& poll);
    static std::string endLine(int frame);
};

} // namespace qel
