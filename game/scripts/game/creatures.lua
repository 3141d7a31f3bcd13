-- The creatures of the cave and how they move. Each kind steps at its own pace: bats flutter
-- about, spiders hunt a player who comes near, ghosts drift slowly through the walls.

local Cave = require "scripts.game.cave"

local Creatures = {}

-- stepTime: seconds between steps. wanders: the share of steps taken at random instead of
-- towards the player. senses: how near the player must come, in steps, to be hunted.
-- fromDepth: the first depth where the kind lives.
Creatures.KINDS = {
    {name = "bat", glyph = "ʌ", color = Color.LightMagenta, stepTime = 0.3, wanders = 0.6, fromDepth = 1},
    {name = "spider", glyph = "Ж", color = Color.LightGreen, stepTime = 0.45, senses = 7, fromDepth = 2},
    {name = "ghost", glyph = "Ω", color = Color.LightCyan, stepTime = 0.8, throughWalls = true, fromDepth = 3},
}

local FIRST_COUNT, MOST_COUNT = 3, 10
-- Creatures start at least this many steps from the player.
local START_DISTANCE = 10

local function kindsFor(depth)
    local kinds = {}
    for _, kind in ipairs(Creatures.KINDS) do
        if kind.fromDepth <= depth then
            kinds[#kinds + 1] = kind
        end
    end
    return kinds
end

function Creatures.spawn(cave, depth)
    local kinds = kindsFor(depth)
    local list = {}
    local places = Cave.cellsAway(cave, START_DISTANCE)
    for i = 1, math.min(FIRST_COUNT + depth - 1, MOST_COUNT, #places) do
        local kind = kinds[math.random(#kinds)]
        -- Random start times keep creatures of one kind from stepping in step.
        list[i] = {kind = kind, x = places[i].x, y = places[i].y, time = math.random() * kind.stepTime}
    end
    return list
end

function Creatures.at(list, x, y)
    for _, creature in ipairs(list) do
        if creature.x == x and creature.y == y then
            return creature
        end
    end
    return nil
end

-- Whether a creature stands on the cell or next to it.
function Creatures.near(list, x, y)
    for _, creature in ipairs(list) do
        if math.abs(creature.x - x) + math.abs(creature.y - y) <= 1 then
            return true
        end
    end
    return false
end

local function distance(x, y, target)
    return math.abs(x - target.x) + math.abs(y - target.y)
end

local function canEnter(creature, cave, list, x, y)
    if x < 1 or y < 1 or x > Cave.WIDTH - 2 or y > Cave.HEIGHT - 2 then
        return false
    end
    if Cave.isWall(cave, x, y) and not creature.kind.throughWalls then
        return false
    end
    return not Creatures.at(list, x, y)
end

-- Hunting creatures take the step that brings them closest to the player (ties broken at
-- random); wandering ones take any free step.
local function chooseStep(creature, cave, list, player)
    local kind = creature.kind
    local hunting = distance(creature.x, creature.y, player) <= (kind.senses or math.huge) and
                    math.random() >= (kind.wanders or 0)
    local best, bestScore
    for _, direction in ipairs(Cave.DIRECTIONS) do
        local x, y = creature.x + direction[1], creature.y + direction[2]
        if canEnter(creature, cave, list, x, y) then
            local score = math.random() + (hunting and distance(x, y, player) * 2 or 0)
            if not best or score < bestScore then
                best, bestScore = {x = x, y = y}, score
            end
        end
    end
    return best
end

-- Moves every creature whose time has come. Returns whether any moved, and a creature that
-- stands on the player, if one does.
function Creatures.update(list, cave, player, dt)
    local moved, biter = false, nil
    for _, creature in ipairs(list) do
        creature.time = creature.time + dt
        if creature.time >= creature.kind.stepTime then
            creature.time = creature.time - creature.kind.stepTime
            local step = chooseStep(creature, cave, list, player)
            if step then
                creature.x, creature.y = step.x, step.y
                moved = true
            end
        end
        if creature.x == player.x and creature.y == player.y then
            biter = creature
        end
    end
    return moved, biter
end

return Creatures
