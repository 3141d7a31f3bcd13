#pragma once

#include "sound/GameFileStream.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/System/Vector3.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace qel {

class Hub;

// One loaded sound: decoded whole (buffer and sound) or streamed from its file (music). Exactly
// one of sound and music is set.
struct SoundEntry {
    // The path it was loaded from: loading it again finds the sound, and a path whose hash is taken
    // is told whose it is.
    std::string path;
    // Declared before the sound so that it outlives the sound that plays from it.
    std::unique_ptr<sf::SoundBuffer> buffer;
    std::unique_ptr<sf::Sound> sound;
    // Declared before the music that reads from it while it plays.
    std::unique_ptr<GameFileStream> stream;
    std::unique_ptr<sf::Music> music;

    // Volume, pitch, position and placement live here, whichever kind the entry is.
    sf::SoundSource& source();
    const sf::SoundSource& source() const;
    // Looping is not part of the common base of the two kinds.
    void setLoop(bool loop);
    bool getLoop() const;
};

// The store of loaded sounds, named by the hash of their paths so that a script can compute an
// identifier from a path. A path whose hash names another path's sound gets the next free
// identifier instead. Every operation on an identifier with no sound does nothing and gives
// false, 0 or the origin.
class SoundManager {
public:
    // Identifier that names no sound: the result of a failed load.
    static constexpr int32_t NoSound = 0;

    explicit SoundManager(Hub* core);
    ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    // Paths ending in ".ogg" or ".OGG" are streamed, all others decoded whole. A path already
    // loaded is not opened again and keeps its identifier; a path whose hash is taken is said.
    int32_t load(const char* path);
    bool unload(int32_t id);
    // Releases every sound, in ascending identifier order.
    void unloadAll();

    bool play(int32_t id);
    bool pause(int32_t id);
    bool stop(int32_t id);

    // Takes 0 to 1 (clamped); getVolume reports the 0 to 100 scale of the audio library.
    bool setVolume(int32_t id, float volume);
    float getVolume(int32_t id) const;
    // Pan places the sound left or right of the listener: x is pan / 8, unclamped.
    bool setPan(int32_t id, float pan);
    float getPan(int32_t id) const;
    bool setPitch(int32_t id, float pitch);
    float getPitch(int32_t id) const;
    bool setLoop(int32_t id, bool loop);
    bool getLoop(int32_t id) const;
    // A 3D sound has its position in world coordinates; others are placed relative to the listener.
    bool set3D(int32_t id, bool on);
    bool is3D(int32_t id) const;
    bool setPosition(int32_t id, float x, float y, float z);
    sf::Vector3f getPosition(int32_t id) const;

private:
    // Runs change(entry) on the sound with the identifier; false when there is none.
    template <class Change>
    bool changeSound(int32_t id, Change change);
    // The identifier of the path's sound, when it is loaded.
    std::optional<int32_t> identifierOf(const std::string& path, int32_t hashed) const;
    // The first identifier from hashed on that names no sound and is not the failure value.
    int32_t freeIdentifierFrom(int32_t hashed) const;
    SoundEntry* find(int32_t id);
    const SoundEntry* find(int32_t id) const;

    Hub* core;
    std::map<int32_t, SoundEntry> sounds;
};

} // namespace qel
