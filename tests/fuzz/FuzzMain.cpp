// The script fuzzer: runs generated hostile game scripts, each in a fresh engine in a child
// process, and fails on a crash, a sanitizer report, a Lua panic, a hang or a runaway memory use.
//
//   qel-fuzz [--seconds T] [--runs N] [--first-seed S]   a session over consecutive seeds
//   qel-fuzz --seed S [--script FILE] [--minimise]       one run; FILE replaces the seed's script
//   other options: --frames N, --timeout SECONDS, --max-rss-mb M, --failures DIR, and
//   --attack NAME, which makes every run the named attack (mixed, registry, churn, captures,
//   replay, saves) instead of the seed's own
#include "fuzz/ArtFileGenerator.hpp"
#include "fuzz/FuzzRun.hpp"
#include "fuzz/SaveFolderGenerator.hpp"
#include "fuzz/ScriptGenerator.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace qel::fuzz;

struct Settings {
    std::optional<uint64_t> seed;
    std::optional<Attack> attack;
    uint64_t firstSeed = 0;
    long runs = -1;
    double seconds = -1;
    std::string scriptFile;
    bool minimise = false;
    RunLimits limits;
    std::filesystem::path failures = std::filesystem::temp_directory_path() / "qel-fuzz-failures";
    std::filesystem::path gameFolder = QEL_GAME_DIR;
    // The real recording that replays are made from.
    std::string recording;
};

// The script text of a failure is printed in full for the first few failures of a session.
constexpr int PrintedScripts = 3;
// Minimising reruns the case many times; it stops after this many runs.
constexpr int MinimisingRuns = 150;

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: qel-fuzz [--seconds T] [--runs N] [--first-seed S] [--seed S [--script FILE] "
                         "[--minimise]] [--frames N] [--timeout SECONDS] [--max-rss-mb M] [--failures DIR] [--attack NAME]\n");
    std::exit(2);
}

Settings parseSettings(int argc, char** argv)
{
    Settings settings;
    settings.firstSeed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--minimise") {
            settings.minimise = true;
            continue;
        }
        if (i + 1 >= argc)
            usage();
        const char* value = argv[++i];
        if (option == "--seed")
            settings.seed = std::stoull(value);
        else if (option == "--first-seed")
            settings.firstSeed = std::stoull(value);
        else if (option == "--runs")
            settings.runs = std::stol(value);
        else if (option == "--seconds")
            settings.seconds = std::stod(value);
        else if (option == "--script")
            settings.scriptFile = value;
        else if (option == "--frames")
            settings.limits.frames = std::stoi(value);
        else if (option == "--timeout")
            settings.limits.seconds = std::stod(value);
        else if (option == "--max-rss-mb")
            settings.limits.residentMiB = std::stol(value);
        else if (option == "--failures")
            settings.failures = value;
        else if (option == "--attack" && (settings.attack = attackNamed(value)))
            continue;
        else
            usage();
    }
    if (settings.runs < 0 && settings.seconds < 0)
        settings.runs = settings.seed ? 1 : 100;
    return settings;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "qel-fuzz: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

FuzzCase makeCase(const Settings& settings, uint64_t seed)
{
    FuzzCase fuzzCase;
    fuzzCase.seed = seed;
    fuzzCase.attack = settings.attack.value_or(attackOf(seed));
    if (fuzzCase.attack == Attack::Replay) {
        fuzzCase.recording = generateRecording(seed, settings.recording);
        return fuzzCase;
    }
    fuzzCase.script = settings.scriptFile.empty() ? generateScript(seed, fuzzCase.attack) : readFile(settings.scriptFile);
    fuzzCase.keys = planKeyEvents(seed, framesOf(fuzzCase.attack, settings.limits));
    if (fuzzCase.attack == Attack::Saves)
        fuzzCase.saves = generateSaveFolder(seed);
    fuzzCase.art = generateArtFiles(seed);
    return fuzzCase;
}

std::filesystem::path saveScript(const Settings& settings, uint64_t seed, const std::string& suffix,
                                  const std::string& script)
{
    std::filesystem::create_directories(settings.failures);
    const std::filesystem::path path = settings.failures / ("seed-" + std::to_string(seed) + suffix + ".lua");
    std::ofstream(path, std::ios::binary) << script;
    return path;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += part + "\n";
    return text;
}

// Drops ever smaller runs of lines while the failure stays the same kind. Every line of a
// generated script is a whole statement, so what is left always compiles.
std::string minimise(const Settings& settings, FuzzCase fuzzCase, Verdict verdict)
{
    std::vector<std::string> kept = lines(fuzzCase.script);
    int runs = 0;
    for (size_t chunk = kept.size() / 2; chunk >= 1 && runs < MinimisingRuns; chunk /= 2) {
        for (size_t first = 0; first < kept.size() && runs < MinimisingRuns;) {
            std::vector<std::string> trial(kept.begin(), kept.begin() + static_cast<long>(first));
            trial.insert(trial.end(), kept.begin() + static_cast<long>(std::min(first + chunk, kept.size())), kept.end());
            fuzzCase.script = joined(trial);
            ++runs;
            if (runCase(fuzzCase, settings.limits, settings.gameFolder).verdict == verdict)
                kept = trial;
            else
                first += chunk;
        }
    }
    std::fprintf(stderr, "minimised to %zu lines in %d runs\n", kept.size(), runs);
    return joined(kept);
}

void reportFailure(const Settings& settings, const FuzzCase& fuzzCase, const RunResult& result, int failureCount)
{
    std::fprintf(stderr, "FAIL seed %llu (%s): %s: %s (%.1f s, %ld MiB)\n", static_cast<unsigned long long>(fuzzCase.seed),
                 attackName(fuzzCase.attack), verdictName(result.verdict), result.reason.c_str(), result.seconds,
                 result.peakResidentMiB);
    std::fprintf(stderr, "%s", result.report.c_str());
    if (fuzzCase.attack == Attack::Replay) {
        std::fprintf(stderr, "recording: %s\nrerun: qel-fuzz --seed %llu --attack replay\n",
                     fuzzCase.recording.description.c_str(), static_cast<unsigned long long>(fuzzCase.seed));
        return;
    }
    const std::filesystem::path saved = saveScript(settings, fuzzCase.seed, "", fuzzCase.script);
    std::fprintf(stderr, "script: %s\nrerun: qel-fuzz --seed %llu --attack %s --script %s\n", saved.c_str(),
                 static_cast<unsigned long long>(fuzzCase.seed), attackName(fuzzCase.attack), saved.c_str());
    if (failureCount <= PrintedScripts)
        std::fprintf(stderr, "---- script of seed %llu\n%s---- end of script\n",
                     static_cast<unsigned long long>(fuzzCase.seed), fuzzCase.script.c_str());
    if (!settings.minimise)
        return;
    const std::string smaller = minimise(settings, fuzzCase, result.verdict);
    const std::filesystem::path minimal = saveScript(settings, fuzzCase.seed, "-min", smaller);
    std::fprintf(stderr, "minimal script: %s\n%s", minimal.c_str(), smaller.c_str());
}

// What a session found, by attack and verdict, and the most memory a run took.
class Tally {
public:
    void add(const FuzzCase& fuzzCase, const RunResult& result)
    {
        ++runs[fuzzCase.attack];
        if (result.verdict != Verdict::Passed)
            ++found[std::string(attackName(fuzzCase.attack)) + " " + verdictName(result.verdict)];
        if (result.peakResidentMiB > peak) {
            peak = result.peakResidentMiB;
            peakSeed = fuzzCase.seed;
        }
    }

    void print() const
    {
        std::string text = "qel-fuzz: runs by attack:";
        for (const auto& [attack, count] : runs)
            text += std::string(" ") + attackName(attack) + " " + std::to_string(count);
        if (!found.empty())
            text += "; failures:";
        for (const auto& [what, count] : found)
            text += " " + what + " " + std::to_string(count) + ",";
        std::fprintf(stderr, "%s\nqel-fuzz: the most resident memory was %ld MiB (seed %llu)\n", text.c_str(), peak,
                     static_cast<unsigned long long>(peakSeed));
    }

private:
    std::map<Attack, long> runs;
    std::map<std::string, long> found;
    long peak = 0;
    uint64_t peakSeed = 0;
};

} // namespace

int main(int argc, char** argv)
{
    Settings settings = parseSettings(argc, argv);
    settings.recording = readFile((settings.gameFolder / "tests" / "replays" / "one-minute.rec").string());
    const uint64_t first = settings.seed.value_or(settings.firstSeed);
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    long runs = 0;
    int failures = 0;
    Tally tally;
    while ((settings.runs < 0 || runs < settings.runs) && (settings.seconds < 0 || elapsed() < settings.seconds)) {
        const FuzzCase fuzzCase = makeCase(settings, first + static_cast<uint64_t>(runs));
        const RunResult result = runCase(fuzzCase, settings.limits, settings.gameFolder);
        ++runs;
        tally.add(fuzzCase, result);
        if (result.verdict != Verdict::Passed)
            reportFailure(settings, fuzzCase, result, ++failures);
    }
    tally.print();
    std::fprintf(stderr, "qel-fuzz: %ld runs, %d failed, seeds %llu to %llu, %.0f s\n", runs, failures,
                 static_cast<unsigned long long>(first), static_cast<unsigned long long>(first + runs - 1), elapsed());
    return failures ? 1 : 0;
}
