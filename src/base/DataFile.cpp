#include "base/DataFile.hpp"

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

} // namespace qel
