#pragma once

#include "fuzz/KeyEvents.hpp"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qel::fuzz {

// One run: a launch script and the key events sent while it runs.
struct FuzzCase {
    uint64_t seed = 0;
    std::string script;
    KeyEvents keys;
};

struct RunLimits {
    int frames = 60;
    double seconds = 30;
    // Under AddressSanitizer an engine running an idle script is 300 MiB resident, and the
    // sanitizer keeps up to 256 MiB of freed memory unused; this leaves 200 MiB for what a
    // hostile script may rightly hold (the consoles' 64 MB among it).
    long residentMiB = 768;
};

enum class Verdict { Passed, Crashed, SanitizerReport, LuaPanic, Hung, Bloated, FailedExit };

struct RunResult {
    Verdict verdict = Verdict::Passed;
    // What went wrong, in a few words: "signal 11", "over 2048 MiB"...
    std::string reason;
    // The lines of standard error that tell the failure: the sanitizer's or Lua's report, or
    // the last lines written before the end.
    std::string report;
    // The most resident memory the child had beyond the pages it started with, the fuzzer's.
    long peakResidentMiB = 0;
    double seconds = 0;
};

const char* verdictName(Verdict verdict);

// Runs the case in a child process, in a fresh game folder holding the script as
// scripts/main.lua and the data files of gameData, with a whole engine that sends the key
// events and runs the frames with no frame limit. The child is killed when it outlives the
// time limit or grows past the memory limit.
RunResult runCase(const FuzzCase& fuzzCase, const RunLimits& limits, const std::filesystem::path& gameData);

} // namespace qel::fuzz
