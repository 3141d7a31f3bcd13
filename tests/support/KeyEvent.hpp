#pragma once

#include <SFML/Window/Event.hpp>

namespace qel::test {

// The modifier keys held with a key, as the window system reports them.
struct Modifiers {
    bool alt = false;
    bool shift = false;
    bool control = false;
};

constexpr Modifiers NoModifiers{false, false}, WithAlt{true, false}, WithShift{false, true},
    WithControl{false, false, true};

inline sf::Event keyEvent(sf::Event::EventType type, sf::Keyboard::Key code, Modifiers modifiers)
{
    sf::Event event;
    event.type = type;
    event.key = {code, modifiers.alt, modifiers.control, modifiers.shift, false};
    return event;
}

inline sf::Event keyPress(sf::Keyboard::Key code, Modifiers modifiers = NoModifiers)
{
    return keyEvent(sf::Event::KeyPressed, code, modifiers);
}

inline sf::Event keyRelease(sf::Keyboard::Key code, Modifiers modifiers = NoModifiers)
{
    return keyEvent(sf::Event::KeyReleased, code, modifiers);
}

// A character typed, as the window system reports it after the key press that typed it.
inline sf::Event typedCharacter(sf::Uint32 character)
{
    sf::Event event;
    event.type = sf::Event::TextEntered;
    event.text.unicode = character;
    return event;
}

} // namespace qel::test
