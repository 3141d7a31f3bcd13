#include "app/LaunchOptions.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace qel {

namespace {

// Applies one option or config.dat key (without its leading '-' or '#') to the options;
// false when the name is not an option.
bool applySetting(LaunchOptions& options, const std::string& name, const std::string& value)
{
    if (name == "script")
        options.scriptName = value;
    else if (name == "wallpaper")
        options.wallpaperIndex = std::atoi(value.c_str());
    else if (name == "width")
        options.width = std::atoi(value.c_str());
    else if (name == "height")
        options.height = std::atoi(value.c_str());
    else if (name == "fullscreen")
        options.fullscreen = std::atoi(value.c_str()) != 0;
    else if (name == "style")
        options.style = value;
    else
        return false;
    return true;
}

// A setting name when text is prefix + a known option name, else empty.
std::string settingName(const std::string& text, char prefix)
{
    static const char* const names[] = {"script", "wallpaper", "width", "height", "fullscreen", "style"};
    if (text.empty() || text[0] != prefix)
        return {};
    for (const char* name : names)
        if (text.compare(1, std::string::npos, name) == 0)
            return name;
    return {};
}

// Every argument is printed and compared, values included; an option with no value after it
// is ignored.
void readCommandLine(LaunchOptions& options, int argc, const char* const* argv)
{
    for (int i = 0; i < argc; ++i) {
        std::printf("arg[%d] = %s\n", i, argv[i]);
        const std::string name = settingName(argv[i], '-');
        if (!name.empty() && i + 1 < argc)
            applySetting(options, name, argv[i + 1]);
    }
}

// A line ends at a line feed; a carriage return before it belongs to the line end.
bool readLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// Key lines are printed; each value line is taken as it stands. A key on the last line,
// with no value line, is ignored.
void readConfigFile(LaunchOptions& options, const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    while (readLine(in, line)) {
        std::printf("line = %s\n", line.c_str());
        const std::string name = settingName(line, '#');
        std::string value;
        if (!name.empty() && readLine(in, value))
            applySetting(options, name, value);
    }
}

} // namespace

std::optional<LaunchOptions> LaunchOptions::parse(int argc, const char* const* argv,
                                                  const std::string& basePath)
{
    LaunchOptions options;
    readCommandLine(options, argc, argv);
    if (options.scriptName.empty()) {
        readConfigFile(options, basePath + "config.dat");
        if (options.scriptName.empty()) {
            std::printf("Error 1000: Missing launch script\n");
            return std::nullopt;
        }
    }
    std::printf("scriptName = %s\n", options.scriptName.c_str());
    std::printf("wallpaperIndex = %d\n", options.wallpaperIndex);
    return options;
}

int LaunchOptions::styleNumber(const std::string& word)
{
    if (word == "fullFill" || word == "fullfill" || word == "full-fill" || word == "full_fill")
        return 1;
    if (word == "fullFit" || word == "fullfit" || word == "full-fit" || word == "full_fit")
        return 2;
    return 0;
}

} // namespace qel
