#include "base/HashString.hpp"

namespace qel {

int32_t hashString(const char* text)
{
    // Unsigned arithmetic gives the wrapping result without signed overflow.
    uint32_t hash = 0;
    for (const char* byte = text; *byte; ++byte) {
        const auto signExtended = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*byte)));
        hash = (hash << 1) ^ signExtended;
    }
    return static_cast<int32_t>(hash);
}

} // namespace qel
