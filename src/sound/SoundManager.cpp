#include "sound/SoundManager.hpp"

#include "base/GameFiles.hpp"
#include "base/GamePaths.hpp"
#include "base/HashString.hpp"
#include "sound/GameFileStream.hpp"

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Listener.hpp>

#include <AL/alc.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace qel {

namespace {

// Pan keeps the sound just in front of the listener, so only its x decides left or right.
constexpr float PanDepth = 0.05f;
constexpr float PanScale = 8.f;

// Byte-exact: other spellings of the extension are decoded whole like any other file.
bool isStreamed(const std::string& path)
{
    if (path.size() < 4)
        return false;
    const std::string extension = path.substr(path.size() - 4);
    return extension == ".ogg" || extension == ".OGG";
}

// What a sound file's header may claim. The audio library plays at most 8 channels (7.1), and
// real recordings' rates lie between telephone quality and studio masters. A sound decoded whole
// may not claim more samples than its file could hold: real sound packs a few dozen samples a
// byte at most, in any format the library reads (low-rate Ogg Vorbis comes closest), so 64 leaves
// room. 2^26 samples (128 MB of memory, 12 minutes of 48 kHz stereo) is the most any one sound
// decoded whole may take; longer sounds are for streaming.
constexpr unsigned MaxChannels = 8;
constexpr unsigned MinSampleRate = 1000;
constexpr unsigned MaxSampleRate = 192000;
constexpr std::uint64_t MaxSamplesPerFileByte = 64;
constexpr std::uint64_t MaxDecodedSamples = std::uint64_t(1) << 26;

// Why the header's format cannot be played, or empty when it can.
std::string formatProblem(const sf::InputSoundFile& file)
{
    const unsigned channels = file.getChannelCount();
    if (channels < 1 || channels > MaxChannels)
        return "its header claims " + std::to_string(channels) + " channels, not 1 to 8";
    const unsigned rate = file.getSampleRate();
    if (rate < MinSampleRate || rate > MaxSampleRate)
        return "its header claims " + std::to_string(rate) + " samples a second, not 1000 to 192000";
    return {};
}

// Why a sound of that many samples is not decoded whole, or empty when it may be.
std::string lengthProblem(std::uint64_t samples, std::uintmax_t fileBytes)
{
    if (samples > fileBytes * MaxSamplesPerFileByte)
        return "its header claims " + std::to_string(samples) + " samples, more than its " +
               std::to_string(fileBytes) + " bytes can hold";
    if (samples > MaxDecodedSamples)
        return "its " + std::to_string(samples) + " samples are too many to decode whole (stream it as .ogg)";
    return {};
}

// How a sound is loaded: a stream reads its samples as it plays, a decoded sound holds them all.
enum class Loading { Streamed, DecodedWhole };

// Refuses, from the header of the file just opened and before anything is allocated for them,
// sounds whose header would have the audio library reserve gigabytes. One line says why; when the
// header cannot be read at all, the audio library's own line has said so.
bool hasPlausibleHeader(bool opened, const sf::InputSoundFile& file, const std::string& path, Loading loading,
                        std::uintmax_t fileBytes)
{
    if (!opened)
        return false;
    std::string problem = formatProblem(file);
    if (problem.empty() && loading == Loading::DecodedWhole)
        problem = lengthProblem(file.getSampleCount(), fileBytes);
    if (problem.empty())
        return true;
    std::fprintf(stderr, "qel: cannot load sound \"%s\": %s\n", path.c_str(), problem.c_str());
    return false;
}

// Whether the audio library found a device; meaningful while one of its objects exists. Without
// a device its streams spin on failed calls and flood the error output, so nothing is loaded
// then. The library keeps the device to itself, but makes its context current in OpenAL.
bool audioDeviceOpen()
{
    return alcGetCurrentContext() != nullptr;
}

// The stream is read from the game as the sound plays.
std::optional<SoundEntry> openStream(const std::string& path)
{
    std::printf("LOAD AS STREAM ...\n");
    auto stream = std::make_unique<GameFileStream>(path);
    if (!stream->isOpen()) {
        std::fprintf(stderr, "qel: cannot load sound \"%s\": %s\n", path.c_str(), stream->why().c_str());
        return std::nullopt;
    }
    sf::InputSoundFile header;
    if (!hasPlausibleHeader(header.openFromStream(*stream), header, path, Loading::Streamed, 0))
        return std::nullopt;
    auto music = std::make_unique<sf::Music>();
    if (!audioDeviceOpen() || !music->openFromStream(*stream))
        return std::nullopt;
    music->setRelativeToListener(true);
    SoundEntry entry;
    entry.path = path;
    entry.stream = std::move(stream);
    entry.music = std::move(music);
    return entry;
}

std::optional<SoundEntry> decode(const std::string& path)
{
    const std::optional<std::vector<unsigned char>> file = GameFiles::load(path, "sound");
    if (!file)
        return std::nullopt;
    sf::InputSoundFile header;
    if (!hasPlausibleHeader(header.openFromMemory(file->data(), file->size()), header, path, Loading::DecodedWhole,
                            file->size()))
        return std::nullopt;
    auto buffer = std::make_unique<sf::SoundBuffer>();
    if (!audioDeviceOpen() || !buffer->loadFromMemory(file->data(), file->size()))
        return std::nullopt;
    SoundEntry entry;
    entry.path = path;
    entry.sound = std::make_unique<sf::Sound>(*buffer);
    entry.sound->setRelativeToListener(true);
    entry.buffer = std::move(buffer);
    return entry;
}

// Every placement is echoed on standard output, as the engine's scripts expect to see it.
void placeAt(sf::SoundSource& source, float x, float y, float z)
{
    std::printf("%f %f %f\n", x, y, z);
    source.setPosition(x, y, z);
}

} // namespace

sf::SoundSource& SoundEntry::source()
{
    if (sound)
        return *sound;
    return *music;
}

const sf::SoundSource& SoundEntry::source() const
{
    if (sound)
        return *sound;
    return *music;
}

void SoundEntry::setLoop(bool loop)
{
    if (sound)
        sound->setLoop(loop);
    else
        music->setLoop(loop);
}

bool SoundEntry::getLoop() const
{
    return sound ? sound->getLoop() : music->getLoop();
}

SoundManager::SoundManager(Hub* core) : core(core)
{
    // Only when it was moved: the audio library reports a failure when the listener is placed
    // again after its device closed, as it does for every engine a test run builds.
    if (sf::Listener::getPosition() != sf::Vector3f())
        sf::Listener::setPosition(0.f, 0.f, 0.f);
}

SoundManager::~SoundManager()
{
    unloadAll();
}

int32_t SoundManager::load(const char* path)
{
    const std::string fullPath = basePath() + path;
    const int32_t hashed = hashString(fullPath.c_str());
    if (hashed == NoSound) {
        // Stored under 0, the sound would answer for every failed load's result.
        std::fprintf(stderr, "qel: cannot load sound \"%s\": its identifier would be 0, the failure value\n",
                     fullPath.c_str());
        return NoSound;
    }
    if (const std::optional<int32_t> loaded = identifierOf(fullPath, hashed))
        return *loaded;
    std::optional<SoundEntry> entry = isStreamed(fullPath) ? openStream(fullPath) : decode(fullPath);
    if (!entry)
        return NoSound;
    const int32_t id = freeIdentifierFrom(hashed);
    if (id != hashed)
        std::fprintf(stderr, "qel: sound \"%s\" has the identifier %d of the loaded \"%s\"; it gets %d instead\n",
                     fullPath.c_str(), hashed, find(hashed)->path.c_str(), id);
    sounds.emplace(id, std::move(*entry));
    return id;
}

// Most paths are stored under their hash; only a path that found its hash taken lies elsewhere.
std::optional<int32_t> SoundManager::identifierOf(const std::string& path, int32_t hashed) const
{
    if (const SoundEntry* entry = find(hashed); entry && entry->path == path)
        return hashed;
    for (const auto& [id, entry] : sounds)
        if (entry.path == path)
            return id;
    return std::nullopt;
}

// Counts up from the hash, round from the largest identifier to the smallest, past 0.
int32_t SoundManager::freeIdentifierFrom(int32_t hashed) const
{
    int32_t id = hashed;
    while (id == NoSound || find(id))
        id = static_cast<int32_t>(static_cast<uint32_t>(id) + 1u);
    return id;
}

bool SoundManager::unload(int32_t id)
{
    return sounds.erase(id) > 0;
}

void SoundManager::unloadAll()
{
    // Erasing from the front releases the sounds in ascending identifier order.
    while (!sounds.empty())
        sounds.erase(sounds.begin());
}

template <class Change>
bool SoundManager::changeSound(int32_t id, Change change)
{
    SoundEntry* entry = find(id);
    if (!entry)
        return false;
    change(*entry);
    return true;
}

bool SoundManager::play(int32_t id)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.source().play(); });
}

bool SoundManager::pause(int32_t id)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.source().pause(); });
}

bool SoundManager::stop(int32_t id)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.source().stop(); });
}

bool SoundManager::setVolume(int32_t id, float volume)
{
    return changeSound(id, [&](SoundEntry& entry) {
        const float capped = volume > 1.f ? 1.f : volume;
        // Written so that a NaN volume ends as silence.
        const float clamped = capped > 0.f ? capped : 0.f;
        entry.source().setVolume(clamped * 100.f);
    });
}

float SoundManager::getVolume(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry ? entry->source().getVolume() : 0.f;
}

bool SoundManager::setPan(int32_t id, float pan)
{
    return changeSound(id, [&](SoundEntry& entry) { placeAt(entry.source(), pan / PanScale, 0.f, PanDepth); });
}

float SoundManager::getPan(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry ? entry->source().getPosition().x * PanScale : 0.f;
}

bool SoundManager::setPitch(int32_t id, float pitch)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.source().setPitch(pitch); });
}

float SoundManager::getPitch(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry ? entry->source().getPitch() : 0.f;
}

bool SoundManager::setLoop(int32_t id, bool loop)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.setLoop(loop); });
}

bool SoundManager::getLoop(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry && entry->getLoop();
}

bool SoundManager::set3D(int32_t id, bool on)
{
    return changeSound(id, [&](SoundEntry& entry) { entry.source().setRelativeToListener(!on); });
}

bool SoundManager::is3D(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry && !entry->source().isRelativeToListener();
}

bool SoundManager::setPosition(int32_t id, float x, float y, float z)
{
    return changeSound(id, [&](SoundEntry& entry) { placeAt(entry.source(), x, y, z); });
}

sf::Vector3f SoundManager::getPosition(int32_t id) const
{
    const SoundEntry* entry = find(id);
    return entry ? entry->source().getPosition() : sf::Vector3f();
}

SoundEntry* SoundManager::find(int32_t id)
{
    const auto found = sounds.find(id);
    return found == sounds.end() ? nullptr : &found->second;
}

const SoundEntry* SoundManager::find(int32_t id) const
{
    const auto found = sounds.find(id);
    return found == sounds.end() ? nullptr : &found->second;
}

} // namespace qel
