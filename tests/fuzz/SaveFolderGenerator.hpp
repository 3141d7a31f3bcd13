#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qel::fuzz {

// The names a hostile save folder holds damaged in every run, whatever the seed: loading any
// of them must give nil and a message. A script that loads them first fails the run with a
// line holding SaveFault when one does not.
constexpr const char* DamagedSaveNames[] = {"junk",  "source",    "cut",    "long-string", "long-table",
                                            "deep",  "twice",     "oversized", "folder",   "pipe",
                                            "zero",  "outside",   "overlong"};
// The names that may hold a good value: one as saved, one mutated.
constexpr const char* OtherSaveNames[] = {"good", "mutated"};
constexpr const char* SaveFault = "SAVEFAULT";
// A good value that the script removes once it has checked the damaged names.
constexpr const char* UncheckedSaveName = "unchecked";

// One entry of the folder.
struct PlantedSave {
    enum class Form {
        // The contents below as a file.
        Contents,
        // A file of this many bytes, the contents first and zeros after, that takes no disc space.
        Sparse,
        Folder,
        // A named pipe nobody writes to.
        Pipe,
        // A symbolic link to the target below.
        Link,
    };
    std::string name;
    Form form = Form::Contents;
    std::string contents;
    uint64_t sparseSize = 0;
    std::string target;
};

// The hostile save folder of one seed: the engine's own saved values, mutated and cut, junk,
// Lua source, counts that promise more than the file holds, nesting far past the limit, a file
// past the size limit, no regular files, links out of the folder, temporary files of killed
// writes, and now and then files that take the game's data up to its limit.
std::vector<PlantedSave> generateSaveFolder(uint64_t seed);

// Makes the entries in the folder, which is made first; false when the machine would not.
bool plantSaveFolder(const std::vector<PlantedSave>& entries, const std::filesystem::path& folder);

} // namespace qel::fuzz
