#include "fuzz/FuzzRun.hpp"

#include "app/Core.hpp"
#include "app/DisplayConnection.hpp"
#include "app/GamePacker.hpp"
#include "app/LaunchOptions.hpp"
#include "fuzz/ArtFileGenerator.hpp"
#include "fuzz/Random.hpp"
#include "support/GameFolder.hpp"

#include <SFML/Graphics/Image.hpp>

#include <fcntl.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace qel::fuzz {

namespace {

// Markers of the reports that end a run in a failure even when the process ends well.
const char* const SanitizerMarkers[] = {"ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer",
                                        "UndefinedBehaviorSanitizer"};
const char* const PanicMarker = "PANIC: unprotected error";

// Limits scripts and their text in reports: a failing script may have printed megabytes.
constexpr std::streamsize LongestErrorOutput = 16 << 20;
constexpr size_t ReportLines = 40;

// Exit statuses of a child that could not set the run up: failures of the machine, not the engine.
constexpr int NoFolderStatus = 120;
constexpr int NoDisplayStatus = 121;

// Churn runs longer than the others, for a store that grows with every frame to show.
constexpr int ChurnFrames = 240;
// A replay runs at most this many of the recording's frames.
constexpr int ReplayFrames = 600;
// The statuses a replay may end with: played, refused, or no launch script named (which ends
// the process with 1000, seen as its low byte).
constexpr int RefusedStatus = 1;
constexpr int NoScriptStatus = 1000 & 0xFF;

// The recording a replay is given, in the run's folder, and the folder captures go to.
const char* const RecordingName = "hostile.rec";
const char* const ShotsFolder = "shots";
const char* const SavesFolder = "saves";
// The archive an archive run packs its game into, and runs.
const char* const ArchiveName = "game.qel";
// Error text a script raises around a NUL byte: both parts must be said.
const char* const BeforeNul = "NULBEFORE";
const char* const AfterNul = "NULAFTER";
// A picture in the captures' folder that is a link to the full device, which takes no byte;
// a script captures to it, then to a name starting with the second: that one saved means the
// first was asked for.
const char* const FullDevicePicture = "full.png";
const char* const PairedCapture = "full-";

// The frame limit and vertical sync would make every frame last a sixtieth of a second; a
// fullscreen switch makes a new window with both set again.
class Unthrottled {
public:
    void apply(Core& core)
    {
        sf::RenderWindow* window = core.getWindow();
        if (window == seen)
            return;
        seen = window;
        window->setFramerateLimit(0);
        window->setVerticalSyncEnabled(false);
    }

private:
    const sf::RenderWindow* seen = nullptr;
};

bool windowOpen(Core& core)
{
    return core.getWindow() && core.getWindow()->isOpen();
}

// The child's work: the engine as the program runs it, with key events before each frame.
void runEngine(const FuzzCase& fuzzCase)
{
    LaunchOptions options;
    options.scriptName = "main";
    options.width = 800;
    options.height = 500;
    // Said texts are written, not synthesised: a forked child starts no synthesiser thread.
    options.speech = SpeechMode::Log;
    options.saveDir = (std::filesystem::current_path() / SavesFolder).string();
    Core core;
    core.getRunControl() = *RunControl::open(options, std::nullopt);
    {
        // Forked children connect in quick succession, which the server sometimes refuses: the
        // child asks for five seconds.
        const DisplayConnection connection(50);
        if (!connection.open())
            _exit(NoDisplayStatus);
        core.build(options);
    }
    Unthrottled unthrottled;
    for (size_t frame = 0; frame < fuzzCase.keys.size() && windowOpen(core); ++frame) {
        unthrottled.apply(core);
        for (const sf::Event& event : fuzzCase.keys[frame])
            if (!windowOpen(core) || !core.handleEvent(event))
                break;
        if (windowOpen(core))
            core.runFrame(16);
    }
    core.shutdown();
}

// The program's own start with the arguments; the frames then run as the program's main loop
// runs them, up to the given number. Gives the exit code the script chose.
int runProgram(std::vector<const char*> argv, int frames)
{
    Core core;
    {
        const DisplayConnection connection(50);
        if (!connection.open())
            _exit(NoDisplayStatus);
        core.init(static_cast<int>(argv.size()), argv.data());
    }
    Unthrottled unthrottled;
    for (int frame = 0; frame < frames && windowOpen(core); ++frame) {
        unthrottled.apply(core);
        core.runFrame(16);
    }
    core.getRunControl().finish();
    core.shutdown();
    return core.getExitCode();
}

// A replay starts with -replay, which reads the recording before anything else.
[[noreturn]] void runReplay(const std::filesystem::path& gameFolder)
{
    const std::string folder = gameFolder.string();
    _exit(runProgram({"qel", "-replay", RecordingName, folder.c_str()}, ReplayFrames));
}

// Half the archives are damaged a little: a few bytes changed, or the end cut off.
void damageArchive(uint64_t seed)
{
    Random random(seed ^ 0x4172636869766521ull);
    if (random.chance(50))
        return;
    std::string bytes;
    {
        std::ifstream in(ArchiveName, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (bytes.empty())
        return;
    if (random.chance(30))
        bytes.resize(random.below(static_cast<int>(bytes.size())));
    for (int changes = random.between(1, 3); changes > 0 && !bytes.empty(); --changes)
        bytes[random.below(static_cast<int>(bytes.size()))] = static_cast<char>(random.below(256));
    std::ofstream(ArchiveName, std::ios::binary) << bytes;
}

// The run's folder, without the link to the data the engine has itself, packed and run from
// its archive. The script's own exit code does not count, as in runEngine.
[[noreturn]] void runArchive(const FuzzCase& fuzzCase)
{
    std::filesystem::remove("data");
    if (GamePacker::pack(".", ArchiveName) != 0)
        _exit(NoFolderStatus);
    damageArchive(fuzzCase.seed);
    runProgram({"qel", "-savedir", SavesFolder, ArchiveName}, static_cast<int>(fuzzCase.keys.size()));
    _exit(0);
}

[[noreturn]] void runChild(const FuzzCase& fuzzCase, const std::filesystem::path& folder,
                           const std::filesystem::path& gameFolder)
{
    setpgid(0, 0);
    // Lets the parent's debugger read the stack of a hung run.
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
    const int quiet = open("/dev/null", O_WRONLY);
    const int errors = open((folder / "errors.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (quiet < 0 || errors < 0 || dup2(quiet, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0 ||
        chdir(folder.c_str()) != 0)
        _exit(NoFolderStatus);
    if (fuzzCase.attack == Attack::Replay)
        runReplay(gameFolder);
    if (fuzzCase.attack == Attack::Archive)
        runArchive(fuzzCase);
    runEngine(fuzzCase);
    _exit(0);
}

// Puts the recording where the replay reads it; false when the machine would not.
bool placeRecording(const HostileRecording& recording, const std::filesystem::path& folder)
{
    const std::filesystem::path path = folder / RecordingName;
    std::error_code error;
    switch (recording.form) {
    case HostileRecording::Form::Contents:
        return bool(std::ofstream(path, std::ios::binary) << recording.contents);
    case HostileRecording::Form::Sparse:
        if (!(std::ofstream(path, std::ios::binary) << recording.contents))
            return false;
        std::filesystem::resize_file(path, recording.sparseSize, error);
        return !error;
    case HostileRecording::Form::Pipe:
        return mkfifo(path.c_str(), 0600) == 0;
    case HostileRecording::Form::Path:
        std::filesystem::create_symlink(recording.path, path, error);
        return !error;
    }
    return false;
}

long residentMiB(pid_t pid)
{
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

std::string readErrors(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::error_code error;
    const auto size = std::min<uintmax_t>(std::filesystem::file_size(file, error), LongestErrorOutput);
    std::string text(error ? 0 : static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() > 300 ? line.substr(0, 300) + "..." : line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines, size_t first, size_t count)
{
    std::string text;
    for (size_t i = first; i < std::min(lines.size(), first + count); ++i)
        text += lines[i] + "\n";
    return text;
}

// The report from its first line on when standard error holds one, else the last lines.
std::string reportOf(const std::string& errors, const char* marker)
{
    const std::vector<std::string> lines = linesOf(errors);
    if (marker)
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(marker) != std::string::npos)
                return joined(lines, i > 0 ? i - 1 : 0, ReportLines);
    const size_t tail = std::min<size_t>(lines.size(), 20);
    return joined(lines, lines.size() - tail, tail);
}

const char* markerIn(const std::string& errors)
{
    for (const char* marker : SanitizerMarkers)
        if (errors.find(marker) != std::string::npos)
            return marker;
    return errors.find(PanicMarker) != std::string::npos ? PanicMarker : nullptr;
}

// Where a hung child is stuck: its stack, read by gdb when the machine has it.
std::string stackOf(pid_t pid)
{
    const std::string command = "gdb -p " + std::to_string(pid) + " -batch -ex 'bt 30' 2>/dev/null | grep '^#'";
    FILE* gdb = popen(command.c_str(), "r");
    if (!gdb)
        return "";
    std::string stack;
    char line[512];
    while (std::fgets(line, sizeof line, gdb))
        stack += line;
    pclose(gdb);
    return stack;
}

void failExit(RunResult& result, int code)
{
    result.verdict = Verdict::FailedExit;
    result.reason = "exit status " + std::to_string(code);
    if (code == NoDisplayStatus)
        result.reason += ": the X server refused every connection";
    else if (code == NoFolderStatus)
        result.reason += ": the game folder could not be set up";
}

void failOutput(RunResult& result, const std::string& reason)
{
    result.verdict = Verdict::WrongOutput;
    result.reason = reason;
}

// A replay plays the recording or refuses it with status 1 and one line that says why; the
// real recording, with either line end, is played.
void judgeReplay(RunResult& result, int code, const std::string& errors, const HostileRecording& recording)
{
    const std::vector<std::string> lines = linesOf(errors);
    const bool saidInALine = lines.size() == 1 && lines[0].rfind("qel: ", 0) == 0;
    if (code != 0 && code != RefusedStatus && code != NoScriptStatus)
        failExit(result, code);
    else if (code == RefusedStatus && !saidInALine)
        failOutput(result, "a refused recording (" + recording.description + ") was said in " +
                               std::to_string(lines.size()) + " lines, not one");
    else if (code != 0 && recording.valid)
        failOutput(result, "a right recording (" + recording.description + ") was refused");
}

bool isBlank(const sf::Image& picture)
{
    const sf::Uint8* pixels = picture.getPixelsPtr();
    const size_t bytes = size_t(picture.getSize().x) * picture.getSize().y * 4;
    return bytes == 0 || std::all_of(pixels, pixels + bytes, [](sf::Uint8 byte) { return byte == 0; });
}

// Each capture saved must be a picture with something in it; reading them all would take
// longer than the run, so those of the exit frame and a few others are read.
void judgeCaptures(RunResult& result, const std::string& errors, const std::filesystem::path& shots)
{
    constexpr int ReadPictures = 20;
    int read = 0;
    std::error_code error;
    // A picture written elsewhere and moved in its place replaces the link, and is saved.
    const bool fullDeviceStands = std::filesystem::is_symlink(shots / FullDevicePicture, error);
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(shots, error)) {
        const std::string name = entry.path().filename().string();
        if (fullDeviceStands && name.rfind(PairedCapture, 0) == 0 && errors.find(FullDevicePicture) == std::string::npos)
            return failOutput(result, "a capture to the full device failed without a word");
        if (!entry.is_regular_file(error) || entry.is_symlink(error) || entry.path().extension() != ".png" ||
            (name.rfind("exit", 0) != 0 && ++read > ReadPictures))
            continue;
        sf::Image picture;
        if (!picture.loadFromFile(entry.path().string()))
            return failOutput(result, "the capture " + name + " is no picture");
        if (isBlank(picture))
            return failOutput(result, "the capture " + name + " is blank");
    }
}

// An error whose text holds a NUL byte must be said whole, the text after the NUL too.
void judgeNulText(RunResult& result, const std::string& errors)
{
    std::istringstream in(errors);
    for (std::string line; std::getline(in, line);)
        if (line.find(BeforeNul) != std::string::npos && line.find(AfterNul) == std::string::npos)
            return failOutput(result, "an error lost its text after a NUL byte");
}

// The script of a saves run says which damaged value it was given as if it were whole.
void judgeSaves(RunResult& result, const std::string& errors)
{
    const size_t fault = errors.find(SaveFault);
    if (fault != std::string::npos)
        failOutput(result, "damaged saved data was not refused: " + errors.substr(fault, errors.find('\n', fault) - fault));
}

// Judges a child that ended by itself.
void judgeEnd(RunResult& result, int status, const std::string& errors, const FuzzCase& fuzzCase,
              const std::filesystem::path& folder)
{
    const char* marker = markerIn(errors);
    if (marker) {
        result.verdict = marker == PanicMarker ? Verdict::LuaPanic : Verdict::SanitizerReport;
        result.reason = marker;
    } else if (WIFSIGNALED(status)) {
        result.verdict = Verdict::Crashed;
        result.reason = "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    } else if (fuzzCase.attack == Attack::Replay) {
        judgeReplay(result, WEXITSTATUS(status), errors, fuzzCase.recording);
    } else if (fuzzCase.attack == Attack::Archive && WEXITSTATUS(status) == RefusedStatus) {
        if (linesOf(errors).size() != 1 || errors.rfind("qel: cannot run the game archive", 0) != 0)
            failOutput(result, "a refused archive was not said in one line");
    } else if (fuzzCase.attack == Attack::Archive && WEXITSTATUS(status) == NoScriptStatus) {
        // A damaged name can leave the archive without its launch script.
    } else if (WEXITSTATUS(status) != 0) {
        failExit(result, WEXITSTATUS(status));
    } else {
        judgeCaptures(result, errors, folder / ShotsFolder);
        if (result.verdict == Verdict::Passed)
            judgeNulText(result, errors);
        if (result.verdict == Verdict::Passed)
            judgeSaves(result, errors);
    }
    if (result.verdict != Verdict::Passed)
        result.report = reportOf(errors, marker);
}

} // namespace

const char* verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Passed: return "passed";
    case Verdict::Crashed: return "crash";
    case Verdict::SanitizerReport: return "sanitizer report";
    case Verdict::LuaPanic: return "Lua panic";
    case Verdict::Hung: return "hang";
    case Verdict::Bloated: return "memory";
    case Verdict::FailedExit: return "failed exit";
    case Verdict::WrongOutput: return "wrong output";
    }
    return "?";
}

int framesOf(Attack attack, const RunLimits& limits)
{
    return attack == Attack::Churn ? std::max(limits.frames, ChurnFrames) : limits.frames;
}

RunResult runCase(const FuzzCase& fuzzCase, const RunLimits& limits, const std::filesystem::path& gameFolder)
{
    const test::GameFolder folder(gameFolder / "data");
    folder.writeScript("startup.lua", "");
    folder.writeScript("main.lua", fuzzCase.script);
    std::filesystem::create_directory(folder.path() / ShotsFolder);
    std::filesystem::create_symlink("/dev/full", folder.path() / ShotsFolder / FullDevicePicture);
    RunResult result;
    if (fuzzCase.attack == Attack::Replay && !placeRecording(fuzzCase.recording, folder.path())) {
        result.verdict = Verdict::FailedExit;
        result.reason = "the recording could not be put in the run's folder";
        return result;
    }
    if (!fuzzCase.saves.empty() && !plantSaveFolder(fuzzCase.saves, folder.path() / SavesFolder)) {
        result.verdict = Verdict::FailedExit;
        result.reason = "the save folder could not be made";
        return result;
    }
    if (!fuzzCase.art.empty() && !plantSaveFolder(fuzzCase.art, folder.path() / ArtFolder)) {
        result.verdict = Verdict::FailedExit;
        result.reason = "the art folder could not be made";
        return result;
    }

    // A forked child starts with the fuzzer's own pages resident, which grow over a session as
    // the sanitizer keeps freed memory; a run is judged by what it adds to them.
    const long inherited = residentMiB(getpid());
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0)
        runChild(fuzzCase, folder.path(), gameFolder);

    const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, WNOHANG, &usage) == 0) {
        result.peakResidentMiB = std::max(result.peakResidentMiB, residentMiB(child) - inherited);
        const bool bloated = result.peakResidentMiB > limits.residentMiB;
        if (bloated || elapsed() > limits.seconds) {
            const std::string stack = bloated ? "" : stackOf(child);
            kill(-child, SIGKILL);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.verdict = bloated ? Verdict::Bloated : Verdict::Hung;
            result.reason = bloated ? "over " + std::to_string(limits.residentMiB) + " MiB resident"
                                    : "still running after " + std::to_string(limits.seconds) + " s";
            result.report = reportOf(readErrors(folder.path() / "errors.txt"), nullptr) + stack;
            result.seconds = elapsed();
            return result;
        }
        usleep(5000);
    }
    result.seconds = elapsed();
    result.peakResidentMiB = std::max(result.peakResidentMiB, usage.ru_maxrss / 1024 - inherited);
    const std::string errors = readErrors(folder.path() / "errors.txt");
    judgeEnd(result, status, errors, fuzzCase, folder.path());
    // A burst between two looks at the child shows in its peak only.
    if (result.verdict == Verdict::Passed && result.peakResidentMiB > limits.residentMiB) {
        result.verdict = Verdict::Bloated;
        result.reason = "peaked at " + std::to_string(result.peakResidentMiB) + " MiB resident";
        result.report = reportOf(errors, nullptr);
    }
    return result;
}

} // namespace qel::fuzz
