#include "app/Core.hpp"
#include "app/GamePacker.hpp"
#include "app/LaunchOptions.hpp"
#include "base/GameFiles.hpp"
#include "base/GamePaths.hpp"
#include "sound/ToneFile.hpp"
#include "support/EngineFixture.hpp"
#include "support/ErrorLines.hpp"
#include "support/GameArchive.hpp"
#include "support/GameFolder.hpp"
#include "support/TempDir.hpp"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

using namespace qel;
using qel::test::contains;
using qel::test::MountedArchive;
using qel::test::TempDir;
using qel::test::WorkingDirectory;

namespace {

const char* const StartScript = R"(
local deep = require "scripts.lib.deep.mod"
print("deep", deep.answer)
LuaCore(gCore).load("more/extra.lua")
local sounds = LuaSoundManager(gSoundManager)
local streamed = sounds.load("data/tone.ogg")
sounds.play(streamed)
print("sounds", streamed ~= 0, sounds.load("data/tone.wav") ~= 0)
local found, why = pcall(require, "scripts.none")
print("missing", found, why:find("no file './scripts/none.lua'", 1, true) ~= nil)
)";

// A small game of every kind of file the engine reads, in the folder "game", with its archive
// packed beside it as game.qel.
struct SmallGame {
    SmallGame()
    {
        root.write("game/config.dat", "#script\nstart\n#style\nfullFit\n#watch\n1\n");
        root.write("game/scripts/start.lua", StartScript);
        root.write("game/scripts/lib/deep/mod.lua", "local other = require 'scripts.lib.other' return {answer = other * 6}");
        root.write("game/scripts/lib/other.lua", "return 7");
        root.write("game/scripts/more/extra.lua", "print('extra runs')");
        std::filesystem::create_directories(folder() / "data/wallpapers");
        test::writeTone(folder() / "data/tone.ogg");
        test::writeTone(folder() / "data/tone.wav");
        sf::Image wallpaper;
        wallpaper.create(4, 4, WallpaperColor);
        wallpaper.saveToFile((folder() / "data/wallpapers/18.png").string());
        testing::internal::CaptureStdout();
        EXPECT_EQ(GamePacker::pack(folder().string(), archive()), 0);
        testing::internal::GetCapturedStdout();
    }

    std::filesystem::path folder() const { return root.path / "game"; }
    std::string archive() const { return (root.path / "game.qel").string(); }

    static inline const sf::Color WallpaperColor{10, 200, 30};
    TempDir root;
};

struct GameRun {
    std::string out;
    std::string err;
    std::filesystem::path saveFolder;
    sf::Color corner;
};

// Starts the game in the working directory or the archive mounted as the program does: the
// launch options read, the engine built, one frame shown.
GameRun runGame()
{
    const char* const argv[] = {"qel"};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const LaunchOptions::Parsed parsed = LaunchOptions::parse(1, argv, basePath());
    GameRun run;
    if (parsed.options) {
        const std::unique_ptr<Core> core = std::make_unique<Core>();
        core->build(*parsed.options);
        run.corner = test::screenshot(*core).getPixel(5, 5);
        run.saveFolder = parsed.options->saveFolder();
    }
    run.out = testing::internal::GetCapturedStdout();
    run.err = test::withoutWindowNotices(testing::internal::GetCapturedStderr());
    return run;
}

} // namespace

// Scripts with their modules, config.dat, pictures and sounds (streamed too) come from the archive
// as from the folder; saved data goes under the game's name either way. Only a folder is watched.
TEST(GameArchive, RunsAsItsFolderDoes)
{
    const SmallGame game;
    TempDir elsewhere;
    const auto check = [&](const GameRun& run, const std::string& errors) {
        for (const char* line : {"line = #script\n", "scriptName = start\n", "deep\t42\n", "extra runs\n",
                                 "LOAD AS STREAM ...\n", "sounds\ttrue\ttrue\n", "missing\tfalse\ttrue\n"})
            EXPECT_TRUE(contains(run.out, line)) << line << " in\n" << run.out;
        EXPECT_EQ(run.err, errors);
        EXPECT_EQ(run.corner, SmallGame::WallpaperColor) << "the wallpaper, fitted as config.dat asks";
        EXPECT_EQ(run.saveFolder.filename(), "game");
    };
    {
        SCOPED_TRACE("folder");
        WorkingDirectory inside(game.folder());
        check(runGame(), "");
    }
    SCOPED_TRACE("archive");
    WorkingDirectory inside(elsewhere.path);
    MountedArchive archive(game.archive());
    ASSERT_EQ(archive.error, "");
    check(runGame(), "qel: the scripts of a game archive are not watched (-watch watches a game folder)\n");
}

namespace {

// Where the archive's records start: each local header, table entry and end record.
std::vector<std::size_t> recordsIn(const std::string& archive)
{
    std::vector<std::size_t> records;
    for (std::size_t at = archive.find("PK"); at != std::string::npos; at = archive.find("PK", at + 1))
        if (at + 4 <= archive.size() && archive[at + 2] < 7 && archive[at + 3] < 7)
            records.push_back(at);
    return records;
}

// The archive changed as a damaged copy or an attacker might change it: bits flipped, cut short,
// a run of bytes overwritten, or a field of a record set to a telling value.
std::string mutated(const std::string& archive, const std::vector<std::size_t>& records, std::mt19937& random)
{
    std::string bytes = archive;
    const auto below = [&](std::size_t end) { return std::uniform_int_distribution<std::size_t>(0, end - 1)(random); };
    switch (below(4)) {
    case 0:
        for (std::size_t flips = 1 + below(4); flips > 0; --flips)
            bytes[below(bytes.size())] ^= static_cast<char>(1 << below(8));
        break;
    case 1:
        bytes.resize(below(bytes.size()));
        break;
    case 2: {
        const std::size_t at = below(bytes.size());
        for (std::size_t i = at; i < std::min(bytes.size(), at + 1 + below(32)); ++i)
            bytes[i] = static_cast<char>(below(256));
        break;
    }
    default: {
        static const std::uint32_t telling[] = {0, 1, 0x7f, 0xff, 0xffff, 0x7fffffff, 0xffffffff};
        const std::size_t at = records[below(records.size())] + 4 + below(42);
        const std::uint32_t value = below(2) ? telling[below(std::size(telling))] : static_cast<std::uint32_t>(random());
        for (std::size_t i = 0, width = std::size_t(1) << below(3); i < width && at + i < bytes.size(); ++i)
            bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
    }
    return bytes;
}

} // namespace

// Every damaged archive is refused with one line, or mounts and gives each file whole or a
// one-line reason, within the limits of what it holds.
TEST(GameArchive, MutatedArchivesGiveCleanErrors)
{
    const SmallGame game;
    std::ifstream in(game.archive(), std::ios::binary);
    const std::string archive{std::istreambuf_iterator<char>(in), {}};
    const std::vector<std::size_t> records = recordsIn(archive);
    const std::vector<std::string> files = {"config.dat", "scripts/start.lua", "scripts/lib/deep/mod.lua",
                                            "data/tone.ogg", "data/wallpapers/18.png", "scripts", "none"};
    std::mt19937 random(27);
    int refused = 0;
    int damagedFiles = 0;
    const std::string path = (game.root.path / "mutated.qel").string();
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        // A new file each time: the file system flushes a file cut to nothing and written again.
        std::filesystem::remove(path);
        std::ofstream(path, std::ios::binary) << mutated(archive, records, random);
        MountedArchive mounted(path);
        EXPECT_EQ(mounted.error.find('\n'), std::string::npos) << mounted.error;
        refused += !mounted.error.empty();
        if (!mounted.error.empty())
            continue;
        for (const std::string& file : files) {
            std::string error;
            const std::optional<std::vector<unsigned char>> bytes = GameFiles::read(file, error);
            EXPECT_TRUE(bytes || (!error.empty() && error.find('\n') == std::string::npos)) << file << ": " << error;
            damagedFiles += !bytes && contains(error, "damaged");
            if (const std::unique_ptr<GameFile> stream = GameFiles::open(file, error)) {
                char piece[4096];
                std::int64_t total = 0;
                for (std::int64_t read; (read = stream->read(piece, sizeof piece)) > 0;)
                    total += read;
                EXPECT_LE(total, stream->size()) << file;
            }
        }
    }
    EXPECT_GT(refused, 300) << "most damage is found in the table of contents";
    EXPECT_GT(damagedFiles, 100) << "some only when a file is read";
}
