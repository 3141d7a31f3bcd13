#include "app/Core.hpp"

#include "support/KeyEvent.hpp"
#include "ui/UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

const ColorPair Dialog{LightBlue, Blue};

// An engine with a focused text field at the bottom of the screen.
struct FieldEngine : UIEngine {
    FieldEngine() : field(ui().createTextField(nullptr, 0, 24, 20, ColorPair{White, Clear})) { field->focus(); }

    void press(sf::Keyboard::Key code, Modifiers modifiers = NoModifiers) { core->handleEvent(keyPress(code, modifiers)); }
    void release(sf::Keyboard::Key code) { core->handleEvent(keyRelease(code)); }
    void type(const std::string& text)
    {
        for (char character : text)
            core->handleEvent(typedCharacter(static_cast<unsigned char>(character)));
    }
    void nextFrame()
    {
        core->runFrame(16);
        script->log.clear();
    }
    int addEnterHandler() { return script->addEnterHandler([](const WideString&) {}); }

    TextField* field;
};

} // namespace

TEST(KeyRouting, TypedTextReachesTheFocusedFieldUntilAKeyBlocksIt)
{
    FieldEngine engine;
    engine.type("ab");
    engine.press(sf::Keyboard::BackSpace);
    engine.type("c");
    EXPECT_EQ(engine.field->getText(), u"a") << "no typed text after Backspace in the same frame";

    engine.nextFrame();
    engine.type("c");
    engine.press(sf::Keyboard::Tab);
    engine.type("\t");
    EXPECT_EQ(engine.field->getText(), u"ac");

    engine.nextFrame();
    engine.press(sf::Keyboard::Return);
    engine.type("\r");
    EXPECT_EQ(engine.field->getText(), u"ac\r") << "an unhandled Return types a carriage return";
}

TEST(KeyRouting, ReturnRunsTheEnterHandlerElseDismissesAWindow)
{
    FieldEngine engine;
    engine.field->setEnterHandler(engine.addEnterHandler());
    engine.type("go");
    engine.ui().showMessageBox(u"note");
    engine.field->focus();
    engine.press(sf::Keyboard::Return, WithAlt);
    EXPECT_TRUE(engine.core->isFullscreen()) << "Alt+Return toggles and still runs the handler";
    EXPECT_EQ(engine.script->log, (Lines{"enter go", "key 58 down handled"}));
    EXPECT_EQ(engine.topLevelCount(), 2) << "the handled Return leaves the message box open";

    engine.nextFrame();
    engine.field->setEnterHandler(NoReference);
    engine.press(sf::Keyboard::Return);
    EXPECT_EQ(engine.script->log, (Lines{"redraw", "redraw", "key 58 down handled"}))
        << "the box closes, which redraws, and the key redraws once more";
    EXPECT_EQ(engine.topLevelCount(), 1);
}

TEST(KeyRouting, EscapeClosesTheTopClosableWindowAndStillReachesTheScript)
{
    FieldEngine engine;
    Window* closable = engine.ui().createWindow(nullptr, 1, 1, 10, 5, Dialog);
    closable->setHandler(HandlerSlot::Close, engine.script->addCloseHandler([](bool) {}));
    engine.ui().createWindow(nullptr, 2, 2, 10, 5, Dialog)->setClosable(false);
    engine.press(sf::Keyboard::Escape);
    EXPECT_EQ(engine.script->log, (Lines{"close escape", "redraw", "redraw", "key 36 down handled"}));

    engine.nextFrame();
    engine.press(sf::Keyboard::Escape);
    engine.type("x");
    EXPECT_EQ(engine.script->log, (Lines{"key 36 down"})) << "nothing closable is left";
    EXPECT_EQ(engine.field->getText(), u"") << "Escape blocks typed text";
}

TEST(KeyRouting, TheTopWindowsKeyHandlerSeesKeysFirst)
{
    FieldEngine engine;
    engine.ui().showMessageBox(u"note");
    engine.press(sf::Keyboard::A);
    engine.release(sf::Keyboard::A);
    EXPECT_EQ(engine.script->log, (Lines{"key 0 down"})) << "a dialog without a key handler keeps releases";

    engine.nextFrame();
    Window* window = engine.ui().createWindow(nullptr, 1, 1, 10, 5, Dialog);
    bool passOn = false;
    window->setHandler(HandlerSlot::Key, engine.script->addKeyHandler([&](int, bool) { return passOn; }));
    engine.press(sf::Keyboard::A);
    engine.release(sf::Keyboard::A);
    passOn = true;
    engine.press(sf::Keyboard::C);
    engine.release(sf::Keyboard::C);
    EXPECT_EQ(engine.script->log, (Lines{"widgetKey 0 down", "widgetKey 0 up", "key 0 up", "widgetKey 2 down",
                                        "key 2 down handled", "widgetKey 2 up"}))
        << "a kept press counts as handled for the rest of the frame; a kept release goes on";
}

TEST(KeyRouting, HandlersMayCloseTheirOwnWindowDuringTheKey)
{
    FieldEngine engine;
    UI& ui = engine.ui();
    Window* window = ui.createWindow(nullptr, 1, 1, 20, 5, Dialog);
    TextField* inner = ui.createTextField(window, 1, 1, 10, ColorPair{White, Clear});
    inner->setEnterHandler(engine.script->addEnterHandler([&](const WideString&) { window->close(); }));
    inner->focus();
    engine.press(sf::Keyboard::Return);
    engine.nextFrame();
    engine.type("x");
    EXPECT_EQ(ui.focusedField(), nullptr);

    Window* keyed = ui.createWindow(nullptr, 1, 1, 20, 5, Dialog);
    keyed->setHandler(HandlerSlot::Key, engine.script->addKeyHandler([&](int, bool) {
        keyed->close();
        return true;
    }));
    engine.press(sf::Keyboard::A);
    EXPECT_EQ(engine.script->log, (Lines{"widgetKey 0 down", "redraw", "key 0 down"}));
    EXPECT_EQ(ui.topWindow(), nullptr);
}

TEST(KeyRouting, ReloadRemovesEveryWidget)
{
    FieldEngine engine;
    engine.ui().setMainInput(engine.field);
    engine.ui().showMessageBox(u"note");
    engine.press(sf::Keyboard::R, WithShift);
    EXPECT_EQ(engine.topLevelCount(), 0);
    EXPECT_EQ(engine.ui().focusedField(), nullptr);
    EXPECT_EQ(engine.ui().mainInput(), nullptr);
    EXPECT_EQ(engine.script->log, (Lines{"reload", "start", "redraw"}));
}
