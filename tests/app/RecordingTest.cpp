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
                                   " names or end");
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
