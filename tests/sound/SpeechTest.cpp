#include "sound/Speech.hpp"

#include "script/LuaTestEngine.hpp"
#include "sound/SpeechSynthesizer.hpp"

#include <SFML/Window/Mouse.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

using namespace qel;
using test::LuaTestEngine;

namespace {

const char* const withCore = "core = LuaCore(gCore)";
const char* const Sentence = "The cave lies north of the village; bring a lamp and a rope.";

// Everything the synthesiser makes until it has nothing left to make, or ten seconds pass.
std::vector<int16_t> allSamples(SpeechSynthesizer& synthesizer)
{
    std::vector<int16_t> samples;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (synthesizer.busy() && std::chrono::steady_clock::now() < end) {
        if (synthesizer.takeSamples(samples, 4096) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return samples;
}

// The share of 10-millisecond stretches whose loudest sample passes a thousandth of full scale.
double soundingShare(const std::vector<int16_t>& samples, unsigned rate)
{
    const std::size_t stretch = rate / 100;
    std::size_t stretches = 0, sounding = 0;
    for (std::size_t start = 0; start + stretch <= samples.size(); start += stretch, ++stretches) {
        const auto [low, high] = std::minmax_element(samples.begin() + start, samples.begin() + start + stretch);
        sounding += std::max(-int(*low), int(*high)) > 32;
    }
    return stretches ? double(sounding) / stretches : 0;
}

LaunchOptions speechOptions(SpeechMode mode)
{
    LaunchOptions options = test::testOptions();
    options.speech = mode;
    return options;
}

// A framed panel with a blank row inside it, and a line of text under it; the script prints the
// presses that reach it.
const char* const ReviewedGame = R"(
core = LuaCore(gCore)
function start() core.setDisplayStyle(DisplayStyle.FullFill) end
function key(code, pressed) if pressed then print("key", code) end end
function redraw()
    local sb = LuaScreenBuffer(gScreenBuffer)
    sb.drawBorder{x = 2, y = 1, width = 30, height = 5}
    sb.print{x = 4, y = 2, text = "Gold: 12 ░░ Depth 3"}
    sb.print{x = 4, y = 4, text = "Lamp lit"}
    sb.print{x = 0, y = 7, text = "  You stand in a cave.  "}
end
)";

// Puts the pointer over the first cell of the row: in the full fill style a 1280 x 720 window
// shows the texture's rows at 1.2 pixels each. Past the window's right edge for no row.
void pointAtRow(Core& core, std::optional<int> row)
{
    const sf::Vector2i pixel = row ? sf::Vector2i{8, (2 + *row * 24 + 12) * 6 / 5} : sf::Vector2i{1400, 100};
    sf::Mouse::setPosition(pixel, *core.getWindow());
}

} // namespace

TEST(SpeechSynthesizer, RendersASentenceToSpeechLengthAudioAndInterruptsOrStopsAtOnce)
{
    SpeechSynthesizer synthesizer;
    const unsigned rate = synthesizer.sampleRate();
    ASSERT_GT(rate, 0u) << synthesizer.failure();
    const std::vector<SpeechVoice> voices = synthesizer.voices();
    EXPECT_TRUE(std::any_of(voices.begin(), voices.end(), [](const SpeechVoice& voice) { return voice.language.rfind("en", 0) == 0; }));

    ASSERT_TRUE(synthesizer.say(Sentence, false, 4));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<int16_t> sentence;
    synthesizer.takeSamples(sentence, rate * 10);
    EXPECT_LT(sentence.size(), rate * 0.5) << "synthesis keeps only a little ahead of the samples taken";
    const std::vector<int16_t> rest = allSamples(synthesizer);
    sentence.insert(sentence.end(), rest.begin(), rest.end());
    const double seconds = double(sentence.size()) / rate;
    EXPECT_GT(seconds, 2.0) << "a sentence of twelve words";
    EXPECT_LT(seconds, 10.0);
    EXPECT_GT(soundingShare(sentence, rate), 0.5) << "speech, not silence";

    synthesizer.say(Sentence, false, 4);
    synthesizer.say(Sentence, false, 4);
    EXPECT_FALSE(synthesizer.say(Sentence, false, 1)) << "a full queue drops the text";
    synthesizer.say("Run.", true, 4);
    const double interrupted = double(allSamples(synthesizer).size()) / rate;
    EXPECT_LT(interrupted, 1.0) << "the queued sentences are dropped: only the short word is heard";
    EXPECT_GT(interrupted, 0.1);

    synthesizer.setSettings({SpeechSettings::FastestRate, 50, ""});
    synthesizer.say(Sentence, false, 4);
    EXPECT_LT(double(allSamples(synthesizer).size()) / rate, seconds * 0.7) << "faster speech is shorter";

    synthesizer.say(Sentence, false, 4);
    synthesizer.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(synthesizer.busy()) << "the utterance being made is dropped";
}

TEST(Speech, LoggedSpeechWritesEachTextAsALineAndTheHotKeyTogglesIt)
{
    LuaTestEngine engine(withCore, "", RunControl(), speechOptions(SpeechMode::Log));
    EXPECT_EQ(engine.run("core.speak('You enter the cave.') core.speak('Gold:\\n12', true) core.speak(' \\n ') "
                         "core.speak(42) print(core.isSpeaking(), #core.getVoices())")
                  .out,
              "speech: You enter the cave.\nspeech: Gold: 12\nspeech: 42\nfalse\t0\n")
        << "line breaks read as spaces, blank text says nothing";
    EXPECT_EQ(engine.run("core.speak(string.rep('a', 3000))").out,
              "speech: " + std::string(Speech::LongestText, 'a') + "\n");

    const auto pressControlF9 = [&] {
        return test::capturePrinted([&] { engine.core().handleEvent(test::keyPress(sf::Keyboard::F9, test::WithControl)); })
            .out;
    };
    EXPECT_EQ(pressControlF9(), "");
    EXPECT_EQ(engine.run("core.speak('unheard')").out, "");
    EXPECT_EQ(pressControlF9(), "speech: speech on\n") << "logged again, not sounding";
    engine.run("core.setHotKeys{speech = false}");
    EXPECT_EQ(pressControlF9(), "");
    EXPECT_EQ(engine.run("core.speak('still on')").out, "speech: still on\n");
}

TEST(Speech, TheEngineSaysMessageBoxesAndConsoleLinesUnlessTheGameSwitchesThatOff)
{
    LuaTestEngine engine(withCore, "", RunControl(), speechOptions(SpeechMode::Log));
    const std::string said = "speech: A troll blocks the bridge.\nspeech: You hit the troll.\n";
    const char* const screen = "ui = LuaUI(gUI) ui.showMessageBox('A troll blocks the bridge.') "
                               "c = LuaConsole(ui.createConsole{width = 20, height = 3}) c.setActive(true) "
                               "c.insert{text = 'You hit the troll.'} c.insert{text = ''} "
                               "LuaConsole(ui.createConsole{width = 20, height = 3}).insert{text = 'Unseen.'}";
    EXPECT_EQ(engine.run(screen).out, said) << "an empty line and an inactive console's line say nothing";
    engine.run("core.setSpeech{auto = false}");
    EXPECT_EQ(engine.run(screen).out, "");
    EXPECT_EQ(engine.run("core.setSpeech{auto = true} core.speak('Run!', true) ui.showMessageBox('Dead.')").out,
              "speech: Run!\nspeech: Dead.\n");
}

// What a player who cannot see the screen hears as a dialog asks for a name and a password.
TEST(Speech, TheEngineSaysWindowTitlesFieldsAsTheyAreUsedAndTheFirstLineOfAScriptError)
{
    LuaTestEngine engine(withCore, "ui = LuaUI(gUI)", RunControl(), speechOptions(SpeechMode::Log));
    const auto press = [&](std::initializer_list<sf::Event> events) {
        return test::capturePrinted([&] {
                   for (const sf::Event& event : events)
                       engine.core().handleEvent(event);
               })
            .out;
    };
    EXPECT_EQ(engine.run("w = LuaWindow(ui.createWindow{title = 'New explorer', width = 30, height = 6}) "
                         "f = LuaTextField(ui.createTextField{parent = w.instance(), width = 20, inputPrefix = 'Name:'}) "
                         "f.setText('Al') f.onEnter(function(text) print('entered', text) end) f.focus() "
                         "w.setTitle('New explorer') f.focus()")
                  .out,
              "speech: New explorer\nspeech: Name: Al\n")
        << "an unchanged title and a field focused again say nothing";
    EXPECT_EQ(press({test::keyPress(sf::Keyboard::X), test::typedCharacter('x'), test::keyPress(sf::Keyboard::Space),
                     test::typedCharacter(' '), test::keyPress(sf::Keyboard::Return)}),
              "speech: x\nspeech: space\nspeech: Alx\nentered\tAlx \n");

    EXPECT_EQ(engine.run("w = LuaWindow(ui.createWindow{width = 30, height = 6}) w.setTitle('Secret word') "
                         "f = LuaTextField(ui.createTextField{parent = w.instance(), hidden = true}) f.setText('ab') f.focus()")
                  .out,
              "speech: Secret word\nspeech: **\n");
    EXPECT_EQ(press({test::keyPress(sf::Keyboard::K), test::typedCharacter('k'), test::keyPress(sf::Keyboard::Return)}),
              "speech: *\nspeech: ***\n")
        << "a hidden field never says its text";

    EXPECT_EQ(engine.run("function key() error('the lamp is out') end").err, "");
    EXPECT_EQ(press({test::keyPress(sf::Keyboard::L)}), "speech: scripts/snippet.lua:1: the lamp is out\n");
}

TEST(Speech, SetSpeechClampsAndWarnsAndRefusesAnUnknownVoiceOnlyWhereVoicesAreKnown)
{
    LuaTestEngine logged(withCore, "", RunControl(), speechOptions(SpeechMode::Log));
    const test::Printed clamped =
        logged.run("print(core.setSpeech{rate = 1000, pitch = -5, volume = 'loud', voice = 'nobody', speed = 1})");
    EXPECT_EQ(clamped.out, "true\n") << "with no synthesiser the voice is kept unchecked";
    const Speech& speech = logged.core().getSpeech();
    EXPECT_EQ(speech.getSettings().rate, SpeechSettings::FastestRate);
    EXPECT_EQ(speech.getSettings().pitch, SpeechSettings::LowestPitch);
    EXPECT_EQ(speech.getVolume(), 0.f);
    test::Lines warnings = test::errorLines(clamped.err);
    std::sort(warnings.begin(), warnings.end()); // said in the table's order
    EXPECT_EQ(warnings,
              (test::Lines{"scripts/snippet.lua:1: LuaCore.setSpeech: warning: option pitch -5 is held to 0 to 100",
                           "scripts/snippet.lua:1: LuaCore.setSpeech: warning: option rate 1000 is held to 80 to 450",
                           "scripts/snippet.lua:1: LuaCore.setSpeech: warning: option volume is not a number",
                           "scripts/snippet.lua:1: LuaCore.setSpeech: warning: unknown option \"speed\""}));

    LuaTestEngine sounding(withCore, "", RunControl(), speechOptions(SpeechMode::Sound));
    EXPECT_EQ(sounding.run("print(core.setSpeech{voice = 'nobody'})").out,
              "false\tno voice \"nobody\" (LuaCore.getVoices lists them)\n");
    EXPECT_EQ(sounding.run("local v = core.getVoices()[1] print(#v.name > 0, core.setSpeech{voice = v.name})").out,
              "true\ttrue\n");
    EXPECT_EQ(sounding.run("core.speak('Hello there.') print(core.isSpeaking())").out, "true\n");
    sounding.run("core.stopSpeech()");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(sounding.run("print(core.isSpeaking())").out, "false\n");
}

TEST(Speech, WhileSpeechIsOnF9ReadsTheScreenAndControlWithArrowsOrHomeReadsARow)
{
    LuaTestEngine engine(ReviewedGame, "", RunControl(), speechOptions(SpeechMode::Log));
    const auto said = [&](sf::Keyboard::Key code, test::Modifiers modifiers = test::WithControl) {
        return test::capturePrinted([&] { engine.core().handleEvent(test::keyPress(code, modifiers)); }).out;
    };
    const std::string screen = "speech: Gold: 12 Depth 3\nspeech: Lamp lit\nspeech: You stand in a cave.\n";
    EXPECT_EQ(said(sf::Keyboard::F9, test::NoModifiers), screen) << "frames, shades and blank rows say nothing";
    EXPECT_EQ(said(sf::Keyboard::F9, test::NoModifiers), screen) << "logged speech is over at once: F9 reads again";

    const std::vector<std::pair<sf::Keyboard::Key, std::string>> rowByRow = {
        {sf::Keyboard::Down, "speech: Gold: 12 Depth 3\n"},
        {sf::Keyboard::Down, "speech: Lamp lit\n"},
        {sf::Keyboard::Down, "speech: You stand in a cave.\n"},
        {sf::Keyboard::Down, "speech: bottom\nspeech: You stand in a cave.\n"},
        {sf::Keyboard::Up, "speech: Lamp lit\n"},
        {sf::Keyboard::Up, "speech: Gold: 12 Depth 3\n"},
        {sf::Keyboard::Up, "speech: top\nspeech: Gold: 12 Depth 3\n"},
    };
    for (const auto& [code, line] : rowByRow)
        EXPECT_EQ(said(code), line) << "from the top, where F9 left the review";

    pointAtRow(engine.core(), 4);
    const std::optional<CellPosition> pointed = engine.core().mouseCell();
    ASSERT_TRUE(pointed && pointed->row == 4) << "the pointer is not over the window's row 4";
    EXPECT_EQ(said(sf::Keyboard::Home), "speech: Lamp lit\n");
    EXPECT_EQ(said(sf::Keyboard::Down), "speech: You stand in a cave.\n") << "the review moved to the pointer";
    pointAtRow(engine.core(), 3);
    EXPECT_EQ(said(sf::Keyboard::Home), "speech: blank\n");
    EXPECT_EQ(said(sf::Keyboard::Up), "speech: Gold: 12 Depth 3\n");
    pointAtRow(engine.core(), std::nullopt);
    EXPECT_EQ(said(sf::Keyboard::Home), "speech: off screen\n");

    said(sf::Keyboard::F9); // Ctrl+F9: speech off
    EXPECT_EQ(said(sf::Keyboard::F9, test::NoModifiers) + said(sf::Keyboard::Down), "key\t93\nkey\t74\n")
        << "with speech off the keys are the script's";
    said(sf::Keyboard::F9); // and on again
    engine.run("core.setHotKeys{review = false}");
    EXPECT_EQ(said(sf::Keyboard::F9, test::NoModifiers) + said(sf::Keyboard::Home), "key\t93\nkey\t64\n");
}

TEST(Speech, ASecondF9WhileTheScreenIsStillReadStopsItAndAThirdReadsAgain)
{
    LuaTestEngine engine(ReviewedGame, "", RunControl(), speechOptions(SpeechMode::Sound));
    const Speech& speech = engine.core().getSpeech();
    const auto pressF9 = [&] { engine.core().handleEvent(test::keyPress(sf::Keyboard::F9)); };
    pressF9();
    EXPECT_TRUE(speech.isSpeaking());
    pressF9();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(speech.isSpeaking());
    pressF9();
    EXPECT_TRUE(speech.isSpeaking());
}
