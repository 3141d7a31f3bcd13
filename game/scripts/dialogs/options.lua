-- The options: display and music settings, chosen with ↑ ↓ and changed with ← →, and kept
-- for the next run. With the mouse: a click on a setting chooses it, a click on its value
-- changes it (the left button forward, the right one back), and so does the wheel over it.

local Dialog = require "scripts.lib.dialog"
local Display = require "scripts.lib.display"
local Key = require "scripts.lib.keys"
local Options = require "scripts.lib.options"
local Sound = require "scripts.lib.sound"
local Speech = require "scripts.lib.speech"
local screen = require "scripts.lib.screen"

local OptionsDialog = {}

local WIDTH = 34
local VALUE_COLUMN = 16

local SETTINGS = {
    {name = "Video mode", value = Display.videoModeName, change = Display.toggleVideoMode,
     newScreen = true},
    {name = "Display style", value = Display.styleName, change = Display.stepStyle},
    {name = "Wallpaper", value = Display.wallpaperName, change = Display.stepWallpaper},
    {name = "Fullscreen", value = function() return "◄ switch ►" end, change = Display.toggleFullscreen,
     words = function() return "left or right switches it" end},
    {name = "Music volume", value = Sound.volumeBar, change = Sound.changeVolume, words = Sound.volumeWords},
    {name = "Music pan", value = Sound.panBar, change = Sound.changePan, words = Sound.panWords},
}
local HEIGHT = #SETTINGS + 5

local selected = 1

-- One setting per row, the chosen one on a bar. A text of spaces alone paints its cells'
-- background; the words go on top of it.
local function drawSettings()
    for i, setting in ipairs(SETTINGS) do
        local chosen = i == selected
        if chosen then
            screen.print({x = 0, y = i, text = string.rep(" ", WIDTH - 2), background = Color.Black})
        end
        screen.print({x = 1, y = i, text = setting.name, color = Color.White})
        screen.print({x = VALUE_COLUMN, y = i, text = setting.value(), color = Color.Yellow})
    end
    screen.print({x = 1, y = #SETTINGS + 2, text = "↑↓ choose  ←→ change  Esc close", color = Color.LightCyan})
end

-- The chosen setting and its value, said; words stand in for a value shown as a picture.
local function sayChosen()
    local setting = SETTINGS[selected]
    Speech.sayNow(setting.name .. ": " .. (setting.words or setting.value)() .. ".")
end

local function choose(index)
    if index ~= selected then
        selected = index
        Sound.blip()
        sayChosen()
    end
end

-- Changes the chosen setting one step back (-1) or forward (1); the window it was called for
-- may be made again.
local function change(window, step)
    local setting = SETTINGS[selected]
    setting.change(step)
    Options.save()
    Sound.blip(1.5)
    -- A window keeps its place, and the new screen may be narrower: open a new one, centred on it.
    if setting.newScreen then
        window.close()
        OptionsDialog.open()
    else
        sayChosen()
    end
end

function OptionsDialog.open()
    local window
    local function onKey(code, pressed)
        if not pressed then
            return
        end
        if code == Key.Up or code == Key.Down then
            choose((selected - 1 + (code == Key.Up and -1 or 1)) % #SETTINGS + 1)
        elseif code == Key.Left or code == Key.Right then
            change(window, code == Key.Left and -1 or 1)
        end
    end
    local function onMouse(kind, x, y, button)
        if not (y and SETTINGS[y]) or (kind ~= "press" and kind ~= "wheel") then
            return
        end
        choose(y)
        if kind == "wheel" then
            change(window, button > 0 and 1 or -1)
        elseif x >= VALUE_COLUMN and (button == MouseButton.Left or button == MouseButton.Right) then
            change(window, button == MouseButton.Left and 1 or -1)
        end
    end
    window = Dialog.window({title = "Options", width = WIDTH, height = HEIGHT, onKey = onKey, onMouse = onMouse})
    window.onDraw(drawSettings)
    Speech.say("Up and down choose, left and right change, Escape closes.")
    sayChosen()
end

return OptionsDialog
