#include "app/StopSignals.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

using namespace qel;

// In children, so that the test program keeps its own handling of signals. Each stop signal asks,
// and then another one ends the program.
TEST(StopSignals, TheFirstSignalAsksToStopAndTheSecondEndsTheProgram)
{
    const int signals[][2] = {{SIGTERM, SIGINT}, {SIGINT, SIGHUP}, {SIGHUP, SIGTERM}};
    for (const auto& [first, second] : signals) {
        SCOPED_TRACE(std::string(strsignal(first)) + ", then " + strsignal(second));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            StopSignals::install();
            if (StopSignals::received())
                _exit(2);
            std::raise(first);
            if (!StopSignals::received())
                _exit(3);
            std::raise(second);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child exited with " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), second);
    }
}
