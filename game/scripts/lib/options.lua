-- The options the player chose, the display's and the music's, kept in the game's saved data
-- between runs: saved at every change, restored as the game starts.

local Display = require "scripts.lib.display"
local Engine = require "scripts.lib.engine"
local Sound = require "scripts.lib.sound"

local Options = {}

local SAVED_NAME = "options"

function Options.save()
    local kept = Display.settings()
    for name, value in pairs(Sound.settings()) do
        kept[name] = value
    end
    Engine.core.save(SAVED_NAME, kept)
end

-- Saved options that are damaged or not a table leave the game as it starts.
function Options.restore()
    local kept = Engine.core.loadSaved(SAVED_NAME)
    if type(kept) == "table" then
        Display.restore(kept)
        Sound.restore(kept)
    end
end

return Options
