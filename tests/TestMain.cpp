#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The engine finds its data files relative to the working directory, as in a game folder.
    if (chdir(QEL_GAME_DIR) != 0)
        return 2;
    // No audio device on test machines: let the audio library open its null device.
    setenv("ALSOFT_DRIVERS", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    // Saved data goes to a folder of the run's own, never into the user's.
    const qel::test::TempDir dataHome;
    setenv("XDG_DATA_HOME", dataHome.path.c_str(), 1);
    return RUN_ALL_TESTS();
}
