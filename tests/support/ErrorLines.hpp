#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace qel::test {

// The window library's remarks on a display without vertical synchronisation and on leaving
// fullscreen under Xvfb, which are not the engine's.
inline bool isWindowNotice(const std::string& line)
{
    return line == "Setting vertical sync not supported" ||
           line == "The requested video mode is not available, switching to a valid mode";
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The chain of calls the engine prints under a script error's message.
inline bool isTracebackLine(const std::string& line)
{
    return line == "stack traceback:" || (!line.empty() && line[0] == '\t');
}

// An error output without the lines that the test does not want, line ends kept as they were.
template <class Unwanted>
std::string withoutLines(const std::string& errors, Unwanted unwanted)
{
    std::string kept;
    std::istringstream in(errors);
    for (std::string line; std::getline(in, line);)
        if (!unwanted(line))
            kept += in.eof() ? line : line + "\n";
    return kept;
}

inline std::string withoutWindowNotices(const std::string& errors)
{
    return withoutLines(errors, isWindowNotice);
}

// The messages of an error output: no window notices, and no tracebacks under script errors.
inline std::string errorMessages(const std::string& errors)
{
    return withoutLines(errors, [](const std::string& line) { return isWindowNotice(line) || isTracebackLine(line); });
}

// The lines of an error output, without the window library's notices.
inline std::vector<std::string> errorLines(const std::string& errors)
{
    std::vector<std::string> lines;
    std::istringstream in(withoutWindowNotices(errors));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Whether the error output is exactly one line of the engine's own ("qel: ...") naming the file.
inline testing::AssertionResult saysOnceAbout(const std::string& errors, const std::string& file)
{
    const std::vector<std::string> lines = errorLines(errors);
    if (lines.size() == 1 && lines[0].rfind("qel: ", 0) == 0 && lines[0].find(file) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "not one line of the engine's about " << file << ":\n" << errors;
}

} // namespace qel::test
