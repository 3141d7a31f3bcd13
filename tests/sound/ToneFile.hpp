#pragma once

#include <SFML/Audio/OutputSoundFile.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
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

// The 44 bytes that start a 16-bit PCM WAV file, claiming whatever its fields are given; the
// data that follows is up to the caller.
inline std::string wavHeader(uint16_t channels, uint32_t sampleRate, uint32_t dataBytes)
{
    std::string header;
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header += static_cast<char>(value >> (8 * i) & 0xff);
    };
    header += "RIFF";
    put(36 + dataBytes, 4);
    header += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(channels, 2);
    put(sampleRate, 4);
    put(sampleRate * channels * 2, 4);
    put(channels * 2, 2);
    put(16, 2);
    header += "data";
    put(dataBytes, 4);
    return header;
}

} // namespace qel::test
