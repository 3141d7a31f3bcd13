#pragma once

#include <SFML/Window/Event.hpp>

#include <cstdint>
#include <vector>

namespace qel::fuzz {

// The key events a run sends, frame by frame: presses and releases of the keys the engine
// treats itself (Return, Escape, BackSpace, Tab, Alt+Return, Shift+R) and of others, and typed
// characters, control and surrogate codes among them. The same seed gives the same events.
using KeyEvents = std::vector<std::vector<sf::Event>>;

KeyEvents planKeyEvents(uint64_t seed, int frames);

} // namespace qel::fuzz
