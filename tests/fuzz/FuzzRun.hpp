#pragma once

#include "fuzz/Attack.hpp"
#include "fuzz/KeyEvents.hpp"
#include "fuzz/RecordingGenerator.hpp"
#include "fuzz/SaveFolderGenerator.hpp"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qel::fuzz {

// One run: a launch script and the key events sent while it runs, one frame each; or, for a
// replay, the bundled game started with -replay and a hostile recording.
struct FuzzCase {
    uint64_t seed = 0;
    Attack attack = Attack::Mixed;
    std::string script;
    KeyEvents keys;
    HostileRecording recording;
    // What the save folder holds as the run starts.
    std::vector<PlantedSave> saves;
    // The cell-art files of the game folder's art folder.
    std::vector<PlantedSave> art;
};

struct RunLimits {
    int frames = 60;
    double seconds = 30;
    // Under AddressSanitizer an engine running an idle script is 300 MiB resident, and the
    // sanitizer keeps up to 256 MiB of freed memory unused; this leaves 200 MiB for what a
    // hostile script may rightly hold (the consoles' 64 MB among it).
    long residentMiB = 768;
};

enum class Verdict { Passed, Crashed, SanitizerReport, LuaPanic, Hung, Bloated, FailedExit, WrongOutput };

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

// The frames a run of the attack lasts: churn runs longer, for its growth to show.
int framesOf(Attack attack, const RunLimits& limits);

// Runs the case in a child process, in a fresh game folder holding the script as
// scripts/main.lua, the data files of the game, the save folder "saves" and the folder "art" of
// cell-art files, with a whole engine that sends the key events and runs the frames with no
// frame limit; a replay runs the game folder itself, with
// the recording in the fresh folder. The child is killed when it outlives the time limit or
// grows past the memory limit. A run that ends must have left only whole pictures behind and
// said what it was asked to: a failed capture, the text after a NUL in an error, why a
// recording was refused (in one line, and with status 1), a damaged saved value.
RunResult runCase(const FuzzCase& fuzzCase, const RunLimits& limits, const std::filesystem::path& gameFolder);

} // namespace qel::fuzz
