#include "base/TextFileReader.hpp"

#include "base/DataFile.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace qel {

namespace {

constexpr int End = std::char_traits<char>::eof();

} // namespace

TextFileReader::TextFileReader(const std::string& path, Limits limits) : limits(limits)
{
    error = whyNoDataFile(path);
    if (!error.empty())
        return;
    auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (*file)
        in = std::move(file);
    else
        error = std::strerror(errno);
}

TextFileReader::TextFileReader(std::unique_ptr<std::istream> text, Limits limits) : in(std::move(text)), limits(limits)
{
}

bool TextFileReader::nextLine(std::string& line)
{
    line.clear();
    // The library throws when the system refuses a read, as it does for a file such as /proc/self/mem.
    try {
        int byte = nextByte();
        if (byte == End)
            return false;
        ++lines;
        for (; byte != End && byte != '\n'; byte = nextByte()) {
            if (byte == '\r' && in->rdbuf()->sgetc() == '\n')
                continue;
            if (line.size() == limits.lineBytes) {
                fail("line " + std::to_string(lines) + " is longer than " + std::to_string(limits.lineBytes) + " bytes");
                return false;
            }
            line.push_back(static_cast<char>(byte));
        }
    } catch (const std::ios_base::failure&) {
        fail("it cannot be read: " + std::string(std::strerror(errno)));
        return false;
    }
    return error.empty();
}

int TextFileReader::nextByte()
{
    if (!in || !error.empty())
        return End;
    if (bytesRead == limits.fileBytes) {
        if (in->rdbuf()->sgetc() != End)
            fail("it is larger than " + std::to_string(limits.fileBytes) + " bytes");
        return End;
    }
    const int byte = in->rdbuf()->sbumpc();
    if (byte != End)
        ++bytesRead;
    return byte;
}

void TextFileReader::fail(const std::string& why)
{
    error = why;
    in.reset();
}

} // namespace qel
