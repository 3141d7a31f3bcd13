#pragma once

#include <string>

namespace qel {

// Prefix of every file path the engine opens: files are found relative to the working directory.
inline std::string basePath()
{
    return "";
}

} // namespace qel
