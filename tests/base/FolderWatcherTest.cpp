#include "base/FolderWatcher.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace std::chrono_literals;

namespace {

// Watches a fresh folder and keeps a clock of its own, so that settling takes no waiting.
struct WatchedFolder {
    void write(const std::string& relative, const std::string& text = "x = 1") const { folder.write(relative, text); }
    std::filesystem::path path(const std::string& relative) const { return folder.path / relative; }

    // What the watcher says at each of the times after the last step, in milliseconds.
    std::string settledAt(std::initializer_list<int> times)
    {
        std::string answers;
        for (const int time : times)
            answers += watcher.changesSettled(start + std::chrono::milliseconds(time)) ? 'y' : '-';
        return answers;
    }

    // One burst, found settled once, SettleTime after its last change.
    testing::AssertionResult settlesOnce()
    {
        start += 1s;
        const std::string answers = settledAt({0, 99, 100, 101, 500});
        if (answers == "--y--")
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "settled at 0, 99, 100, 101, 500 ms: " << answers;
    }

    test::TempDir folder;
    FolderWatcher watcher{folder.path};
    FolderWatcher::Clock::time_point start = FolderWatcher::Clock::now();
};

} // namespace

TEST(FolderWatcher, ABurstOfChangesOfAnyKindSettlesOnce)
{
    WatchedFolder folder;
    EXPECT_EQ(folder.settledAt({0, 200}), "--") << "nothing changed";

    folder.write("main.lua");
    EXPECT_TRUE(folder.settlesOnce()) << "a plain write";

    folder.write("main.lua.new", "x = 2");
    std::filesystem::rename(folder.path("main.lua.new"), folder.path("main.lua"));
    EXPECT_TRUE(folder.settlesOnce()) << "a temporary file renamed over the script";

    folder.write("lib/added.lua");
    EXPECT_TRUE(folder.settlesOnce()) << "a script added in a new subfolder";

    std::filesystem::remove(folder.path("lib/added.lua"));
    EXPECT_TRUE(folder.settlesOnce()) << "a script removed";
    EXPECT_EQ(folder.watcher.lastChanged(), folder.path("lib/added.lua").string());

    // Changes 60 ms apart keep the burst going.
    folder.write("main.lua", "x = 3");
    EXPECT_EQ(folder.settledAt({0, 60}), "--");
    folder.write("lib/other.lua", "x = 4");
    EXPECT_EQ(folder.settledAt({60, 120, 159, 160, 400}), "---y-") << "settled 100 ms after the last change";
}

TEST(FolderWatcher, WatchesNewFoldersAndIgnoresEditorsOwnFiles)
{
    WatchedFolder folder;
    // Folders made at once, before a watch on the new top one could take hold.
    std::filesystem::create_directories(folder.path("levels/forest/east"));
    EXPECT_TRUE(folder.settlesOnce()) << "folders added";
    folder.write("levels/forest/east/tree.lua");
    EXPECT_TRUE(folder.settlesOnce()) << "a script added in a new folder's new folder";

    folder.write(".main.lua.swp");
    folder.write("levels/#main.lua#");
    folder.write("main.lua~");
    EXPECT_EQ(folder.settledAt({0, 200, 400}), "---") << "a swap file, an autosave and a backup are no change";
}
