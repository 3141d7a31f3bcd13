#include "base/WholeFile.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qel {

namespace {

// The system's words for the error; a failure the system gave no number for is still a failure.
std::string reasonFor(int error)
{
    return error != 0 ? std::strerror(error) : "not every byte could be written";
}

} // namespace

std::string writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return reasonFor(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written)
        return reasonFor(writeError);
    return closed ? "" : reasonFor(errno);
}

} // namespace qel
