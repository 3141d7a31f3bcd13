#include "app/GamePacker.hpp"

#include "base/ZipDirectory.hpp"
#include "support/ErrorLines.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace qel;
using qel::test::TempDir;

namespace {

struct Packed {
    int status;
    std::string out;
    std::string err;
};

Packed pack(const std::filesystem::path& folder, const std::string& archive = "")
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = GamePacker::pack(folder.string(), archive);
    const std::string out = testing::internal::GetCapturedStdout();
    return {status, out, testing::internal::GetCapturedStderr()};
}

std::string bytesOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(GamePacker, PacksTheGameSortedAndTheSameEachTimeLeavingOutTheAuthorsFiles)
{
    TempDir root;
    const std::filesystem::path game = root.path / "cave";
    for (const char* file : {"scripts/main.lua", "scripts/lib/b.lua", "scripts/lib/a.lua", "data/sounds/x.ogg",
                             "config.dat", "tests/walk-600.png", "data/tests/kept.txt", ".hidden", ".git/config", "scripts/.main.lua.swp",
                             "screenshots/2026-05-01.png", "saves/scores", "data/walk.rec"})
        root.write("cave/" + std::string(file), std::string(3000, file[0]));

    const Packed first = pack(game);
    const std::filesystem::path archive = root.path / "cave.qel";
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, archive.string() + ": 6 files, " + std::to_string(std::filesystem::file_size(archive)) + " bytes\n");
    std::string error;
    const std::optional<ZipDirectory> directory = ZipDirectory::read(archive.string(), error);
    ASSERT_TRUE(directory) << error;
    EXPECT_EQ(directory->size(), 6u);
    for (const char* kept : {"scripts/main.lua", "scripts/lib/a.lua", "data/sounds/x.ogg", "config.dat", "data/tests/kept.txt"})
        EXPECT_TRUE(directory->find(kept)) << kept;
    for (const char* left : {"tests", "data/walk.rec", ".hidden", ".git", "scripts/.main.lua.swp", "screenshots", "saves"})
        EXPECT_FALSE(directory->find(left)) << left;
    EXPECT_EQ(directory->find("data/sounds/x.ogg")->packedBytes, 3000u) << "a packed format is stored";
    EXPECT_LT(directory->find("scripts/main.lua")->packedBytes, 100u) << "the rest is deflated";
    const std::string sorted = bytesOf(archive);
    EXPECT_LT(sorted.find("config.dat"), sorted.find("data/sounds")) << "in the order of their names";

    // Another run, with the files written anew, packs the same bytes; and an archive packed into
    // the folder itself does not pack the one before.
    std::filesystem::last_write_time(game / "config.dat", std::filesystem::file_time_type::clock::now());
    EXPECT_EQ(pack(game, (game / "again.qel").string()).status, 0);
    EXPECT_EQ(pack(game, (game / "again.qel").string()).status, 0);
    EXPECT_EQ(bytesOf(game / "again.qel"), sorted);
}

TEST(GamePacker, RefusesInOneLineWhatItCannotPack)
{
    TempDir root;
    root.write("notes/readme.txt", "no scripts");
    root.write("titled/config.dat", "#script\ntitle\n");
    root.write("titled/scripts/main.lua", "");
    root.write("fine/scripts/main.lua", "");
    root.write("file.txt", "");
    const struct {
        std::string folder;
        std::string archive;
        const char* reason;
    } cases[] = {
        {"notes", "", "it has no launch script scripts/main.lua"},
        {"titled", "", "it has no launch script scripts/title.lua"},
        {"missing", "", "it is not a folder"},
        {"file.txt", "", "it is not a folder"},
        {"fine", (root.path / "no folder" / "fine.qel").string(), "cannot be written"},
    };
    for (const auto& refused : cases) {
        const Packed packed = pack(root.path / refused.folder, refused.archive);
        EXPECT_EQ(packed.status, 1) << refused.folder;
        EXPECT_EQ(packed.out, "");
        EXPECT_EQ(test::errorLines(packed.err).size(), 1u) << packed.err;
        EXPECT_NE(packed.err.find(refused.reason), std::string::npos) << packed.err;
    }
    EXPECT_FALSE(std::filesystem::exists(root.path / "notes.qel"));
    EXPECT_EQ(pack("").status, 1);
}
