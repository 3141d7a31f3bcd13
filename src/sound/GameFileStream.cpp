#include "sound/GameFileStream.hpp"

#include "base/GameFiles.hpp"

namespace qel {

GameFileStream::GameFileStream(const std::string& path) : file(GameFiles::open(path, error))
{
}

sf::Int64 GameFileStream::read(void* data, sf::Int64 size)
{
    return file ? file->read(data, size) : -1;
}

sf::Int64 GameFileStream::seek(sf::Int64 position)
{
    return file && file->seek(position) ? position : -1;
}

sf::Int64 GameFileStream::tell()
{
    return file ? file->tell() : -1;
}

sf::Int64 GameFileStream::getSize()
{
    return file ? file->size() : -1;
}

} // namespace qel
