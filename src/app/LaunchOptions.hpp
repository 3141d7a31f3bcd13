#pragma once

#include "display/DisplayModes.hpp"

#include <optional>
#include <string>

namespace qel {

// The settings a game starts with: from the command line, or from config.dat when the command
// line names no launch script, or scripts/main.lua when neither does.
struct LaunchOptions {
    std::string scriptName;
    std::string style = "default";
    int wallpaperIndex = 18;
    int width = 1280;
    int height = 720;
    bool fullscreen = false;
    // Whether script errors are shown in the window too; a released game may switch it off.
    bool errorPanel = true;

    // Prints the diagnostic lines on the way. Gives nothing (after printing the error line) when
    // no launch script is named anywhere.
    static std::optional<LaunchOptions> parse(int argc, const char* const* argv,
                                              const std::string& basePath);

    // The game folder the command line names: the last argument that is neither an option nor
    // an option's value (the last, so that a wrapper can name a default folder before the
    // player's arguments). Empty when it names none.
    static std::string gameFolderIn(int argc, const char* const* argv);
    static bool asksForHelp(int argc, const char* const* argv);
    // The options, one line each, for --help.
    static std::string help();

    // The style a -style word names; an unknown word means the default one.
    static DisplayStyle displayStyleNamed(const std::string& word);
};

} // namespace qel
