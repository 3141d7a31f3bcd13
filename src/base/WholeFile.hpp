#pragma once

#include <string>
#include <vector>

namespace qel {

// Writes the bytes as the whole contents of the file, making or replacing it. Gives the system's
// reason ("No such file or directory", "No space left on device") when the file cannot be opened
// or not every byte reached it, else nothing: each step is checked, the flush and the close too,
// since a full disc shows only there.
std::string writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);

} // namespace qel
