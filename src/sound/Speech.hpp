#pragma once

#include "sound/SpeechSynthesizer.hpp"

#include <memory>
#include <string>
#include <vector>

namespace qel {

class SpeechStream;

// Off, spoken through the sound output, or written as "speech: TEXT" lines on standard output
// (for tests and replays: no synthesis at all, and the same lines every time).
enum class SpeechMode { Off, Sound, Log };

// What the engine and the scripts say. The synthesiser starts when something is first said with
// speech on, so that a game played without speech never reads its data.
class Speech {
public:
    // The longest text said at once, in bytes; the rest is cut.
    static constexpr std::size_t LongestText = 2000;
    // The most texts waiting; more are dropped until some are said.
    static constexpr std::size_t MostWaiting = 64;

    explicit Speech(SpeechMode mode);
    ~Speech();
    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // The player's switch: off, or back on in the mode the game started with (sound unless log).
    // Switching on says so.
    void toggle();
    bool isOn() const { return on; }
    bool isLogged() const { return logged; }

    // Queues the text, or with interrupt says it in place of what is being said. Line breaks
    // read as spaces; blank text says nothing.
    void speak(const std::string& text, bool interrupt);
    void stop();
    // Whether anything is still to be heard; a logged text is said at once.
    bool isSpeaking() const;
    // Hands what was said to the synthesiser and starts the sound output once the synthesiser is
    // ready; called every frame, once it is drawn.
    void update();

    // Rate and pitch are clamped to the synthesiser's ranges by the caller, volume to 0 to 1.
    void setRate(int rate);
    void setPitch(int pitch);
    void setVolume(float volume);
    // False when speech is sounding and the synthesiser has no voice of the name; otherwise the
    // voice is kept for the next utterance.
    bool setVoice(const std::string& name);
    // The synthesiser's voices while speech is sounding; none when it is off or logged.
    std::vector<SpeechVoice> voices();
    // Whether the engine says by itself what the screen shows (message boxes, console lines).
    void setSpeaksByItself(bool on) { byItself = on; }
    bool speaksByItself() const { return byItself; }
    const SpeechSettings& getSettings() const { return settings; }
    float getVolume() const { return volume; }

private:
    struct Utterance {
        std::string text;
        bool interrupt;
    };

    bool isSounding() const { return on && !logged; }
    void handOverSaid();
    SpeechSynthesizer& synthesizer();

    bool on;
    bool logged;
    SpeechSettings settings;
    float volume = 1.f;
    bool byItself = true;
    bool failureSaid = false;
    // Said in this frame, for the synthesiser.
    std::vector<Utterance> said;
    std::unique_ptr<SpeechSynthesizer> synth;
    std::unique_ptr<SpeechStream> stream;
};

} // namespace qel
