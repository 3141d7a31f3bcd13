-- Plays the game on its own, for the demo: walks to the nearest gem or heart it has seen, or to
-- the open stairs, or else to the nearest cell it has not seen yet, keeping clear of
-- creatures where it can.

local Cave = require "scripts.game.cave"
local Creatures = require "scripts.game.creatures"

local Autopilot = {}

local function wanted(cave, x, y)
    if not Cave.isSeen(cave, x, y) then
        return true
    end
    return Cave.itemAt(cave, x, y) ~= nil or (Cave.isExit(cave, x, y) and Cave.stairsOpen(cave))
end

-- A breadth-first search from (x, y) over the floor: the first step of a shortest way to a
-- wanted cell, or nil when none can be reached without entering a blocked cell.
local function firstStep(cave, x, y, blocked)
    local firstSteps = {[x .. "," .. y] = false}
    local queue, head = {{x, y}}, 1
    while queue[head] do
        local cx, cy = queue[head][1], queue[head][2]
        head = head + 1
        for _, direction in ipairs(Cave.DIRECTIONS) do
            local nx, ny = cx + direction[1], cy + direction[2]
            local key = nx .. "," .. ny
            if firstSteps[key] == nil and not Cave.isWall(cave, nx, ny) and not blocked(nx, ny) then
                firstSteps[key] = firstSteps[cx .. "," .. cy] or direction
                if wanted(cave, nx, ny) then
                    return firstSteps[key]
                end
                queue[#queue + 1] = {nx, ny}
            end
        end
    end
    return nil
end

-- The next step as {dx, dy}, or nil to stand still.
function Autopilot.nextStep(cave, player, creatures)
    local function dangerous(x, y)
        return Creatures.near(creatures, x, y)
    end
    local function free()
        return false
    end
    return firstStep(cave, player.x, player.y, dangerous) or firstStep(cave, player.x, player.y, free)
end

return Autopilot
