#pragma once

#include <string>

namespace qel {

// Whether the path names a regular file (or a link to one), the only kind of file the engine
// reads its data from: decoding a folder fails only after a long wait, and opening a pipe blocks
// until someone writes to it. Otherwise prints one line naming the file, as the given kind of
// data ("sound", "picture"), and why it is not read.
bool isDataFile(const std::string& path, const char* kind);

} // namespace qel
