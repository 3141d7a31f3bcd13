#include "base/FreshFile.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>

using namespace qel;

TEST(FreshFile, NamesANewFileInAFolderMadeForItAndNeverOneTaken)
{
    test::TempDir folder;
    const std::filesystem::path shots = folder.path / "saves" / "screenshots";
    std::string error;
    EXPECT_EQ(claimFreshFile(shots, "2024-05-01_10-00-00", ".png", error), shots / "2024-05-01_10-00-00.png");
    EXPECT_EQ(claimFreshFile(shots, "2024-05-01_10-00-00", ".png", error), shots / "2024-05-01_10-00-00-2.png");
    std::ofstream(shots / "2024-05-01_10-00-00-3.png") << "a picture taken before";
    EXPECT_EQ(claimFreshFile(shots, "2024-05-01_10-00-00", ".png", error), shots / "2024-05-01_10-00-00-4.png");
    EXPECT_EQ(std::filesystem::file_size(shots / "2024-05-01_10-00-00-3.png"), 22u) << "left alone";

    folder.write("plain", "a file where the folder should be");
    EXPECT_EQ(claimFreshFile(folder.path / "plain", "shot", ".png", error), std::nullopt);
    EXPECT_FALSE(error.empty());
}
