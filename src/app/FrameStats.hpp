#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace qel {

// Gathers what the frames cost, phase by phase, and every half second says it as a few lines for
// the stats overlay: frames a second, the mean milliseconds of the script's update, of the
// windows' drawing and of composing and presenting the picture, the memory the scripts hold and
// the memory of the whole process.
class FrameStats {
public:
    using Clock = std::chrono::steady_clock;
    enum Phase { Update, Windows, Present, PhaseCount };
    static constexpr std::chrono::milliseconds ReportInterval{500};

    // The time the phase took in the frame in progress.
    void add(Phase phase, Clock::duration spent) { phaseTotals[phase] += spent; }
    // Ends a frame; the lines to show once a report is due, with the scripts' memory then.
    std::optional<std::string> endFrame(Clock::time_point now, std::size_t scriptBytes);
    // Starts counting afresh, as when the overlay is shown again after a while.
    void restart(Clock::time_point now);

    // The lines for these figures.
    static std::string report(double framesPerSecond, const double phaseMilliseconds[PhaseCount],
                              std::size_t scriptBytes, std::size_t processBytes);
    // The process's resident memory, in bytes; 0 when the system does not say.
    static std::size_t processBytes();

private:
    Clock::time_point periodStart;
    int frames = 0;
    Clock::duration phaseTotals[PhaseCount]{};
};

} // namespace qel
