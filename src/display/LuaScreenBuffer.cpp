#include "display/LuaScreenBuffer.hpp"

#include "display/ScreenBuffer.hpp"
#include "script/ScriptArguments.hpp"

namespace qel {

static_assert(LastColour == Clear2, "the Color table that scripts see ends with Clear2");

namespace {

void setFlag(uint32_t& flags, uint32_t flag, bool on)
{
    flags = on ? flags | flag : flags & ~flag;
}

// A rectangle of cells as the options give it.
struct CellRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct PrintOptions {
    GridPoint position;
    ColorPair colour{White, Clear};
    WideString text;
    uint32_t flags = 0;
    int length = 0;
};

PrintOptions readPrintOptions(lua_State* L)
{
    PrintOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readPosition(L, name, value, options.position) || readColours(L, name, value, options.colour))
            return true;
        if (name == "text")
            options.text = toWide(readTextOption(L, value, name));
        else if (oneOf(name, {"raw", "asIs"}))
            setFlag(options.flags, AsIs, readSwitchOption(L, value, name));
        else if (oneOf(name, {"wrap", "lineWrap", "wrapText", "textWrap"}))
            setFlag(options.flags, Wrap, readSwitchOption(L, value, name));
        else if (oneOf(name, {"vertical", "verticalText"}))
            setFlag(options.flags, Vertical, readSwitchOption(L, value, name));
        else if (oneOf(name, {"length", "maxLength"}))
            options.length = readIntegerOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

struct PutOptions {
    GridPoint position;
    ColorPair colour{White, Clear};
    WideString text;
};

PutOptions readPutOptions(lua_State* L)
{
    PutOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readPosition(L, name, value, options.position) || readColours(L, name, value, options.colour))
            return true;
        if (!oneOf(name, {"text", "value", "character", "char"}))
            return false;
        options.text = toWide(readTextOption(L, value, name));
        return true;
    });
    return options;
}

struct RowOptions {
    uint8_t row = 0;
    uint8_t background = Blue;
};

RowOptions readRowOptions(lua_State* L)
{
    RowOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (oneOf(name, {"row", "y"}))
            options.row = static_cast<uint8_t>(readIntegerOption(L, value, name));
        else if (name == "color")
            options.background = readColourOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

struct RectOptions {
    CellRect rect;
    uint8_t background;
};

// fillRect and clearRect differ only in the name and default of the colour option.
RectOptions readRectOptions(lua_State* L, std::string_view colourOption, uint8_t defaultBackground)
{
    RectOptions options{{}, defaultBackground};
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readRect(L, name, value, options.rect))
            return true;
        if (name != colourOption)
            return false;
        options.background = readColourOption(L, value, name);
        return true;
    });
    return options;
}

struct BorderOptions {
    CellRect rect;
    ColorPair colour{White, Clear};
    uint32_t flags = 0;
};

BorderOptions readBorderOptions(lua_State* L)
{
    BorderOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readRect(L, name, value, options.rect) || readColours(L, name, value, options.colour))
            return true;
        if (name == "fill")
            setFlag(options.flags, Fill, readSwitchOption(L, value, name));
        else if (name == "shadow")
            setFlag(options.flags, Shadow, readSwitchOption(L, value, name));
        else if (name == "merge")
            setFlag(options.flags, Merge, readSwitchOption(L, value, name));
        else
            return false;
        return true;
    });
    return options;
}

// The application clears the screen and calls the script's redraw.
int redraw(LuaScreenBuffer& buffer, lua_State* L)
{
    buffer.live(L).redraw();
    return 0;
}

// Only a call with exactly one argument names the background: a colon call passes the object
// first and so clears to 0, as a call without arguments does.
int clear(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    screen.clear(lua_gettop(L) == 1 ? readColour(L, 1) : uint8_t{Clear});
    return 0;
}

// The count of lines that print returns is not passed on.
int print(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const PrintOptions options = readPrintOptions(L);
    screen.print(options.position.x, options.position.y, options.text, options.colour, options.flags,
                 static_cast<uint32_t>(options.length));
    return 0;
}

int fillRow(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const RowOptions options = readRowOptions(L);
    screen.fillRow(options.row, options.background);
    return 0;
}

int fillRect(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const RectOptions options = readRectOptions(L, "color", Gray);
    const CellRect& rect = options.rect;
    screen.fillRect(rect.x, rect.y, rect.width, rect.height, options.background);
    return 0;
}

int clearRect(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const RectOptions options = readRectOptions(L, "background", Black);
    const CellRect& rect = options.rect;
    screen.clearRect(rect.x, rect.y, rect.width, rect.height, options.background);
    return 0;
}

int drawBorder(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const BorderOptions options = readBorderOptions(L);
    const CellRect& rect = options.rect;
    screen.drawBorder(rect.x, rect.y, rect.width, rect.height, options.colour, options.flags);
    return 0;
}

// Writes the first character of the text, a space when there is none; the origin does not apply.
int put(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const PutOptions options = readPutOptions(L);
    const uint16_t character = options.text.empty() ? u' ' : options.text[0];
    screen.put(options.position.x, options.position.y, character, options.colour);
    return 0;
}

} // namespace

const char* const LuaScreenBuffer::className = "LuaScreenBuffer";

const ScriptMethod<LuaScreenBuffer> LuaScreenBuffer::methods[] = {
    {"instance", instanceMethod<LuaScreenBuffer>},
    {"redraw", redraw},
    {"clear", clear},
    {"print", print},
    {"fillRow", fillRow},
    {"fillRect", fillRect},
    {"clearRect", clearRect},
    {"drawBorder", drawBorder},
    {"put", put},
    {nullptr, nullptr},
};

} // namespace qel
