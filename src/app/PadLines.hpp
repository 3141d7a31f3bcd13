#pragma once

#include "app/Recording.hpp"

#include <SFML/Window/Event.hpp>

#include <sstream>
#include <string>

namespace qel {

// The lines of a recording that tell of the pads: after the frame, "pad", the pad's number and
// the words these make and read (Recording.hpp shows them).

// Whether the event is a pad's button event or its coming or going.
bool isPadEvent(const sf::Event& event);
// The words after "pad" for such an event, from the pad's number on.
std::string padEventWords(const sf::Event& event);
// The words after "pad" for a poll's answer, from the pad's number on.
std::string padPollWords(const Recording::PadPoll& poll);
// Reads the words after "pad" into the recording's events or pad polls; says what is wrong with
// them, or nothing.
std::string readPadWords(int frame, std::istringstream& words, Recording& recording);

} // namespace qel
