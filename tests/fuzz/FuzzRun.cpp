#include "fuzz/FuzzRun.hpp"

#include "app/Core.hpp"
#include "app/DisplayConnection.hpp"
#include "app/LaunchOptions.hpp"
#include "support/GameFolder.hpp"

#include <fcntl.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
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
void runEngine(const FuzzCase& fuzzCase, int frames)
{
    LaunchOptions options;
    options.scriptName = "main";
    options.width = 800;
    options.height = 500;
    Core core;
    {
        // Forked children connect in quick succession, which the server sometimes refuses: the
        // child asks for five seconds.
        const DisplayConnection connection(50);
        if (!connection.open())
            _exit(NoDisplayStatus);
        core.build(options);
    }
    Unthrottled unthrottled;
    for (int frame = 0; frame < frames && windowOpen(core); ++frame) {
        unthrottled.apply(core);
        for (const sf::Event& event : fuzzCase.keys.at(static_cast<size_t>(frame)))
            if (!windowOpen(core) || !core.handleEvent(event))
                break;
        if (windowOpen(core))
            core.runFrame(16);
    }
    core.shutdown();
}

[[noreturn]] void runChild(const FuzzCase& fuzzCase, int frames, const std::filesystem::path& folder)
{
    setpgid(0, 0);
    // Lets the parent's debugger read the stack of a hung run.
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
    const int quiet = open("/dev/null", O_WRONLY);
    const int errors = open((folder / "errors.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (quiet < 0 || errors < 0 || dup2(quiet, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0 ||
        chdir(folder.c_str()) != 0)
        _exit(NoFolderStatus);
    runEngine(fuzzCase, frames);
    _exit(0);
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

// Judges a child that ended by itself.
void judgeEnd(RunResult& result, int status, const std::string& errors)
{
    const char* marker = markerIn(errors);
    if (marker) {
        result.verdict = marker == PanicMarker ? Verdict::LuaPanic : Verdict::SanitizerReport;
        result.reason = marker;
    } else if (WIFSIGNALED(status)) {
        result.verdict = Verdict::Crashed;
        result.reason = "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    } else if (WEXITSTATUS(status) != 0) {
        result.verdict = Verdict::FailedExit;
        result.reason = "exit status " + std::to_string(WEXITSTATUS(status));
        if (WEXITSTATUS(status) == NoDisplayStatus)
            result.reason += ": the X server refused every connection";
        else if (WEXITSTATUS(status) == NoFolderStatus)
            result.reason += ": the game folder could not be set up";
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
    }
    return "?";
}

RunResult runCase(const FuzzCase& fuzzCase, const RunLimits& limits, const std::filesystem::path& gameData)
{
    const test::GameFolder folder(gameData);
    folder.writeScript("startup.lua", "");
    folder.writeScript("main.lua", fuzzCase.script);

    // A forked child starts with the fuzzer's own pages resident, which grow over a session as
    // the sanitizer keeps freed memory; a run is judged by what it adds to them.
    const long inherited = residentMiB(getpid());
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0)
        runChild(fuzzCase, limits.frames, folder.path());

    RunResult result;
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
    judgeEnd(result, status, errors);
    // A burst between two looks at the child shows in its peak only.
    if (result.verdict == Verdict::Passed && result.peakResidentMiB > limits.residentMiB) {
        result.verdict = Verdict::Bloated;
        result.reason = "peaked at " + std::to_string(result.peakResidentMiB) + " MiB resident";
        result.report = reportOf(errors, nullptr);
    }
    return result;
}

} // namespace qel::fuzz
