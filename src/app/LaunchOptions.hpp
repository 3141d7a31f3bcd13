#pragma once

#include "display/DisplayModes.hpp"
#include "sound/Speech.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // How long one call into the scripts may run, in seconds (0: without end), and how many
    // megabytes the interpreter may hold.
    double scriptLimit = 5;
    int scriptMemory = 1024;
    // The name of the game's folder of saved data; empty: the game folder's name.
    std::string identity;
    // Whether the scripts are reloaded when a file under scripts/ changes.
    bool watch = false;
    // Whether what the game says is heard, written on standard output, or neither.
    SpeechMode speech = SpeechMode::Off;

    // How the run is driven, from the command line only.
    struct Capture {
        int frame;
        std::string path;
    };
    std::string recordPath;
    std::string replayPath;
    // Where saved data is kept instead of the user's data folder.
    std::string saveDir;
    // The run ends after this frame; 0 sets no end.
    int lastFrame = 0;
    std::vector<Capture> captures;

    // The options parse read, or nothing and the status the process ends with.
    struct Parsed;
    static constexpr int MissingScriptStatus = 1000;

    // Prints the diagnostic lines on the way; a value a game setting cannot take is said, and
    // the setting keeps its value. The command line changes the given options (a replay's
    // recorded ones, say). Gives nothing (after printing the error line) when no launch script
    // is named anywhere, or with status 1 when a run control (-frames, -capture) is refused:
    // a run that could not end or capture as asked would run on, or come out without pictures.
    static Parsed parse(int argc, const char* const* argv, const std::string& basePath, LaunchOptions options);
    static Parsed parse(int argc, const char* const* argv, const std::string& basePath);

    // The game's settings as option names and values, as a recording keeps them.
    std::vector<std::pair<std::string, std::string>> gameSettings() const;
    // Takes one of the game's settings (a value it cannot take is said); false for a name that is none.
    bool applyGameSetting(const std::string& name, const std::string& value);
    // The run's files are named from the folder the program was started in, which a game
    // folder on the command line leaves before they are opened.
    void resolveRunPaths(const std::filesystem::path& launchFolder);
    // The folder of the game's saved data; the working directory is the game folder.
    std::filesystem::path saveFolder() const;
    // The value the command line gives the option (the last, if given more than once), or empty.
    static std::string valueIn(int argc, const char* const* argv, const std::string& option);

    // The game (a folder or an archive) the command line names: the last argument that is
    // neither an option nor an option's value (the last, so that a wrapper can name a default
    // folder before the player's arguments). Empty when it names none.
    static std::string gameFolderIn(int argc, const char* const* argv);
    static bool asksForHelp(int argc, const char* const* argv);
    // The folder --new asks to make (empty when nothing follows it), or nothing without --new.
    static std::optional<std::string> newGameFolderIn(int argc, const char* const* argv);
    // The folder --pack asks to pack and the archive to write (each empty when not given), or
    // nothing without --pack.
    struct PackRequest {
        std::string folder;
        std::string archive;
    };
    static std::optional<PackRequest> packRequestIn(int argc, const char* const* argv);
    // The options, one line each, for --help.
    static std::string help();

    // The style a -style word names; an unknown word means the default one.
    static DisplayStyle displayStyleNamed(const std::string& word);
};

struct LaunchOptions::Parsed {
    std::optional<LaunchOptions> options;
    int failureStatus;
};

} // namespace qel
