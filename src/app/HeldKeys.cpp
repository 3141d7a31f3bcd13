#include "app/HeldKeys.hpp"

#include <utility>

namespace qel {

namespace {

// Unknown keys, and numbers no key has, are never held.
bool isKnownKey(sf::Keyboard::Key key)
{
    return key >= 0 && key < sf::Keyboard::KeyCount;
}

} // namespace

bool HeldKeys::press(sf::Keyboard::Key key)
{
    return isKnownKey(key) && std::exchange(held[key], true);
}

void HeldKeys::release(sf::Keyboard::Key key)
{
    if (isKnownKey(key))
        held[key] = false;
}

} // namespace qel
