#include "app/ScriptClasses.hpp"

#include "app/Core.hpp"
#include "app/LuaCore.hpp"
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

#include <SFML/Window/Keyboard.hpp>

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

// The window library's key codes under its own names, as key() receives them. Return, BackSpace,
// BackSlash, SemiColon and Dash are the library's older names of Enter, Backspace, Backslash,
// Semicolon and Hyphen, kept so that scripts written with either read the same.
void defineKeyTable(lua_State* L)
{
#define QEL_KEY(name) {#name, sf::Keyboard::name}
    makeReadOnlyTable(
        L, "Key",
        {QEL_KEY(Unknown), QEL_KEY(A), QEL_KEY(B), QEL_KEY(C), QEL_KEY(D), QEL_KEY(E), QEL_KEY(F), QEL_KEY(G),
         QEL_KEY(H), QEL_KEY(I), QEL_KEY(J), QEL_KEY(K), QEL_KEY(L), QEL_KEY(M), QEL_KEY(N), QEL_KEY(O),
         QEL_KEY(P), QEL_KEY(Q), QEL_KEY(R), QEL_KEY(S), QEL_KEY(T), QEL_KEY(U), QEL_KEY(V), QEL_KEY(W),
         QEL_KEY(X), QEL_KEY(Y), QEL_KEY(Z), QEL_KEY(Num0), QEL_KEY(Num1), QEL_KEY(Num2), QEL_KEY(Num3),
         QEL_KEY(Num4), QEL_KEY(Num5), QEL_KEY(Num6), QEL_KEY(Num7), QEL_KEY(Num8), QEL_KEY(Num9),
         QEL_KEY(Escape), QEL_KEY(LControl), QEL_KEY(LShift), QEL_KEY(LAlt), QEL_KEY(LSystem),
         QEL_KEY(RControl), QEL_KEY(RShift), QEL_KEY(RAlt), QEL_KEY(RSystem), QEL_KEY(Menu),
         QEL_KEY(LBracket), QEL_KEY(RBracket), QEL_KEY(Semicolon), QEL_KEY(Comma), QEL_KEY(Period),
         QEL_KEY(Quote), QEL_KEY(Slash), QEL_KEY(Backslash), QEL_KEY(Tilde), QEL_KEY(Equal), QEL_KEY(Hyphen),
         QEL_KEY(Space), QEL_KEY(Enter), QEL_KEY(Backspace), QEL_KEY(Tab), QEL_KEY(PageUp), QEL_KEY(PageDown),
         QEL_KEY(End), QEL_KEY(Home), QEL_KEY(Insert), QEL_KEY(Delete), QEL_KEY(Add), QEL_KEY(Subtract),
         QEL_KEY(Multiply), QEL_KEY(Divide), QEL_KEY(Left), QEL_KEY(Right), QEL_KEY(Up), QEL_KEY(Down),
         QEL_KEY(Numpad0), QEL_KEY(Numpad1), QEL_KEY(Numpad2), QEL_KEY(Numpad3), QEL_KEY(Numpad4),
         QEL_KEY(Numpad5), QEL_KEY(Numpad6), QEL_KEY(Numpad7), QEL_KEY(Numpad8), QEL_KEY(Numpad9),
         QEL_KEY(F1), QEL_KEY(F2), QEL_KEY(F3), QEL_KEY(F4), QEL_KEY(F5), QEL_KEY(F6), QEL_KEY(F7),
         QEL_KEY(F8), QEL_KEY(F9), QEL_KEY(F10), QEL_KEY(F11), QEL_KEY(F12), QEL_KEY(F13), QEL_KEY(F14),
         QEL_KEY(F15), QEL_KEY(Pause), QEL_KEY(Return), QEL_KEY(BackSpace), QEL_KEY(BackSlash),
         QEL_KEY(SemiColon), QEL_KEY(Dash)});
#undef QEL_KEY
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
    return environment;
}

} // namespace qel
