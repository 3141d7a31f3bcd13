#include "ui/LuaConsole.hpp"

#include "ui/LuaWidget.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/Console.hpp"

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

// By default every entry is followed by an empty row.
int insert(LuaConsole& console, lua_State* L)
{
    Console& live = console.live(L);
    const InsertOptions options = readInsertOptions(L);
    live.insert(options.text, options.color, options.appendEmptyLine);
    return 0;
}

int insertEmptyLine(LuaConsole& console, lua_State* L)
{
    console.live(L).insertEmptyLine();
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
});

} // namespace

const char* const LuaConsole::className = "LuaConsole";

const ScriptMethod<LuaConsole>* const LuaConsole::methods = consoleMethods.data();

} // namespace qel
