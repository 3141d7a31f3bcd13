#include "ui/LuaUI.hpp"

#include "ui/UI.hpp"
#include "ui/Window.hpp"

#include "script/LuaTestEngine.hpp"
#include "ui/UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using test::backgroundText;
using test::foregroundText;
using test::Lines;
using test::LuaTestEngine;
using test::Printed;
using test::screenText;

namespace {

const char* const withUI = "ui = LuaUI(gUI)";

} // namespace

TEST(LuaUI, WindowDefaultsAndDismissText)
{
    LuaTestEngine engine(withUI);
    EXPECT_EQ(engine.run("w = LuaWindow(ui.createWindow({title = 'Hi'})) print(w.getTitle())").out, "Hi\n");
    const Window* window = engine.core().getUI()->topWindow();
    const WidgetRect rect = window->getRect();
    EXPECT_EQ((std::vector<int>{rect.x, rect.y, rect.width, rect.height, window->getColors().foreground,
                                window->getColors().background, window->isClosable(), window->hasShadow()}),
              (std::vector<int>{30, 10, 20, 8, LightBlue, Blue, true, false}));

    engine.run("ui.createWindow({x = 2, y = 1, width = 30, height = 9, showDismissText = true, closable = false})"
               "ui.createWindow({showDismissText = true, color = Color.White, background = Color.Red})");
    engine.frame();
    EXPECT_EQ(screenText(engine.screen(), 2, 9, 30, 1), (Lines{"╚════════════════ [Enter ►] ═╝"})) << "at (17, 8)";
    EXPECT_EQ(screenText(engine.screen(), 30, 17, 20, 1), (Lines{"╚══════ [Enter ►] ═╝"})) << "the default rectangle: at (7, 7)";
    EXPECT_EQ(backgroundText(engine.screen(), 30, 17, 20, 1), (Lines{"11111111111111111111"}));
}

TEST(LuaUI, LabelsWrapAtWidthOrMaxWidth)
{
    LuaTestEngine engine(withUI);
    engine.run("ui.createLabel({x = 1, y = 1, text = 'aaaa bbbb cccc', maxWidth = 12})"
               "l = LuaLabel(ui.createLabel({x = 20, y = 1, text = 'aaaa bbbb cccc', width = 12, id = 4}))"
               "ui.createLabel({x = 40, y = 1, text = 'aaaa bbbb cccc'})");
    engine.frame();
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 60, 2), (Lines{
                  ".aaaa bbbb .........aaaa bbbb ..........aaaa bbbb cccc......",
                  ".cccc...............cccc....................................",
              }));
    EXPECT_EQ(engine.run("print(l.getId(), l.getText()) l.setText('é ►') print(l.getText())").out,
              "4\taaaa bbbb cccc\né ►\n");
}

TEST(LuaUI, TextFieldsTakeTheirOptionsAndEnterHandlers)
{
    LuaTestEngine engine(withUI);
    engine.run("ui.showMessageBox('note')"
               "f = LuaTextField(ui.createTextField({x = 1, y = 24, mainInput = true, inputPrefix = '> '}))"
               "f.setText('abc') f.onEnter(function(text) print('enter', text) end)");
    UI& ui = *engine.core().getUI();
    EXPECT_EQ(ui.focusedField(), ui.mainInput()) << "a main input takes the focus even under a message box";
    EXPECT_EQ(engine.press(sf::Keyboard::Return).out, "") << "with a closable window open Return closes it";
    EXPECT_EQ(ui.focusedField(), ui.mainInput());
    engine.frame();
    EXPECT_EQ(screenText(engine.screen(), 1, 24, 6, 1), (Lines{"> abc■"}));
    EXPECT_EQ(engine.press(sf::Keyboard::Return).out, "enter\tabc\n");

    engine.frame();
    engine.run("f.onEnter(nil) ui.showMessageBox('note') f.focus()");
    engine.press(sf::Keyboard::Return);
    EXPECT_EQ(ui.topWindow(), nullptr) << "without its handler Return dismisses the box";
    EXPECT_EQ(engine.run("f.onEnter(5)").err,
              "scripts/snippet.lua:1: LuaTextField.onEnter: argument 1 must be a function or nil, not number\n");
}

TEST(LuaUI, HandlersMayCloseTheirOwnWindowWhileItDraws)
{
    LuaTestEngine engine(R"(
        ui = LuaUI(gUI)
        a = LuaWindow(ui.createWindow({x = 1, y = 1, width = 10, height = 4}))
        b = LuaWindow(ui.createWindow({x = 20, y = 1, width = 10, height = 4}))
        inner = LuaLabel(ui.createLabel({parent = a.instance(), x = 1, y = 1, text = 'inner'}))
        a:onDraw(function() a.close() b.close() c = LuaWindow(ui.createWindow({title = 'new'})) end)
        a.onClose(function(escape) print('closing', escape) a.close() end)
        b.onDraw(function() print('b drawn') end)
    )");
    EXPECT_EQ(engine.frame().out, "closing\tfalse\n");
    EXPECT_EQ(engine.run("print(a.instance(), b.instance(), c.getTitle())").out, "nil\tnil\tnew\n");
    EXPECT_EQ(engine.run("a.setTitle('x')").err, "scripts/snippet.lua:1: LuaWindow.setTitle: object no longer exists\n");
    EXPECT_EQ(engine.run("inner.getText()").err, "scripts/snippet.lua:1: LuaLabel.getText: object no longer exists\n");
}

TEST(LuaUI, ParentMustBeALiveWidgetHandle)
{
    LuaTestEngine engine(R"(
        ui = LuaUI(gUI)
        w = LuaWindow(ui.createWindow({}))
        console = ui.createConsole({width = 10, height = 2})
        gone = ui.createWindow({})
        LuaWindow(gone).close()
    )");
    const std::string refused = "option 'parent' must be the handle of a widget that still exists\n";
    // The host prints an error repeated word for word only once, so each comes from its own line.
    EXPECT_EQ(engine.run("ui.createLabel({parent = w})").err, "scripts/snippet.lua:1: LuaUI.createLabel: " + refused);
    EXPECT_EQ(engine.run("\nui.createLabel({parent = console})").err, "scripts/snippet.lua:2: LuaUI.createLabel: " + refused);
    EXPECT_EQ(engine.run("ui.createWindow({parent = gone})").err, "scripts/snippet.lua:1: LuaUI.createWindow: " + refused);
    EXPECT_EQ(engine.run("ui.createTextField({parent = gUtils})").err,
              "scripts/snippet.lua:1: LuaUI.createTextField: " + refused);
    EXPECT_EQ(engine.run("ui.createLabel({parent = w.instance()}) ui.createWindow({parent = 3}) print('ok')").out, "ok\n");
    EXPECT_EQ(engine.core().getUI()->topWindow()->getRect().x, 30) << "a parent that is no userdata means the top level";
    EXPECT_EQ(engine.run("LuaWindow(console).getId()").err,
              "scripts/snippet.lua:1: LuaWindow.getId: the object given is of another class or no longer exists\n");
}

// Every widget class has instance, setId and getId: the handle it was made from and the script id.
TEST(LuaUI, EveryWidgetClassGivesItsHandleAndId)
{
    LuaTestEngine engine(withUI);
    EXPECT_EQ(engine.run("for i, kind in ipairs({'Window', 'Label', 'TextField', 'Console'}) do"
                         "  local handle = ui['create' .. kind]({})"
                         "  local widget = _G['Lua' .. kind](handle)"
                         "  widget.setId(i * 10, 'ignored')"
                         "  print(widget.instance() == handle, widget.getId())"
                         " end")
                  .out,
              "true\t10\ntrue\t20\ntrue\t30\ntrue\t40\n");
    EXPECT_EQ(engine.run("w = ui.createWindow({}) l = LuaLabel(ui.createLabel({parent = w})) LuaWindow(w).close()"
                         "print(l.instance()) l.setId(1)")
                  .err,
              "scripts/snippet.lua:1: LuaLabel.setId: object no longer exists\n");
}

TEST(LuaUI, MessageBoxNeedsText)
{
    LuaTestEngine engine(withUI);
    EXPECT_EQ(engine.run("ui.showMessageBox({})").err,
              "scripts/snippet.lua:1: LuaUI.showMessageBox: argument 1 must be a string or a number, not table\n");
    const std::string colonCall = engine.run("ui:showMessageBox('colon')").err;
    EXPECT_TRUE(test::contains(
        colonCall, "scripts/snippet.lua:1: LuaUI.showMessageBox: argument 1 must be a string or a number, not userdata\n"))
        << "after the colon call's warning: " << colonCall;
    engine.run("ui.showMessageBox(42)");
    engine.frame();
    EXPECT_EQ(screenText(engine.screen(), 32, 12, 15, 1), (Lines{"║..42.........║"}));
}

TEST(LuaUI, MessageBoxRunsItsCloseHandlerOnceWhenClosedButNotOnReload)
{
    LuaTestEngine engine(withUI);
    engine.run("ui.showMessageBox('a', function(byEscape) print('a closed', byEscape) end)"
               "ui.showMessageBox('b', nil)");
    EXPECT_EQ(engine.press(sf::Keyboard::Return).out, "");
    engine.frame();
    EXPECT_EQ(engine.press(sf::Keyboard::Escape).out, "a closed\ttrue\n");
    engine.frame();
    EXPECT_EQ(engine.press(sf::Keyboard::Escape).out, "");

    EXPECT_EQ(engine.run("ui.showMessageBox(string.rep('line\\n', 40), function(byEscape) print('closed', byEscape) end)"
                         "print(ui.dismissWindow())").out,
              "true\n")
        << "a message box too long for one page turns to its next one";
    EXPECT_EQ(engine.run("print(ui.dismissWindow(true))").out, "closed\ttrue\ntrue\n");
    EXPECT_EQ(engine.run("print(ui.dismissWindow())").out, "false\n") << "none is open";

    engine.run("ui.showMessageBox('c', function() print('c closed') end)");
    EXPECT_EQ(engine.reload().out, "") << "the interpreter that held the handler is gone";
    EXPECT_EQ(engine.run("ui = LuaUI(gUI) ui.showMessageBox('d', 5)").err,
              "scripts/snippet.lua:1: LuaUI.showMessageBox: argument 2 must be a function or nil, not number\n");
    EXPECT_EQ(engine.core().getUI()->topWindow(), nullptr) << "the refused call opens no box";
}

TEST(LuaUI, ConsoleEntriesAreWhiteAndFollowedByAnEmptyRowByDefault)
{
    LuaTestEngine engine(withUI);
    EXPECT_EQ(engine.run("c = LuaConsole(ui.createConsole({width = 10, height = 3, id = 9}))"
                         "print(c.isActive(), c.getId()) c:setActive(true) print(c.isActive())").out,
              "false\t9\ntrue\n");
    engine.run("c.insert({text = 'one'}) c.insert({text = 'two', color = Color.Red, appendEmptyLine = false})");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 10, 3), (Lines{"one.......", "..........", "two......."}));
    EXPECT_EQ(foregroundText(engine.screen(), 0, 0, 1, 3), (Lines{"f", "0", "1"}));
}

// Scripts may give any int as a position or size. Where the sums of positions and sizes pass
// the ends of int nothing overflows (the sanitizer build aborts on an overflow) and nothing
// reaches the screen; a sum that comes back into range draws where it adds up to. Consoles of
// the largest sizes are cut to the largest console rather than allocated in full.
TEST(LuaUI, ExtremeGeometryDrawsOnlyWhatAddsUpToTheScreen)
{
    LuaTestEngine engine(withUI);
    const Printed created = engine.run(R"(
        sb = LuaScreenBuffer(gScreenBuffer)
        for _, edge in ipairs({2147483647, -2147483648}) do
            local far = ui.createWindow({x = edge, y = edge, width = edge, height = edge, title = 'far',
                                         showDismissText = true, shadow = true})
            local inner = LuaWindow(ui.createWindow({parent = far, x = edge, y = edge, width = edge, height = edge}))
            inner.onDraw(function() sb.print({x = edge, y = edge, text = 'handler'}) end)
            inner.setTitle('inner')
            ui.createLabel({parent = inner.instance(), x = edge, y = edge, text = 'label', maxWidth = edge})
            ui.createTextField({parent = inner.instance(), x = edge, y = edge, width = edge})
            local console = LuaConsole(ui.createConsole({x = edge, y = edge, width = edge, height = edge}))
            console.setActive(true)
            console.insert({text = 'far away'})
        end
        local back = ui.createWindow({x = -2147483646, y = -2147483646, width = 1, height = 1, closable = false})
        ui.createLabel({parent = back, x = 2147483647, y = 2147483647, text = 'back'})
        ui.showMessageBox('still here')
    )");
    EXPECT_EQ(created.err, "");
    EXPECT_EQ(engine.frame().err, "");
    Lines expected(25, std::string(80, '.'));
    expected[1] = ".back" + std::string(75, '.');
    const std::string beforeBox(31, '.');
    const std::string afterBox(32, '.');
    expected[10] = beforeBox + "╔═══════════════╗" + afterBox;
    expected[11] = beforeBox + "║...............║" + afterBox;
    expected[12] = beforeBox + "║..still here...║" + afterBox;
    expected[13] = beforeBox + "║...............║" + afterBox;
    expected[14] = beforeBox + "╚═══ [Enter ►] ═╝" + afterBox;
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 80, 25), expected);
}

// Consoles draw on one budget of memory, their cells and their entries alike; a removed
// console gives its share back at once.
TEST(LuaUI, ConsolesShareABoundedMemoryAndCanBeRemoved)
{
    LuaTestEngine engine(withUI);
    const Printed filled = engine.run(R"(
        consoles = {}
        local ok, message = true, nil
        while ok and #consoles < 1000 do
            ok, message = pcall(ui.createConsole, {x = 0, y = 0, width = 256, height = 256})
            if ok then consoles[#consoles + 1] = LuaConsole(message) end
        end
        print(#consoles, message)
    )");
    EXPECT_EQ(filled.out, "31\tLuaUI.createConsole: consoles hold at most 64 MB together;"
                          " remove some with LuaConsole.remove\n");

    const Printed removed = engine.run(R"(
        local last = consoles[#consoles]
        last.remove()
        print(pcall(last.insert, {text = 'x'}))
        consoles[#consoles] = LuaConsole(ui.createConsole({width = 256, height = 256}))
        print('made again')
    )");
    EXPECT_EQ(removed.out, "false\tLuaConsole.insert: object no longer exists\nmade again\n");

    const Printed entries = engine.run(R"(
        for i = 1, 4 do consoles[i].remove() end
        local small = LuaConsole(ui.createConsole({width = 10, height = 6}))
        local long = string.rep('x', 1024 * 1024)
        local ok, message
        for i = 1, 10 do ok, message = pcall(small.insert, {text = long}) end
        print(message)
        small.clear()
        print(pcall(small.insert, {text = long}))
    )");
    EXPECT_EQ(entries.out, "LuaConsole.insert: consoles hold at most 64 MB together;"
                           " the entry does not fit\ntrue\n")
        << "the 27 consoles left hold 54 MB: the fifth entry of 2 MB does not fit, and a clear makes room";
}

// Each message box is three widgets that stay until the player or the script closes it.
TEST(LuaUI, TheTreeHoldsABoundedNumberOfWidgets)
{
    LuaTestEngine engine(withUI);
    const Printed filled = engine.run(R"(
        local boxes, ok, message = 0, true, nil
        while ok and boxes < 100000 do
            ok, message = pcall(ui.showMessageBox, 'box')
            if ok then boxes = boxes + 1 end
        end
        print(boxes, message)
    )");
    EXPECT_EQ(filled.out, "5461\tLuaUI.showMessageBox: the interface holds at most 16384 widgets;"
                          " close some windows first\n");
    EXPECT_TRUE(engine.core().getUI()->dismissTopWindow(ClosedBy::Escape));
    EXPECT_EQ(engine.run("ui.showMessageBox('one more') print('shown')").out, "shown\n") << "a closed box makes room";
}

TEST(LuaUI, TextFieldsTakeAMaximumLengthAndConsolesAnEntryLimit)
{
    LuaTestEngine engine(withUI);
    engine.run("f = LuaTextField(ui.createTextField({maxLength = 3})) f.setText('abcdef')"
               "c = LuaConsole(ui.createConsole({width = 8, height = 1, maxEntries = 2}))"
               "c.setActive(true) for i = 1, 3 do c.insert({text = 'entry ' .. i}) end");
    EXPECT_EQ(engine.run("print(f.getText())").out, "abc\n");
    for (int page = 0; page < 4; ++page)
        engine.press(sf::Keyboard::PageUp);
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 1), (Lines{"entry 2."})) << "the oldest entry kept";
    const std::string warned = engine.run("ui.createTextField({maxLength = -1})"
                                          "LuaConsole(ui.createConsole({maxEntries = 0})).insert({text = 'kept'})")
                                   .err;
    EXPECT_EQ(warned, "scripts/snippet.lua:1: LuaUI.createTextField: warning: option \"maxLength\" must be 0 or more; "
                      "-1 is read as 0\n"
                      "scripts/snippet.lua:1: LuaUI.createConsole: warning: option \"maxEntries\" must be 1 or more; "
                      "0 is read as 1\n");
}
