#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace qel;
using test::backgroundText;
using test::errorLines;
using test::foregroundText;
using test::Lines;
using test::screenText;

namespace {

// An engine whose scripts hold the usual script objects: core, sb, ui and a console log.
// Warnings are printed once per process for each script line, so every call here runs from a
// script file of its own name, which no other test shares.
class MisuseEngine : public test::LuaTestEngine {
public:
    MisuseEngine()
        : LuaTestEngine("core = LuaCore(gCore) ui = LuaUI(gUI)"
                        "log = LuaConsole(ui.createConsole({x = 40, y = 0, width = 20, height = 5}))"
                        "function onSetVideoMode() sb = LuaScreenBuffer(gScreenBuffer) end")
    {
    }

    // What running the code as scripts/misuse-<name>.lua printed on standard error.
    std::string runAs(const std::string& name, const std::string& code)
    {
        const std::string file = "misuse-" + name + ".lua";
        writeScript(file, code);
        return test::capturePrinted([&] { core().runScript(file); }).err;
    }
};

struct Misuse {
    const char* name;
    const char* code;
    // The warning after "scripts/misuse-<name>.lua:1: ".
    const char* warning;
};

// A call of a method that takes options, with every option it knows and one it does not.
struct OptionsCall {
    const char* name;
    const char* code;
    const char* method;
};

} // namespace

TEST(MisuseWarning, EachMisuseGetsOneLineNamingThePlaceAndTheMethod)
{
    const Misuse misuses[] = {
        {"option", "sb.print({text = 'a', colour = Color.Red})",
         "LuaScreenBuffer.print: warning: unknown option \"colour\""},
        {"number", "sb.print({text = 'a', x = 'a', y = '5'})",
         "LuaScreenBuffer.print: warning: option \"x\" is a string, not a number"},
        {"colour-type", "log.insert({text = 'a', color = 'red'})",
         "LuaConsole.insert: warning: option \"color\" is a string, not a number"},
        {"switch", "sb.drawBorder({width = 3, height = 3, fill = 1, shadow = false})",
         "LuaScreenBuffer.drawBorder: warning: option \"fill\" is a number, not a boolean"},
        {"colour", "sb.clear(42)", "LuaScreenBuffer.clear: warning: colour 42 is not in the Color table"},
        {"colour-fraction", "sb.fillRow({row = 1, color = 2.5})",
         "LuaScreenBuffer.fillRow: warning: colour 2.5 is not in the Color table"},
        {"video-mode", "core.setVideoMode(7)",
         "LuaCore.setVideoMode: warning: video mode 7 is not in the VideoMode table"},
        {"display-style", "core.setDisplayStyle(-1)",
         "LuaCore.setDisplayStyle: warning: display style -1 is not in the DisplayStyle table"},
        {"video-mode-string", "core.setVideoMode('big')",
         "LuaCore.setVideoMode: warning: argument 1 is the string \"big\", not a number from the VideoMode table"},
        {"display-style-nil", "core.setDisplayStyle(DisplayStyle.Stretched)",
         "LuaCore.setDisplayStyle: warning: argument 1 is nil, not a number from the DisplayStyle table"},
        {"colour-table", "sb.clear({})",
         "LuaScreenBuffer.clear: warning: argument 1 is a table, not a number from the Color table"},
        {"options-string", "sb.print('text')",
         "LuaScreenBuffer.print: warning: argument 1 is the string \"text\", not a table of options"},
        {"options-number", "log.insert(12)", "LuaConsole.insert: warning: argument 1 is the number 12, not a table of "
                                             "options"},
        {"options-nil", "core.setHotKeys(nil)", "LuaCore.setHotKeys: warning: argument 1 is nil, not a table of options"},
        {"colon", "core:getWallpaper()",
         "LuaCore.getWallpaper: warning: called with ':'; methods are called with '.', as in screen.print{...}"},
    };
    for (const Misuse& misuse : misuses) {
        MisuseEngine engine;
        EXPECT_EQ(engine.runAs(misuse.name, misuse.code),
                  "scripts/misuse-" + std::string(misuse.name) + ".lua:1: " + misuse.warning + "\n");
    }
}

TEST(MisuseWarning, EveryOptionsMethodWarnsAboutUnknownNamesOnly)
{
    const OptionsCall calls[] = {
        {"print", "sb.print({x = 1, y = 1, text = 'a', color = 1, background = 2, raw = true, asIs = true,"
                  "wrap = true, lineWrap = true, wrapText = true, textWrap = true, vertical = false,"
                  "verticalText = false, length = 5, maxLength = 5, bogus = 1})",
         "LuaScreenBuffer.print"},
        {"put", "sb.put({x = 1, y = 1, color = 1, background = 2, text = 'a', value = 'a', character = 'a',"
                "char = 'a', bogus = 1})",
         "LuaScreenBuffer.put"},
        {"fillRow", "sb.fillRow({row = 1, y = 1, color = 2, bogus = 1})", "LuaScreenBuffer.fillRow"},
        {"fillRect", "sb.fillRect({x = 1, y = 1, width = 2, height = 2, color = 3, bogus = 1})",
         "LuaScreenBuffer.fillRect"},
        {"clearRect", "sb.clearRect({x = 1, y = 1, width = 2, height = 2, background = 3, bogus = 1})",
         "LuaScreenBuffer.clearRect"},
        {"drawBorder", "sb.drawBorder({x = 1, y = 1, width = 4, height = 3, color = 1, background = 2,"
                       "fill = true, shadow = true, merge = true, bogus = 1})",
         "LuaScreenBuffer.drawBorder"},
        {"createWindow", "ui.createWindow({x = 1, y = 1, width = 9, height = 4, color = 1, background = 2,"
                         "parent = false, showDismissText = true, shadow = true, closable = false, id = 3,"
                         "title = 't', bogus = 1})",
         "LuaUI.createWindow"},
        {"createLabel", "ui.createLabel({x = 1, y = 1, width = 5, maxWidth = 5, color = 1, background = 2,"
                        "parent = false, text = 't', id = 3, bogus = 1})",
         "LuaUI.createLabel"},
        {"createTextField", "ui.createTextField({x = 1, y = 1, width = 5, color = 1, background = 2,"
                            "inputPrefix = '>', parent = false, hidden = true, mainInput = false, id = 3,"
                            "bogus = 1})",
         "LuaUI.createTextField"},
        {"createConsole", "ui.createConsole({x = 1, y = 1, width = 5, height = 2, id = 3, bogus = 1})",
         "LuaUI.createConsole"},
        {"insert", "log.insert({text = 't', color = 1, appendEmpty = true, appendEmptyLine = false, bogus = 1})",
         "LuaConsole.insert"},
    };
    for (const OptionsCall& call : calls) {
        MisuseEngine engine;
        EXPECT_EQ(engine.runAs(call.name, call.code), "scripts/misuse-" + std::string(call.name) + ".lua:1: " +
                                                          call.method + ": warning: unknown option \"bogus\"\n");
    }
}

TEST(MisuseWarning, ALineWarnsOnceForEachMisuse)
{
    MisuseEngine engine;
    const std::string code = "for i = 1, 3 do sb.print({colour = 1}) sb.print({x = 'a'}) sb.clear(30) end\n"
                             "sb.print({colour = 1})\n";
    const std::string place = "scripts/misuse-once.lua:";
    EXPECT_EQ(errorLines(engine.runAs("once", code)),
              (Lines{place + "1: LuaScreenBuffer.print: warning: unknown option \"colour\"",
                     place + "1: LuaScreenBuffer.print: warning: option \"x\" is a string, not a number",
                     place + "1: LuaScreenBuffer.clear: warning: colour 30 is not in the Color table",
                     place + "2: LuaScreenBuffer.print: warning: unknown option \"colour\""}));
    EXPECT_EQ(engine.runAs("once", code), "") << "a second run of the same lines prints nothing";
}

// The warned calls do what they did before there were warnings.
TEST(MisuseWarning, WarnedCallsActAsBefore)
{
    MisuseEngine engine;
    engine.runAs("same-print", "sb.print({x = 'a', y = '1', text = 'ab', colour = Color.Red, vertical = 0})");
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 3, 2), (Lines{"a..", "b.."}))
        << "x reads as 0, y = '1' as 1; the switch 0 is true, so the text runs down";
    EXPECT_EQ(foregroundText(engine.screen(), 0, 1, 1, 1), Lines{"f"}) << "the unknown option leaves White";

    engine.runAs("same-colon", "sb:clear(Color.Blue)");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 1, 1), Lines{"0"}) << "a colon call clears to Clear";

    engine.runAs("same-colour", "sb.fillRow({row = 3, color = 256 + Color.Red})");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 3, 1, 1), Lines{"1"}) << "a colour keeps its low 8 bits";

    const std::string failed = engine.runAs("same-error", "sb.print({text = {}, colour = 1})");
    EXPECT_TRUE(test::contains(failed, "LuaScreenBuffer.print: option 'text' must be a string or a number, not table"))
        << failed;
}
