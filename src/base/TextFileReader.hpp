#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>

namespace qel {

// Reads a text file the engine did not write (a recording, config.dat) line by line, within
// limits that its readers choose above anything a real file reaches, so that a mistaken or
// hostile one (a device, a huge file, one endless line) costs little memory and time: it
// refuses what is no regular file, and stops at the first byte past either limit.
//
// A line ends at a line feed, or at a carriage return and line feed (as editors on some systems
// write them): the line end is not part of the line.
class TextFileReader {
public:
    struct Limits {
        std::size_t fileBytes;
        std::size_t lineBytes;
    };

    // Opens the file; when it cannot be read, there are no lines and fault() says why.
    TextFileReader(const std::string& path, Limits limits);
    // Reads text from a stream of its own instead, as from a file.
    TextFileReader(std::unique_ptr<std::istream> text, Limits limits);

    // The next line; false at the end of the text, or at a fault.
    bool nextLine(std::string& line);
    // Why the text was not read to its end ("line 3 is longer than 4096 bytes"), or empty.
    const std::string& fault() const { return error; }
    // The number of the last line given, from 1.
    int lineNumber() const { return lines; }

private:
    // The next byte, or the end of the text when it is at a limit.
    int nextByte();
    void fail(const std::string& why);

    std::unique_ptr<std::istream> in;
    Limits limits;
    std::size_t bytesRead = 0;
    int lines = 0;
    std::string error;
};

} // namespace qel
