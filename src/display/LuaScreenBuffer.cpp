#include "display/LuaScreenBuffer.hpp"

#include "base/GameFiles.hpp"
#include "base/MemoryBudget.hpp"
#include "base/WholeFile.hpp"
#include "display/ScreenBuffer.hpp"
#include "display/XpFile.hpp"
#include "script/ScriptArguments.hpp"

#include <optional>

namespace qel {

static_assert(LastColour == Clear2, "the Color table that scripts see ends with Clear2");

namespace {

// The sides of an off-screen buffer, and what all of them together may take: a script that
// makes buffers without end meets a script error instead of taking the machine's memory.
constexpr int LongestSide = 1024;
constexpr std::size_t MostOffScreenBytes = 256u << 20;

MemoryBudget& offScreenMemory()
{
    static MemoryBudget budget(MostOffScreenBytes);
    return budget;
}

std::size_t bytesOf(GridSize size)
{
    return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * sizeof(Cell);
}

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
    int row = 0;
    uint8_t background = Blue;
};

RowOptions readRowOptions(lua_State* L)
{
    RowOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (oneOf(name, {"row", "y"}))
            options.row = readIntegerOption(L, value, name);
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

// Scripts written for the screen alone may rely on a row counting by its low 8 bits, as it
// always has; a row of a taller buffer counts as it is.
int fillRow(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& screen = buffer.live(L);
    const RowOptions options = readRowOptions(L);
    const bool inside = options.row >= 0 && options.row < screen.getSize().height;
    screen.fillRow(inside ? options.row : options.row & 0xFF, options.background);
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

int getSize(LuaScreenBuffer& buffer, lua_State* L)
{
    const GridSize size = buffer.live(L).getSize();
    pushInteger(L, size.width);
    return 1 + pushInteger(L, size.height);
}

// The character as text ("" for none), its colour and the background; nil off the buffer. The
// position is the buffer's own: neither the origin nor put's running on into the next row apply.
int getCell(LuaScreenBuffer& buffer, lua_State* L)
{
    const ScreenBuffer& screen = buffer.live(L);
    GridPoint position;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        return readPosition(L, name, value, position);
    });
    if (!screen.contains(position.x, position.y)) {
        lua_pushnil(L);
        return 1;
    }
    const Cell& cell = screen.cellAt(position.x, position.y);
    const WideString character = cell.character ? WideString(1, cell.character) : WideString();
    lua_pushstring(L, toUtf8(character).c_str());
    pushInteger(L, cell.foreground);
    return 2 + pushInteger(L, cell.background);
}

// The collector knows nothing of the cells a script object holds; a step sized by them lets it
// catch up with a script that makes and drops buffers in a loop.
int pushOffScreen(lua_State* L, std::unique_ptr<ScreenBuffer> buffer)
{
    const std::size_t bytes = bytesOf(buffer->getSize());
    lua_gc(L, LUA_GCSTEP, static_cast<int>(bytes >> 10));
    if (!offScreenMemory().take(bytes))
        methodError(L, "off-screen buffers would take more than %d MB", static_cast<int>(MostOffScreenBytes >> 20));
    return ScriptBinding<LuaScreenBuffer>::pushNew(L, std::make_unique<LuaScreenBuffer>(std::move(buffer)));
}

// The buffer a blit copies from: a LuaScreenBuffer, or a buffer's handle such as gScreenBuffer.
const ScreenBuffer& readSource(lua_State* L, int value)
{
    if (lua_islightuserdata(L, value))
        return EngineObject<ScreenBuffer>(lua_touserdata(L, value)).live(L);
    if (auto* object = static_cast<LuaScreenBuffer*>(ScriptObjects::wrapper(L, value, LuaScreenBuffer::className)))
        return object->live(L);
    methodError(L, "option \"source\" must be a LuaScreenBuffer or a buffer's handle, not %s", luaL_typename(L, value));
}

// The size defaults to the source's whole size, which is known only once every option is read.
struct BlitOptions {
    const ScreenBuffer* source = nullptr;
    GridPoint to;
    GridPoint from;
    std::optional<int> width;
    std::optional<int> height;
    bool transparent = false;
};

BlitOptions readBlitOptions(lua_State* L)
{
    BlitOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readPosition(L, name, value, options.to))
            return true;
        if (name == "source")
            options.source = &readSource(L, value);
        else if (name == "fromX")
            options.from.x = readIntegerOption(L, value, name);
        else if (name == "fromY")
            options.from.y = readIntegerOption(L, value, name);
        else if (name == "width")
            options.width = readIntegerOption(L, value, name);
        else if (name == "height")
            options.height = readIntegerOption(L, value, name);
        else if (name == "transparent")
            options.transparent = readSwitchOption(L, value, name);
        else
            return false;
        return true;
    });
    if (!options.source)
        methodError(L, "no \"source\" buffer given");
    return options;
}

int blit(LuaScreenBuffer& buffer, lua_State* L)
{
    ScreenBuffer& target = buffer.live(L);
    const BlitOptions options = readBlitOptions(L);
    const GridSize whole = options.source->getSize();
    const GridSize size{options.width.value_or(whole.width), options.height.value_or(whole.height)};
    target.blit(*options.source, CopyArea{options.from, size, options.to}, options.transparent);
    return 0;
}

// LuaScreenBuffer.new{width = , height = }: a blank off-screen buffer, every cell Clear.
int newBuffer(lua_State* L)
{
    GridSize size;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (name == "width")
            size.width = readIntegerOption(L, value, name);
        else if (name == "height")
            size.height = readIntegerOption(L, value, name);
        else
            return false;
        return true;
    });
    if (size.width < 1 || size.width > LongestSide || size.height < 1 || size.height > LongestSide)
        methodError(L, "width and height must be from 1 to %d, not %d x %d", LongestSide, size.width, size.height);
    return pushOffScreen(L, std::make_unique<ScreenBuffer>(nullptr, size.width, size.height));
}

// A failed load or save is the script's to handle: after nil or false it gets this message naming
// the file, as Lua's own io functions give. One result.
int pushReason(lua_State* L, const char* verb, const std::string& path, const std::string& reason)
{
    lua_pushfstring(L, "cannot %s \"%s\": %s", verb, path.c_str(), reason.c_str());
    return 1;
}

// LuaScreenBuffer.load(path): an off-screen buffer of a cell-art (.xp) file of the game.
int loadBuffer(lua_State* L)
{
    const std::string path = readText(L, lastArgument(L));
    std::string error;
    const auto bytes = GameFiles::read(path, error, XpFile::MostFileBytes);
    std::unique_ptr<ScreenBuffer> buffer = bytes ? XpFile::decode(*bytes, error) : nullptr;
    if (!buffer) {
        lua_pushnil(L);
        return 1 + pushReason(L, "load", path, error);
    }
    return pushOffScreen(L, std::move(buffer));
}

// Writes the buffer as a cell-art file; true, or false and why not.
int save(LuaScreenBuffer& buffer, lua_State* L)
{
    const ScreenBuffer& cells = buffer.live(L);
    const std::string path = readText(L, lastArgument(L));
    const std::vector<unsigned char> bytes = XpFile::encode(cells);
    const std::string error = bytes.empty() ? "there is not enough memory to compress it" : writeWholeFile(path, bytes);
    if (error.empty())
        return pushBoolean(L, true);
    return pushBoolean(L, false) + pushReason(L, "save", path, error);
}

} // namespace

const char* const LuaScreenBuffer::className = "LuaScreenBuffer";

namespace {

ScreenBuffer* registered(ScreenBuffer* buffer)
{
    LiveObjects::add(buffer);
    return buffer;
}

} // namespace

LuaScreenBuffer::LuaScreenBuffer(std::unique_ptr<ScreenBuffer> buffer)
    : EngineObject(registered(buffer.get())), owned(std::move(buffer))
{
}

// pushOffScreen took the buffer's bytes from the budget.
LuaScreenBuffer::~LuaScreenBuffer()
{
    if (!owned)
        return;
    LiveObjects::remove(owned.get());
    offScreenMemory().give(bytesOf(owned->getSize()));
}

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
    {"get", getCell},
    {"blit", blit},
    {"getSize", getSize},
    {"save", save},
    {nullptr, nullptr},
};

const ClassFunction LuaScreenBuffer::classFunctions[] = {
    {"new", newBuffer},
    {"load", loadBuffer},
    {nullptr, nullptr},
};

} // namespace qel
