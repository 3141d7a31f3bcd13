#include "sound/Speech.hpp"

#include "sound/SpeechStream.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qel {

namespace {

// One line, cut at a character's start, with no line breaks or surrounding spaces.
std::string sayable(const std::string& text)
{
    std::size_t end = std::min(text.size(), Speech::LongestText);
    while (end < text.size() && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    std::string line = text.substr(0, end);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

} // namespace

Speech::Speech(SpeechMode mode) : on(mode != SpeechMode::Off), logged(mode == SpeechMode::Log)
{
}

// The stream reads the synthesiser, so it goes first.
Speech::~Speech()
{
    stream.reset();
    synth.reset();
}

void Speech::toggle()
{
    if (on) {
        stop();
        on = false;
        return;
    }
    on = true;
    speak("speech on", true);
}

void Speech::speak(const std::string& text, bool interrupt)
{
    if (!on)
        return;
    const std::string line = sayable(text);
    if (line.empty())
        return;
    if (logged) {
        std::printf("speech: %s\n", line.c_str());
        std::fflush(stdout);
        return;
    }
    if (interrupt)
        said.clear();
    if (said.size() < MostWaiting)
        said.push_back({line, interrupt});
}

void Speech::stop()
{
    said.clear();
    if (synth)
        synth->stop();
}

bool Speech::isSpeaking() const
{
    return isSounding() && (!said.empty() || (synth && synth->busy()));
}

void Speech::update()
{
    handOverSaid();
    if (!synth || !synth->hasStarted())
        return;
    if (!stream) {
        const unsigned rate = synth->sampleRate();
        if (rate == 0) {
            if (!std::exchange(failureSaid, true))
                std::fprintf(stderr, "qel: %s\n", synth->failure().c_str());
            return;
        }
        stream = std::make_unique<SpeechStream>(*synth, rate);
        stream->setVolume(volume * 100);
    }
    if (stream->getStatus() != sf::SoundSource::Playing && synth->busy())
        stream->play();
}

void Speech::setRate(int rate)
{
    settings.rate = rate;
    if (synth)
        synth->setSettings(settings);
}

void Speech::setPitch(int pitch)
{
    settings.pitch = pitch;
    if (synth)
        synth->setSettings(settings);
}

void Speech::setVolume(float newVolume)
{
    volume = newVolume;
    if (stream)
        stream->setVolume(volume * 100);
}

bool Speech::setVoice(const std::string& name)
{
    if (isSounding()) {
        const std::vector<SpeechVoice> offered = voices();
        const bool known = std::any_of(offered.begin(), offered.end(),
                                       [&](const SpeechVoice& voice) { return voice.name == name; });
        if (!known)
            return false;
    }
    settings.voice = name;
    if (synth)
        synth->setSettings(settings);
    return true;
}

std::vector<SpeechVoice> Speech::voices()
{
    return isSounding() ? synthesizer().voices() : std::vector<SpeechVoice>{};
}

// The synthesiser starts on what the frame said once the frame is drawn, so that its first burst
// of work does not slow the drawing down.
void Speech::handOverSaid()
{
    for (const Utterance& utterance : said)
        synthesizer().say(utterance.text, utterance.interrupt, MostWaiting);
    said.clear();
}

SpeechSynthesizer& Speech::synthesizer()
{
    if (!synth) {
        synth = std::make_unique<SpeechSynthesizer>();
        synth->setSettings(settings);
    }
    return *synth;
}

} // namespace qel
