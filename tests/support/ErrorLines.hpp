#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace qel::test {

// The lines of an error output, without the window library's remark about a display without
// vertical synchronisation, which is not the engine's.
inline std::vector<std::string> errorLines(const std::string& errors)
{
    std::vector<std::string> lines;
    std::istringstream in(errors);
    for (std::string line; std::getline(in, line);)
        if (line != "Setting vertical sync not supported")
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
