#include "app/StopSignals.hpp"

#include <csignal>

namespace qel {

namespace {

volatile std::sig_atomic_t stopAsked = 0;

void askToStop(int signal)
{
    if (stopAsked) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    stopAsked = 1;
}

} // namespace

void StopSignals::install()
{
    std::signal(SIGINT, askToStop);
    std::signal(SIGTERM, askToStop);
    std::signal(SIGHUP, askToStop);
}

bool StopSignals::received()
{
    return stopAsked != 0;
}

} // namespace qel
