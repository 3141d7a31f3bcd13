#include "base/FreshFile.hpp"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace qel {

namespace {

// Far more files of one second than anyone takes; the loop ends on a folder that refuses them all.
constexpr int MostTries = 1000;

} // namespace

std::optional<std::filesystem::path> claimFreshFile(const std::filesystem::path& folder, const std::string& stem,
                                                    const std::string& extension, std::string& error)
{
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        error = made.message();
        return std::nullopt;
    }
    for (int number = 1; number <= MostTries; ++number) {
        const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
        const std::filesystem::path path = folder / (stem + suffix + extension);
        // O_EXCL: the name is ours only if no one, another engine included, has it already.
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file >= 0) {
            ::close(file);
            return path;
        }
        if (errno != EEXIST) {
            error = std::strerror(errno);
            return std::nullopt;
        }
    }
    error = "every name is taken";
    return std::nullopt;
}

} // namespace qel
