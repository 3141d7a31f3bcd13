#include "app/LaunchOptions.hpp"

#include "base/GameFiles.hpp"
#include "base/SaveStore.hpp"
#include "base/TextFileReader.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>

namespace qel {

namespace {

// A whole number as the C library's atoi reads one (blanks, a sign, digits; the rest is
// ignored), from lowest to highest; otherwise nothing, and why in fault. Reading it with atoi
// itself would wrap a number too large for its type round to another one without a word.
std::optional<int> numberIn(const std::string& value, int lowest, int highest, std::string& fault)
{
    const char* start = value.c_str() + std::min(value.find_first_not_of(" \t\n\v\f\r"), value.size());
    // from_chars takes a minus sign only.
    if (*start == '+' && std::isdigit(static_cast<unsigned char>(start[1])))
        ++start;
    int number = 0;
    const std::from_chars_result read = std::from_chars(start, value.c_str() + value.size(), number);
    if (read.ec == std::errc::invalid_argument) {
        fault = "not a number";
        return std::nullopt;
    }
    if (read.ec == std::errc::result_out_of_range || number < lowest || number > highest) {
        fault = "out of range (" + std::to_string(lowest) + " to " + std::to_string(highest) + ")";
        return std::nullopt;
    }
    return number;
}

constexpr int Lowest = std::numeric_limits<int>::min();
constexpr int Highest = std::numeric_limits<int>::max();

// A setting's number taken from its value; gives why not, or empty. The setting keeps its
// value when the number is refused.
std::string readNumber(int& setting, const std::string& value, int lowest = Lowest)
{
    std::string fault;
    if (const std::optional<int> number = numberIn(value, lowest, Highest, fault))
        setting = *number;
    return fault;
}

// A switch is on for any number but 0.
std::string readSwitch(bool& setting, const std::string& value)
{
    int number = setting;
    const std::string fault = readNumber(number, value);
    setting = number != 0;
    return fault;
}

// Settings of the game are named alike on the command line (after '-') and in config.dat (after
// '#'), and a recording keeps them. The author's settings are named alike too, but change
// nothing a replay shows, so a recording leaves them out. Controls of the run (recording,
// replaying, frames, captures) come from the command line only.
enum class Scope { Game, Author, Run };

struct Setting {
    const char* name;
    Scope scope;
    // What --help says of it: the kind of value it takes, and what it sets (its default).
    const char* value;
    const char* help;
    // Takes the value; gives why it cannot, or empty.
    std::string (*apply)(LaunchOptions& options, const std::string& value);
    // The value as the option would give it; only the run's controls have none.
    std::string (*show)(const LaunchOptions& options);
};

// A setting's value as a number, shown.
template <class Number>
std::string shown(Number number)
{
    return std::to_string(static_cast<int>(number));
}

// "FRAME:FILE", FRAME a whole number from 1.
std::string addCapture(LaunchOptions& options, const std::string& value)
{
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos || colon + 1 == value.size() || value.find_first_not_of("0123456789") != colon)
        return "not FRAME:FILE.png";
    int frame = 0;
    const std::string fault = readNumber(frame, value.substr(0, colon), 1);
    if (fault.empty())
        options.captures.push_back({frame, value.substr(colon + 1)});
    return fault.empty() ? "" : "FRAME " + fault;
}

// Seconds, a whole or decimal number from 0 to a day.
std::string readSeconds(double& setting, const std::string& value)
{
    const char* start = value.c_str() + std::min(value.find_first_not_of(" \t"), value.size());
    double seconds = 0;
    const std::from_chars_result read = std::from_chars(start, value.c_str() + value.size(), seconds);
    if (read.ec != std::errc() || !(seconds >= 0 && seconds <= 86400))
        return "not a number of seconds from 0 to 86400";
    setting = seconds;
    return "";
}

std::string shownSeconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// One of the words displayStyleNamed knows.
std::string readStyle(std::string& setting, const std::string& value)
{
    if (value != "default" && LaunchOptions::displayStyleNamed(value) == DisplayStyle::Default)
        return "not default, fullFill or fullFit";
    setting = value;
    return "";
}

// The speech words: 0, 1 or log.
std::string readSpeech(SpeechMode& setting, const std::string& value)
{
    if (value == "log")
        setting = SpeechMode::Log;
    else if (value == "0" || value == "1")
        setting = value == "1" ? SpeechMode::Sound : SpeechMode::Off;
    else
        return "not 0, 1 or log";
    return "";
}

std::string shownSpeech(SpeechMode mode)
{
    return mode == SpeechMode::Log ? "log" : shown(mode == SpeechMode::Sound);
}

// A text setting takes any value.
std::string readText(std::string& setting, const std::string& value)
{
    setting = value;
    return "";
}

const Setting Settings[] = {
    {"script", Scope::Game, "NAME", "runs scripts/NAME.lua (config.dat's, else main)",
     [](LaunchOptions& options, const std::string& value) { return readText(options.scriptName, value); },
     [](const LaunchOptions& options) { return options.scriptName; }},
    {"wallpaper", Scope::Game, "N", "the picture data/wallpapers/N.png (18)",
     [](LaunchOptions& options, const std::string& value) { return readNumber(options.wallpaperIndex, value); },
     [](const LaunchOptions& options) { return shown(options.wallpaperIndex); }},
    {"width", Scope::Game, "PIXELS", "window width (1280)",
     [](LaunchOptions& options, const std::string& value) { return readNumber(options.width, value); },
     [](const LaunchOptions& options) { return shown(options.width); }},
    {"height", Scope::Game, "PIXELS", "window height (720)",
     [](LaunchOptions& options, const std::string& value) { return readNumber(options.height, value); },
     [](const LaunchOptions& options) { return shown(options.height); }},
    {"fullscreen", Scope::Game, "0|1", "non-zero for fullscreen (0)",
     [](LaunchOptions& options, const std::string& value) { return readSwitch(options.fullscreen, value); },
     [](const LaunchOptions& options) { return shown(options.fullscreen); }},
    {"style", Scope::Game, "STYLE", "default, fullFill (stretched) or fullFit (centred 4:3) (default)",
     [](LaunchOptions& options, const std::string& value) { return readStyle(options.style, value); },
     [](const LaunchOptions& options) { return options.style; }},
    {"errorpanel", Scope::Game, "0|1", "0 shows script errors on standard error only (1)",
     [](LaunchOptions& options, const std::string& value) { return readSwitch(options.errorPanel, value); },
     [](const LaunchOptions& options) { return shown(options.errorPanel); }},
    {"scriptlimit", Scope::Game, "SECONDS", "stops a script call running longer; 0: no limit (5)",
     [](LaunchOptions& options, const std::string& value) { return readSeconds(options.scriptLimit, value); },
     [](const LaunchOptions& options) { return shownSeconds(options.scriptLimit); }},
    {"scriptmemory", Scope::Game, "MB", "the most memory the scripts may hold (1024)",
     [](LaunchOptions& options, const std::string& value) { return readNumber(options.scriptMemory, value, 1); },
     [](const LaunchOptions& options) { return shown(options.scriptMemory); }},
    {"identity", Scope::Game, "NAME", "keeps saved data in the folder NAME (the game folder's name)",
     [](LaunchOptions& options, const std::string& value) { return readText(options.identity, value); },
     [](const LaunchOptions& options) { return options.identity; }},
    {"watch", Scope::Author, "0|1", "1 reloads the scripts when a file under scripts/ changes (0)",
     [](LaunchOptions& options, const std::string& value) { return readSwitch(options.watch, value); },
     [](const LaunchOptions& options) { return shown(options.watch); }},
    {"speech", Scope::Author, "0|1|log", "1 speaks the game's text; log writes it on standard output (0)",
     [](LaunchOptions& options, const std::string& value) { return readSpeech(options.speech, value); },
     [](const LaunchOptions& options) { return shownSpeech(options.speech); }},
    {"savedir", Scope::Run, "DIR", "keeps saved data in DIR (the user's data folder, qel/saves/GAME)",
     [](LaunchOptions& options, const std::string& value) { return readText(options.saveDir, value); },
     nullptr},
    {"record", Scope::Run, "FILE", "writes the keys of this play, frame by frame, to FILE",
     [](LaunchOptions& options, const std::string& value) { return readText(options.recordPath, value); },
     nullptr},
    {"replay", Scope::Run, "FILE", "plays the recording FILE again, at full speed",
     [](LaunchOptions& options, const std::string& value) { return readText(options.replayPath, value); },
     nullptr},
    {"frames", Scope::Run, "N", "ends the run after frame N (a replay: after its last frame)",
     [](LaunchOptions& options, const std::string& value) { return readNumber(options.lastFrame, value, 1); },
     nullptr},
    {"capture", Scope::Run, "N:FILE.png", "saves the window's picture after frame N (repeatable)",
     addCapture, nullptr},
};

// Takes the value of the setting, named as given (-width, #width); says a value it cannot take.
// A game setting keeps its value then, with a warning; a run control cannot be kept otherwise
// than asked, so it is an error, and false.
bool apply(const Setting& setting, const std::string& givenName, LaunchOptions& options, const std::string& value)
{
    const std::string fault = setting.apply(options, value);
    if (fault.empty())
        return true;
    if (setting.scope == Scope::Run) {
        std::fprintf(stderr, "qel: %s \"%s\": %s\n", givenName.c_str(), value.c_str(), fault.c_str());
        return false;
    }
    std::fprintf(stderr, "qel: %s \"%s\": %s; it stays %s\n", givenName.c_str(), value.c_str(), fault.c_str(),
                 setting.show(options).c_str());
    return true;
}

// Says that the setting, named as given, has no value to take. A game setting keeps its value;
// a run control cannot be kept otherwise than asked, so it is an error, and false.
bool refuseMissingValue(const Setting& setting, const std::string& givenName, const LaunchOptions& options)
{
    if (setting.scope == Scope::Run) {
        std::fprintf(stderr, "qel: %s: no value after it (-%s %s)\n", givenName.c_str(), setting.name, setting.value);
        return false;
    }
    const std::string kept = setting.show(options);
    std::fprintf(stderr, "qel: %s: no value after it; it stays %s\n", givenName.c_str(),
                 kept.empty() ? "empty" : kept.c_str());
    return true;
}

const char* const HelpOption = "--help";
const char* const NewGameOption = "--new";
const char* const PackOption = "--pack";

// The setting when text is prefix + a known option name, else null; config.dat knows only the
// game's and the author's settings.
const Setting* findSetting(const std::string& text, char prefix)
{
    if (text.empty() || text[0] != prefix)
        return nullptr;
    for (const Setting& setting : Settings)
        if (text.compare(1, std::string::npos, setting.name) == 0 && (prefix == '-' || setting.scope != Scope::Run))
            return &setting;
    return nullptr;
}

// Whether argument i (after the program's name) follows an option, which takes it as its value.
bool isOptionValue(int i, const char* const* argv)
{
    return i > 1 && findSetting(argv[i - 1], '-');
}

// A word starting with '-' that names no option and is no option's value.
bool isUnknownOption(int i, const char* const* argv)
{
    const std::string argument = argv[i];
    return i > 0 && argument[0] == '-' && !findSetting(argument, '-') &&
           argument != HelpOption && !isOptionValue(i, argv);
}

// Every argument is printed and compared, values included; an option with no value after it
// is said and ignored, and an unknown one is said and skipped. False when a run control is refused.
bool readCommandLine(LaunchOptions& options, int argc, const char* const* argv)
{
    bool taken = true;
    for (int i = 0; i < argc; ++i) {
        std::printf("arg[%d] = %s\n", i, argv[i]);
        if (isUnknownOption(i, argv))
            std::fprintf(stderr, "qel: unknown option %s (qel --help lists them)\n", argv[i]);
        const Setting* setting = findSetting(argv[i], '-');
        if (setting && i + 1 < argc)
            taken = apply(*setting, argv[i], options, argv[i + 1]) && taken;
        else if (setting)
            taken = refuseMissingValue(*setting, argv[i], options) && taken;
    }
    return taken;
}

// A game folder needs no config.dat when its launch script has the usual name.
void takeUsualLaunchScript(LaunchOptions& options, const std::string& basePath)
{
    if (GameFiles::whyNoFile(basePath + "scripts/main.lua").empty())
        options.scriptName = "main";
}

// A config.dat of every setting takes some hundred bytes; these limits keep one read whole
// within a few MB.
constexpr TextFileReader::Limits ConfigLimits{64 << 10, 4096};

// The lines of config.dat, or none when it is missing (without a word) or refused (said in one
// line). A line's text ends at its first NUL byte, as the printed line does, so that a NUL
// hides the rest of the line from the key comparison and from the value alike.
std::vector<std::string> configLines(const std::string& path)
{
    if (!GameFiles::exists(path))
        return {};
    std::string fault;
    const std::optional<std::vector<unsigned char>> bytes = GameFiles::read(path, fault, ConfigLimits.fileBytes);
    std::vector<std::string> lines;
    if (bytes) {
        TextFileReader reader(std::make_unique<std::istringstream>(std::string(bytes->begin(), bytes->end())),
                              ConfigLimits);
        for (std::string line; reader.nextLine(line);)
            lines.push_back(line.substr(0, std::strlen(line.c_str())));
        fault = reader.fault();
    }
    if (fault.empty())
        return lines;
    std::fprintf(stderr, "qel: cannot load settings \"%s\": %s\n", path.c_str(), fault.c_str());
    return {};
}

// A line starting with '#' that names no setting of config.dat: a misspelt key, or a run control,
// which only the command line takes.
void warnUnknownKey(const std::string& line)
{
    if (findSetting("-" + line.substr(1), '-'))
        std::fprintf(stderr, "qel: %s is not read from config.dat: only the command line takes -%s\n",
                     line.c_str(), line.c_str() + 1);
    else
        std::fprintf(stderr, "qel: unknown setting %s in config.dat (qel --help lists them)\n", line.c_str());
}

// Key lines are printed; each value line is taken as it stands. A key on the last line, with no
// value line, is said and ignored.
void readConfigFile(LaunchOptions& options, const std::string& path)
{
    const std::vector<std::string> lines = configLines(path);
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        std::printf("line = %s\n", line->c_str());
        const Setting* setting = findSetting(*line, '#');
        if (!setting) {
            if (line->rfind('#', 0) == 0)
                warnUnknownKey(*line);
        } else if (line + 1 == lines.end()) {
            refuseMissingValue(*setting, *line, options);
        } else {
            const std::string& key = *line++;
            apply(*setting, key, options, *line);
        }
    }
}

} // namespace

LaunchOptions::Parsed LaunchOptions::parse(int argc, const char* const* argv, const std::string& basePath,
                                           LaunchOptions options)
{
    if (!readCommandLine(options, argc, argv))
        return {std::nullopt, 1};
    if (options.scriptName.empty()) {
        readConfigFile(options, basePath + "config.dat");
        if (options.scriptName.empty())
            takeUsualLaunchScript(options, basePath);
        if (options.scriptName.empty()) {
            std::printf("Error 1000: Missing launch script\n");
            return {std::nullopt, MissingScriptStatus};
        }
    }
    std::printf("scriptName = %s\n", options.scriptName.c_str());
    std::printf("wallpaperIndex = %d\n", options.wallpaperIndex);
    return {options, 0};
}

LaunchOptions::Parsed LaunchOptions::parse(int argc, const char* const* argv, const std::string& basePath)
{
    return parse(argc, argv, basePath, LaunchOptions());
}

std::vector<std::pair<std::string, std::string>> LaunchOptions::gameSettings() const
{
    std::vector<std::pair<std::string, std::string>> settings;
    for (const Setting& setting : Settings)
        if (setting.scope == Scope::Game)
            settings.emplace_back(setting.name, setting.show(*this));
    return settings;
}

bool LaunchOptions::applyGameSetting(const std::string& name, const std::string& value)
{
    const Setting* setting = findSetting("#" + name, '#');
    if (setting)
        apply(*setting, "setting " + name, *this, value);
    return setting;
}

void LaunchOptions::resolveRunPaths(const std::filesystem::path& launchFolder)
{
    const auto resolve = [&](std::string& path) {
        if (!path.empty())
            path = (launchFolder / path).string();
    };
    resolve(recordPath);
    resolve(replayPath);
    resolve(saveDir);
    for (Capture& capture : captures)
        resolve(capture.path);
}

// An identity that is no plain name could reach outside the user's save folders: the game's own
// name stands in for it, the game folder's or the archive's without its ending.
std::filesystem::path LaunchOptions::saveFolder() const
{
    if (!saveDir.empty())
        return saveDir;
    if (SaveStore::isName(identity))
        return SaveStore::userFolder(identity);
    if (!identity.empty())
        std::fprintf(stderr, "qel: the identity \"%s\" is not a plain name (letters, digits, '-', '_', '.'); the game's"
                             " name is used\n", identity.c_str());
    std::error_code error;
    const std::string gameName = GameFiles::archive().empty()
                                     ? std::filesystem::current_path(error).filename().string()
                                     : std::filesystem::path(GameFiles::archive()).stem().string();
    return SaveStore::userFolder(gameName.empty() ? "unnamed" : gameName);
}

std::string LaunchOptions::valueIn(int argc, const char* const* argv, const std::string& option)
{
    std::string value;
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == "-" + option && !isOptionValue(i, argv))
            value = argv[i + 1];
    return value;
}

std::string LaunchOptions::gameFolderIn(int argc, const char* const* argv)
{
    std::string folder;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-' && argv[i][0] != '\0' && !isOptionValue(i, argv))
            folder = argv[i];
    return folder;
}

bool LaunchOptions::asksForHelp(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] == std::string(HelpOption) && !isOptionValue(i, argv))
            return true;
    return false;
}

std::optional<std::string> LaunchOptions::newGameFolderIn(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] == std::string(NewGameOption) && !isOptionValue(i, argv))
            return i + 1 < argc ? argv[i + 1] : "";
    return std::nullopt;
}

std::optional<LaunchOptions::PackRequest> LaunchOptions::packRequestIn(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != std::string(PackOption) || isOptionValue(i, argv))
            continue;
        PackRequest request;
        if (i + 1 < argc)
            request.folder = argv[i + 1];
        if (i + 2 < argc)
            request.archive = argv[i + 2];
        return request;
    }
    return std::nullopt;
}

std::string LaunchOptions::help()
{
    std::string text = "usage: qel [options] [GAME]\n"
                       "Runs the game in GAME, a game folder or a game archive (default: the working directory).\n";
    char line[160];
    for (const Setting& setting : Settings) {
        const std::string option = std::string("-") + setting.name + " " + setting.value;
        std::snprintf(line, sizeof line, "  %-20s %s\n", option.c_str(), setting.help);
        text += line;
    }
    std::snprintf(line, sizeof line, "  %-20s %s\n", "--new DIR", "makes a new game folder DIR to start from, and exits");
    text += line;
    std::snprintf(line, sizeof line, "  %-20s %s\n", "--pack DIR [OUT]",
                  "packs the game folder DIR into the game archive OUT (DIR.qel), and exits");
    text += line;
    std::snprintf(line, sizeof line, "  %-20s %s\n", HelpOption, "prints this and exits");
    return text + line;
}

DisplayStyle LaunchOptions::displayStyleNamed(const std::string& word)
{
    if (word == "fullFill" || word == "fullfill" || word == "full-fill" || word == "full_fill")
        return DisplayStyle::FullFill;
    if (word == "fullFit" || word == "fullfit" || word == "full-fit" || word == "full_fit")
        return DisplayStyle::FullFit;
    return DisplayStyle::Default;
}

} // namespace qel
