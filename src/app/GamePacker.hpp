#pragma once

#include <string>

namespace qel {

// Packs a game folder into one game archive, a zip file that `qel ARCHIVE` runs as it runs the
// folder: every file of the folder under its path inside it, but for what belongs to the author
// or the player rather than the game: names starting with '.', recordings (*.rec), folders named
// saves or screenshots, and the tests folder at the top. The archive is the same, byte for byte, for the same files: its
// members are in the order of their names, with one fixed time and mode.
class GamePacker {
public:
    // Writes the archive (by default the folder's name and ".qel", beside the folder) and says in
    // one line where, how many files and how many bytes; status 0. A folder without the launch
    // script it names (config.dat's #script, else main), a file or a whole too large for an
    // archive, and every other failure are said in one line on standard error, status 1.
    static int pack(const std::string& folder, const std::string& archive);
};

} // namespace qel
