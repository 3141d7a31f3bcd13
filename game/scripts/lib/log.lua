-- A log of events, shown in a console: new entries at the bottom, old ones scrolling away.
-- A console keeps the place on the screen it was made with, so a log has one console for
-- each video mode and writes every entry to both; only the one for the current mode is active.
-- Consoles draw only when told, so the scene calls Log.show after every repaint.

local Draw = require "scripts.lib.draw"
local ui = require("scripts.lib.engine").ui

local Log = {}

-- Consoles live as long as the program, so a script makes its logs once, when it loads.
function Log.new(wideRect, narrowRect)
    return {
        wide = LuaConsole(ui.createConsole(wideRect)),
        narrow = LuaConsole(ui.createConsole(narrowRect)),
    }
end

-- Only the console of the current video mode is active; the engine says the lines it adds.
local function activate(log)
    log.wide.setActive(Draw.wide())
    log.narrow.setActive(not Draw.wide())
end

function Log.add(log, text, color)
    local entry = {text = text, color = color or Color.LightGray, appendEmpty = false}
    activate(log)
    log.wide.insert(entry)
    log.narrow.insert(entry)
end

function Log.clear(log)
    log.wide.clear()
    log.narrow.clear()
end

function Log.show(log)
    activate(log)
    log.wide.display()
    log.narrow.display()
end

return Log
