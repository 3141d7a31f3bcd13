#include "app/Recording.hpp"

#include "support/KeyEvent.hpp"

#include <gtest/gtest.h>

#include <sstream>

using qel::Recording;
namespace test = qel::test;

namespace {

std::optional<Recording> readText(const std::string& text, std::string& error)
{
    qel::TextFileReader lines(std::make_unique<std::istringstream>(text), Recording::FileLimits);
    return Recording::read(lines, error);
}

// The fault a recording's text is refused for; empty when it is read.
std::string faultOf(const std::string& body)
{
    std::string error;
    readText("qel-recording 1\n" + body, error);
    return error;
}

} // namespace

TEST(Recording, WhatIsWrittenReadsBackTheSame)
{
    sf::Event lostFocus;
    lostFocus.type = sf::Event::LostFocus;
    const std::string text =
        Recording::header(4000000000u, {{"script", "main"}, {"style", "full fit"}}) + "\n# a comment\n" +
        Recording::eventLine(3, test::keyPress(sf::Keyboard::Return, test::WithShift)) +
        Recording::eventLine(3, test::typedCharacter(0x263A)) + Recording::eventLine(5, test::keyRelease(sf::Keyboard::Unknown)) +
        Recording::eventLine(5, sf::Event{}) + Recording::pollLine({6, sf::Keyboard::Return, true}) +
        Recording::pollLine({6, sf::Keyboard::Return, false}) + Recording::eventLine(7, lostFocus) + Recording::endLine(9);
    EXPECT_NE(text.find("3 press Enter shift\n3 text 9786\n5 release Unknown\n6 down Enter\n6 up Enter\n7 focus lost\n9 end\n"),
              std::string::npos)
        << text;

    std::string error;
    const std::optional<Recording> read = readText(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->seed, 4000000000u);
    EXPECT_EQ(read->settings, (std::vector<std::pair<std::string, std::string>>{{"script", "main"}, {"style", "full fit"}}));
    ASSERT_EQ(read->events.size(), 4u);
    EXPECT_EQ(read->events[0].frame, 3);
    EXPECT_EQ(read->events[0].event.type, sf::Event::KeyPressed);
    EXPECT_EQ(read->events[0].event.key.code, sf::Keyboard::Return);
    EXPECT_TRUE(read->events[0].event.key.shift);
    EXPECT_FALSE(read->events[0].event.key.alt || read->events[0].event.key.control || read->events[0].event.key.system);
    EXPECT_EQ(read->events[1].event.text.unicode, 0x263Au);
    EXPECT_EQ(read->events[2].event.type, sf::Event::KeyReleased);
    EXPECT_EQ(read->events[2].event.key.code, sf::Keyboard::Unknown);
    EXPECT_EQ(read->events[3].event.type, sf::Event::LostFocus);
    ASSERT_EQ(read->polls.size(), 2u);
    EXPECT_TRUE(read->polls[0].down);
    EXPECT_FALSE(read->polls[1].down);
    EXPECT_EQ(read->endFrame, 9);
}

TEST(Recording, KeysMayBeGivenByEitherNameOrNumberAndAPlayWithoutEndEndsAtItsLastFact)
{
    std::string error;
    const std::optional<Recording> read =
        readText("qel-recording 1\n2 press Return alt control system\n2 release 58\n4 down BackSpace\n", error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->events[0].event.key.code, sf::Keyboard::Enter);
    EXPECT_TRUE(read->events[0].event.key.alt && read->events[0].event.key.control && read->events[0].event.key.system);
    EXPECT_EQ(read->events[1].event.key.code, sf::Keyboard::Enter);
    EXPECT_EQ(read->polls[0].key, sf::Keyboard::Backspace);
    EXPECT_EQ(read->endFrame, 4);
}

TEST(Recording, AFaultyFileIsRefusedWithTheLineAndWhatIsWrong)
{
    std::string error;
    EXPECT_FALSE(readText("qel-recording 2\n", error));
    EXPECT_EQ(error, "it does not start with \"qel-recording 1\"");
    EXPECT_EQ(faultOf("seed x\n"), "line 2: a seed is a whole number");
    EXPECT_EQ(faultOf("\n5 press Left\n4 release Left\n"), "line 4: frame 4 comes after frame 5");
    EXPECT_EQ(faultOf("5 press Sideways\n"), "line 2: \"Sideways\" is no key");
    EXPECT_EQ(faultOf("5 press 200\n"), "line 2: \"200\" is no key");
    EXPECT_EQ(faultOf("5 press Left ctrl\n"), "line 2: \"ctrl\" is not alt, control, shift, system or repeat");
    EXPECT_EQ(faultOf("5 text 0x41\n"), "line 2: \"x41\" was not expected");
    EXPECT_EQ(faultOf("5 text 1114112\n"), "line 2: a character is given by its Unicode number");
    EXPECT_EQ(faultOf("5 jump\n"), "line 2: \"jump\" is not press, release, text, focus, mouse, down, up, loaded, nothing, unreadable,"
                                   " names, pad or end");
    EXPECT_EQ(faultOf("-1 end\n"), "line 2: \"-1\" is neither a frame number nor a known word");
    EXPECT_EQ(faultOf("5 end now\n"), "line 2: \"now\" was not expected");
    EXPECT_EQ(faultOf("setting\n"), "line 2: a setting needs a name");
}

// A held key's repeated presses say so after their modifiers; a release never repeats.
TEST(Recording, APressMayBeARepeatAndAReleaseMayNot)
{
    const sf::Event shiftQ = test::keyPress(sf::Keyboard::Q, test::WithShift);
    EXPECT_EQ(Recording::eventLine(2, shiftQ, true), "2 press Q shift repeat\n");
    EXPECT_EQ(Recording::eventLine(2, shiftQ), "2 press Q shift\n");
    EXPECT_EQ(Recording::eventLine(3, test::keyRelease(sf::Keyboard::Q), true), "3 release Q\n");

    std::string error;
    const std::optional<Recording> read = readText("qel-recording 1\n2 press Q shift repeat\n2 press Q repeat alt\n"
                                                   "2 press Q shift\n3 release Q\n", error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->events.size(), 4u);
    EXPECT_TRUE(read->events[0].repeated && read->events[0].event.key.shift);
    EXPECT_TRUE(read->events[1].repeated && read->events[1].event.key.alt) << "the words come in any order";
    EXPECT_FALSE(read->events[2].repeated || read->events[3].repeated);
    EXPECT_EQ(faultOf("3 release Q repeat\n"), "line 2: \"repeat\" is not alt, control, shift or system");
}

TEST(Recording, LinesMayEndInACarriageReturnAndLineFeed)
{
    std::string error;
    const std::optional<Recording> read =
        readText("qel-recording 1\r\nseed 7\r\nsetting style fullFit\r\n2 press Left shift\r\n4 end\r\n", error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->seed, 7u);
    EXPECT_EQ(read->settings, (std::vector<std::pair<std::string, std::string>>{{"style", "fullFit"}}));
    ASSERT_EQ(read->events.size(), 1u);
    EXPECT_TRUE(read->events[0].event.key.shift);
    EXPECT_EQ(read->endFrame, 4);
}

TEST(Recording, AnEndlessLineOrFileIsRefusedAtItsLimit)
{
    EXPECT_EQ(faultOf("# " + std::string(8 << 10, 'x') + "\n"), "line 2 is longer than 4096 bytes");
    std::string many;
    while (many.size() <= Recording::FileLimits.fileBytes)
        many += "# a comment line of some length, again and again\n";
    EXPECT_EQ(faultOf(many), "it is larger than " + std::to_string(Recording::FileLimits.fileBytes) + " bytes");
}

namespace {

sf::Event padEvent(sf::Event::EventType type, unsigned pad, unsigned button = 0)
{
    sf::Event event;
    event.type = type;
    if (type == sf::Event::JoystickButtonPressed || type == sf::Event::JoystickButtonReleased)
        event.joystickButton = {pad, button};
    else
        event.joystickConnect = {pad};
    return event;
}

using PadKind = Recording::PadQuestion::Kind;

} // namespace

// Axis positions are written as the shortest text that reads back as the same number, so a
// replay answers exactly what the play was answered.
TEST(Recording, PadEventsAndPollsReadBackAsWritten)
{
    const std::string text =
        Recording::header(1, {}) + Recording::eventLine(2, padEvent(sf::Event::JoystickConnected, 7)) +
        Recording::eventLine(2, padEvent(sf::Event::JoystickButtonPressed, 7, 31)) +
        Recording::eventLine(3, padEvent(sf::Event::JoystickButtonReleased, 0, 0)) +
        Recording::eventLine(3, padEvent(sf::Event::JoystickDisconnected, 1)) +
        Recording::padPollLine({4, {7, PadKind::Button, 31}, {1, ""}}) +
        Recording::padPollLine({4, {0, PadKind::Axis, 7}, {-0.1, ""}}) +
        Recording::padPollLine({5, {2, PadKind::Axis, 0}, {1, ""}}) +
        Recording::padPollLine({5, {3, PadKind::Presence}, {1, "Gamepad  F310 \xC3\xA9"}}) +
        Recording::padPollLine({6, {3, PadKind::Presence}, {0, ""}}) +
        Recording::padPollLine({6, {7, PadKind::Button, 31}, {0, ""}});
    EXPECT_NE(text.find("2 pad 7 connected\n2 pad 7 press 31\n3 pad 0 release 0\n3 pad 1 disconnected\n"
                        "4 pad 7 down 31\n4 pad 0 axis PovY -0.1\n5 pad 2 axis X 1\n"
                        "5 pad 3 present Gamepad  F310 \xC3\xA9\n6 pad 3 absent\n6 pad 7 up 31\n"),
              std::string::npos)
        << text;

    std::string error;
    const std::optional<Recording> read = readText(text, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->events.size(), 4u);
    EXPECT_EQ(read->events[0].event.type, sf::Event::JoystickConnected);
    EXPECT_EQ(read->events[0].event.joystickConnect.joystickId, 7u);
    EXPECT_EQ(read->events[1].event.type, sf::Event::JoystickButtonPressed);
    EXPECT_EQ(read->events[1].event.joystickButton.joystickId, 7u);
    EXPECT_EQ(read->events[1].event.joystickButton.button, 31u);
    EXPECT_EQ(read->events[2].event.type, sf::Event::JoystickButtonReleased);
    EXPECT_EQ(read->events[3].event.type, sf::Event::JoystickDisconnected);
    EXPECT_EQ(read->events[3].frame, 3);

    ASSERT_EQ(read->padPolls.size(), 6u);
    std::string written;
    for (const Recording::PadPoll& poll : read->padPolls)
        written += Recording::padPollLine(poll);
    EXPECT_NE(text.find(written), std::string::npos) << "what was read writes the same lines again";
    EXPECT_EQ(read->padPolls[1].answer.value, -0.1) << "exactly";
    EXPECT_EQ(read->padPolls[3].answer.name, "Gamepad  F310 \xC3\xA9");
    EXPECT_EQ(read->padPolls[4].answer, Recording::PadAnswer{}) << "absent";
}

TEST(Recording, AFaultyPadLineIsRefusedWithWhatIsWrong)
{
    EXPECT_EQ(faultOf("5 pad 8 press 1\n"), "line 2: \"8\" is no pad: pads are numbered 0 to 7");
    EXPECT_EQ(faultOf("5 pad -1 connected\n"), "line 2: \"-1\" is no pad: pads are numbered 0 to 7");
    EXPECT_EQ(faultOf("5 pad\n"), "line 2: \"\" is no pad: pads are numbered 0 to 7");
    EXPECT_EQ(faultOf("5 pad 0 press 32\n"), "line 2: \"32\" is no button: buttons are numbered 0 to 31");
    EXPECT_EQ(faultOf("5 pad 0 down A\n"), "line 2: \"A\" is no button: buttons are numbered 0 to 31");
    EXPECT_EQ(faultOf("5 pad 0 release 1 2\n"), "line 2: \"2\" was not expected");
    EXPECT_EQ(faultOf("5 pad 0 axis W 0\n"), "line 2: \"W\" is no axis: X, Y, Z, R, U, V, PovX or PovY");
    EXPECT_EQ(faultOf("5 pad 0 axis 0 0\n"), "line 2: \"0\" is no axis: X, Y, Z, R, U, V, PovX or PovY");
    for (const char* position : {"1.5", "-1.0001", "nan", "inf", "0.5x", "", "1e400"})
        EXPECT_EQ(faultOf("5 pad 0 axis X " + std::string(position) + "\n"),
                  "line 2: \"" + std::string(position) + "\" is no axis position: a number from -1 to 1");
    EXPECT_EQ(faultOf("5 pad 0 axis X -1\n6 pad 0 axis X 1e-3\n"), "");
    EXPECT_EQ(faultOf("5 pad 0 absent now\n"), "line 2: \"now\" was not expected");
    EXPECT_EQ(faultOf("5 pad 0 wiggle\n"),
              "line 2: \"wiggle\" is not press, release, connected, disconnected, down, up, axis, present or absent");
}
