#pragma once

namespace qel {

// Turns the signals that ask a program to stop (SIGINT from Ctrl+C, SIGTERM from kill, SIGHUP from
// a terminal that closed) into a request that the main loop answers after its frame, so that the
// game's quit() runs and a recording gets its end. A second signal while the first waits ends the program at once, as
// the signal would have without the engine: a script stuck in a loop may keep the loop from
// ever answering.
class StopSignals {
public:
    static void install();
    static bool received();
};

} // namespace qel
