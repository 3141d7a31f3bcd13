#include "app/ScriptClasses.hpp"

#include "app/Core.hpp"
#include "app/KeyNames.hpp"
#include "app/LuaCore.hpp"
#include "app/MouseInput.hpp"
#include "app/PadAxes.hpp"
#include "display/LuaScreenBuffer.hpp"
#include "display/Renderer.hpp"
#include "script/LuaUtils.hpp"
#include "script/ReadOnlyTable.hpp"
#include "sound/LuaSoundManager.hpp"
#include "sound/SoundManager.hpp"
#include "ui/Console.hpp"
#include "ui/Label.hpp"
#include "ui/LuaConsole.hpp"
#include "ui/LuaLabel.hpp"
#include "ui/LuaTextField.hpp"
#include "ui/LuaUI.hpp"
#include "ui/LuaWindow.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

namespace qel {

namespace {

// The number a script sees for one of the engine's enumerators.
template <class Enumeration>
int number(Enumeration value)
{
    return static_cast<int>(value);
}

// Registering a class makes its constructor, which looks its engine object up by type: every
// engine class must be complete here. The order in which the classes become globals is part of the contract with the scripts.
void registerScriptClasses(lua_State* L)
{
    ScriptBinding<LuaCore>::registerClass(L);
    ScriptBinding<LuaUtils>::registerClass(L);
    ScriptBinding<LuaScreenBuffer>::registerClass(L);
    ScriptBinding<LuaUI>::registerClass(L);
    ScriptBinding<LuaConsole>::registerClass(L);
    ScriptBinding<LuaTextField>::registerClass(L);
    ScriptBinding<LuaWindow>::registerClass(L);
    ScriptBinding<LuaLabel>::registerClass(L);
    ScriptBinding<LuaSoundManager>::registerClass(L);
}

// The Key table: the window library's key codes under their names.
void defineKeyTable(lua_State* L)
{
    std::vector<ReadOnlyEntry> entries;
    for (const KeyName& key : keyNames())
        entries.push_back({key.name, key.code});
    makeReadOnlyTable(L, "Key", entries);
}

// The MouseButton table: the window library's button numbers under their names.
void defineMouseButtonTable(lua_State* L)
{
    std::vector<ReadOnlyEntry> entries;
    for (std::size_t button = 0; button < MouseInput::ButtonNames.size(); ++button)
        entries.push_back({MouseInput::ButtonNames[button], static_cast<int>(button)});
    makeReadOnlyTable(L, "MouseButton", entries);
}

// The PadAxis table: the window library's axes of a pad under its names.
void definePadAxisTable(lua_State* L)
{
    std::vector<ReadOnlyEntry> entries;
    const auto& names = padAxisNames();
    for (std::size_t axis = 0; axis < names.size(); ++axis)
        entries.push_back({names[axis], static_cast<int>(axis)});
    makeReadOnlyTable(L, "PadAxis", entries);
}

void defineEnumerationTables(lua_State* L)
{
    makeReadOnlyTable(L, "Color",
                      {{"Clear", Clear}, {"Clear2", Clear2}, {"Red", Red}, {"Brown", Brown},
                       {"Green", Green}, {"Cyan", Cyan}, {"Blue", Blue}, {"Magenta", Magenta},
                       {"LightGray", LightGray}, {"Gray", Gray}, {"LightRed", LightRed},
                       {"Yellow", Yellow}, {"LightGreen", LightGreen}, {"LightCyan", LightCyan},
                       {"LightBlue", LightBlue}, {"LightMagenta", LightMagenta}, {"White", White},
                       {"Black", Black}});
    makeReadOnlyTable(L, "VideoMode",
                      {{"Text80x25", number(VideoMode::Text80x25)}, {"Text40x25", number(VideoMode::Text40x25)}});
    makeReadOnlyTable(L, "DisplayStyle",
                      {{"Default", number(DisplayStyle::Default)}, {"FullFill", number(DisplayStyle::FullFill)},
                       {"FullFit", number(DisplayStyle::FullFit)}});
    defineKeyTable(L);
    defineMouseButtonTable(L);
    definePadAxisTable(L);
}

void defineScriptClasses(lua_State* L)
{
    registerScriptClasses(L);
    defineEnumerationTables(L);
}

} // namespace

ScriptEnvironment scriptEnvironment(Core& core)
{
    ScriptEnvironment environment;
    environment.defineClasses = defineScriptClasses;
    environment.globals = {scriptGlobal("gCore", &core), scriptGlobal("gUI", core.getUI()),
                           scriptGlobal<void>("gUtils", nullptr),
                           scriptGlobal("gSoundManager", core.getSoundManager())};
    environment.screenBuffer = [&core] { return scriptGlobal("gScreenBuffer", core.getScreenBuffer()); };
    environment.showError = [&core](const std::string& text) { core.showScriptError(text); };
    environment.randomSeed = core.getRunControl().randomSeed();
    environment.closeRequested = [&core] { return core.endRequestedDuringCall(); };
    return environment;
}

} // namespace qel
