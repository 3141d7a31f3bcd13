#include "app/LaunchOptions.hpp"

#include "base/DataFile.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qel {

namespace {

// The number a value starts with; 0 when it starts with none.
int numberIn(const std::string& value)
{
    return std::atoi(value.c_str());
}

// One option, named alike on the command line (after '-') and in config.dat (after '#').
struct Setting {
    const char* name;
    void (*apply)(LaunchOptions& options, const std::string& value);
};

const Setting Settings[] = {
    {"script", [](LaunchOptions& options, const std::string& value) { options.scriptName = value; }},
    {"wallpaper",
     [](LaunchOptions& options, const std::string& value) { options.wallpaperIndex = numberIn(value); }},
    {"width", [](LaunchOptions& options, const std::string& value) { options.width = numberIn(value); }},
    {"height", [](LaunchOptions& options, const std::string& value) { options.height = numberIn(value); }},
    {"fullscreen",
     [](LaunchOptions& options, const std::string& value) { options.fullscreen = numberIn(value) != 0; }},
    {"style", [](LaunchOptions& options, const std::string& value) { options.style = value; }},
    {"errorpanel",
     [](LaunchOptions& options, const std::string& value) { options.errorPanel = numberIn(value) != 0; }},
};

// The setting when text is prefix + a known option name, else null.
const Setting* findSetting(const std::string& text, char prefix)
{
    if (text.empty() || text[0] != prefix)
        return nullptr;
    for (const Setting& setting : Settings)
        if (text.compare(1, std::string::npos, setting.name) == 0)
            return &setting;
    return nullptr;
}

// Every argument is printed and compared, values included; an option with no value after it
// is ignored.
void readCommandLine(LaunchOptions& options, int argc, const char* const* argv)
{
    for (int i = 0; i < argc; ++i) {
        std::printf("arg[%d] = %s\n", i, argv[i]);
        const Setting* setting = findSetting(argv[i], '-');
        if (setting && i + 1 < argc)
            setting->apply(options, argv[i + 1]);
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
        const Setting* setting = findSetting(line, '#');
        if (setting && lines.next(value))
            setting->apply(options, value);
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
