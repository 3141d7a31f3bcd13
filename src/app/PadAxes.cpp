#include "app/PadAxes.hpp"

namespace qel {

const std::array<const char*, sf::Joystick::AxisCount>& padAxisNames()
{
    static_assert(sf::Joystick::X == 0 && sf::Joystick::PovY == sf::Joystick::AxisCount - 1);
    static const std::array<const char*, sf::Joystick::AxisCount> names = {"X", "Y", "Z", "R", "U", "V", "PovX", "PovY"};
    return names;
}

std::optional<int> padAxisNamed(std::string_view name)
{
    const auto& names = padAxisNames();
    for (std::size_t axis = 0; axis < names.size(); ++axis)
        if (name == names[axis])
            return static_cast<int>(axis);
    return std::nullopt;
}

} // namespace qel
