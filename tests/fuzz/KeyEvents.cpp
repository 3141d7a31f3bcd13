#include "fuzz/KeyEvents.hpp"

#include "fuzz/Random.hpp"
#include "support/KeyEvent.hpp"

namespace qel::fuzz {

namespace {

using Key = sf::Keyboard::Key;
using namespace qel::test;

// F9, and Up, Down and Home with Control, read the screen aloud while speech is on.
const Key CommonKeys[] = {Key::Return, Key::Escape, Key::BackSpace, Key::Tab, Key::Space, Key::A, Key::R,
                          Key::Left, Key::Up, Key::Down, Key::Home, Key::F1, Key::F9, Key::LShift, Key::Unknown};

const sf::Uint32 TypedCharacters[] = {'a', 'Z', ' ', '7', '?', '>', 0, 8, 9, 13, 27, 127, 0x9B, 0xE9, 0x2666,
                                      0xD800, 0xFFFF, 0x1F600, 0x110000, 0xFFFFFFFF};

// Any of the four modifier keys, each held now and then.
sf::Event withRandomModifiers(sf::Event event, Random& random)
{
    for (bool sf::Event::KeyEvent::*held : {&sf::Event::KeyEvent::alt, &sf::Event::KeyEvent::control,
                                            &sf::Event::KeyEvent::shift, &sf::Event::KeyEvent::system})
        event.key.*held = random.chance(10);
    return event;
}

// A pad's button going down or up, the pad coming or going, or one of its axes moving (which the
// engine leaves to polls), for any pad and button the window library numbers; the first buttons
// of the first pads most, as the script's pad function tests them.
sf::Event randomPadEvent(Random& random)
{
    const unsigned pad = static_cast<unsigned>(random.chance(70) ? random.below(2) : random.below(sf::Joystick::Count));
    sf::Event event;
    const int roll = random.below(10);
    if (roll < 7) {
        event.type = random.chance(50) ? sf::Event::JoystickButtonPressed : sf::Event::JoystickButtonReleased;
        const int button = random.chance(70) ? random.below(4) : random.below(sf::Joystick::ButtonCount);
        event.joystickButton = {pad, static_cast<unsigned>(button)};
    } else if (roll < 9) {
        event.type = random.chance(50) ? sf::Event::JoystickConnected : sf::Event::JoystickDisconnected;
        event.joystickConnect = {pad};
    } else {
        event.type = sf::Event::JoystickMoved;
        event.joystickMove = {pad, static_cast<sf::Joystick::Axis>(random.below(sf::Joystick::AxisCount)),
                              static_cast<float>(random.between(-100, 100))};
    }
    return event;
}

// Shift+R reloads the scripts: rare enough that most of a run happens between reloads.
sf::Event randomEvent(Random& random)
{
    const int roll = random.below(1000);
    if (roll < 8)
        return keyPress(Key::R, WithShift);
    if (roll < 40)
        return keyPress(Key::Return, WithAlt);
    if (roll < 400)
        return withRandomModifiers(keyPress(random.pick(CommonKeys)), random);
    if (roll < 650)
        return withRandomModifiers(keyRelease(random.pick(CommonKeys)), random);
    if (roll < 880)
        return typedCharacter(random.pick(TypedCharacters));
    if (roll < 980)
        return randomPadEvent(random);
    return keyPress(static_cast<Key>(random.between(-1, Key::KeyCount + 2)));
}

// A held key: its press again and again, as the window repeats it, without a release between.
void addRepeats(std::vector<sf::Event>& frame, Random& random)
{
    const sf::Event press = withRandomModifiers(keyPress(random.pick(CommonKeys)), random);
    for (int i = random.between(2, 6); i > 0; --i)
        frame.push_back(press);
}

// A pixel mostly inside a window of the usual sizes, now and then on its edges or far outside.
sf::Vector2i randomPixel(Random& random)
{
    static const int FarOff[] = {-1, 0, 1279, 1280, 1919, 1920, -100000, 2147483647, -2147483647 - 1};
    if (random.chance(10))
        return {random.pick(FarOff), random.pick(FarOff)};
    return {random.between(0, 1920), random.between(0, 1080)};
}

sf::Event randomMouseEvent(Random& random)
{
    const sf::Vector2i pixel = randomPixel(random);
    sf::Event event;
    switch (random.below(6)) {
    case 0:
    case 1:
        event.type = sf::Event::MouseMoved;
        event.mouseMove = {pixel.x, pixel.y};
        break;
    case 2:
    case 3:
        event.type = random.chance(50) ? sf::Event::MouseButtonPressed : sf::Event::MouseButtonReleased;
        event.mouseButton = {static_cast<sf::Mouse::Button>(random.between(0, sf::Mouse::ButtonCount)), pixel.x,
                             pixel.y};
        break;
    case 4: {
        static const float Deltas[] = {1, -1, 3, -0.5f, 0, 1e30f, -1e30f};
        event.type = sf::Event::MouseWheelScrolled;
        event.mouseWheelScroll = {static_cast<sf::Mouse::Wheel>(random.between(0, 1)), random.pick(Deltas), pixel.x,
                                  pixel.y};
        break;
    }
    default:
        event.type = sf::Event::MouseLeft;
        break;
    }
    return event;
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
        if (random.chance(2))
            addRepeats(frame, random);
        for (int i = random.chance(20) ? random.between(1, 6) : 0; i > 0; --i)
            frame.push_back(randomMouseEvent(random));
    }
    return events;
}

} // namespace qel::fuzz
