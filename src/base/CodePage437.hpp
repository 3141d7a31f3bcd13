#pragma once

#include <cstdint>
#include <optional>

namespace qel {

// The IBM PC's character set, in which cell-art files store their characters: 32 to 126 are
// ASCII, and the control codes below them, 127 and 128 to 255 are glyphs (faces, card suits,
// arrows, accented letters, lines and blocks, Greek and mathematics).

// The character a code shows; code 0 is no character and stays 0.
char16_t codePage437ToUnicode(uint8_t code);

// The code that shows the character (0 for 0), or none when the set has no such character.
std::optional<uint8_t> unicodeToCodePage437(char16_t character);

} // namespace qel
