#pragma once

#include <SFML/Audio/OutputSoundFile.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace qel::test {

// A tenth of a second of a plain tone, in the format the file name's extension asks for. Written
// without the audio device, which the processes that test its absence must not open early.
inline void writeTone(const std::filesystem::path& file)
{
    const unsigned rate = 22050;
    std::vector<sf::Int16> samples(rate / 10);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<sf::Int16>(8000 * std::sin(2 * 3.14159265 * 440 * i / rate));
    sf::OutputSoundFile output;
    ASSERT_TRUE(output.openFromFile(file.string(), rate, 1)) << file;
    output.write(samples.data(), samples.size());
}

} // namespace qel::test
