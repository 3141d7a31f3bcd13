#include "base/GameFiles.hpp"

#include "support/GameArchive.hpp"
#include "support/GameFolder.hpp"
#include "support/TempDir.hpp"
#include "support/ZipWriter.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace qel;
using qel::test::MountedArchive;
using qel::test::TempDir;
using qel::test::WorkingDirectory;
using qel::test::ZipMember;
using qel::test::zipOf;

namespace {

std::string text(const std::optional<std::vector<unsigned char>>& bytes)
{
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(nothing)";
}

// A text long enough to be read in several pieces, and unlike itself from place to place.
const std::string LongText = [] {
    std::string made;
    for (int i = 0; made.size() < 200000; ++i)
        made += std::to_string(i * 7919 % 10007) + ",";
    return made;
}();

const std::vector<std::pair<std::string, std::string>> GameFileList = {
    {"scripts/main.lua", "print('main')\n"}, {"data/long.txt", LongText}, {"config.dat", "#script\nmain\n"}};

// Runs the check with the game in a folder, then with the same files in an archive (deflated),
// each time from the working directory the readers start in.
template <class Check>
void inFolderAndArchive(Check check)
{
    TempDir game;
    std::vector<ZipMember> members;
    for (const auto& [name, contents] : GameFileList) {
        game.write(name, contents);
        ZipMember member;
        member.name = name;
        member.data = contents;
        member.deflated = true;
        members.push_back(member);
    }
    {
        SCOPED_TRACE("folder");
        WorkingDirectory inside(game.path);
        check();
    }
    SCOPED_TRACE("archive");
    TempDir elsewhere;
    elsewhere.write("game.qel", zipOf(members));
    WorkingDirectory inside(elsewhere.path);
    MountedArchive archive("game.qel");
    ASSERT_EQ(archive.error, "");
    EXPECT_EQ(GameFiles::archive(), "game.qel");
    check();
}

// The archive of the one member, mounted while the check runs.
template <class Check>
void withMember(const ZipMember& member, Check check)
{
    TempDir folder;
    folder.write("one.qel", zipOf({member}));
    MountedArchive archive(folder.prefix() + "one.qel");
    ASSERT_EQ(archive.error, "");
    check();
}

} // namespace

TEST(GameFiles, ReadsAFolderAndAnArchiveAlike)
{
    TempDir outside;
    outside.write("outside.txt", "from the file system");
    inFolderAndArchive([&] {
        std::string error;
        EXPECT_EQ(text(GameFiles::read("scripts/main.lua", error)), "print('main')\n") << error;
        EXPECT_EQ(text(GameFiles::read("./scripts//main.lua", error)), "print('main')\n") << error;
        EXPECT_EQ(text(GameFiles::read("data/long.txt", error)), LongText) << error;
        EXPECT_EQ(text(GameFiles::read(outside.prefix() + "outside.txt", error)), "from the file system")
            << "an absolute path is the file system's";

        EXPECT_EQ(GameFiles::whyNoFile("scripts/none.lua"), "there is no such file");
        EXPECT_EQ(GameFiles::whyNoFile("scripts"), "it is not a regular file");
        EXPECT_TRUE(GameFiles::exists("scripts") && GameFiles::exists("config.dat"));
        EXPECT_FALSE(GameFiles::exists("none"));
        EXPECT_FALSE(GameFiles::read("data/long.txt", error, 1000));
        EXPECT_EQ(error, "it is larger than 1000 bytes");
        EXPECT_FALSE(GameFiles::read("scripts", error));
        EXPECT_EQ(error, "it is not a regular file");

        // A streamed file seeks back and forth, as a sound's decoder does.
        const std::unique_ptr<GameFile> file = GameFiles::open("data/long.txt", error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(file->size(), static_cast<std::int64_t>(LongText.size()));
        char piece[16];
        for (std::int64_t at : {150000, 10, 199990}) {
            ASSERT_TRUE(file->seek(at));
            EXPECT_EQ(file->tell(), at);
            const std::int64_t read = file->read(piece, sizeof piece);
            EXPECT_EQ(std::string(piece, read), LongText.substr(at, sizeof piece)) << at;
        }
        EXPECT_EQ(file->read(piece, sizeof piece), 0) << "at the end";
    });
}

TEST(GameFiles, AnArchiveKeepsReadersInsideAndChecksWhatTheyRead)
{
    ZipMember member;
    member.name = "scripts/main.lua";
    member.data = LongText;
    member.deflated = true;
    withMember(member, [] {
        for (const char* outside : {"../x.lua", "scripts/../../x.lua", ".."}) {
            EXPECT_EQ(GameFiles::whyNoFile(outside), "it lies outside the game archive") << outside;
            EXPECT_FALSE(GameFiles::exists(outside)) << outside;
        }
    });

    // Whatever a damaged member unpacks to, the reader gets no more than it claims, and no bytes
    // that do not match their checksum.
    const auto damaged = [](const std::function<void(ZipMember&)>& damage) {
        ZipMember member;
        member.name = "damaged.txt";
        member.data = std::string(50000, 'a');
        member.deflated = true;
        damage(member);
        withMember(member, [] {
            std::string error;
            EXPECT_FALSE(GameFiles::read("damaged.txt", error));
            EXPECT_EQ(error, "it is damaged in the archive (its bytes do not match their checksum)");
        });
    };
    damaged([](ZipMember& member) { member.crc = 12345; });
    damaged([](ZipMember& member) { member.claimedBytes = 100; });
    damaged([](ZipMember& member) {
        member.data = "abc";
        member.claimedBytes = 4000;
    });

    // A refused archive leaves the game where it was.
    TempDir folder;
    folder.write("bad.qel", "not a zip");
    EXPECT_EQ(GameFiles::mountArchive(folder.prefix() + "bad.qel"), "it is not a zip archive");
    EXPECT_EQ(GameFiles::archive(), "");
}
