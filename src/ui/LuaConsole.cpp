#include "ui/LuaConsole.hpp"

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
            options.color = readColour(L, value);
        else if (oneOf(name, {"appendEmpty", "appendEmptyLine"}))
            options.appendEmptyLine = readSwitch(L, value);
    });
    return options;
}

} // namespace

const char* const LuaConsole::className = "LuaConsole";

const ScriptMethod<LuaConsole> LuaConsole::methods[] = {
    {"instance", &LuaConsole::instance},
    {"setActive", &LuaConsole::setActive},
    {"isActive", &LuaConsole::isActive},
    {"display", &LuaConsole::display},
    {"insert", &LuaConsole::insert},
    {"insertEmptyLine", &LuaConsole::insertEmptyLine},
    {"clear", &LuaConsole::clear},
    {"setId", &LuaConsole::setId},
    {"getId", &LuaConsole::getId},
    {nullptr, nullptr},
};

LuaConsole::LuaConsole(lua_State* L) : console(L)
{
}

int LuaConsole::instance(lua_State* L)
{
    return console.pushInstance(L);
}

// Draws nothing by itself: the console shows its entries at the next insert, clear or display.
int LuaConsole::setActive(lua_State* L)
{
    console.live(L).setActive(readSwitch(L, lastArgument(L)));
    return 0;
}

int LuaConsole::isActive(lua_State* L)
{
    lua_pushboolean(L, console.live(L).isActive());
    return 1;
}

// Nothing else redraws a console: after the screen was cleared the script calls this again.
int LuaConsole::display(lua_State* L)
{
    console.live(L).display();
    return 0;
}

// By default every entry is followed by an empty row.
int LuaConsole::insert(lua_State* L)
{
    Console& live = console.live(L);
    const InsertOptions options = readInsertOptions(L);
    live.insert(options.text, options.color, options.appendEmptyLine);
    return 0;
}

int LuaConsole::insertEmptyLine(lua_State* L)
{
    console.live(L).insertEmptyLine();
    return 0;
}

int LuaConsole::clear(lua_State* L)
{
    console.live(L).clear();
    return 0;
}

int LuaConsole::setId(lua_State* L)
{
    console.live(L).setId(readInteger(L, 1));
    return 0;
}

int LuaConsole::getId(lua_State* L)
{
    lua_pushinteger(L, console.live(L).getId());
    return 1;
}

} // namespace qel
