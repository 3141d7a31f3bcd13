#pragma once

#include <cstdint>

namespace qel {

// The engine's 32-bit string hash: names loaded sounds and is offered to scripts. Each byte
// shifts the hash one bit, so only the last 32 bytes of a text count.
int32_t hashString(const char* text);

} // namespace qel
