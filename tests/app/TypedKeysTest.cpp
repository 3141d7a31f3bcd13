#include "app/RunControl.hpp"

#include "script/LuaTestEngine.hpp"
#include "support/ReplayedPlay.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace qel;
using namespace qel::test;

namespace {

// Prints each key with the modifiers it came with, and each character typed.
const char* const KeyLoggingScript = R"(
local function held(modifiers)
    local names = {}
    for _, name in ipairs({"shift", "control", "alt", "system", "repeated"}) do
        if modifiers[name] then names[#names + 1] = name end
    end
    return table.concat(names, "+")
end
function key(code, pressed, handled, modifiers)
    print("key", code, pressed, held(modifiers))
end
function text(character) print("text", character) end
)";

std::string keyLine(sf::Keyboard::Key code, bool pressed, const std::string& held)
{
    return "key\t" + std::to_string(code) + (pressed ? "\ttrue\t" : "\tfalse\t") + held + "\n";
}

sf::Event focusLost()
{
    sf::Event event;
    event.type = sf::Event::LostFocus;
    return event;
}

} // namespace

// A quick Shift+Q is told with its Shift whatever the keyboard says by then; the characters come
// as UTF-8 text, in their order among the keys, and Return's carriage return is no text.
TEST(TypedKeys, AReplayGivesTheKeysTheirModifiersAndTheScriptItsTextInOrder)
{
    LuaTestEngine engine(KeyLoggingScript, "",
                         replayOf("qel-recording 1\nseed 1\n2 press Q shift\n2 text 81\n2 press Q shift repeat\n"
                                  "2 text 81\n2 release Q\n3 press Slash shift\n3 text 63\n3 text 233\n"
                                  "3 press Return\n3 text 13\n3 press A alt control system\n4 end\n"));
    const Printed printed = capturePrinted([&] { engine.core().run(); });
    EXPECT_EQ(printed.out, keyLine(sf::Keyboard::Q, true, "shift") + "text\tQ\n" +
                               keyLine(sf::Keyboard::Q, true, "shift+repeated") + "text\tQ\n" +
                               keyLine(sf::Keyboard::Q, false, "") + keyLine(sf::Keyboard::Slash, true, "shift") +
                               "text\t?\ntext\t\xC3\xA9\n" + keyLine(sf::Keyboard::Return, true, "") +
                               keyLine(sf::Keyboard::A, true, "control+alt+system"));
    EXPECT_EQ(printed.err, "");
}

// A press of a key held already is a repeat; a release, or the focus going, ends the holding.
TEST(TypedKeys, ARecordedPlayKeepsItsRepeatsAndCharactersAndItsReplayGivesTheScriptTheSame)
{
    TempDir folder;
    LaunchOptions options = testOptions();
    options.recordPath = (folder.path / "play.rec").string();
    options.lastFrame = 2;
    std::optional<RunControl> recording = RunControl::open(options, std::nullopt);
    ASSERT_TRUE(recording);
    LuaTestEngine live(KeyLoggingScript, "", std::move(*recording));
    const Printed played = capturePrinted([&] {
        live.core().runFrame(16);
        for (const sf::Event& event : {keyPress(sf::Keyboard::Q, WithShift), typedCharacter('Q'),
                                       keyPress(sf::Keyboard::Q, WithShift), keyPress(sf::Keyboard::Q),
                                       keyRelease(sf::Keyboard::Q), keyPress(sf::Keyboard::Q), focusLost(),
                                       keyPress(sf::Keyboard::Q), typedCharacter('>')})
            live.core().handleEvent(event);
        live.core().runFrame(16);
    });
    EXPECT_EQ(played.out, keyLine(sf::Keyboard::Q, true, "shift") + "text\tQ\n" +
                              keyLine(sf::Keyboard::Q, true, "shift+repeated") +
                              keyLine(sf::Keyboard::Q, true, "repeated") + keyLine(sf::Keyboard::Q, false, "") +
                              keyLine(sf::Keyboard::Q, true, "") + keyLine(sf::Keyboard::Q, true, "") + "text\t>\n");
    live.core().getRunControl().finish();

    std::ifstream written(options.recordPath);
    std::stringstream text;
    text << written.rdbuf();
    EXPECT_NE(text.str().find("1 press Q shift\n1 text 81\n1 press Q shift repeat\n1 press Q repeat\n1 release Q\n"
                              "1 press Q\n1 focus lost\n1 press Q\n1 text 62\n"),
              std::string::npos)
        << text.str();

    LuaTestEngine replayed(KeyLoggingScript, "", replayOf(text.str()));
    EXPECT_EQ(capturePrinted([&] { replayed.core().run(); }).out, played.out);
}
