-- The options: display and music settings, chosen with ↑ ↓ and changed with ← →, and kept
-- for the next run.

local Dialog = require "scripts.lib.dialog"
local Display = require "scripts.lib.display"
local Key = require "scripts.lib.keys"
local Options = require "scripts.lib.options"
local Sound = require "scripts.lib.sound"
local screen = require "scripts.lib.screen"

local OptionsDialog = {}

local WIDTH = 34
local VALUE_COLUMN = 16

local SETTINGS = {
    {name = "Video mode", value = Display.videoModeName, change = Display.toggleVideoMode,
     newScreen = true},
    {name = "Display style", value = Display.styleName, change = Display.stepStyle},
    {name = "Wallpaper", value = Display.wallpaperName, change = Display.stepWallpaper},
    {name = "Fullscreen", value = function() return "◄ switch ►" end, change = Display.toggleFullscreen},
    {name = "Music volume", value = Sound.volumeBar, change = Sound.changeVolume},
    {name = "Music pan", value = Sound.panBar, change = Sound.changePan},
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

function OptionsDialog.open()
    local window
    local function onKey(code, pressed)
        if not pressed then
            return
        end
        if code == Key.Up or code == Key.Down then
            selected = (selected - 1 + (code == Key.Up and -1 or 1)) % #SETTINGS + 1
            Sound.blip()
        elseif code == Key.Left or code == Key.Right then
            local setting = SETTINGS[selected]
            setting.change(code == Key.Left and -1 or 1)
            Options.save()
            Sound.blip(1.5)
            -- A window keeps its place, and the new screen may be narrower: open a new one,
            -- centred on it.
            if setting.newScreen then
                window.close()
                OptionsDialog.open()
            end
        end
    end
    window = Dialog.window({title = "Options", width = WIDTH, height = HEIGHT, onKey = onKey})
    window.onDraw(drawSettings)
end

return OptionsDialog
