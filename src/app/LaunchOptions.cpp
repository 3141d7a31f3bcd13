#include "app/LaunchOptions.hpp"

#include "base/DataFile.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// Longer than any setting needs; the rest of a longer line is skipped, so that a file of one
// endless line cannot fill the memory.
constexpr std::size_t MaxLineLength = 4096;

// The lines of config.dat. A line ends at a line feed; a carriage return before it belongs to
// the line end. Its text ends at its first NUL byte, as the printed line does, so that a NUL
// hides the rest of the line from the key comparison and from the value alike.
class ConfigLines {
public:
    // A missing file reads as an empty one, without a word; a folder or a pipe, which would fail
    // or block, is refused with one line.
    explicit ConfigLines(const std::string& path) : path(path)
    {
        std::error_code error;
        if (std::filesystem::exists(path, error) && isDataFile(path, "settings"))
            in.open(path);
    }

    bool next(std::string& line)
    {
        line.clear();
        std::streambuf& bytes = *in.rdbuf();
        int byte = bytes.sbumpc();
        if (byte == std::char_traits<char>::eof())
            return false;
        ++number;
        bool cut = false;
        for (; byte != std::char_traits<char>::eof() && byte != '\n'; byte = bytes.sbumpc()) {
            if (line.size() < MaxLineLength)
                line.push_back(static_cast<char>(byte));
            else
                cut = true;
        }
        if (cut)
            reportCut();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line.resize(std::strlen(line.c_str()));
        return true;
    }

private:
    // Only the first: one line of output for the whole file.
    void reportCut()
    {
        if (!cutReported)
            std::fprintf(stderr, "qel: line %d of \"%s\" is longer than %zu bytes; the rest of it is skipped\n",
                         number, path.c_str(), MaxLineLength);
        cutReported = true;
    }

    std::string path;
    std::ifstream in;
    int number = 0;
    bool cutReported = false;
};

// Key lines are printed; each value line is taken as it stands. A key on the last line,
// with no value line, is ignored.
void readConfigFile(LaunchOptions& options, const std::string& path)
{
    ConfigLines lines(path);
    std::string line, value;
    while (lines.next(line)) {
        std::printf("line = %s\n", line.c_str());
        const std::string name = settingName(line, '#');
        if (!name.empty() && lines.next(value))
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

DisplayStyle LaunchOptions::displayStyleNamed(const std::string& word)
{
    if (word == "fullFill" || word == "fullfill" || word == "full-fill" || word == "full_fill")
        return DisplayStyle::FullFill;
    if (word == "fullFit" || word == "fullfit" || word == "full-fit" || word == "full_fit")
        return DisplayStyle::FullFit;
    return DisplayStyle::Default;
}

} // namespace qel
