#include "ui/KeyRouter.hpp"

#include "support/KeyEvent.hpp"
#include "ui/Console.hpp"
#include "ui/UITestSupport.hpp"

#include <gtest/gtest.h>

#include <utility>

using namespace qel;
using namespace qel::test;

namespace {

const ColorPair Dialog{LightBlue, Blue};

// The key router with the UI it routes to; the engine's own keys only count their uses. A text
// field at the bottom of the screen has the focus.
struct Router : UIHub {
    Router() : field(ui.createTextField(nullptr, 0, 24, 20, ColorPair{White, Clear})) { field->focus(); }

    void press(sf::Keyboard::Key code, Modifiers modifiers = NoModifiers) { keys.keyPressed(keyPress(code, modifiers).key, false); }
    void release(sf::Keyboard::Key code) { keys.keyReleased(keyRelease(code).key); }
    // A press and the character the window types for it, as a keyboard gives them.
    void strike(sf::Keyboard::Key code, const std::string& typed)
    {
        press(code);
        type(typed);
    }
    void type(const std::string& text)
    {
        for (char character : text)
            keys.characterTyped(static_cast<unsigned char>(character));
    }
    void nextFrame()
    {
        keys.beginFrame();
        script.log.clear();
    }
    int addEnterHandler() { return script.addEnterHandler([](const WideString&) {}); }

    int reloads = 0;
    int fullscreenToggles = 0;
    int screenshots = 0;
    int statsToggles = 0;
    int speechToggles = 0;
    // The screen reviews asked for while speech is on.
    std::vector<ScreenReview::Step> reviews;
    bool speechOn = false;
    bool errorShown = false;
    bool returnDown = true;
    KeyRouter keys{this,
                   {[this] { ++reloads; }, [this] { ++fullscreenToggles; }, [this] { return std::exchange(errorShown, false); },
                    [this](sf::Keyboard::Key code) { return code == sf::Keyboard::Return && returnDown; },
                    [this] { ++screenshots; }, [this] { ++statsToggles; },
                    [this] { ++speechToggles; },
                    [this](ScreenReview::Step step) {
                        if (speechOn)
                            reviews.push_back(step);
                        return speechOn;
                    }}};
    TextField* field;
};

} // namespace

// Fast typing, or one slow frame, brings several keys in one frame.
TEST(KeyRouter, AKeyThatDoesNotTypeKeepsOnlyItsOwnCharacterFromTheField)
{
    Router router;
    router.type("ab");
    router.strike(sf::Keyboard::BackSpace, "\b");
    router.strike(sf::Keyboard::C, "c");
    EXPECT_EQ(router.field->getText(), u"ac") << "the key after Backspace types, in the same frame";
    router.strike(sf::Keyboard::Tab, "\t");
    router.strike(sf::Keyboard::D, "d");
    router.strike(sf::Keyboard::Escape, "\x1b");
    router.strike(sf::Keyboard::E, "e");
    EXPECT_EQ(router.field->getText(), u"acde") << "nor do Tab and Escape";

    router.nextFrame();
    router.field->setEnterHandler(router.addEnterHandler());
    router.strike(sf::Keyboard::Return, "\r");
    router.strike(sf::Keyboard::F, "f");
    EXPECT_EQ(router.field->getText(), u"acdef") << "a Return the enter handler used types nothing";
    EXPECT_EQ(router.script.log, (Lines{"enter acde", "key 58 down handled", "key 5 down handled"}))
        << "the script hears of a used key for the rest of the frame";

    router.nextFrame();
    router.field->setEnterHandler(NoReference);
    router.strike(sf::Keyboard::Return, "\r");
    EXPECT_EQ(router.field->getText(), u"acdef\r") << "an unhandled Return types a carriage return";
}

TEST(KeyRouter, ReturnRunsTheEnterHandlerElseDismissesAWindow)
{
    Router router;
    router.field->setEnterHandler(router.addEnterHandler());
    router.type("go");
    router.ui.showMessageBox(u"note");
    router.field->focus();
    router.press(sf::Keyboard::Return);
    EXPECT_EQ(router.script.log, (Lines{"enter go", "key 58 down handled"}));
    EXPECT_EQ(router.topLevelCount(), 2) << "the handled Return leaves the message box open";

    router.nextFrame();
    router.field->setEnterHandler(NoReference);
    router.press(sf::Keyboard::Return);
    EXPECT_EQ(router.script.log, (Lines{"redraw", "redraw", "key 58 down handled"}))
        << "the box closes, which redraws, and the key redraws once more";
    EXPECT_EQ(router.topLevelCount(), 1);
}

TEST(KeyRouter, EscapeClosesTheTopClosableWindowAndStillReachesTheScript)
{
    Router router;
    Window* closable = router.ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    closable->setHandler(HandlerSlot::Close, router.script.addCloseHandler([](bool) {}));
    router.ui.createWindow(nullptr, 2, 2, 10, 5, Dialog)->setClosable(false);
    router.press(sf::Keyboard::Escape);
    EXPECT_EQ(router.script.log, (Lines{"close escape", "redraw", "redraw", "key 36 down handled"}));

    router.nextFrame();
    router.strike(sf::Keyboard::Escape, "x");
    EXPECT_EQ(router.script.log, (Lines{"key 36 down"})) << "nothing closable is left";
    EXPECT_EQ(router.field->getText(), u"") << "Escape blocks typed text";
}

TEST(KeyRouter, TheTopWindowsKeyHandlerSeesKeysFirst)
{
    Router router;
    router.ui.showMessageBox(u"note");
    router.press(sf::Keyboard::A);
    router.release(sf::Keyboard::A);
    EXPECT_EQ(router.script.log, (Lines{"key 0 down"})) << "a dialog without a key handler keeps releases";

    router.nextFrame();
    Window* window = router.ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    bool passOn = false;
    window->setHandler(HandlerSlot::Key, router.script.addKeyHandler([&](int, bool) { return passOn; }));
    router.field->focus();
    router.strike(sf::Keyboard::A, "a");
    router.release(sf::Keyboard::A);
    passOn = true;
    router.strike(sf::Keyboard::C, "c");
    router.release(sf::Keyboard::C);
    EXPECT_EQ(router.script.log, (Lines{"widgetKey 0 down", "widgetKey 0 up", "key 0 up", "widgetKey 2 down",
                                        "key 2 down handled", "widgetKey 2 up"}))
        << "a kept press counts as handled for the rest of the frame; a kept release goes on";
    EXPECT_EQ(router.field->getText(), u"c") << "the kept press types nothing, the one let through does";
}

TEST(KeyRouter, HandlersMayCloseTheirOwnWindowDuringTheKey)
{
    Router router;
    UI& ui = router.ui;
    Window* window = ui.createWindow(nullptr, 1, 1, 20, 5, Dialog);
    TextField* inner = ui.createTextField(window, 1, 1, 10, ColorPair{White, Clear});
    inner->setEnterHandler(router.script.addEnterHandler([&](const WideString&) { window->close(); }));
    inner->focus();
    router.press(sf::Keyboard::Return);
    router.nextFrame();
    router.type("x");
    EXPECT_EQ(ui.focusedField(), nullptr);

    Window* keyed = ui.createWindow(nullptr, 1, 1, 20, 5, Dialog);
    keyed->setHandler(HandlerSlot::Key, router.script.addKeyHandler([&](int, bool) {
        keyed->close();
        return true;
    }));
    router.press(sf::Keyboard::A);
    EXPECT_EQ(router.script.log, (Lines{"widgetKey 0 down", "redraw", "key 0 down"}));
    EXPECT_EQ(ui.topWindow(), nullptr);
}

TEST(KeyRouter, F12HidesAShownScriptErrorElseGoesToTheScript)
{
    Router router;
    router.errorShown = true;
    router.press(sf::Keyboard::F12);
    EXPECT_FALSE(router.errorShown);
    EXPECT_EQ(router.script.log, Lines{}) << "the key that hid the error is the engine's";
    router.press(sf::Keyboard::F12);
    EXPECT_EQ(router.script.log, (Lines{"key 96 down"}));
}

TEST(KeyRouter, AltReturnOnlyTogglesFullscreenOncePerPress)
{
    Router router;
    router.field->setEnterHandler(router.addEnterHandler());
    router.ui.showMessageBox(u"note");
    router.field->focus();
    router.press(sf::Keyboard::Return, WithAlt);
    router.type("\r");
    router.press(sf::Keyboard::Return, WithAlt);
    router.press(sf::Keyboard::Return);
    EXPECT_EQ(router.fullscreenToggles, 1) << "the held key's repeated presses, the last after Alt went up";
    EXPECT_EQ(router.script.log, (Lines{"key 58 down handled", "key 58 down handled", "key 58 down handled"}))
        << "neither the enter handler nor the box sees them";
    EXPECT_EQ(router.topLevelCount(), 2);
    EXPECT_EQ(router.field->getText(), u"");

    router.release(sf::Keyboard::Return);
    router.press(sf::Keyboard::Return, WithAlt);
    EXPECT_EQ(router.fullscreenToggles, 2) << "a new press";
    router.returnDown = false;
    router.nextFrame();
    router.press(sf::Keyboard::Return, WithAlt);
    EXPECT_EQ(router.fullscreenToggles, 2) << "a press repeated before the key went up may still come";
    router.nextFrame();
    router.press(sf::Keyboard::Return, WithAlt);
    EXPECT_EQ(router.fullscreenToggles, 3) << "a new press: two frames found the key up, its release was lost";
    router.nextFrame();
    router.nextFrame();
    router.returnDown = true;
    router.press(sf::Keyboard::Return);
    EXPECT_EQ(router.script.log, (Lines{"enter ", "key 58 down handled"}))
        << "two frames that find the key up forget the toggle's press";
}

TEST(KeyRouter, TheScriptMaySwitchTheEngineKeysOff)
{
    Router router;
    router.field->setEnterHandler(router.addEnterHandler());
    router.keys.setHotKeys({false, false, false, false, false, false});
    router.press(sf::Keyboard::R, WithShift);
    router.type("R");
    router.ui.unfocus();
    router.press(sf::Keyboard::R, WithShift);
    router.press(sf::Keyboard::Return, WithAlt);
    router.press(sf::Keyboard::F10);
    router.press(sf::Keyboard::F11);
    router.press(sf::Keyboard::F9, WithControl);
    router.speechOn = true;
    router.press(sf::Keyboard::F9);
    EXPECT_EQ(router.reloads + router.fullscreenToggles + router.screenshots + router.statsToggles +
                  router.speechToggles + static_cast<int>(router.reviews.size()), 0);
    EXPECT_EQ(router.script.log, (Lines{"key 17 down", "key 17 down", "key 58 down", "key 94 down", "key 95 down",
                                        "key 93 down", "key 93 down"}))
        << "Alt+Return is a Return: the unfocused field's handler does not run";

    router.keys.setHotKeys({});
    router.script.log.clear();
    router.press(sf::Keyboard::F10);
    router.press(sf::Keyboard::F11);
    router.press(sf::Keyboard::F9, WithControl);
    EXPECT_EQ(router.screenshots, 1);
    EXPECT_EQ(router.statsToggles, 1);
    EXPECT_EQ(router.speechToggles, 1);
    router.press(sf::Keyboard::R, WithShift);
    EXPECT_EQ(router.reloads, 1) << "Shift+R reloads while no field has the focus";
    EXPECT_EQ(router.script.log, Lines{}) << "the engine's keys are not the script's";
    router.field->focus();
    router.nextFrame();
    router.type("R");
    EXPECT_EQ(router.field->getText(), u"R") << "the reload's R, which comes in the next frame, types nothing";
}

TEST(KeyRouter, ReviewKeysReadTheScreenWhileSpeechIsOnAndAreTheScriptsOtherwise)
{
    Router router;
    router.type("ab");
    const auto pressReviewKeys = [&] {
        router.press(sf::Keyboard::F9);
        router.press(sf::Keyboard::Up, WithControl);
        router.press(sf::Keyboard::Down, WithControl);
        router.press(sf::Keyboard::Home, WithControl);
        router.release(sf::Keyboard::Home);
    };
    pressReviewKeys();
    EXPECT_EQ(router.script.log, (Lines{"key 93 down", "key 73 down", "key 74 down", "key 64 down handled", "key 64 up"}));
    router.type("c");
    EXPECT_EQ(router.field->getText(), u"cab") << "with speech off Ctrl+Home moves the field's caret";

    router.nextFrame();
    router.speechOn = true;
    pressReviewKeys();
    router.press(sf::Keyboard::Up);
    router.press(sf::Keyboard::F9, WithControl);
    EXPECT_EQ(router.reviews, (std::vector<ScreenReview::Step>{ScreenReview::Step::WholeScreen, ScreenReview::Step::PreviousRow,
                                                                ScreenReview::Step::NextRow, ScreenReview::Step::RowUnderPointer}));
    EXPECT_EQ(router.script.log, (Lines{"key 64 up", "key 73 down"})) << "only releases and Up without Control reach it";
    EXPECT_EQ(router.speechToggles, 1) << "Ctrl+F9 still switches speech";
    router.type("d");
    EXPECT_EQ(router.field->getText(), u"cdab") << "the review's Ctrl+Home left the caret";
}

TEST(KeyRouter, ShiftRIsACapitalRWhileAFieldHasTheFocus)
{
    Router router;
    router.press(sf::Keyboard::R, WithShift);
    router.type("R");
    router.type("ob");
    EXPECT_EQ(router.reloads, 0);
    EXPECT_EQ(router.field->getText(), u"Rob");
}

TEST(KeyRouter, ThePressThatFocusesAFieldTypesNothingIntoIt)
{
    Router router;
    Window* dialog = router.ui.createWindow(nullptr, 1, 1, 30, 5, Dialog);
    TextField* other = router.ui.createTextField(dialog, 1, 1, 20, ColorPair{White, Clear});
    dialog->setHandler(HandlerSlot::Key, router.script.addKeyHandler([&](int, bool) {
        other->focus();
        return true;
    }));
    router.strike(sf::Keyboard::Num5, "5");
    EXPECT_EQ(other->getText(), u"");
    router.strike(sf::Keyboard::A, "a");
    EXPECT_EQ(other->getText(), u"a") << "the next key's character comes, even in the same frame";

    router.nextFrame();
    other->setText(u"");
    router.type("abc");
    router.strike(sf::Keyboard::Num5, "5");
    EXPECT_EQ(other->getText(), u"abc5") << "a press that leaves the focus where it was types";
}

TEST(KeyRouter, EditingKeysEditTheFocusedFieldAndPageKeysScrollActiveConsoles)
{
    Router router;
    router.type("abc");
    router.press(sf::Keyboard::Left);
    router.press(sf::Keyboard::Left);
    router.strike(sf::Keyboard::Delete, "\x7f");
    EXPECT_EQ(router.field->getText(), u"ac") << "Delete takes the character at the caret and types nothing";
    EXPECT_EQ(router.script.log, (Lines{"key 71 down handled", "key 71 down handled", "key 66 down handled"}))
        << "like Backspace, the editing keys reach the script as handled";

    router.nextFrame();
    router.press(sf::Keyboard::Home);
    router.nextFrame();
    router.type("X");
    router.press(sf::Keyboard::End);
    router.press(sf::Keyboard::Right);
    router.nextFrame();
    router.type("Z");
    EXPECT_EQ(router.field->getText(), u"XacZ");

    router.field->unfocus();
    router.nextFrame();
    router.press(sf::Keyboard::Left);
    router.press(sf::Keyboard::Delete);
    EXPECT_EQ(router.script.log, (Lines{"key 71 down", "key 66 down"})) << "without a focused field they are the script's";

    Console& console = *router.ui.createConsole(0, 0, 4, 1);
    router.nextFrame();
    router.press(sf::Keyboard::PageUp);
    EXPECT_EQ(router.script.log, (Lines{"key 61 down"})) << "no console is active";
    console.setActive(true);
    for (const char16_t* entry : {u"1", u"2", u"3"})
        console.insert(entry, White, false);
    router.nextFrame();
    router.press(sf::Keyboard::PageUp);
    router.press(sf::Keyboard::PageUp);
    EXPECT_EQ(screenText(router.screen, 0, 0, 1, 1), Lines{"1"});
    router.press(sf::Keyboard::PageDown);
    EXPECT_EQ(screenText(router.screen, 0, 0, 1, 1), Lines{"2"});
    EXPECT_EQ(router.script.log, (Lines{"key 61 down handled", "key 61 down handled", "key 62 down handled"}));
}

// The script's text function hears what a field would take, field or none: a kept press's
// character is no text, and control codes, surrogate halves and numbers past Unicode are none.
TEST(KeyRouter, TheScriptIsTypedThePrintableCharactersAFieldWouldTake)
{
    Router router;
    router.field->unfocus();
    router.press(sf::Keyboard::A);
    router.keys.characterTyped('?');
    for (sf::Uint32 notText : {0x0Du, 0x08u, 0x09u, 0x1Bu, 0x7Fu, 0x9Bu, 0xD800u, 0x110000u})
        router.keys.characterTyped(notText);
    router.keys.characterTyped(0xE9);
    router.keys.characterTyped(0x1F600);
    EXPECT_EQ(router.script.typed, (std::vector<uint32_t>{'?', 0xE9, 0x1F600}));

    router.script.typed.clear();
    Window* window = router.ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    window->setHandler(HandlerSlot::Key, router.script.addKeyHandler([](int, bool) { return false; }));
    router.strike(sf::Keyboard::A, "ab");
    EXPECT_EQ(router.script.typed, (std::vector<uint32_t>{'b'})) << "the kept press's own character is not text";

    router.script.typed.clear();
    window->close();
    router.field->focus();
    router.strike(sf::Keyboard::C, "c");
    EXPECT_EQ(router.script.typed, (std::vector<uint32_t>{'c'})) << "a focused field takes it, and so does the script";
    EXPECT_EQ(router.field->getText(), u"c");
}
