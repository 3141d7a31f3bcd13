#pragma once

#include "app/RunControl.hpp"
#include "base/TextFileReader.hpp"
#include "support/EngineFixture.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace qel::test {

// The recording in the text, which must read.
inline Recording recordingOf(const std::string& text)
{
    TextFileReader lines(std::make_unique<std::istringstream>(text), Recording::FileLimits);
    std::string error;
    std::optional<Recording> recording = Recording::read(lines, error);
    EXPECT_TRUE(recording) << error;
    return recording.value_or(Recording{});
}

// A run control that replays the recording in the text: a way to hold keys down in a test.
inline RunControl replayOf(const std::string& text, const LaunchOptions& options = testOptions())
{
    return std::move(*RunControl::open(options, recordingOf(text)));
}

} // namespace qel::test
