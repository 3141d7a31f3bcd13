#pragma once

#include <string>
#include <string_view>

struct lua_State;

namespace qel {

// A script value as the bytes the save store keeps: nil, booleans, numbers (the 64 bits of the
// double, so that every number, inf, nan and -0 come back exactly), strings of any bytes and
// tables of these nested at most MostDepth deep, with keys of any of these kinds. Reading the
// bytes back never runs code, and damaged or hostile bytes are refused without a large
// allocation or deep recursion.
class SavedValue {
public:
    static constexpr int MostDepth = 100;
    static constexpr std::size_t MostBytes = 16u << 20;

    // The value at index as bytes. Raises a script error naming where in the value it found what
    // cannot be saved ("value.player.inventory[3] is a function"), or that it takes more than
    // MostBytes. Metatables are not saved, and no metamethod runs.
    static std::string encode(lua_State* L, int index);
    // Pushes the value the bytes hold; false, pushing nothing and saying why in error, when
    // they hold none.
    static bool decode(lua_State* L, std::string_view bytes, std::string& error);
};

} // namespace qel
