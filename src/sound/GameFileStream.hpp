#pragma once

#include "base/GameFile.hpp"

#include <SFML/System/InputStream.hpp>

#include <memory>
#include <string>

namespace qel {

// A file of the game as the audio library reads a stream: a streamed sound reads its file this
// way while it plays, on the library's own thread, from the game folder or the game archive alike.
class GameFileStream : public sf::InputStream {
public:
    // Opens the file; when it cannot be read, the stream is not open and why() says why.
    explicit GameFileStream(const std::string& path);

    bool isOpen() const { return file != nullptr; }
    const std::string& why() const { return error; }

    sf::Int64 read(void* data, sf::Int64 size) override;
    sf::Int64 seek(sf::Int64 position) override;
    sf::Int64 tell() override;
    sf::Int64 getSize() override;

private:
    // Made before the file, whose opening says why it failed into it.
    std::string error;
    std::unique_ptr<GameFile> file;
};

} // namespace qel
