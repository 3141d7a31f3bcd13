#pragma once

#include <SFML/Window/Joystick.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace qel {

// The axes of a pad under the window library's names, in its order: an axis's number is its
// place in the list, as the script's PadAxis table names them and recordings write them.
const std::array<const char*, sf::Joystick::AxisCount>& padAxisNames();

// The number of the axis of that name.
std::optional<int> padAxisNamed(std::string_view name);

} // namespace qel
