#include "app/LuaCore.hpp"

#include "app/Core.hpp"
#include "app/PadInput.hpp"
#include "base/SaveStore.hpp"
#include "display/DisplayModes.hpp"
#include "display/Renderer.hpp"
#include "script/SavedValue.hpp"
#include "script/ScriptArguments.hpp"
#include "sound/Speech.hpp"

#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/Mouse.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace qel {

namespace {

// The script's VideoMode, DisplayStyle and Key tables, for warnings about values outside them.
const NumberTable VideoModeTable{"VideoMode", "video mode", static_cast<int>(VideoMode::Text40x25)};
const NumberTable DisplayStyleTable{"DisplayStyle", "display style", static_cast<int>(DisplayStyle::FullFit)};
const NumberTable KeyTable{"Key", "key code", sf::Keyboard::KeyCount - 1, sf::Keyboard::Unknown};
const NumberTable MouseButtonTable{"MouseButton", "mouse button", sf::Mouse::ButtonCount - 1};
// The pads' numbers, their buttons' and the PadAxis table.
const NumberRange PadRange{"pad", 0, PadInput::PadCount - 1};
const NumberRange ButtonRange{"button", 0, PadInput::ButtonCount - 1};
const NumberTable PadAxisTable{"PadAxis", "axis", PadInput::AxisCount - 1};

// Runs the file at once, nested in the calling script; the name is taken as it is, ".lua" included.
int load(LuaCore& core, lua_State* L)
{
    core.live(L).runScript(readText(L, 1));
    return 0;
}

// The calling script goes on; the program ends after the frame in progress.
int exit(LuaCore& core, lua_State* L)
{
    core.live(L).exit(readInteger(L, 1));
    return 0;
}

// The window is made again as the frame ends, once however often a script toggles in the frame.
int toggleFullscreen(LuaCore& core, lua_State* L)
{
    core.live(L).requestFullscreenToggle();
    return 0;
}

// The window takes the bytes as they are, with no UTF-8 decoding.
int setWindowTitle(LuaCore& core, lua_State* L)
{
    core.live(L).setWindowTitle(readText(L, 1));
    return 0;
}

// Only the keys the options name change; the choice outlives a reload.
int setHotKeys(LuaCore& core, lua_State* L)
{
    Core& live = core.live(L);
    KeyRouter::HotKeys keys = live.getHotKeys();
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (name == "reload")
            keys.reload = readSwitchOption(L, value, name);
        else if (name == "fullscreen")
            keys.fullscreen = readSwitchOption(L, value, name);
        else if (name == "screenshot")
            keys.screenshot = readSwitchOption(L, value, name);
        else if (name == "stats")
            keys.stats = readSwitchOption(L, value, name);
        else if (name == "speech")
            keys.speech = readSwitchOption(L, value, name);
        else if (name == "review")
            keys.review = readSwitchOption(L, value, name);
        else
            return false;
        return true;
    });
    live.setHotKeys(keys);
    return 0;
}

// Calls the script's onSetVideoMode and redraw before it returns.
int setVideoMode(LuaCore& core, lua_State* L)
{
    Renderer* renderer = core.live(L).getRenderer();
    renderer->setVideoMode(static_cast<VideoMode>(readTableNumber(L, 1, VideoModeTable)), Repaint::Now);
    return 0;
}

int getVideoMode(LuaCore& core, lua_State* L)
{
    return pushInteger(L, static_cast<int>(core.live(L).getRenderer()->getVideoMode()));
}

int setDisplayStyle(LuaCore& core, lua_State* L)
{
    Renderer* renderer = core.live(L).getRenderer();
    renderer->setDisplayStyle(static_cast<DisplayStyle>(readTableNumber(L, 1, DisplayStyleTable)), Repaint::Now);
    return 0;
}

int getDisplayStyle(LuaCore& core, lua_State* L)
{
    return pushInteger(L, static_cast<int>(core.live(L).getRenderer()->getDisplayStyle()));
}

int setWallpaper(LuaCore& core, lua_State* L)
{
    core.live(L).getRenderer()->setWallpaper(readInteger(L, 1));
    return 0;
}

int getWallpaper(LuaCore& core, lua_State* L)
{
    return pushInteger(L, core.live(L).getRenderer()->getWallpaper());
}

// Asks the keyboard itself, so a key counts as held whichever window has the focus. Key.Unknown
// is never held; anything else that is not a number of the Key table (a misspelt name is nil)
// is warned about and never held either. A replay answers as the keyboard did when the play was
// recorded.
int isKeyDown(LuaCore& core, lua_State* L)
{
    Core& live = core.live(L);
    const std::optional<int> code = readTableEntry(L, 1, KeyTable);
    const bool isKey = code && *code != sf::Keyboard::Unknown;
    return pushBoolean(L, isKey && live.isKeyDown(static_cast<sf::Keyboard::Key>(*code)));
}

// The figures are drawn over the picture, never into the cells; captures and replays leave them out.
int showStats(LuaCore& core, lua_State* L)
{
    core.live(L).showStats(readSwitch(L, 1));
    return 0;
}

int isStatsShown(LuaCore& core, lua_State* L)
{
    return pushBoolean(L, core.live(L).isStatsShown());
}

// The column and row of the cell under the pointer, or nil over no cell of the screen.
int getMouse(LuaCore& core, lua_State* L)
{
    const std::optional<CellPosition> cell = core.live(L).mouseCell();
    if (!cell) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushinteger(L, cell->column);
    lua_pushinteger(L, cell->row);
    return 2;
}

// Asks the mouse itself, as isKeyDown asks the keyboard; a number not in the MouseButton table is
// warned about and never down.
int isMouseDown(LuaCore& core, lua_State* L)
{
    Core& live = core.live(L);
    const std::optional<int> button = readTableEntry(L, 1, MouseButtonTable);
    return pushBoolean(L, button && live.isMouseDown(*button));
}

// The choice outlives fullscreen toggles and reloads.
int setMouseCursor(LuaCore& core, lua_State* L)
{
    core.live(L).setMouseCursorVisible(readSwitch(L, 1));
    return 0;
}

// Asks the pad as the call runs; a pad that is not connected has no button down. A pad or button
// number out of range, or anything that is no number, is warned about and never down. A replay
// answers as the pad did when the play was recorded.
int isPadDown(LuaCore& core, lua_State* L)
{
    RunControl& run = core.live(L).getRunControl();
    const std::optional<int> pad = readRangeEntry(L, 1, PadRange);
    const std::optional<int> button = readRangeEntry(L, 2, ButtonRange);
    return pushBoolean(L, pad && button && run.isPadDown(*pad, *button));
}

// From -1 to 1, 0 at rest; as isPadDown, wrong arguments are warned about and answered with 0.
int getPadAxis(LuaCore& core, lua_State* L)
{
    RunControl& run = core.live(L).getRunControl();
    const std::optional<int> pad = readRangeEntry(L, 1, PadRange);
    const std::optional<int> axis = readTableEntry(L, 2, PadAxisTable);
    return pushNumber(L, pad && axis ? run.padAxis(*pad, *axis) : 0);
}

// Pushes {number = , name = } for the pad.
void pushPad(lua_State* L, const PadInput::Pad& pad)
{
    lua_createtable(L, 0, 2); /* pad */
    lua_pushinteger(L, pad.number);
    lua_setfield(L, -2, "number"); /* pad */
    lua_pushlstring(L, pad.name.data(), pad.name.size());
    lua_setfield(L, -2, "name"); /* pad */
}

// A list of the connected pads in the order of their numbers.
int getPads(LuaCore& core, lua_State* L)
{
    const std::vector<PadInput::Pad> pads = core.live(L).getRunControl().connectedPads();
    lua_createtable(L, static_cast<int>(pads.size()), 0); /* list */
    for (std::size_t i = 0; i < pads.size(); ++i) {
        pushPad(L, pads[i]); /* list, pad */
        lua_rawseti(L, -2, static_cast<int>(i + 1)); /* list */
    }
    return 1;
}

// The picture is saved once the frame in progress is drawn, as the player sees it, so that
// what the rest of the frame draws is in it too. A frame takes a few captures only: each is a
// file written, and the line about the rest is printed once.
int capture(LuaCore& core, lua_State* L)
{
    if (!core.live(L).capture(readText(L, 1)))
        methodWarning(L, "a frame saves %d pictures at most; the others asked for are not saved",
                      static_cast<int>(RunControl::MostCapturesAFrame));
    return 0;
}

// The name of saved data at index: a plain name, or a script error.
std::string readSaveName(lua_State* L, int index)
{
    const std::string name = readText(L, index);
    if (!SaveStore::isName(name))
        methodError(L, "\"%s\" is no name for saved data: 1 to %d letters, digits, '-', '_' or '.', not starting"
                       " with '.'", name.substr(0, SaveStore::LongestName + 1).c_str(), int(SaveStore::LongestName));
    return name;
}

// true, or false and why when the disc refuses; saving nil removes the name.
int save(LuaCore& core, lua_State* L)
{
    const std::string name = readSaveName(L, 1);
    std::optional<std::string> bytes;
    if (!lua_isnoneornil(L, 2))
        bytes = SavedValue::encode(L, 2);
    std::string error;
    if (core.live(L).save(name, bytes, error))
        return pushBoolean(L, true);
    lua_pushboolean(L, false);
    lua_pushfstring(L, "cannot save \"%s\": %s", name.c_str(), error.c_str());
    return 2;
}

// The value, or nil when there is none, or nil and why when the file is damaged.
int loadSaved(LuaCore& core, lua_State* L)
{
    const std::string name = readSaveName(L, 1);
    std::string error;
    const std::optional<std::string> bytes = core.live(L).loadSaved(name, error);
    if (bytes && SavedValue::decode(L, *bytes, error))
        return 1;
    lua_pushnil(L);
    if (error.empty())
        return 1;
    lua_pushfstring(L, "saved data \"%s\" is damaged: %s", name.c_str(), error.c_str());
    return 2;
}

// A sorted list of the names.
int savedNames(LuaCore& core, lua_State* L)
{
    const std::vector<std::string> names = core.live(L).savedNames();
    lua_createtable(L, static_cast<int>(names.size()), 0); /* list */
    for (std::size_t i = 0; i < names.size(); ++i) {
        lua_pushlstring(L, names[i].data(), names[i].size());
        lua_rawseti(L, -2, static_cast<int>(i + 1)); /* list */
    }
    return 1;
}

// Said while speech is on: heard, or written on standard output with -speech log.
int speak(LuaCore& core, lua_State* L)
{
    const std::string text = readText(L, 1);
    core.live(L).getSpeech().speak(text, readSwitch(L, 2));
    return 0;
}

int stopSpeech(LuaCore& core, lua_State* L)
{
    core.live(L).getSpeech().stop();
    return 0;
}

int isSpeaking(LuaCore& core, lua_State* L)
{
    return pushBoolean(L, core.live(L).getSpeech().isSpeaking());
}

// The option's number held to first to last; a number outside is warned about.
lua_Number readClampedOption(lua_State* L, int value, std::string_view name, lua_Number first, lua_Number last)
{
    if (lua_type(L, value) != LUA_TNUMBER)
        methodWarning(L, "option %s is not a number", std::string(name).c_str());
    const lua_Number number = lua_tonumber(L, value);
    if (number < first || number > last) {
        char range[96];
        std::snprintf(range, sizeof range, "%g is held to %g to %g", number, first, last);
        methodWarning(L, "option %s %s", std::string(name).c_str(), range);
    }
    return std::clamp(number, first, last);
}

// The rate, pitch and volume are taken, clamped to their ranges, before the voice: an unknown
// voice gives false and why, and leaves the voice as it was.
int setSpeech(LuaCore& core, lua_State* L)
{
    Speech& speech = core.live(L).getSpeech();
    std::optional<std::string> voice;
    forEachOption(L, lastArgument(L), [&](std::string_view name, int value) {
        if (name == "rate")
            speech.setRate(static_cast<int>(
                readClampedOption(L, value, name, SpeechSettings::SlowestRate, SpeechSettings::FastestRate)));
        else if (name == "pitch")
            speech.setPitch(static_cast<int>(
                readClampedOption(L, value, name, SpeechSettings::LowestPitch, SpeechSettings::HighestPitch)));
        else if (name == "volume")
            speech.setVolume(static_cast<float>(readClampedOption(L, value, name, 0, 1)));
        else if (name == "voice")
            voice = readTextOption(L, value, name);
        else if (name == "auto")
            speech.setSpeaksByItself(readSwitchOption(L, value, name));
        else
            return false;
        return true;
    });
    if (!voice || speech.setVoice(*voice))
        return pushBoolean(L, true);
    lua_pushboolean(L, false);
    lua_pushfstring(L, "no voice \"%s\" (LuaCore.getVoices lists them)", voice->c_str());
    return 2;
}

// A list of {name = , language = }; empty while speech is off or logged.
int getVoices(LuaCore& core, lua_State* L)
{
    const std::vector<SpeechVoice> voices = core.live(L).getSpeech().voices();
    lua_createtable(L, static_cast<int>(voices.size()), 0); /* list */
    for (std::size_t i = 0; i < voices.size(); ++i) {
        lua_createtable(L, 0, 2); /* list, voice */
        lua_pushlstring(L, voices[i].name.data(), voices[i].name.size());
        lua_setfield(L, -2, "name"); /* list, voice */
        lua_pushlstring(L, voices[i].language.data(), voices[i].language.size());
        lua_setfield(L, -2, "language"); /* list, voice */
        lua_rawseti(L, -2, static_cast<int>(i + 1)); /* list */
    }
    return 1;
}

} // namespace

const char* const LuaCore::className = "LuaCore";

const ScriptMethod<LuaCore> LuaCore::methods[] = {
    {"instance", instanceMethod<LuaCore>},
    {"load", load},
    {"exit", exit},
    {"toggleFullscreen", toggleFullscreen},
    {"setWindowTitle", setWindowTitle},
    {"setVideoMode", setVideoMode},
    {"getVideoMode", getVideoMode},
    {"setDisplayStyle", setDisplayStyle},
    {"getDisplayStyle", getDisplayStyle},
    {"setWallpaper", setWallpaper},
    {"getWallpaper", getWallpaper},
    {"isKeyDown", isKeyDown},
    {"isPadDown", isPadDown},
    {"getPadAxis", getPadAxis},
    {"getPads", getPads},
    {"setHotKeys", setHotKeys},
    {"getMouse", getMouse},
    {"isMouseDown", isMouseDown},
    {"setMouseCursor", setMouseCursor},
    {"capture", capture},
    {"showStats", showStats},
    {"isStatsShown", isStatsShown},
    {"save", save},
    {"loadSaved", loadSaved},
    {"savedNames", savedNames},
    {"speak", speak},
    {"stopSpeech", stopSpeech},
    {"isSpeaking", isSpeaking},
    {"setSpeech", setSpeech},
    {"getVoices", getVoices},
    {nullptr, nullptr},
};

} // namespace qel
