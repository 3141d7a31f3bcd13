#pragma once

#include <SFML/Window/Keyboard.hpp>

#include <optional>
#include <string_view>
#include <vector>

namespace qel {

struct KeyName {
    const char* name;
    sf::Keyboard::Key code;
};

// The window library's key codes under its own names, as the script's key() receives them and
// its Key table names them. Return, BackSpace, BackSlash, SemiColon and Dash are the library's
// older names of Enter, Backspace, Backslash, Semicolon and Hyphen, kept so that scripts written
// with either read the same.
const std::vector<KeyName>& keyNames();

// The first name the code has (the newer one), or null for a code without a name.
const char* nameOfKey(sf::Keyboard::Key code);
// The code a name (either of a key's names) stands for.
std::optional<sf::Keyboard::Key> keyNamed(std::string_view name);

} // namespace qel
