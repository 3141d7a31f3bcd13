#include "base/DataFile.hpp"

#include <cstdio>
#include <filesystem>

namespace qel {

std::string whyNoDataFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_regular_file(status))
        return "";
    return status.type() == std::filesystem::file_type::not_found ? "there is no such file"
           : error                                                ? "it cannot be looked at"
                                                                  : "it is not a regular file";
}

bool isDataFile(const std::string& path, const char* kind)
{
    const std::string reason = whyNoDataFile(path);
    if (!reason.empty())
        std::fprintf(stderr, "qel: cannot load %s \"%s\": %s\n", kind, path.c_str(), reason.c_str());
    return reason.empty();
}

} // namespace qel
