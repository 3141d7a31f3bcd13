#pragma once

#include <SFML/Window/Event.hpp>

#include <cstdint>
#include <vector>

namespace qel::fuzz {

// The key events a run sends, frame by frame: presses and releases of the keys the engine
// treats itself (Return, Escape, BackSpace, Tab, Alt+Return, Shift+R) and of others, with any
// modifier keys held, the presses a held key repeats, and typed characters, control and
// surrogate codes and numbers past Unicode among them; the mouse's moves, presses, releases,
// wheel turns and leavings, at pixels inside, at the edges of and far outside the window, with
// buttons past the window library's, both wheels; and the pads' events, of every pad and button the
// window library numbers. The same seed gives the same events.
using KeyEvents = std::vector<std::vector<sf::Event>>;

KeyEvents planKeyEvents(uint64_t seed, int frames);

} // namespace qel::fuzz
