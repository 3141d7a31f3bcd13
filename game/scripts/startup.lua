-- Runs first, before the launch script that config.dat (or -script) names. It makes the engine
-- objects that every file uses, loads the shared helpers, the game and its scenes, and defines
-- the functions that the engine calls, which hand each call on to the scene on show. A launch
-- script then only picks the first scene: main.lua the title, demo.lua a game that plays itself.

core = LuaCore(gCore)
ui = LuaUI(gUI)
sounds = LuaSoundManager(gSoundManager)
-- The screen buffer of the current video mode. A mode change replaces the buffer, so
-- onSetVideoMode below wraps the new one. At the first start no mode is set yet and this wraps
-- nothing; after a reload (Shift+R) it wraps the buffer still on show.
screen = LuaScreenBuffer(gScreenBuffer)

math.randomseed(os.time())

-- Each file defines one global table named after it; later files use the earlier ones.
for _, file in ipairs({
    "lib/keys.lua", "lib/draw.lua", "lib/display.lua", "lib/sound.lua", "lib/dialog.lua",
    "lib/log.lua", "lib/scores.lua",
    "game/cave.lua", "game/creatures.lua", "game/autopilot.lua",
    "dialogs/help.lua", "dialogs/options.lua",
    "scenes/title.lua", "scenes/play_view.lua", "scenes/play.lua",
}) do
    core.load(file)
end

-- A scene is a table with any of enter(...), draw(), update(dt) and key(code, pressed, handled).
local scene = {}

function showScene(next, ...)
    scene = next
    if scene.enter then
        scene.enter(...)
    end
    screen.redraw()
end

-- The functions the engine calls.

function onSetVideoMode(mode)
    screen = LuaScreenBuffer(gScreenBuffer)
end

function redraw()
    Dialog.noteRepaint()
    if scene.draw then
        scene.draw()
    end
end

function update(dt)
    Dialog.update()
    if scene.update then
        scene.update(dt)
    end
end

-- The display and music keys work in every scene. While a dialog or message box is open its
-- keys are its own: the engine has used Return and Escape to close it, and the other keys are
-- the dialog's or typed into its field.
function key(code, pressed, handled)
    if Dialog.isOpen() then
        return
    end
    if pressed and not handled and (Display.handleKey(code) or Sound.handleKey(code)) then
        return
    end
    if scene.key then
        scene.key(code, pressed, handled)
    end
end
