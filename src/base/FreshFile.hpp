#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qel {

// Makes an empty file named stem + extension in the folder (made if need be), or, when that
// name is taken, stem-2, stem-3 and so on: the file is new, so whatever is written to it
// overwrites nothing. Gives its path, or nothing and the reason in error.
std::optional<std::filesystem::path> claimFreshFile(const std::filesystem::path& folder, const std::string& stem,
                                                    const std::string& extension, std::string& error);

} // namespace qel
