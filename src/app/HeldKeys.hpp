#pragma once

#include <SFML/Window/Keyboard.hpp>

#include <array>

namespace qel {

// Tells a key's first press from the presses the window repeats while the key is held: those come
// without a release between them.
class HeldKeys {
public:
    // Whether the press repeats one of a key held already; the key counts as held from now on.
    bool press(sf::Keyboard::Key key);
    void release(sf::Keyboard::Key key);
    // The releases of keys let go while the window had no focus, or was being made again, never
    // come: every key counts as up.
    void forgetAll() { held = {}; }

private:
    std::array<bool, sf::Keyboard::KeyCount> held{};
};

} // namespace qel
