#include "base/GameFile.hpp"

#include <physfs.h>

#include <sys/stat.h>

namespace qel {

GameFile::GameFile(std::FILE* file) : file(file)
{
    struct stat status {};
    if (fstat(fileno(file), &status) == 0)
        bytes = status.st_size;
}

GameFile::GameFile(PHYSFS_File* member, std::int64_t bytes) : member(member), bytes(bytes)
{
}

GameFile::~GameFile()
{
    if (file)
        std::fclose(file);
    if (member)
        PHYSFS_close(member);
}

std::int64_t GameFile::read(void* into, std::int64_t count)
{
    if (count <= 0)
        return 0;
    if (member)
        return PHYSFS_readBytes(member, into, static_cast<PHYSFS_uint64>(count));
    const std::size_t read = std::fread(into, 1, static_cast<std::size_t>(count), file);
    return read == 0 && std::ferror(file) ? -1 : static_cast<std::int64_t>(read);
}

bool GameFile::seek(std::int64_t position)
{
    if (position < 0)
        return false;
    if (member)
        return PHYSFS_seek(member, static_cast<PHYSFS_uint64>(position)) != 0;
    return fseeko(file, position, SEEK_SET) == 0;
}

std::int64_t GameFile::tell()
{
    return member ? PHYSFS_tell(member) : ftello(file);
}

} // namespace qel
