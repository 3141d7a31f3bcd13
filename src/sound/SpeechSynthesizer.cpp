#include "sound/SpeechSynthesizer.hpp"

#include <espeak-ng/speak_lib.h>

#include <algorithm>

namespace qel {

namespace {

// The library calls back with no word of whose utterance it is; it is one per process, and so
// is the synthesiser using it, and the generation the utterance was made in.
SpeechSynthesizer* speaking = nullptr;
unsigned long speakingGeneration = 0;

int receiveFromLibrary(short* pieces, int count, espeak_EVENT*)
{
    return speaking->receive(pieces, count, speakingGeneration) ? 0 : 1;
}

// The library's voice entries list languages as a priority byte followed by the name.
std::string firstLanguage(const espeak_VOICE& voice)
{
    return voice.languages && voice.languages[0] ? voice.languages + 1 : "";
}

// The library started once for the process: it cannot be started again after it is ended, so it
// lives as long as the process. A rate of 0 means it could not start.
struct Library {
    int sampleRate;
    std::vector<SpeechVoice> voices;
};

Library startLibrary()
{
    Library library{espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr, espeakINITIALIZE_DONT_EXIT), {}};
    if (library.sampleRate <= 0)
        return {0, {}};
    espeak_SetSynthCallback(receiveFromLibrary);
    for (const espeak_VOICE** voice = espeak_ListVoices(nullptr); voice && *voice; ++voice)
        library.voices.push_back({(*voice)->name ? (*voice)->name : "", firstLanguage(**voice)});
    return library;
}

const Library& library()
{
    static const Library started = startLibrary();
    return started;
}

} // namespace

SpeechSynthesizer::SpeechSynthesizer() : worker([this] { work(); })
{
}

SpeechSynthesizer::~SpeechSynthesizer()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
        ++generation;
    }
    wake.notify_all();
    drained.notify_all();
    worker.join();
}

bool SpeechSynthesizer::say(const std::string& text, bool interrupt, std::size_t mostWaiting)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (interrupt) {
            texts.clear();
            samples.clear();
            ++generation;
        }
        if (texts.size() >= mostWaiting)
            return false;
        texts.push_back(text);
    }
    wake.notify_all();
    // An utterance waiting for its samples to be taken is dropped at once.
    if (interrupt)
        drained.notify_all();
    return true;
}

void SpeechSynthesizer::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        texts.clear();
        samples.clear();
        ++generation;
    }
    drained.notify_all();
}

bool SpeechSynthesizer::busy() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return !texts.empty() || synthesizing || !samples.empty();
}

std::size_t SpeechSynthesizer::takeSamples(std::vector<int16_t>& out, std::size_t most)
{
    std::size_t count;
    {
        std::lock_guard<std::mutex> lock(mutex);
        count = std::min(most, samples.size());
        out.insert(out.end(), samples.begin(), samples.begin() + count);
        samples.erase(samples.begin(), samples.begin() + count);
    }
    drained.notify_all();
    return count;
}

void SpeechSynthesizer::setSettings(const SpeechSettings& newSettings)
{
    std::lock_guard<std::mutex> lock(mutex);
    settings = newSettings;
}

bool SpeechSynthesizer::hasStarted() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return libraryStarted;
}

std::vector<SpeechVoice> SpeechSynthesizer::voices()
{
    waitForStart();
    std::lock_guard<std::mutex> lock(mutex);
    return voiceList;
}

unsigned SpeechSynthesizer::sampleRate()
{
    waitForStart();
    std::lock_guard<std::mutex> lock(mutex);
    return rate;
}

std::string SpeechSynthesizer::failure()
{
    waitForStart();
    std::lock_guard<std::mutex> lock(mutex);
    return startFailure;
}

void SpeechSynthesizer::waitForStart()
{
    std::unique_lock<std::mutex> lock(mutex);
    started.wait(lock, [this] { return libraryStarted; });
}

void SpeechSynthesizer::work()
{
    const bool running = takeLibrary();
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        wake.wait(lock, [this] { return ending || !texts.empty(); });
        if (ending)
            break;
        const std::string text = std::move(texts.front());
        texts.pop_front();
        if (!running)
            continue;
        synthesizing = true;
        speakingGeneration = generation;
        const SpeechSettings wanted = settings;
        lock.unlock();
        applySettings(wanted);
        synthesize(text);
        lock.lock();
        synthesizing = false;
    }
}

// Synchronous output: the library makes the samples on this thread and hands them over as it goes.
bool SpeechSynthesizer::takeLibrary()
{
    const Library& started = library();
    speaking = this;
    std::lock_guard<std::mutex> lock(mutex);
    rate = static_cast<unsigned>(started.sampleRate);
    voiceList = started.voices;
    if (rate == 0)
        startFailure = "the speech synthesiser could not start (is espeak-ng-data installed?)";
    libraryStarted = true;
    this->started.notify_all();
    return rate > 0;
}

// A voice the library refuses leaves the one it had.
void SpeechSynthesizer::applySettings(const SpeechSettings& wanted)
{
    if (settingsApplied && wanted.rate == appliedSettings.rate && wanted.pitch == appliedSettings.pitch &&
        wanted.voice == appliedSettings.voice)
        return;
    espeak_SetParameter(espeakRATE, wanted.rate, 0);
    espeak_SetParameter(espeakPITCH, wanted.pitch, 0);
    if (!wanted.voice.empty())
        espeak_SetVoiceByName(wanted.voice.c_str());
    appliedSettings = wanted;
    settingsApplied = true;
}

void SpeechSynthesizer::synthesize(const std::string& text)
{
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
}

// Synthesis keeps only a little ahead of what is heard, so that an utterance costs the processor
// a little at a time while it is heard, instead of all at once beside the frame that said it.
bool SpeechSynthesizer::receive(const short* pieces, int count, unsigned long madeIn)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (madeIn != generation)
        return false;
    if (pieces && count > 0)
        samples.insert(samples.end(), pieces, pieces + count);
    const std::size_t lead = rate * LeadTenths / 10;
    drained.wait(lock, [&] { return madeIn != generation || samples.size() < lead; });
    return madeIn == generation;
}

} // namespace qel
