#include "app/PadLines.hpp"

#include "app/PadAxes.hpp"

#include <SFML/Window/Joystick.hpp>

#include <charconv>
#include <cmath>
#include <optional>

namespace qel {

namespace {

using Kind = Recording::PadQuestion::Kind;

// A whole number from first to last, written as nothing but its digits (and a sign).
std::optional<int> readNumberFrom(const std::string& word, int first, int last)
{
    std::istringstream in(word);
    int number;
    if (in >> number && in.peek() == std::char_traits<char>::eof() && number >= first && number <= last)
        return number;
    return std::nullopt;
}

// The shortest text that reads back as the same number.
std::string numberText(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string ending(std::istringstream& words)
{
    std::string more;
    return words >> more ? "\"" + more + "\" was not expected" : "";
}

std::optional<int> readButton(std::istringstream& words, std::string& word)
{
    words >> word;
    return readNumberFrom(word, 0, sf::Joystick::ButtonCount - 1);
}

std::string noButton(const std::string& word)
{
    return "\"" + word + "\" is no button: buttons are numbered 0 to " + std::to_string(sf::Joystick::ButtonCount - 1);
}

std::string readButtonEvent(int frame, int pad, bool pressed, std::istringstream& words, Recording& recording)
{
    std::string word;
    const std::optional<int> button = readButton(words, word);
    if (!button)
        return noButton(word);
    sf::Event event;
    event.type = pressed ? sf::Event::JoystickButtonPressed : sf::Event::JoystickButtonReleased;
    event.joystickButton = {static_cast<unsigned>(pad), static_cast<unsigned>(*button)};
    recording.events.push_back({frame, event});
    return ending(words);
}

std::string readConnection(int frame, int pad, bool connected, std::istringstream& words, Recording& recording)
{
    sf::Event event;
    event.type = connected ? sf::Event::JoystickConnected : sf::Event::JoystickDisconnected;
    event.joystickConnect.joystickId = static_cast<unsigned>(pad);
    recording.events.push_back({frame, event});
    return ending(words);
}

std::string readButtonAnswer(bool down, std::istringstream& words, Recording::PadPoll& poll)
{
    std::string word;
    const std::optional<int> button = readButton(words, word);
    if (!button)
        return noButton(word);
    poll.question = {poll.question.pad, Kind::Button, *button};
    poll.answer.value = down ? 1 : 0;
    return "";
}

std::string readAxisAnswer(std::istringstream& words, Recording::PadPoll& poll)
{
    std::string name, position;
    words >> name >> position;
    const std::optional<int> axis = padAxisNamed(name);
    if (!axis)
        return "\"" + name + "\" is no axis: X, Y, Z, R, U, V, PovX or PovY";
    double value = 0;
    const auto [end, error] = std::from_chars(position.data(), position.data() + position.size(), value);
    if (error != std::errc() || end != position.data() + position.size() || !(std::fabs(value) <= 1))
        return "\"" + position + "\" is no axis position: a number from -1 to 1";
    poll.question = {poll.question.pad, Kind::Axis, *axis};
    poll.answer.value = value;
    return "";
}

// The rest of the line is the pad's name.
void readPresentName(std::istringstream& words, Recording::PadAnswer& answer)
{
    std::getline(words >> std::ws, answer.name);
    answer.value = 1;
}

// What a poll of the pad answered, after the pad's number.
std::string readPoll(int frame, int pad, const std::string& what, std::istringstream& words, Recording& recording)
{
    Recording::PadPoll poll{frame, {pad, Kind::Presence}, {}};
    std::string fault;
    if (what == "down" || what == "up")
        fault = readButtonAnswer(what == "down", words, poll);
    else if (what == "axis")
        fault = readAxisAnswer(words, poll);
    else if (what == "present")
        readPresentName(words, poll.answer);
    else if (what != "absent")
        return "\"" + what + "\" is not press, release, connected, disconnected, down, up, axis, present or absent";
    if (!fault.empty())
        return fault;
    recording.padPolls.push_back(std::move(poll));
    return ending(words);
}

} // namespace

bool isPadEvent(const sf::Event& event)
{
    return event.type == sf::Event::JoystickButtonPressed || event.type == sf::Event::JoystickButtonReleased ||
           event.type == sf::Event::JoystickConnected || event.type == sf::Event::JoystickDisconnected;
}

std::string padEventWords(const sf::Event& event)
{
    switch (event.type) {
    case sf::Event::JoystickButtonPressed:
    case sf::Event::JoystickButtonReleased:
        return std::to_string(event.joystickButton.joystickId) +
               (event.type == sf::Event::JoystickButtonPressed ? " press " : " release ") +
               std::to_string(event.joystickButton.button);
    default:
        return std::to_string(event.joystickConnect.joystickId) +
               (event.type == sf::Event::JoystickConnected ? " connected" : " disconnected");
    }
}

std::string padPollWords(const Recording::PadPoll& poll)
{
    const Recording::PadQuestion& question = poll.question;
    const Recording::PadAnswer& answer = poll.answer;
    const std::string pad = std::to_string(question.pad);
    switch (question.kind) {
    case Kind::Button:
        return pad + (answer.value != 0 ? " down " : " up ") + std::to_string(question.index);
    case Kind::Axis:
        return pad + " axis " + padAxisNames()[static_cast<std::size_t>(question.index)] + " " + numberText(answer.value);
    case Kind::Presence:
        break;
    }
    return pad + (answer.value != 0 ? " present " + answer.name : " absent");
}

std::string readPadWords(int frame, std::istringstream& words, Recording& recording)
{
    std::string number, what;
    words >> number >> what;
    const std::optional<int> pad = readNumberFrom(number, 0, sf::Joystick::Count - 1);
    if (!pad)
        return "\"" + number + "\" is no pad: pads are numbered 0 to " + std::to_string(sf::Joystick::Count - 1);
    if (what == "press" || what == "release")
        return readButtonEvent(frame, *pad, what == "press", words, recording);
    if (what == "connected" || what == "disconnected")
        return readConnection(frame, *pad, what == "connected", words, recording);
    return readPoll(frame, *pad, what, words, recording);
}

} // namespace qel
