#pragma once

#include <string>

namespace qel {

// Why the path names no regular file (or link to one), the only kind of file the engine reads
// its data from: decoding a folder fails only after a long wait, and opening a pipe blocks until
// someone writes to it. Empty when it names one.
std::string whyNoDataFile(const std::string& path);

} // namespace qel
