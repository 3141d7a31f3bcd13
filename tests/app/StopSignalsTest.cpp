#include "app/StopSignals.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace qel;

// In a child, so that the test program keeps its own handling of signals.
TEST(StopSignals, TheFirstSignalAsksToStopAndTheSecondEndsTheProgram)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StopSignals::install();
        if (StopSignals::received())
            _exit(2);
        std::raise(SIGTERM);
        if (!StopSignals::received())
            _exit(3);
        std::raise(SIGINT);
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}
