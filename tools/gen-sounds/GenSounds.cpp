// Synthesises the sounds the bundled game ships with: a short blip for key presses
// (sounds/blip.wav, decoded whole) and a looping chiptune for the background (sounds/music.ogg,
// streamed). Square, triangle and noise voices from fixed note tables and a fixed noise seed,
// so a re-run reproduces the same samples.
//
// Usage: qel-gen-sounds <game data folder>

#include <SFML/Audio/OutputSoundFile.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr unsigned SampleRate = 22050;
constexpr double Pi = 3.14159265358979;

// A mono track of float samples, mixed additively and clipped once when written.
using Track = std::vector<float>;

// ---- Voices ------------------------------------------------------------------------------------

double midiToHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// A quarter-duty square: the thin, bright lead of old sound chips.
float pulse(double phase)
{
    return phase - std::floor(phase) < 0.25 ? 1.f : -1.f;
}

float triangle(double phase)
{
    const double t = phase - std::floor(phase);
    return static_cast<float>(t < 0.5 ? 4 * t - 1 : 3 - 4 * t);
}

// Fast attack, gentle decay, and a short release at the end so that notes do not click.
float envelope(std::size_t i, std::size_t length)
{
    const float t = static_cast<float>(i) / SampleRate;
    const float attack = std::min(1.f, t / 0.005f);
    const float decay = 0.6f + 0.4f * std::exp(-t * 8.f);
    const std::size_t releaseSamples = std::min<std::size_t>(length / 4, SampleRate / 50);
    const float release = std::min(1.f, static_cast<float>(length - i) / releaseSamples);
    return attack * decay * release;
}

template <typename Wave>
void addNote(Track& track, std::size_t start, std::size_t length, int note, float volume, Wave wave)
{
    const double hz = midiToHz(note);
    for (std::size_t i = 0; i < length && start + i < track.size(); ++i)
        track[start + i] += volume * envelope(i, length) * wave(hz * i / SampleRate);
}

// A burst of noise with a steep decay: the snare of a chip drum kit.
void addHit(Track& track, std::size_t start, float volume, uint32_t& seed)
{
    const std::size_t length = SampleRate / 12;
    for (std::size_t i = 0; i < length && start + i < track.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / (1u << 24) * 2.f - 1.f;
        track[start + i] += volume * noise * std::exp(-static_cast<float>(i) / length * 6.f);
    }
}

// ---- The tune ----------------------------------------------------------------------------------

constexpr int BeatsPerMinute = 140;
constexpr std::size_t EighthsPerBar = 8;
constexpr std::size_t EighthLength = SampleRate * 60 / BeatsPerMinute / 2;

// Eight eighth notes per bar, as note numbers; 0 rests. I-vi-IV-V twice, then a bridge that
// turns back to the first chord, so the end leads into the start when the tune loops.
const std::vector<std::vector<int>> Melody = {
    {72, 76, 79, 76, 84, 79, 76, 79}, {81, 76, 72, 76, 81, 84, 81, 76},
    {77, 81, 84, 81, 77, 72, 77, 81}, {79, 74, 71, 74, 79, 83, 79, 74},
    {84, 0, 79, 76, 79, 0, 72, 76},   {76, 0, 72, 69, 72, 76, 81, 0},
    {77, 0, 81, 84, 86, 84, 81, 77},  {79, 0, 83, 86, 83, 79, 74, 71},
    {81, 81, 84, 0, 81, 79, 77, 0},   {79, 79, 83, 0, 79, 77, 74, 0},
    {76, 79, 83, 79, 76, 71, 76, 79}, {81, 0, 76, 0, 72, 0, 76, 0},
    {77, 81, 84, 89, 88, 84, 81, 77}, {79, 83, 86, 83, 79, 77, 74, 71},
    {72, 76, 79, 84, 79, 76, 72, 0},  {74, 79, 83, 86, 83, 79, 74, 0},
};

// The root of each bar's chord, two octaves below the melody.
const std::vector<int> BassRoots = {48, 45, 41, 43, 48, 45, 41, 43, 41, 43, 40, 45, 41, 43, 48, 43};

// Root, fifth, octave, fifth as quarter notes under every bar.
void addBassBar(Track& track, std::size_t barStart, int root)
{
    const int steps[] = {0, 7, 12, 7};
    for (std::size_t beat = 0; beat < 4; ++beat)
        addNote(track, barStart + beat * 2 * EighthLength, 2 * EighthLength - EighthLength / 4,
                root + steps[beat], 0.28f, triangle);
}

Track composeTune()
{
    Track track(Melody.size() * EighthsPerBar * EighthLength, 0.f);
    uint32_t seed = 12345;
    for (std::size_t bar = 0; bar < Melody.size(); ++bar) {
        const std::size_t barStart = bar * EighthsPerBar * EighthLength;
        for (std::size_t step = 0; step < EighthsPerBar; ++step) {
            if (const int note = Melody[bar][step])
                addNote(track, barStart + step * EighthLength, EighthLength * 7 / 8, note, 0.16f, pulse);
        }
        addBassBar(track, barStart, BassRoots[bar]);
        // Snare on beats two and four.
        addHit(track, barStart + 2 * EighthLength, 0.10f, seed);
        addHit(track, barStart + 6 * EighthLength, 0.10f, seed);
    }
    return track;
}

// A rising chirp, short enough to follow fast key presses.
Track composeBlip()
{
    const std::size_t length = SampleRate * 12 / 100;
    Track track(length, 0.f);
    double phase = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const double progress = static_cast<double>(i) / length;
        phase += (880.0 + 880.0 * progress) / SampleRate;
        const float fade = static_cast<float>(std::min(1.0, (1 - progress) * 8)) * std::min(1.f, i / 40.f);
        track[i] = 0.35f * fade * pulse(phase);
    }
    return track;
}

// ---- Output ------------------------------------------------------------------------------------

bool write(const Track& track, const std::filesystem::path& file)
{
    std::vector<int16_t> samples(track.size());
    std::transform(track.begin(), track.end(), samples.begin(), [](float sample) {
        return static_cast<int16_t>(std::clamp(sample, -1.f, 1.f) * 32767.f);
    });
    sf::OutputSoundFile output;
    if (!output.openFromFile(file.string(), SampleRate, 1))
        return false;
    output.write(samples.data(), samples.size());
    std::printf("%s: %.1f s\n", file.string().c_str(), static_cast<double>(track.size()) / SampleRate);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <game data folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path sounds = std::filesystem::path(argv[1]) / "sounds";
    std::filesystem::create_directories(sounds);
    const bool written = write(composeBlip(), sounds / "blip.wav") && write(composeTune(), sounds / "music.ogg");
    return written ? 0 : 1;
}
