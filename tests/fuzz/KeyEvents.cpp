#include "fuzz/KeyEvents.hpp"

#include "fuzz/Random.hpp"

namespace qel::fuzz {

namespace {

using Key = sf::Keyboard::Key;

const Key CommonKeys[] = {Key::Return, Key::Escape, Key::BackSpace, Key::Tab, Key::Space, Key::A, Key::R,
                          Key::Left, Key::Up, Key::Down, Key::F1, Key::LShift, Key::Unknown};

const sf::Uint32 TypedCharacters[] = {'a', 'Z', ' ', '7', 0, 8, 9, 13, 27, 127, 0xE9, 0x2666, 0xD800, 0xFFFF, 0x1F600};

sf::Event keyEvent(sf::Event::EventType type, Key code, bool alt, bool shift)
{
    sf::Event event;
    event.type = type;
    event.key = {code, alt, false, shift, false};
    return event;
}

sf::Event typed(sf::Uint32 character)
{
    sf::Event event;
    event.type = sf::Event::TextEntered;
    event.text.unicode = character;
    return event;
}

// Shift+R reloads the scripts: rare enough that most of a run happens between reloads.
sf::Event randomEvent(Random& random)
{
    const int roll = random.below(1000);
    if (roll < 8)
        return keyEvent(sf::Event::KeyPressed, Key::R, false, true);
    if (roll < 40)
        return keyEvent(sf::Event::KeyPressed, Key::Return, true, false);
    if (roll < 400)
        return keyEvent(sf::Event::KeyPressed, random.pick(CommonKeys), false, random.chance(10));
    if (roll < 650)
        return keyEvent(sf::Event::KeyReleased, random.pick(CommonKeys), false, false);
    if (roll < 980)
        return typed(random.pick(TypedCharacters));
    return keyEvent(sf::Event::KeyPressed, static_cast<Key>(random.between(-1, Key::KeyCount + 2)), false, false);
}

} // namespace

KeyEvents planKeyEvents(uint64_t seed, int frames)
{
    // A stream of its own, apart from the script's.
    Random random(seed ^ 0x6B6579734B455953ull);
    KeyEvents events(static_cast<size_t>(frames));
    for (std::vector<sf::Event>& frame : events) {
        const int count = random.chance(40) ? random.between(1, 4) : 0;
        for (int i = 0; i < count; ++i)
            frame.push_back(randomEvent(random));
    }
    return events;
}

} // namespace qel::fuzz
