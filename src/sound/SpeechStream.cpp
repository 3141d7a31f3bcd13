#include "sound/SpeechStream.hpp"

#include "sound/SpeechSynthesizer.hpp"

namespace qel {

SpeechStream::SpeechStream(SpeechSynthesizer& synthesizer, unsigned sampleRate)
    : synthesizer(synthesizer), chunkSamples(sampleRate / 10)
{
    initialize(1, sampleRate);
}

// The stream's thread reads the synthesiser until it stops.
SpeechStream::~SpeechStream()
{
    stop();
}

bool SpeechStream::onGetData(Chunk& data)
{
    chunk.clear();
    if (synthesizer.takeSamples(chunk, chunkSamples) == 0) {
        if (!synthesizer.busy())
            return false;
        chunk.assign(chunkSamples / 2, 0);
    }
    data.samples = chunk.data();
    data.sampleCount = chunk.size();
    return true;
}

} // namespace qel
