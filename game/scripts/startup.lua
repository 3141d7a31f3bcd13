-- Runs first, before the launch script that config.dat (or -script) names. It defines the
-- functions that the engine calls, which hand each call on to the scene on show. A launch
-- script then only picks the first scene: main.lua the title, demo.lua a game that plays itself.
--
-- Every other file is a module: it requires what it uses and returns its table, and its
-- path from the game folder names it, as in require "scripts.lib.draw".

local Controls = require "scripts.lib.controls"
local Dialog = require "scripts.lib.dialog"
local MessageBox = require "scripts.lib.message_box"
local Pad = require "scripts.lib.pad"
local Scene = require "scripts.lib.scene"
local screen = require "scripts.lib.screen"

-- The functions the engine calls.

function onSetVideoMode(mode)
    screen.wrapCurrent()
end

function redraw()
    local scene = Scene.current()
    if scene.draw then
        scene.draw()
    end
end

-- A key that stands for a pad's button or stick goes where the player's key would.
local function padKey(code, pressed)
    if Dialog.isOpen() then
        Dialog.padKey(code, pressed)
    else
        key(code, pressed, false)
    end
end

function update(dt)
    Pad.update(padKey)
    MessageBox.update()
    local scene = Scene.current()
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
    if pressed and not handled and Controls.handleKey(code) then
        return
    end
    local scene = Scene.current()
    if scene.key then
        scene.key(code, pressed, handled)
    end
end

-- A dialog takes the mouse while it is open, as it takes the keys; the engine has already used
-- the presses on its text fields and message boxes.
function mouse(kind, column, row, button)
    if Dialog.isOpen() then
        Dialog.mouse(kind, column, row, button)
        return
    end
    local scene = Scene.current()
    if scene.mouse then
        scene.mouse(kind, column, row, button)
    end
end

function pad(number, button, pressed)
    Pad.button(button, pressed, padKey)
end
