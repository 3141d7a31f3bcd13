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

namespace {

constexpr auto consoleMethods = widgetMethods<LuaConsole>({
    {"setActive", &LuaConsole::setActive},
    {"isActive", &LuaConsole::isActive},
    {"display", &LuaConsole::display},
    {"insert", &LuaConsole::insert},
    {"insertEmptyLine", &LuaConsole::insertEmptyLine},
    {"clear", &LuaConsole::clear},
});

} // namespace

const ScriptMethod<LuaConsole>* const LuaConsole::methods = consoleMethods.data();

LuaConsole::LuaConsole(lua_State* L) : LuaWidget(L)
{
}

// Draws nothing by itself: the console shows its entries at the next insert, clear or display.
int LuaConsole::setActive(lua_State* L)
{
    widget.live(L).setActive(readSwitch(L, lastArgument(L)));
    return 0;
}

int LuaConsole::isActive(lua_State* L)
{
    return pushBoolean(L, widget.live(L).isActive());
}

// Nothing else redraws a console: after the screen was cleared the script calls this again.
int LuaConsole::display(lua_State* L)
{
    widget.live(L).display();
    return 0;
}

// By default every entry is followed by an empty row.
int LuaConsole::insert(lua_State* L)
{
    Console& live = widget.live(L);
    const InsertOptions options = readInsertOptions(L);
    live.insert(options.text, options.color, options.appendEmptyLine);
    return 0;
}

int LuaConsole::insertEmptyLine(lua_State* L)
{
    widget.live(L).insertEmptyLine();
    return 0;
}

int LuaConsole::clear(lua_State* L)
{
    widget.live(L).clear();
    return 0;
}

} // namespace qel
