#pragma once

#include <string>

namespace qel {

// Makes a game folder to start from: a small, commented scripts/main.lua that answers every
// callback, and a config.dat that names it and reloads it on every save. The font, monitor and
// wallpapers come from the engine, so the folder holds nothing else.
class NewGame {
public:
    // Makes the folder (and its parents) and says in one line how to run it; status 0. A folder
    // that exists and is not empty is left alone, and so is every other failure: said in one line
    // on standard error, status 1.
    static int make(const std::string& folder);
};

} // namespace qel
