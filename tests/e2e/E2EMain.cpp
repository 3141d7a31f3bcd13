#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// The black-box tests drive a real window: they need an X server (run-tests starts an Xvfb of
// its own for them) and must never send their keys to a desktop by accident of configuration.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "qel-e2e: no X display; run it under xvfb-run (see run-tests)\n");
        return 1;
    }
    // No audio device on test machines: the engine's audio library opens its null device.
    setenv("ALSOFT_DRIVERS", "null", 0);
    // Saved data goes to a folder of the run's own, never into the user's.
    const qel::test::TempDir dataHome;
    setenv("XDG_DATA_HOME", dataHome.path.c_str(), 1);
    return RUN_ALL_TESTS();
}
