#include "base/SaveStore.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

using qel::SaveStore;
namespace test = qel::test;

namespace {

// The value of the n-th save: its number, then bytes that follow from it, of a length that
// varies from a few bytes to some tens of KB, so that a mixture of two saves shows.
std::string nthValue(unsigned n)
{
    const std::string head = std::to_string(n) + ":";
    return head + std::string((n * 7919u) % 60000u, static_cast<char>('a' + n % 26));
}

bool isSomeNthValue(const std::string& bytes)
{
    const std::size_t colon = bytes.find(':');
    return colon != std::string::npos && colon > 0 && bytes == nthValue(std::stoul(bytes.substr(0, colon)));
}

} // namespace

TEST(SaveStore, NamesArePlainAndStayInsideTheFolder)
{
    for (const char* good : {"a", "high-scores_2.dat", "A.b.c"})
        EXPECT_TRUE(SaveStore::isName(good)) << good;
    EXPECT_TRUE(SaveStore::isName(std::string(64, 'n')));
    for (const char* bad : {"", ".", "..", ".hidden", "../up", "a/b", "a\\b", "sp ace", "é", "a\nb"})
        EXPECT_FALSE(SaveStore::isName(bad)) << bad;
    EXPECT_FALSE(SaveStore::isName(std::string(65, 'n')));
    EXPECT_FALSE(SaveStore::isName(std::string("a\0b", 3)));
}

TEST(SaveStore, TheFolderIsTheUsersDataFolderAndIsMadeOnTheFirstWrite)
{
    test::TempDir home;
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "/";
    const std::string oldDataHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    EXPECT_EQ(SaveStore::userFolder("game"), home.path / "qel/saves/game");
    setenv("XDG_DATA_HOME", "relative", 1);
    setenv("HOME", home.path.c_str(), 1);
    EXPECT_EQ(SaveStore::userFolder("game"), home.path / ".local/share/qel/saves/game");
    setenv("HOME", oldHome.c_str(), 1);
    setenv("XDG_DATA_HOME", oldDataHome.c_str(), 1);

    SaveStore store(home.path / "made/on/write");
    std::string error;
    EXPECT_FALSE(store.read("x", error));
    EXPECT_EQ(error, "");
    EXPECT_TRUE(store.names().empty());
    EXPECT_FALSE(std::filesystem::exists(store.getFolder()));
    ASSERT_TRUE(store.write("x", "bytes", error)) << error;
    EXPECT_EQ(store.read("x", error), "bytes");
    EXPECT_EQ(store.names(), std::vector<std::string>{"x"});
    EXPECT_TRUE(store.remove("x", error) && store.remove("x", error));
    EXPECT_TRUE(store.names().empty());

    EXPECT_FALSE(SaveStore().write("x", "bytes", error));
    EXPECT_NE(error.find("no folder"), std::string::npos);
}

TEST(SaveStore, RefusesWhatIsNoFileOrTooMuch)
{
    test::TempDir folder;
    SaveStore store(folder.path);
    std::string error;
    ASSERT_EQ(mkfifo((folder.path / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(store.read("pipe", error));
    EXPECT_EQ(error, "it is not a regular file");
    std::filesystem::resize_file((folder.write("huge", ""), folder.path / "huge"), SaveStore::MostFileBytes + 1);
    EXPECT_FALSE(store.read("huge", error));
    EXPECT_EQ(error, "it is larger than 16 MB");
    EXPECT_EQ(store.names(), std::vector<std::string>{"huge"});

    // Sparse files stand in for a game that saved 256 MB.
    for (int i = 0; i < 15; ++i) {
        folder.write("part" + std::to_string(i), "");
        std::filesystem::resize_file(folder.path / ("part" + std::to_string(i)), SaveStore::MostFileBytes);
    }
    EXPECT_FALSE(store.write("more", "12", error));
    EXPECT_EQ(error, "the game's saved data would pass 256 MB");
    EXPECT_TRUE(store.write("huge", "small now", error)) << "replacing a name counts its new size only";
    EXPECT_TRUE(store.write("more", "12", error)) << error;

    chmod(folder.path.c_str(), 0500);
    const bool refused = !store.write("more", "34", error);
    chmod(folder.path.c_str(), 0700);
    if (geteuid() != 0) {
        EXPECT_TRUE(refused);
        EXPECT_EQ(store.read("more", error), "12");
    }
}

// A child saves in a loop and is killed at random moments: every time, the name holds one
// whole value, never a mixture, a cut one or an empty file.
TEST(SaveStore, AKilledSaveLeavesTheOldValueOrTheNew)
{
    test::TempDir folder;
    std::mt19937 random(12345);
    unsigned savesDone = 0;
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SaveStore store(folder.path);
            std::string error;
            for (unsigned n = savesDone;; ++n)
                store.write("value", nthValue(n), error);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::string error;
        const std::optional<std::string> bytes = SaveStore(folder.path).read("value", error);
        if (!bytes) {
            EXPECT_EQ(savesDone, 0u) << "after kill " << kill << ": a value once saved is gone";
            continue;
        }
        ASSERT_TRUE(isSomeNthValue(*bytes)) << "after kill " << kill << ": " << bytes->substr(0, 40);
        savesDone = std::stoul(bytes->substr(0, bytes->find(':'))) + 1;
    }
    EXPECT_GT(savesDone, 0u) << "no kill came after a save";
    EXPECT_EQ(SaveStore(folder.path).names(), std::vector<std::string>{"value"});
}
