#include "sound/SoundManager.hpp"

#include "base/HashString.hpp"
#include "sound/ToneFile.hpp"
#include "support/EngineFixture.hpp"
#include "support/ErrorLines.hpp"
#include "support/FakeScript.hpp"
#include "support/KeyEvent.hpp"
#include "support/TempDir.hpp"

#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/System/Sleep.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include <sys/stat.h>
#include <sys/wait.h>

using namespace qel;
using qel::test::saysOnceAbout;
using qel::test::TempDir;
using qel::test::wavHeader;
using qel::test::writeTone;

namespace {

// A tone under a name without the extension that the file writer needs to pick its format.
void writeToneWithoutExtension(const std::filesystem::path& file)
{
    const std::filesystem::path written = file.string() + ".wav";
    writeTone(written);
    std::filesystem::rename(written, file);
}

// Every character pair "!B" hashes to 0 wherever it stands, and 32 bytes push out the folder's part.
const std::string ZeroHashName = [] {
    std::string name;
    for (int i = 0; i < 16; ++i)
        name += "!B";
    return name;
}();

// A manager with a few sound files beside it; the diagnostics of each call can be captured.
struct SoundFiles : testing::Test {
    std::string path(const std::string& name) const { return folder.prefix() + name; }

    // Loads a file that must be refused, keeping what was said on the error output.
    std::string loadRefused(const std::string& name)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(manager.load(path(name).c_str()), SoundManager::NoSound) << name;
        testing::internal::GetCapturedStdout();
        return testing::internal::GetCapturedStderr();
    }

    int32_t loadQuietly(const std::string& name)
    {
        testing::internal::CaptureStdout();
        const int32_t id = manager.load(path(name).c_str());
        testing::internal::GetCapturedStdout();
        return id;
    }

    TempDir folder;
    // Holds the audio device open while the manager places the listener: once the previous test
    // has closed it, the audio library would send that to the closed device and complain.
    sf::SoundBuffer keepsAudioDeviceOpen;
    SoundManager manager{nullptr};
};

} // namespace

TEST_F(SoundFiles, APathIsOpenedOnceUntilItIsUnloaded)
{
    writeTone(path("blip.wav"));
    const int32_t id = manager.load(path("blip.wav").c_str());
    EXPECT_EQ(id, hashString(path("blip.wav").c_str()));

    std::filesystem::remove(path("blip.wav"));
    EXPECT_EQ(manager.load(path("blip.wav").c_str()), id) << "the stored sound answers; the file is not opened";

    EXPECT_TRUE(manager.unload(id));
    EXPECT_FALSE(manager.unload(id));
    EXPECT_FALSE(manager.play(id)) << "an unloaded identifier names nothing";
    EXPECT_EQ(manager.load(path("blip.wav").c_str()), SoundManager::NoSound) << "now the file is opened";

    writeTone(path("blip.wav"));
    EXPECT_EQ(manager.load(path("blip.wav").c_str()), id) << "loading again gives the same identifier";
}

TEST_F(SoundFiles, OnlyExactlyOggOrOGGIsStreamed)
{
    writeTone(path("tune.ogg"));
    std::filesystem::copy_file(path("tune.ogg"), path("tune.OGG"));
    std::filesystem::copy_file(path("tune.ogg"), path("tune.Ogg"));

    for (const char* streamed : {"tune.ogg", "tune.OGG"}) {
        testing::internal::CaptureStdout();
        EXPECT_NE(manager.load(path(streamed).c_str()), SoundManager::NoSound) << streamed;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "LOAD AS STREAM ...\n") << streamed;
    }

    testing::internal::CaptureStdout();
    EXPECT_NE(manager.load(path("tune.Ogg").c_str()), SoundManager::NoSound) << "decoded whole";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.load(path("missing.ogg").c_str()), SoundManager::NoSound);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "LOAD AS STREAM ...\n") << "printed before opening";
}

TEST_F(SoundFiles, PathsShorterThanTheExtensionAreNeverStreamed)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.load("ogg"), SoundManager::NoSound);
    EXPECT_EQ(manager.load("gg"), SoundManager::NoSound);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    manager.load(".ogg");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "LOAD AS STREAM ...\n") << "four bytes are enough";
}

TEST_F(SoundFiles, VolumeTakesZeroToOneAndReportsZeroToHundred)
{
    writeTone(path("blip.wav"));
    const int32_t id = loadQuietly("blip.wav");
    EXPECT_FLOAT_EQ(manager.getVolume(id), 100.f) << "fresh sounds play at full volume";

    EXPECT_TRUE(manager.setVolume(id, 2.f));
    EXPECT_FLOAT_EQ(manager.getVolume(id), 100.f);
    manager.setVolume(id, -1.f);
    EXPECT_FLOAT_EQ(manager.getVolume(id), 0.f);
    manager.setVolume(id, 0.25f);
    EXPECT_FLOAT_EQ(manager.getVolume(id), 25.f);
    manager.setVolume(id, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(manager.getVolume(id), 0.f);
}

// Buffered and streamed sounds take every setting alike.
TEST_F(SoundFiles, SettingsReachBothKindsOfSound)
{
    writeTone(path("blip.wav"));
    writeTone(path("tune.ogg"));
    for (const char* name : {"blip.wav", "tune.ogg"}) {
        SCOPED_TRACE(name);
        const int32_t id = loadQuietly(name);

        testing::internal::CaptureStdout();
        EXPECT_TRUE(manager.setPan(id, 1.f));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "0.125000 0.000000 0.050000\n");
        EXPECT_FLOAT_EQ(manager.getPan(id), 1.f);
        EXPECT_EQ(manager.getPosition(id), sf::Vector3f(0.125f, 0.f, 0.05f));

        EXPECT_FALSE(manager.is3D(id)) << "fresh sounds are placed relative to the listener";
        EXPECT_TRUE(manager.set3D(id, true));
        EXPECT_TRUE(manager.is3D(id));
        testing::internal::CaptureStdout();
        EXPECT_TRUE(manager.setPosition(id, 1.f, 2.f, -3.f));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "1.000000 2.000000 -3.000000\n");
        EXPECT_FLOAT_EQ(manager.getPan(id), 8.f) << "pan reads eight times x, however it was placed";
        manager.set3D(id, false);
        EXPECT_FALSE(manager.is3D(id));

        EXPECT_FALSE(manager.getLoop(id));
        EXPECT_TRUE(manager.setLoop(id, true));
        EXPECT_TRUE(manager.getLoop(id));
        EXPECT_TRUE(manager.setPitch(id, 1.5f));
        EXPECT_FLOAT_EQ(manager.getPitch(id), 1.5f);

        EXPECT_TRUE(manager.play(id));
        EXPECT_TRUE(manager.pause(id));
        EXPECT_TRUE(manager.stop(id));
    }
}

TEST_F(SoundFiles, AnIdentifierWithoutASoundGivesTheEmptyResults)
{
    const int32_t id = 12345;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(manager.play(id));
    EXPECT_FALSE(manager.pause(id));
    EXPECT_FALSE(manager.stop(id));
    EXPECT_FALSE(manager.setVolume(id, 0.5f));
    EXPECT_FALSE(manager.setPan(id, 1.f));
    EXPECT_FALSE(manager.setPitch(id, 2.f));
    EXPECT_FALSE(manager.setLoop(id, true));
    EXPECT_FALSE(manager.set3D(id, true));
    EXPECT_FALSE(manager.setPosition(id, 1.f, 2.f, 3.f));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "nothing placed, nothing printed";
    EXPECT_EQ(manager.getVolume(id), 0.f);
    EXPECT_EQ(manager.getPan(id), 0.f);
    EXPECT_EQ(manager.getPitch(id), 0.f);
    EXPECT_FALSE(manager.getLoop(id));
    EXPECT_FALSE(manager.is3D(id));
    EXPECT_EQ(manager.getPosition(id), sf::Vector3f());
    EXPECT_FALSE(manager.unload(id)) << "looking an identifier up never makes an entry";
    EXPECT_FALSE(manager.play(SoundManager::NoSound));
}

TEST_F(SoundFiles, UnloadAllReleasesEverySound)
{
    writeTone(path("blip.wav"));
    writeTone(path("tune.ogg"));
    const int32_t blip = loadQuietly("blip.wav");
    const int32_t tune = loadQuietly("tune.ogg");
    manager.play(tune);

    manager.unloadAll();
    EXPECT_FALSE(manager.play(blip));
    EXPECT_FALSE(manager.play(tune));
    EXPECT_EQ(loadQuietly("blip.wav"), blip) << "the manager stays usable";
}

TEST_F(SoundFiles, APathWhoseIdentifierWouldBeZeroIsRefused)
{
    writeToneWithoutExtension(path(ZeroHashName));
    ASSERT_EQ(hashString(path(ZeroHashName).c_str()), 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.load(path(ZeroHashName).c_str()), SoundManager::NoSound);
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostic.find(path(ZeroHashName)), std::string::npos) << diagnostic;

    EXPECT_FALSE(manager.unload(0)) << "nothing is kept under the failure value";
    std::filesystem::copy_file(path(ZeroHashName), path("same-tone"));
    EXPECT_NE(loadQuietly("same-tone"), SoundManager::NoSound) << "the file itself loads under another name";
}

// "ac", "be" and "cg" hash alike, so names differing only there have the same hash.
TEST_F(SoundFiles, PathsWhoseHashIsTakenGetTheNextFreeIdentifierAndKeepIt)
{
    for (const char* name : {"sound-ac.wav", "sound-be.wav", "sound-cg.wav"})
        writeTone(path(name));
    const int32_t hashed = loadQuietly("sound-ac.wav");
    ASSERT_EQ(hashed, hashString(path("sound-be.wav").c_str()));

    testing::internal::CaptureStderr();
    const int32_t second = manager.load(path("sound-be.wav").c_str());
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ(second, hashed + 1);
    EXPECT_TRUE(saysOnceAbout(diagnostic, path("sound-be.wav"))) << diagnostic;
    EXPECT_NE(diagnostic.find(path("sound-ac.wav")), std::string::npos) << diagnostic;
    EXPECT_EQ(loadQuietly("sound-cg.wav"), hashed + 2) << "past every taken identifier";

    manager.setVolume(second, 0.5f);
    EXPECT_EQ(manager.getVolume(second), 50.f);
    EXPECT_EQ(manager.getVolume(hashed), 100.f) << "each path has a sound of its own";

    EXPECT_TRUE(manager.unload(hashed));
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.load(path("sound-be.wav").c_str()), second) << "a loaded path keeps its identifier";
    EXPECT_EQ(manager.load(path("sound-ac.wav").c_str()), hashed) << "its own identifier is free again";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a path loaded again is no collision";

    std::filesystem::remove(path("sound-cg.wav"));
    EXPECT_TRUE(manager.unload(hashed + 2));
    EXPECT_EQ(loadRefused("sound-cg.wav").find("sound-ac.wav"), std::string::npos)
        << "a path that does not load takes no identifier and is no collision";
}

// After 32 bytes of "!B" pairs the hash is that of what follows alone: -1 for both names.
TEST_F(SoundFiles, TheIdentifierAfterMinusOneIsOneNotTheFailureValue)
{
    const std::string first = ZeroHashName + "\xff";
    const std::string second = ZeroHashName + "!\xbd";
    writeToneWithoutExtension(path(first));
    writeToneWithoutExtension(path(second));
    ASSERT_EQ(hashString(path(second).c_str()), -1);

    EXPECT_EQ(loadQuietly(first), -1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.load(path(second).c_str()), 1);
    testing::internal::GetCapturedStderr();
}

// A header that claims gigabytes must be refused from the header, before the audio library
// reserves memory for what it claims: the engine's own line says why.
TEST_F(SoundFiles, HeadersClaimingWhatNoSoundHasAreRefused)
{
    const std::string someSamples(1000, '\x10');
    folder.write("huge.wav", wavHeader(1, 44100, 0xfffffff0) + someSamples);
    folder.write("wide.ogg", wavHeader(65535, 44100, 1000) + someSamples);
    folder.write("wide.wav", wavHeader(9, 44100, 1000) + someSamples);
    folder.write("silent.wav", wavHeader(0, 44100, 1000) + someSamples);
    folder.write("slow.ogg", wavHeader(1, 999, 1000) + someSamples);
    folder.write("fast.wav", wavHeader(2, 192001, 1000) + someSamples);
    for (const char* name : {"huge.wav", "wide.ogg", "wide.wav", "silent.wav", "slow.ogg", "fast.wav"})
        EXPECT_TRUE(saysOnceAbout(loadRefused(name), path(name)));

    // Streamed sounds are read a little at a time, so their length does not matter.
    folder.write("long.ogg", wavHeader(1, 44100, 0xfffffff0) + someSamples);
    EXPECT_NE(loadQuietly("long.ogg"), SoundManager::NoSound);
}

TEST_F(SoundFiles, HeadersAtTheLimitsStillLoad)
{
    // The most channels, and the slowest and the fastest rate, that a header may claim.
    const std::string samples(8 * 2 * 100, '\x10');
    folder.write("eight.wav", wavHeader(8, 44100, samples.size()) + samples);
    folder.write("slowest.wav", wavHeader(1, 1000, samples.size()) + samples);
    folder.write("fastest.wav", wavHeader(2, 192000, samples.size()) + samples);
    for (const char* name : {"eight.wav", "slowest.wav", "fastest.wav"})
        EXPECT_NE(loadQuietly(name), SoundManager::NoSound) << name;
}

TEST_F(SoundFiles, OnlyRegularFilesAreOpened)
{
    // A folder would keep the audio library reading forever; a pipe would block until written.
    std::filesystem::create_directory(path("folder.wav"));
    std::filesystem::create_directory(path("folder.ogg"));
    ASSERT_EQ(mkfifo(path("pipe.wav").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(path("pipe.ogg").c_str(), 0600), 0);
    for (const char* name : {"folder.wav", "folder.ogg", "pipe.wav", "pipe.ogg", "missing.wav"})
        EXPECT_TRUE(saysOnceAbout(loadRefused(name), path(name)));

    writeTone(path("tone.wav"));
    std::filesystem::create_symlink(path("tone.wav"), path("link.wav"));
    EXPECT_NE(loadQuietly("link.wav"), SoundManager::NoSound) << "a link to a regular file is one";
}

namespace {

// Loads, sets and plays a sound of each kind in a fresh process whose audio library sees only
// the given driver setting (none: the library's own choice, as on a player's machine). Exits 0
// when every load failed, 1 when all worked, 2 for a mix; a crash fails the caller.
[[noreturn]] void playWithAudioDrivers(const char* drivers)
{
    if (drivers)
        setenv("ALSOFT_DRIVERS", drivers, 1);
    else
        unsetenv("ALSOFT_DRIVERS");
    int played = 0;
    {
        TempDir folder;
        writeTone(folder.path / "blip.wav");
        writeTone(folder.path / "tune.ogg");
        SoundManager manager(nullptr);
        for (const char* name : {"blip.wav", "tune.ogg"}) {
            const int32_t id = manager.load((folder.prefix() + name).c_str());
            manager.setVolume(id, 0.f);
            manager.setPan(id, -1.f);
            played += manager.play(id);
        }
        sf::sleep(sf::milliseconds(100));
    }
    std::exit(played == 0 ? 0 : played == 2 ? 1 : 2);
}

bool exitedWithAllOrNothingLoaded(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

} // namespace

TEST(SoundWithoutAudioDevice, LoadsFailQuietlyAndNothingCrashes)
{
    const std::string style = GTEST_FLAG_GET(death_test_style);
    // A fresh process, not a fork: the audio library chooses its device once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // This output opens no device on any machine unless it is given a file to write to.
    EXPECT_EXIT(playWithAudioDrivers("wave"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(playWithAudioDrivers(nullptr), exitedWithAllOrNothingLoaded, "");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(SoundInTheEngine, LivesFromBeforeTheScriptsLoadUntilShutdownAndOutlivesReloads)
{
    TempDir folder;
    writeTone(folder.path / "blip.wav");
    sf::SoundBuffer keepsAudioDeviceOpen;
    auto core = std::make_unique<Core>();
    auto fake = std::make_unique<test::FakeScript>();
    bool presentWhileLoading = false;
    fake->onLoad = [&] { presentWhileLoading = core->getSoundManager() != nullptr; };
    core->setScript(std::move(fake));
    testing::internal::CaptureStdout();
    core->build(test::testOptions());
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(presentWhileLoading) << "scripts find the sound manager when they load";

    SoundManager* manager = core->getSoundManager();
    ASSERT_NE(manager, nullptr);
    const int32_t id = manager->load((folder.prefix() + "blip.wav").c_str());
    manager->play(id);

    testing::internal::CaptureStdout();
    core->handleEvent(test::keyPress(sf::Keyboard::R, test::WithShift));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(core->getSoundManager(), manager);
    EXPECT_TRUE(manager->stop(id)) << "the sound survives the script reload";

    core->shutdown();
    EXPECT_EQ(core->getSoundManager(), nullptr);
}
