#include "sound/LuaSoundManager.hpp"

#include "base/HashString.hpp"
#include "script/LuaTestEngine.hpp"
#include "sound/ToneFile.hpp"

#include <SFML/Audio/SoundBuffer.hpp>
#include <gtest/gtest.h>

using namespace qel;
using test::LuaTestEngine;
using test::Printed;

namespace {

// An engine whose scripts hold the sound object as sm, with a short tone of each kind in a
// folder of its own, named in Lua as blip (decoded whole) and tune (streamed).
struct ScriptedSounds : testing::Test {
    ScriptedSounds()
    {
        test::writeTone(sounds.path / "blip.wav");
        test::writeTone(sounds.path / "tune.ogg");
        engine.run("blip = '" + path("blip.wav") + "' tune = '" + path("tune.ogg") + "'");
    }

    std::string path(const std::string& name) const { return sounds.prefix() + name; }

    // Keeps the audio device open while the engine places the listener; see SoundManagerTest.
    sf::SoundBuffer keepsAudioDeviceOpen;
    test::TempDir sounds;
    LuaTestEngine engine{"sm = LuaSoundManager(gSoundManager) utils = LuaUtils(gUtils)"};
};

} // namespace

TEST_F(ScriptedSounds, LoadGivesTheHashOfThePathAndAppliesTheSettingsPassed)
{
    EXPECT_EQ(engine.run("id = sm.load(blip, 0.5) print(id == utils.hash(blip), sm.getVolume(id))").out,
              "true\t50\n");
    EXPECT_EQ(engine.run("sm.load(blip, 1, 1, 2) print(sm.getVolume(id), sm.getPan(id), sm.getPitch(id))").out,
              "0.125000 0.000000 0.050000\n100\t1\t2\n")
        << "a path loaded before gets the settings again";
    EXPECT_EQ(engine.run("sm.load(blip, nil) print(sm.getVolume(id))").out, "0\n")
        << "the argument count decides: nil reads as 0";
    EXPECT_EQ(engine.run("print(sm.load(tune, 0.25, -8))").out,
              "LOAD AS STREAM ...\n-1.000000 0.000000 0.050000\n" +
                  std::to_string(hashString(path("tune.ogg").c_str())) + "\n");
}

TEST_F(ScriptedSounds, AFailedLoadGivesZeroAndAppliesNoSetting)
{
    EXPECT_EQ(engine.run("print(sm.load('missing.ogg', 1, 1, 1))").out, "LOAD AS STREAM ...\n0\n");
    EXPECT_EQ(engine.run("print(sm.load(123))").out, "0\n") << "a number is a path too";
    EXPECT_EQ(engine.run("sm.load({})").err,
              "scripts/snippet.lua:1: LuaSoundManager.load: argument 1 must be a string or a number, not table\n");
}

// "ac" and "be" hash alike: the second path's sound is loaded under an identifier of its own.
TEST_F(ScriptedSounds, APathWhoseHashIsTakenIsLoadedAndAnsweredUnderTheIdentifierLoadGave)
{
    test::writeTone(sounds.path / "ac.wav");
    test::writeTone(sounds.path / "be.wav");
    engine.run("first = sm.load('" + path("ac.wav") + "')");
    const Printed second = engine.run("second = sm.load('" + path("be.wav") + "', 0.25, 0, 2) "
                                      "print(second - first, sm.getVolume(second), sm.getPitch(second), "
                                      "sm.getVolume(first)) sm.unload(second) print(sm.play(second), sm.play(first))");
    EXPECT_EQ(second.out, "0.000000 0.000000 0.050000\n1\t25\t2\t100\nfalse\ttrue\n");
    EXPECT_NE(second.err.find(path("be.wav")), std::string::npos) << second.err;
}

TEST_F(ScriptedSounds, FlagsFollowLuaTruth)
{
    engine.run("id = sm.load(blip)");
    EXPECT_EQ(engine.run("print(sm.setLoop(id, 0), sm.getLoop(id))").out, "true\ttrue\n") << "0 is true";
    EXPECT_EQ(engine.run("sm.setLoop(id, nil) print(sm.getLoop(id))").out, "false\n");
    engine.run("sm.setLoop(id, 1)");
    EXPECT_EQ(engine.run("sm.setLoop(id, false) print(sm.getLoop(id))").out, "false\n");
    EXPECT_EQ(engine.run("print(sm.set3D(id, 0), sm.is3D(id))").out, "true\ttrue\n");
}

TEST_F(ScriptedSounds, SetPositionPlacesOnly3DSounds)
{
    engine.run("id = sm.load(blip)");
    EXPECT_EQ(engine.run("print(sm.setPosition(id, 1, 2, 3)) print(unpack(sm.getPosition(id)))").out,
              "false\n0\t0\t0\n")
        << "nothing placed and nothing printed";
    EXPECT_EQ(engine.run("sm.set3D(id, true) print(sm.setPosition(id, 1, 2, 3)) print(unpack(sm.getPosition(id)))").out,
              "1.000000 2.000000 3.000000\ntrue\n1\t2\t3\n");
    EXPECT_EQ(engine.run("p = sm.getPosition(id) p[1] = 9 print(sm.getPosition(id)[1], #p)").out, "1\t3\n")
        << "every call gives a table of its own";
}

TEST_F(ScriptedSounds, AnIdentifierWithoutASoundGivesTheEmptyResults)
{
    EXPECT_EQ(engine.run("print(sm.play(7), sm.pause(7), sm.stop(7), sm.setVolume(7, 1), sm.setPan(7, 1), "
                         "sm.setPitch(7, 1), sm.setLoop(7, true), sm.set3D(7, true))")
                  .out,
              "false\tfalse\tfalse\tfalse\tfalse\tfalse\tfalse\tfalse\n");
    EXPECT_EQ(engine.run("print(sm.getVolume(7), sm.getPan(7), sm.getPitch(7), sm.getLoop(7), sm.is3D(7))").out,
              "0\t0\t0\tfalse\tfalse\n");
    EXPECT_EQ(engine.run("print(unpack(sm.getPosition(7)))").out, "0\t0\t0\n");
    EXPECT_EQ(engine.run("print(select('#', sm.unload(7)), select('#', sm.unload(sm.load(blip))))").out, "0\t0\n")
        << "unload returns nothing, whether or not there was a sound";
}

TEST_F(ScriptedSounds, AColonCallReadsTheObjectAsTheIdentifier)
{
    engine.run("id = sm.load(blip)");
    EXPECT_EQ(engine.run("print(sm.play(id), sm:play(id), sm:getVolume(id))").out, "true\tfalse\t0\n");
}

TEST_F(ScriptedSounds, UnloadAllEndsEveryIdentifier)
{
    engine.run("a = sm.load(blip) b = sm.load(tune)");
    EXPECT_EQ(engine.run("sm.unloadAll() print(sm.play(a), sm.play(b))").out, "false\tfalse\n");
}

TEST_F(ScriptedSounds, SoundsOutliveAScriptReload)
{
    engine.run("id = sm.load(blip, 0.5) sm.play(id)");
    test::capturePrinted([&] { engine.host().reload(); });
    const std::string again = "print(LuaSoundManager(gSoundManager).getVolume(LuaUtils(gUtils).hash('" +
                              path("blip.wav") + "')))";
    EXPECT_EQ(engine.run(again).out, "50\n") << "the new scripts find the sound under its identifier";
}

TEST_F(ScriptedSounds, AnObjectWithoutAManagerRaisesAnErrorNamingTheMethod)
{
    const Printed printed = engine.run(R"(
        local empty = LuaSoundManager(nil)
        print(empty.instance(), LuaSoundManager(gSoundManager).instance() == gSoundManager)
        for _, name in ipairs({"load", "unload", "unloadAll", "play", "pause", "stop", "setVolume",
                               "setPan", "setPitch", "setLoop", "set3D", "setPosition", "getVolume",
                               "getPan", "getPitch", "getLoop", "is3D", "getPosition"}) do
            local ok, message = pcall(empty[name], blip)
            print(ok, message)
        end
    )");
    std::string expected = "nil\ttrue\n";
    for (const char* name : {"load", "unload", "unloadAll", "play", "pause", "stop", "setVolume", "setPan",
                             "setPitch", "setLoop", "set3D", "setPosition", "getVolume", "getPan", "getPitch",
                             "getLoop", "is3D", "getPosition"})
        expected += std::string("false\tLuaSoundManager.") + name + ": no object given\n";
    EXPECT_EQ(printed.out, expected);
}
