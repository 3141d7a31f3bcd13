-- The display switches: video mode, display style, wallpaper and fullscreen. The keys V, S, W
-- and F work in every scene (lib/controls.lua); the options dialog offers the same switches.

local core = require("scripts.lib.engine").core
local Draw = require "scripts.lib.draw"

local Display = {}

local WALLPAPERS = {18, 1, 2, 3, 4, 5, 6}
local STYLE_NAMES = {
    [DisplayStyle.Default] = "monitor",
    [DisplayStyle.FullFill] = "fill window",
    [DisplayStyle.FullFit] = "fit window",
}

-- Setting the video mode makes a new screen: the engine calls onSetVideoMode, then redraw.
function Display.toggleVideoMode()
    local wide = core.getVideoMode() == VideoMode.Text80x25
    core.setVideoMode(wide and VideoMode.Text40x25 or VideoMode.Text80x25)
end

function Display.stepStyle(step)
    core.setDisplayStyle((core.getDisplayStyle() + (step or 1)) % 3)
end

-- The wallpaper shows around the screen in the monitor and fit-window styles.
function Display.stepWallpaper(step)
    local current = 1
    for i, number in ipairs(WALLPAPERS) do
        if number == core.getWallpaper() then
            current = i
        end
    end
    core.setWallpaper(WALLPAPERS[(current - 1 + (step or 1)) % #WALLPAPERS + 1])
end

function Display.toggleFullscreen()
    core.toggleFullscreen()
end

-- The switches the options keep between runs (the fullscreen switch is the engine's too, with
-- Alt+Return, so it is not kept).
function Display.settings()
    return {videoMode = core.getVideoMode(), style = core.getDisplayStyle(), wallpaper = core.getWallpaper()}
end

-- Kept settings come from a file: one of no known value is left as it is.
function Display.restore(kept)
    local mode = kept.videoMode
    if (mode == VideoMode.Text40x25 or mode == VideoMode.Text80x25) and mode ~= core.getVideoMode() then
        core.setVideoMode(mode)
    end
    if STYLE_NAMES[kept.style] then
        core.setDisplayStyle(kept.style)
    end
    for _, number in ipairs(WALLPAPERS) do
        if number == kept.wallpaper then
            core.setWallpaper(number)
        end
    end
end

function Display.videoModeName()
    return Draw.columns() .. " x " .. Draw.ROWS
end

function Display.styleName()
    return STYLE_NAMES[core.getDisplayStyle()]
end

function Display.wallpaperName()
    return "picture " .. core.getWallpaper()
end

return Display
