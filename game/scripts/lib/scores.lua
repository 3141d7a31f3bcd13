-- The best runs, best first, kept in the game's saved data between runs.

local Engine = require "scripts.lib.engine"

local Scores = {}

local KEPT = 5
local SAVED_NAME = "scores"

-- Saved scores that are damaged or not a list start the table afresh.
local function loadEntries()
    local saved = Engine.core.loadSaved(SAVED_NAME)
    if type(saved) ~= "table" then
        return {}
    end
    local kept = {}
    for _, entry in ipairs(saved) do
        if type(entry) == "table" and type(entry.score) == "number" and #kept < KEPT then
            table.insert(kept, entry)
        end
    end
    return kept
end

local entries = loadEntries()

-- entry: name, score, depth, cheated. Returns its place in the table, or nil if it did not
-- make it.
function Scores.add(entry)
    table.insert(entries, entry)
    table.sort(entries, function(a, b) return a.score > b.score end)
    entries[KEPT + 1] = nil
    Engine.core.save(SAVED_NAME, entries)
    for place, kept in ipairs(entries) do
        if kept == entry then
            return place
        end
    end
    return nil
end

function Scores.entries()
    return entries
end

function Scores.best()
    return entries[1] and entries[1].score or 0
end

return Scores
