#include "ui/LuaConsole.hpp"

#include "ui/LuaWidget.hpp"

#include "base/Hub.hpp"
#include "script/ScriptArguments.hpp"
#include "ui/Console.hpp"
#include "ui/UI.hpp"

namespace qel {

namespace {

struct InsertOptions {
    WideString text;
    uint8_t color = White;
    bool appendEmptyLine = true;
};

InsertOptions readInsertOptions(lua_State* L)
{
    InsertOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (name == "text")
            options.text = toWide(readTextOption(L, value, name));
        else if (name == "color")
            options.color = readColourOption(L, value, name);
        else if (oneOf(name, {"appendEmpty", "appendEmptyLine"}))
            options.appendEmptyLine = readSwitchOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

// Draws nothing by itself: the console shows its entries at the next insert, clear or display.
int setActive(LuaConsole& console, lua_State* L)
{
    console.live(L).setActive(readSwitch(L, lastArgument(L)));
    return 0;
}

int isActive(LuaConsole& console, lua_State* L)
{
    return pushBoolean(L, console.live(L).isActive());
}

// Nothing else redraws a console: after the screen was cleared the script calls this again.
int display(LuaConsole& console, lua_State* L)
{
    console.live(L).display();
    return 0;
}

[[noreturn]] void refuseEntry(lua_State* L)
{
    methodError(L, "consoles hold at most %d MB together; the entry does not fit",
                static_cast<int>(UI::MostConsoleBytes >> 20));
}

// By default every entry is followed by an empty row.
int insert(LuaConsole& console, lua_State* L)
{
    Console& live = console.live(L);
    const InsertOptions options = readInsertOptions(L);
    if (!live.insert(options.text, options.color, options.appendEmptyLine))
        refuseEntry(L);
    return 0;
}

int insertEmptyLine(LuaConsole& console, lua_State* L)
{
    if (!console.live(L).insertEmptyLine())
        refuseEntry(L);
    return 0;
}

// The handle and every script object made from it then raise "object no longer exists".
int remove(LuaConsole& console, lua_State* L)
{
    Console& live = console.live(L);
    live.getCore()->getUI()->removeConsole(&live);
    return 0;
}

int clear(LuaConsole& console, lua_State* L)
{
    console.live(L).clear();
    return 0;
}

constexpr auto consoleMethods = widgetMethods<LuaConsole>({
    {"setActive", setActive},
    {"isActive", isActive},
    {"display", display},
    {"insert", insert},
    {"insertEmptyLine", insertEmptyLine},
    {"clear", clear},
    {"remove", remove},
});

} // namespace

const char* const LuaConsole::className = "LuaConsole";

const ScriptMethod<LuaConsole>* const LuaConsole::methods = consoleMethods.data();

} // namespace qel
