#include "app/NewGame.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qel {

namespace {

const char* const ConfigFile = R"(Settings of this game: a key line, then its value on the next line; qel --help lists them.
Lines not starting with # are notes like this one.
The launch script, scripts/main.lua:
#script
main
Reload the scripts whenever one is saved (0 for a released game):
#watch
1
)";

const char* const MainScript = R"(-- A new game. Edit this file and save it: the running game reloads it at once (Shift+R
-- reloads by hand). Every callback, table and class is in the engine's docs/reference.md.

local core = LuaCore(gCore)
local screen = LuaScreenBuffer(gScreenBuffer)

local player = {x = 40, y = 12}
local message = "Arrows walk, a click moves you, Esc quits."
local seconds = 0

-- The screen buffer is made anew for each video mode (the first one too, before start).
function onSetVideoMode(mode)
    screen = LuaScreenBuffer(gScreenBuffer)
end

-- Once the scripts have loaded, and again after every reload.
function start()
    core.setWindowTitle("A new game")
end

-- Every frame, before the windows are drawn; dt is the time since the last frame, in seconds.
function update(dt)
    seconds = seconds + dt
end

-- The screen was cleared: draw all of it. Cells keep what is drawn until drawn again.
function redraw()
    screen.fillRect{x = 0, y = 0, width = 80, height = 25, color = Color.Blue}
    screen.print{x = 2, y = 1, text = message, color = Color.Yellow}
    screen.put{x = player.x, y = player.y, text = "@", color = Color.White}
end

local steps = {[Key.Left] = {-1, 0}, [Key.Right] = {1, 0}, [Key.Up] = {0, -1}, [Key.Down] = {0, 1}}

-- A key went down (pressed) or up; handled: the engine used it already; modifiers: a table of
-- shift, control, alt, system and repeated (a held key's repeated press).
function key(code, pressed, handled, modifiers)
    if not pressed or handled then
        return
    end
    if code == Key.Escape then
        core.exit(0)
    elseif steps[code] then
        player.x = math.max(0, math.min(79, player.x + steps[code][1]))
        player.y = math.max(0, math.min(24, player.y + steps[code][2]))
        screen.redraw()
    end
end

-- A printable character was typed, as UTF-8 ("?", "é").
function text(character)
    message = "You typed " .. character
    screen.redraw()
end

-- kind: "press", "release", "move" or "wheel"; column and row: the cell under the pointer (nil
-- when it left the screen); button: a MouseButton number, or the wheel's steps.
function mouse(kind, column, row, button)
    if kind == "press" and button == MouseButton.Left then
        player.x, player.y = column, row
        screen.redraw()
    end
end

-- A gamepad's button went down or up; number: the pad, 0 to 7.
function pad(number, button, pressed)
    if pressed then
        message = "Pad " .. number .. ", button " .. button
        screen.redraw()
    end
end
)";

bool isEmptyFolder(const std::filesystem::path& folder, std::error_code& error)
{
    return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error);
}

// Writes the text to the file, or gives why not.
std::string write(const std::filesystem::path& file, const char* text)
{
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    return out ? "" : std::strerror(errno);
}

std::string makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder / "scripts", error);
    if (error)
        return error.message();
    std::string fault = write(folder / "config.dat", ConfigFile);
    return fault.empty() ? write(folder / "scripts" / "main.lua", MainScript) : fault;
}

} // namespace

int NewGame::make(const std::string& folder)
{
    if (folder.empty()) {
        std::fprintf(stderr, "qel: --new needs the folder to make (qel --new DIR)\n");
        return 1;
    }
    std::error_code error;
    if (std::filesystem::exists(folder, error) && !isEmptyFolder(folder, error)) {
        std::fprintf(stderr, "qel: cannot make a new game in \"%s\": it exists and is not an empty folder\n",
                     folder.c_str());
        return 1;
    }
    if (const std::string fault = makeFolder(folder); !fault.empty()) {
        std::fprintf(stderr, "qel: cannot make a new game in \"%s\": %s\n", folder.c_str(), fault.c_str());
        return 1;
    }
    std::printf("A new game is in %s: run it with qel %s\n", folder.c_str(), folder.c_str());
    return 0;
}

} // namespace qel
