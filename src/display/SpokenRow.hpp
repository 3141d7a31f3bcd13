#pragma once

#include <string>

namespace qel {

class ScreenBuffer;

// What a row of the screen says to a player who cannot see it, in UTF-8: the characters it shows.
// Frames and shades (box drawing U+2500 to U+257F, block elements U+2580 to U+259F) only draw: a
// run of them and of cells that show nothing (blanks, a Clear foreground) reads as one space
// between the words around it, and as nothing at either end. A row of nothing else, or one
// outside the screen, says "".
std::string spokenRow(const ScreenBuffer& screen, int row);

} // namespace qel
