-- The best runs of this session, best first. They last until the program ends or the scripts
-- are reloaded.

local Scores = {}

local KEPT = 5
local entries = {}

-- entry: name, score, depth, cheated. Returns its place in the table, or nil if it did not
-- make it.
function Scores.add(entry)
    table.insert(entries, entry)
    table.sort(entries, function(a, b) return a.score > b.score end)
    entries[KEPT + 1] = nil
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
