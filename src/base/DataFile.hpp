#pragma once

#include <string>

namespace qel {

// Why the path names no regular file (or link to one), the only kind of file the engine reads
// its data from: decoding a folder fails only after a long wait, and opening a pipe blocks until
// someone writes to it. Empty when it names one.
std::string whyNoDataFile(const std::string& path);

// Whether the path names a regular file; otherwise prints one line naming the file, as the given
// kind of data ("sound", "picture"), and why it is not read.
bool isDataFile(const std::string& path, const char* kind);

} // namespace qel
