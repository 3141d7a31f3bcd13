#pragma once

#include <SFML/Audio/SoundStream.hpp>

#include <cstdint>
#include <vector>

namespace qel {

class SpeechSynthesizer;

// Plays what the synthesiser makes, on a channel of its own beside the game's sounds. While the
// synthesiser is still busy but has nothing ready it plays short silences rather than ending.
class SpeechStream : public sf::SoundStream {
public:
    SpeechStream(SpeechSynthesizer& synthesizer, unsigned sampleRate);
    ~SpeechStream() override;

private:
    bool onGetData(Chunk& data) override;
    void onSeek(sf::Time) override {}

    SpeechSynthesizer& synthesizer;
    // A tenth of a second at a time, so that an interruption is heard soon.
    std::size_t chunkSamples;
    std::vector<int16_t> chunk;
};

} // namespace qel
