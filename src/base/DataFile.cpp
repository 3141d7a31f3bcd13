#include "base/DataFile.hpp"

#include <cstdio>
#include <filesystem>

namespace qel {

bool isDataFile(const std::string& path, const char* kind)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_regular_file(status))
        return true;
    const char* reason = status.type() == std::filesystem::file_type::not_found ? "there is no such file"
                         : error                                                ? "it cannot be looked at"
                                                                                : "it is not a regular file";
    std::fprintf(stderr, "qel: cannot load %s \"%s\": %s\n", kind, path.c_str(), reason);
    return false;
}

} // namespace qel
