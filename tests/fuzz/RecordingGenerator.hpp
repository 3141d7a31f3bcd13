#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qel::fuzz {

// A recording file to give -replay: a real recording mutated, or one that is enormous,
// binary, without line breaks, with CRLF line ends, or no regular file at all.
struct HostileRecording {
    enum class Form {
        // The contents below, written to a file of the run's folder.
        Contents,
        // A file of the run's folder of this many zero bytes that takes no disc space.
        Sparse,
        // A named pipe nobody writes to.
        Pipe,
        // The path below as it is: a device or a folder.
        Path,
    };
    Form form = Form::Contents;
    // What was done to make it, in a few words, for the report.
    std::string description;
    std::string contents;
    uint64_t sparseSize = 0;
    std::filesystem::path path;
    // A valid recording (the real one as it is, or with CRLF line ends) must be replayed.
    bool valid = false;
};

// The hostile recording of one seed, made from the text of a real recording.
HostileRecording generateRecording(uint64_t seed, const std::string& realRecording);

} // namespace qel::fuzz
