#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qel {

// A voice the synthesiser offers: its name and the language it speaks.
struct SpeechVoice {
    std::string name;
    std::string language;
};

// How the synthesiser speaks: words a minute and pitch in the library's ranges, and the voice by
// name (empty: the library's default).
struct SpeechSettings {
    static constexpr int SlowestRate = 80;
    static constexpr int FastestRate = 450;
    static constexpr int LowestPitch = 0;
    static constexpr int HighestPitch = 100;
    int rate = 175;
    int pitch = 50;
    std::string voice;
};

// Turns queued texts into 16-bit mono samples on a thread of its own, so that no frame waits for
// the synthesis, and only half a second ahead of the samples taken, so that it costs the
// processor little at a time. The library is started by the first synthesiser's thread and lives as long as the
// process; it is one per process, so only one synthesiser may exist at a time. Samples wait here until the sound output
// takes them.
class SpeechSynthesizer {
public:
    SpeechSynthesizer();
    ~SpeechSynthesizer();
    SpeechSynthesizer(const SpeechSynthesizer&) = delete;
    SpeechSynthesizer& operator=(const SpeechSynthesizer&) = delete;

    // Queues the text after what is said already; interrupt drops the queue, the utterance being
    // made and the samples not yet played first. False, and dropped, when mostWaiting texts wait.
    bool say(const std::string& text, bool interrupt, std::size_t mostWaiting);
    void stop();
    // Whether any text is queued or being made, or samples wait to be taken.
    bool busy() const;
    // Moves up to most waiting samples to the end of out; the count moved. Synthesis waits while
    // half a second of samples waits.
    std::size_t takeSamples(std::vector<int16_t>& out, std::size_t most);

    // Taken by the next utterance.
    void setSettings(const SpeechSettings& settings);
    // Whether the library has started (or failed to), so that the calls below answer at once.
    bool hasStarted() const;
    // These wait until the library has started. No voices and rate 0 when it could not start.
    std::vector<SpeechVoice> voices();
    unsigned sampleRate();
    // Why the library could not start, or empty.
    std::string failure();

    // For the library's callback: keeps a piece of the utterance made in the generation; false
    // stops the utterance, which an interruption or the end of the engine has dropped.
    bool receive(const short* pieces, int count, unsigned long madeIn);

private:
    void work();
    // Starts the library on first use in the process, and takes its callback.
    bool takeLibrary();
    void applySettings(const SpeechSettings& settings);
    void synthesize(const std::string& text);
    void waitForStart();

    // How far synthesis runs ahead of the samples taken, in tenths of a second: more than the
    // sound output asks for at once, so that it never waits for samples.
    static constexpr unsigned LeadTenths = 3;

    mutable std::mutex mutex;
    std::condition_variable wake;
    // Told when samples are taken or dropped.
    std::condition_variable drained;
    std::condition_variable started;
    std::deque<std::string> texts;
    std::deque<int16_t> samples;
    SpeechSettings settings;
    SpeechSettings appliedSettings;
    bool settingsApplied = false;
    bool synthesizing = false;
    // Counts interruptions, so that an utterance made before one is dropped.
    unsigned long generation = 0;
    bool ending = false;
    bool libraryStarted = false;
    unsigned rate = 0;
    std::vector<SpeechVoice> voiceList;
    std::string startFailure;
    std::thread worker;
};

} // namespace qel
