#include "app/FrameStats.hpp"

#include <cstdio>
#include <fstream>

#include <unistd.h>

namespace qel {

namespace {

double megabytes(std::size_t bytes)
{
    return static_cast<double>(bytes) / (1 << 20);
}

} // namespace

std::optional<std::string> FrameStats::endFrame(Clock::time_point now, std::size_t scriptBytes)
{
    ++frames;
    const Clock::duration period = now - periodStart;
    if (period < ReportInterval)
        return std::nullopt;
    double phaseMilliseconds[PhaseCount];
    for (int phase = 0; phase < PhaseCount; ++phase)
        phaseMilliseconds[phase] = std::chrono::duration<double, std::milli>(phaseTotals[phase]).count() / frames;
    const double framesPerSecond = frames / std::chrono::duration<double>(period).count();
    restart(now);
    return report(framesPerSecond, phaseMilliseconds, scriptBytes, processBytes());
}

void FrameStats::restart(Clock::time_point now)
{
    periodStart = now;
    frames = 0;
    for (Clock::duration& total : phaseTotals)
        total = Clock::duration::zero();
}

std::string FrameStats::report(double framesPerSecond, const double phaseMilliseconds[PhaseCount],
                               std::size_t scriptBytes, std::size_t processBytes)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "fps      %5.1f\n"
                  "update   %5.2f ms\n"
                  "windows  %5.2f ms\n"
                  "present  %5.2f ms\n"
                  "Lua heap %5.1f MB\n"
                  "process  %5.1f MB",
                  framesPerSecond, phaseMilliseconds[Update], phaseMilliseconds[Windows], phaseMilliseconds[Present],
                  megabytes(scriptBytes), megabytes(processBytes));
    return text;
}

// The second number of /proc/self/statm is the resident pages.
std::size_t FrameStats::processBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    if (!(statm >> total >> resident))
        return 0;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

} // namespace qel
