#include "base/SaveStore.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
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

unsigned numberOf(const std::string& nthValue)
{
    return std::stoul(nthValue.substr(0, nthValue.find(':')));
}

// A child process that saves the first value, then every step-th one after it, under "value"
// until it is killed.
pid_t startSaving(const std::filesystem::path& folder, unsigned first, unsigned step)
{
    const pid_t child = fork();
    if (child == 0) {
        SaveStore store(folder);
        std::string error;
        for (unsigned n = first;; n += step)
            store.write("value", nthValue(n), error);
    }
    return child;
}

void stop(pid_t child)
{
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

std::vector<std::filesystem::path> temporaryFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> found;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string()[0] == '.')
            found.push_back(entry.path());
    return found;
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
        const pid_t child = startSaving(folder.path, savesDone, 1);
        ASSERT_GE(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        stop(child);
        std::string error;
        const std::optional<std::string> bytes = SaveStore(folder.path).read("value", error);
        if (!bytes) {
            EXPECT_EQ(savesDone, 0u) << "after kill " << kill << ": a value once saved is gone";
            continue;
        }
        ASSERT_TRUE(isSomeNthValue(*bytes)) << "after kill " << kill << ": " << bytes->substr(0, 40);
        savesDone = numberOf(*bytes) + 1;
    }
    EXPECT_GT(savesDone, 0u) << "no kill came after a save";
    EXPECT_EQ(SaveStore(folder.path).names(), std::vector<std::string>{"value"});
}

// Two processes save one name at once, one the even values, the other the odd: the name always
// holds one whole value. Their killed writes leave temporary files, which are no names, and
// which a write a minute later removes, but not one whose writer still holds it.
TEST(SaveStore, TwoProcessesSavingOneNameAtOnceNeverMixTheirValues)
{
    test::TempDir folder;
    const pid_t savers[] = {startSaving(folder.path, 0, 2), startSaving(folder.path, 1, 2)};
    ASSERT_GE(std::min(savers[0], savers[1]), 0);
    bool seen[2] = {false, false};
    std::string fault;
    for (int look = 0; look < 1000 && fault.empty(); ++look) {
        std::string error;
        const std::optional<std::string> bytes = SaveStore(folder.path).read("value", error);
        if (bytes && !isSomeNthValue(*bytes))
            fault = "look " + std::to_string(look) + ": " + bytes->substr(0, 40) + " (" + std::to_string(bytes->size()) + " bytes)";
        else if (bytes)
            seen[numberOf(*bytes) % 2] = true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    for (pid_t saver : savers)
        stop(saver);
    ASSERT_EQ(fault, "") << "a mixture of two saves";
    EXPECT_TRUE(seen[0] && seen[1]) << "one process never saved";

    SaveStore store(folder.path);
    EXPECT_EQ(store.names(), std::vector<std::string>{"value"});
    folder.write(".value.held.new", "a write in progress");
    const int held = ::open((folder.path / ".value.held.new").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    folder.write(".value.new", "left by a killed write");
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const std::filesystem::path& temporary : temporaryFiles(folder.path))
        std::filesystem::last_write_time(temporary, longAgo);
    folder.write(".value.recent.new", "being made");
    std::string error;
    ASSERT_TRUE(store.write("value", nthValue(1), error)) << error;
    const std::vector<std::filesystem::path> left = temporaryFiles(folder.path);
    ::close(held);
    EXPECT_EQ(std::set<std::filesystem::path>(left.begin(), left.end()),
              (std::set<std::filesystem::path>{folder.path / ".value.held.new", folder.path / ".value.recent.new"}));
    EXPECT_EQ(store.names(), std::vector<std::string>{"value"});
}
