#include "ui/LuaUI.hpp"

#include "base/LiveObjects.hpp"
#include "script/ScriptArguments.hpp"
#include "ui/Console.hpp"
#include "ui/Label.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/MessageBox.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

namespace qel {

namespace {

template <class Widget>
bool isLive(void* handle)
{
    return LiveObjects::serialOf<Widget>(handle) != LiveObjects::None;
}

// A handle as the create methods and instance() give them. Any other userdata (a script
// object, a console, a widget that is gone) is refused, since nothing else could tell it from
// a widget; a value that is no userdata at all means the top level.
UIWidget* readParent(lua_State* L, int value)
{
    const int type = lua_type(L, value);
    if (type != LUA_TLIGHTUSERDATA && type != LUA_TUSERDATA)
        return nullptr;
    void* handle = lua_touserdata(L, value);
    if (isLive<Window>(handle))
        return static_cast<Window*>(handle);
    if (isLive<Label>(handle))
        return static_cast<Label*>(handle);
    if (isLive<TextField>(handle))
        return static_cast<TextField*>(handle);
    methodError(L, "option 'parent' must be the handle of a widget that still exists");
}

// An integer option with a floor: a value below it is warned about and read as the floor.
int readAtLeast(lua_State* L, int value, std::string_view name, int floor)
{
    const int read = readIntegerOption(L, value, name);
    if (read >= floor)
        return read;
    methodWarning(L, "option \"%s\" must be %d or more; %d is read as %d", std::string(name).c_str(), floor, read,
                  floor);
    return floor;
}

// The most widgets one create method makes: a window, its title and its dismiss text.
constexpr int MostWidgetsMade = 3;

// The live UI, or a script error when the tree is full.
UI& uiWithRoom(LuaUI& ui, lua_State* L)
{
    UI& live = ui.live(L);
    if (!live.hasRoomFor(MostWidgetsMade))
        methodError(L, "the interface holds at most %d widgets; close some windows first", UI::MostWidgets);
    return live;
}

struct WindowOptions {
    WidgetRect rect;
    UIWidget* parent = nullptr;
    ColorPair colours{LightBlue, Blue};
    bool showDismissText = false;
    bool shadow = false;
    bool closable = true;
    int id = 0;
    WideString title;
};

WindowOptions readWindowOptions(lua_State* L)
{
    WindowOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readRect(L, name, value, options.rect) || readColours(L, name, value, options.colours))
            return true;
        if (name == "parent")
            options.parent = readParent(L, value);
        else if (name == "showDismissText")
            options.showDismissText = readSwitchOption(L, value, name);
        else if (name == "shadow")
            options.shadow = readSwitchOption(L, value, name);
        else if (name == "closable")
            options.closable = readSwitchOption(L, value, name);
        else if (name == "id")
            options.id = readIntegerOption(L, value, name);
        else if (name == "title")
            options.title = toWide(readTextOption(L, value, name));
        else
            return false;
        return true;
    });
    return options;
}

struct LabelOptions {
    WidgetRect rect;
    int maxWidth = 0;
    UIWidget* parent = nullptr;
    WideString text;
    ColorPair colours{White, Clear};
    int id = 0;
};

LabelOptions readLabelOptions(lua_State* L)
{
    LabelOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readPosition(L, name, value, options.rect) || readColours(L, name, value, options.colours))
            return true;
        if (oneOf(name, {"width", "maxWidth"}))
            options.maxWidth = readIntegerOption(L, value, name);
        else if (name == "parent")
            options.parent = readParent(L, value);
        else if (name == "text")
            options.text = toWide(readTextOption(L, value, name));
        else if (name == "id")
            options.id = readIntegerOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

struct TextFieldOptions {
    WidgetRect rect{0, 0, 8, 1};
    ColorPair colours{White, Clear};
    WideString inputPrefix;
    UIWidget* parent = nullptr;
    bool hidden = false;
    bool mainInput = false;
    int maxLength = 0;
    int id = 0;
};

TextFieldOptions readTextFieldOptions(lua_State* L)
{
    TextFieldOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readPosition(L, name, value, options.rect) || readColours(L, name, value, options.colours))
            return true;
        if (name == "width")
            options.rect.width = readIntegerOption(L, value, name);
        else if (name == "inputPrefix")
            options.inputPrefix = toWide(readTextOption(L, value, name));
        else if (name == "parent")
            options.parent = readParent(L, value);
        else if (name == "hidden")
            options.hidden = readSwitchOption(L, value, name);
        else if (name == "mainInput")
            options.mainInput = readSwitchOption(L, value, name);
        else if (name == "maxLength")
            options.maxLength = readAtLeast(L, value, name, 0);
        else if (name == "id")
            options.id = readIntegerOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

struct ConsoleOptions {
    WidgetRect rect;
    int maxEntries = static_cast<int>(Console::DefaultMaxEntries);
    int id = 0;
};

ConsoleOptions readConsoleOptions(lua_State* L)
{
    ConsoleOptions options;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (readRect(L, name, value, options.rect))
            return true;
        if (name == "maxEntries")
            options.maxEntries = readAtLeast(L, value, name, 1);
        else if (name == "id")
            options.id = readIntegerOption(L, value, name);
        else
            return false;
        return true;
    });
    return options;
}

int unfocus(LuaUI& ui, lua_State* L)
{
    ui.live(L).unfocus();
    return 0;
}

// What Return (or Escape, when the first argument is true) does to the topmost closable window,
// for games played with a pad or with keys of their own; false when no such window is open.
int dismissWindow(LuaUI& ui, lua_State* L)
{
    const ClosedBy how = readSwitch(L, 1) ? ClosedBy::Escape : ClosedBy::Return;
    return pushBoolean(L, ui.live(L).dismissTopWindow(how));
}

// A colon call passes the object first, which is no text and so a script error. The close
// handler, if given, runs once when the player or the script closes the box.
int showMessageBox(LuaUI& ui, lua_State* L)
{
    UI& live = uiWithRoom(ui, L);
    const WideString text = toWide(readText(L, 1));
    const int onClose = lua_gettop(L) >= 2 ? replaceHandler(L, NoReference) : NoReference;
    live.showMessageBox(text)->setHandler(HandlerSlot::Close, onClose);
    return 0;
}

// The console starts inactive: it shows nothing until the script activates it.
int createConsole(LuaUI& ui, lua_State* L)
{
    UI& live = ui.live(L);
    const ConsoleOptions options = readConsoleOptions(L);
    const WidgetRect& rect = options.rect;
    Console* console = live.createConsole(rect.x, rect.y, rect.width, rect.height);
    if (!console)
        methodError(L, "consoles hold at most %d MB together; remove some with LuaConsole.remove",
                    static_cast<int>(UI::MostConsoleBytes >> 20));
    console->setMaxEntries(static_cast<std::size_t>(options.maxEntries));
    console->setId(options.id);
    lua_pushlightuserdata(L, console);
    return 1;
}

// A main input field takes the focus at once, whatever windows are open.
int createTextField(LuaUI& ui, lua_State* L)
{
    UI& live = uiWithRoom(ui, L);
    const TextFieldOptions options = readTextFieldOptions(L);
    const WidgetRect& rect = options.rect;
    TextField* field = live.createTextField(options.parent, rect.x, rect.y, rect.width, options.colours);
    field->setInputPrefix(options.inputPrefix);
    field->setHidden(options.hidden);
    field->setMaxLength(static_cast<std::size_t>(options.maxLength));
    field->setId(options.id);
    if (options.mainInput) {
        live.setMainInput(field);
        field->focus();
    }
    lua_pushlightuserdata(L, field);
    return 1;
}

int createWindow(LuaUI& ui, lua_State* L)
{
    UI& live = uiWithRoom(ui, L);
    const WindowOptions options = readWindowOptions(L);
    const WidgetRect& rect = options.rect;
    Window* window =
        live.createWindow(options.parent, rect.x, rect.y, rect.width, rect.height, options.colours);
    window->setShadow(options.shadow);
    window->setClosable(options.closable);
    window->setId(options.id);
    window->setTitle(options.title);
    if (options.showDismissText)
        live.addDismissText(*window);
    lua_pushlightuserdata(L, window);
    return 1;
}

int createLabel(LuaUI& ui, lua_State* L)
{
    UI& live = uiWithRoom(ui, L);
    const LabelOptions options = readLabelOptions(L);
    const WidgetRect& rect = options.rect;
    Label* label = live.createLabel(options.parent, options.text, rect.x, rect.y, options.colours);
    label->setMaxWidth(options.maxWidth);
    label->setId(options.id);
    lua_pushlightuserdata(L, label);
    return 1;
}

} // namespace

const char* const LuaUI::className = "LuaUI";

const ScriptMethod<LuaUI> LuaUI::methods[] = {
    {"instance", instanceMethod<LuaUI>},
    {"unfocus", unfocus},
    {"dismissWindow", dismissWindow},
    {"showMessageBox", showMessageBox},
    {"createConsole", createConsole},
    {"createTextField", createTextField},
    {"createWindow", createWindow},
    {"createLabel", createLabel},
    {nullptr, nullptr},
};

} // namespace qel
