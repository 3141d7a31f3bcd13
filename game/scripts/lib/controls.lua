-- The keys that work in every scene: V, S, W and F switch the display, M, -, +, [ and ] set the
-- music. Each blips and is kept in the options. A music key also repaints the scene, which may
-- show the music's settings; the display needs no repaint of the scene's own (a new video mode
-- brings one).

local Display = require "scripts.lib.display"
local Key = require "scripts.lib.keys"
local Options = require "scripts.lib.options"
local Sound = require "scripts.lib.sound"
local Speech = require "scripts.lib.speech"
local screen = require "scripts.lib.screen"

local Controls = {}

local function volume(step)
    return function() Sound.changeVolume(step) end
end

local function pan(step)
    return function() Sound.changePan(step) end
end

local DISPLAY_KEYS = {
    [Key.V] = Display.toggleVideoMode,
    [Key.S] = Display.stepStyle,
    [Key.W] = Display.stepWallpaper,
    [Key.F] = Display.toggleFullscreen,
}

local MUSIC_KEYS = {
    [Key.M] = Sound.toggleMute,
    [Key.Hyphen] = volume(-1),
    [Key.Subtract] = volume(-1),
    [Key.Equal] = volume(1),
    [Key.Add] = volume(1),
    [Key.LBracket] = pan(-1),
    [Key.RBracket] = pan(1),
}

-- What each key has set, in words.
local function musicWords()
    return "Music volume " .. Sound.volumeWords() .. ", pan " .. Sound.panWords() .. "."
end

local SAID = {
    [Key.V] = function() return "Video mode " .. Display.videoModeName() .. "." end,
    [Key.S] = function() return "Display style " .. Display.styleName() .. "." end,
    [Key.W] = function() return "Wallpaper " .. Display.wallpaperName() .. "." end,
    [Key.F] = function() return "Fullscreen switched." end,
}

-- True when the key was one of them.
function Controls.handleKey(code)
    local action = DISPLAY_KEYS[code] or MUSIC_KEYS[code]
    if not action then
        return false
    end
    action()
    Options.save()
    Sound.blip()
    Speech.sayNow((SAID[code] or musicWords)())
    if MUSIC_KEYS[code] then
        screen.redraw()
    end
    return true
end

return Controls
