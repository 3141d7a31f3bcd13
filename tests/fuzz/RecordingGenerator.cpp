#include "fuzz/RecordingGenerator.hpp"

#include "fuzz/Random.hpp"

#include <cctype>
#include <sstream>
#include <vector>

namespace qel::fuzz {

namespace {

// Lines a recording may hold, some right, most wrong.
const char* const HostileLines[] = {"qel-recording 1", "qel-recording 2", "seed", "seed -1", "seed 99999999999999999999",
    "seed 4294967299", "setting", "setting script", "setting script nothing", "setting width 99999999999",
    "setting height -5", "setting fullscreen 1", "setting style fullFit", "setting wallpaper 99999999999",
    "setting errorpanel 0", "setting nonsense 1", "1 press", "1 press NoSuchKey", "1 press 999", "1 press -2",
    "1 press A alt control shift system", "1 press A hyper", "1 press Q shift repeat", "1 press A repeat alt repeat",
    "1 release A repeat", "1 repeat A", "1 text 63", "1 text 62", "1 text 233", "1 text 127", "1 text", "1 text 1114112", "1 text 4294967296",
    "1 text -1", "1 text 0", "1 text 55296", "1 down Return", "1 up 2147483647", "1 end now", "1 jump",
    "1 mouse press 3 4 Left", "1 mouse release 79 24 XButton2", "1 mouse move 0 0", "1 mouse move none",
    "1 mouse wheel 5 5 -3", "1 mouse wheel 5 5 2147483648", "1 mouse at 999 999", "1 mouse at none", "1 mouse down Middle",
    "1 mouse up Right", "1 mouse press 3 4", "1 mouse press none Left", "1 mouse move -1 -1", "1 mouse move 1e3 2",
    "1 mouse at 1", "1 mouse down 9", "1 mouse", "1 mouse fly", "1 mouse press 2147483648 0 Left",
    "1 pad 0 press 0", "1 pad 7 release 31", "1 pad 3 connected", "1 pad 3 disconnected", "1 pad 0 down 5",
    "1 pad 0 up 5", "1 pad 1 axis X -0.5", "1 pad 1 axis PovY 1", "1 pad 2 present Pad \xC3\xA9 \t two",
    "1 pad 2 present", "1 pad 2 absent", "1 pad 8 press 0", "1 pad -1 connected", "1 pad 0 press 32",
    "1 pad 0 press -1", "1 pad 0 down 4294967296", "1 pad 0 axis W 0", "1 pad 0 axis X nan", "1 pad 0 axis X 1e999",
    "1 pad 0 axis X -1.0000001", "1 pad 0 axis X", "1 pad 0 axis", "1 pad", "1 pad 0", "1 pad 0 wiggle",
    "1 pad 0 connected now", "1 pads", "1 pad 2147483648 press 0",
    "2147483647 end", "2147483648 press A", "4294967301 end", "99999999999999999999 end", "-3 end", "0x10 end",
    "1e3 end", "#", "# a comment", "", "   ", "\t1 press A", "\x01\x02\x03", "\xff\xfe\xfd"};

const char* const HostileNumbers[] = {"0", "-1", "-0", "2147483647", "2147483648", "4294967295", "4294967299",
    "99999999999999999999", "1e9", "0x7f", "00000000000000000001", "+5", "3.5", ""};

class RecordingMutator {
public:
    RecordingMutator(uint64_t seed, const std::string& real) : random(seed ^ 0x7265706C61795245ull), real(real) {}

    HostileRecording make()
    {
        const int roll = random.below(100);
        if (roll < 40)
            return mutated();
        if (roll < 50)
            return valid();
        if (roll < 58)
            return enormous();
        if (roll < 66)
            return lineless();
        if (roll < 74)
            return sparse();
        if (roll < 84)
            return binary();
        if (roll < 89)
            return pipe();
        return special();
    }

private:
    static HostileRecording withContents(const std::string& description, std::string contents, bool valid = false)
    {
        HostileRecording recording;
        recording.description = description;
        recording.contents = std::move(contents);
        recording.valid = valid;
        return recording;
    }

    std::vector<std::string> realLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(real);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static std::string joined(const std::vector<std::string>& lines, const std::string& end)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + end;
        return text;
    }

    HostileRecording valid()
    {
        if (random.chance(30))
            return withContents("the real recording", real, true);
        return withContents("the real recording with CRLF line ends", joined(realLines(), "\r\n"), true);
    }

    // The real recording with a few changes to its lines, words and bytes.
    HostileRecording mutated()
    {
        std::vector<std::string> lines = realLines();
        std::string description = "the real recording with";
        const int changes = random.between(1, 8);
        for (int i = 0; i < changes && !lines.empty(); ++i)
            description += " " + mutateLine(lines);
        std::string text = joined(lines, random.chance(15) ? "\r\n" : "\n");
        if (random.chance(20)) {
            text.resize(static_cast<size_t>(random.below(static_cast<int>(text.size()) + 1)));
            description += " cut short";
        }
        return withContents(description, text);
    }

    std::string mutateLine(std::vector<std::string>& lines)
    {
        const size_t at = static_cast<size_t>(random.below(static_cast<int>(lines.size())));
        std::string& line = lines[at];
        switch (random.below(9)) {
        case 0: lines.erase(lines.begin() + static_cast<long>(at)); return "a line dropped,";
        case 1: lines.insert(lines.begin() + static_cast<long>(at), line); return "a line doubled,";
        case 2: std::swap(line, lines[static_cast<size_t>(random.below(static_cast<int>(lines.size())))]); return "two lines swapped,";
        case 3: lines.insert(lines.begin() + static_cast<long>(at), random.pick(HostileLines)); return "a wrong line,";
        case 4: return replaceNumber(line) ? "a number changed," : "nothing changed,";
        case 5: line.insert(static_cast<size_t>(random.below(static_cast<int>(line.size()) + 1)), 1, random.chance(50) ? '\0' : '\r'); return "a NUL or CR inside a line,";
        case 6: if (!line.empty()) line[static_cast<size_t>(random.below(static_cast<int>(line.size())))] ^= static_cast<char>(1 << random.below(8)); return "a bit flipped,";
        case 7: line += " " + std::string(static_cast<size_t>(random.between(1, 1 << 20)), 'x'); return "a long line,";
        default: line = std::to_string(random.between(0, 4000)) + " " + line; return "a frame number put in front,";
        }
    }

    bool replaceNumber(std::string& line)
    {
        const size_t first = line.find_first_of("0123456789");
        if (first == std::string::npos)
            return false;
        const size_t last = line.find_first_not_of("0123456789", first);
        line.replace(first, last == std::string::npos ? std::string::npos : last - first, random.pick(HostileNumbers));
        return true;
    }

    // The real play over and over, its frames going on: megabytes of right lines.
    HostileRecording enormous()
    {
        std::vector<std::string> lines = realLines();
        std::string header, body;
        for (const std::string& line : lines)
            (line.empty() || std::isdigit(static_cast<unsigned char>(line[0])) ? body : header) += line + "\n";
        std::string text = header;
        const size_t size = static_cast<size_t>(random.between(4, 24)) << 20;
        for (int round = 0; text.size() < size; ++round) {
            std::istringstream in(body);
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                long frame = 0;
                std::string rest;
                words >> frame;
                std::getline(words, rest);
                text += std::to_string(frame + 3600L * round) + rest + "\n";
            }
        }
        return withContents("the real play repeated to " + std::to_string(size >> 20) + " MB", text);
    }

    HostileRecording lineless()
    {
        const size_t size = static_cast<size_t>(random.between(1, 16)) << 20;
        const char filler = random.chance(50) ? 'x' : ' ';
        if (random.chance(50))
            return withContents("one line of " + std::to_string(size >> 20) + " MB", std::string(size, filler));
        return withContents("a right first line, then a line of " + std::to_string(size >> 20) + " MB",
                            "qel-recording 1\nseed 1\n1 text " + std::string(size, filler));
    }

    HostileRecording sparse()
    {
        HostileRecording recording = withContents("", random.chance(50) ? "" : "qel-recording 1\n");
        recording.form = HostileRecording::Form::Sparse;
        recording.sparseSize = uint64_t(1) << random.between(30, 36);
        recording.description = std::to_string(recording.sparseSize >> 30) + " GB of zero bytes" +
                                (recording.contents.empty() ? "" : " after a right first line");
        return recording;
    }

    HostileRecording binary()
    {
        std::string text = random.chance(50) ? "qel-recording 1\n" : "";
        const int size = random.between(1, 1 << 20);
        for (int i = 0; i < size; ++i)
            text += static_cast<char>(random.below(256));
        return withContents("binary bytes" + std::string(text[0] == 'q' ? " after a right first line" : ""), text);
    }

    static HostileRecording pipe()
    {
        HostileRecording recording;
        recording.form = HostileRecording::Form::Pipe;
        recording.description = "a named pipe";
        return recording;
    }

    HostileRecording special()
    {
        static const char* const paths[] = {"/dev/zero", "/dev/urandom", "/dev/null", "/dev/full", "/", "scripts",
                                            "missing.rec", "/proc/self/mem", "/proc/self/maps"};
        HostileRecording recording;
        recording.form = HostileRecording::Form::Path;
        recording.path = random.pick(paths);
        recording.description = recording.path.string();
        return recording;
    }

    Random random;
    const std::string& real;
};

} // namespace

HostileRecording generateRecording(uint64_t seed, const std::string& realRecording)
{
    return RecordingMutator(seed, realRecording).make();
}

} // namespace qel::fuzz
