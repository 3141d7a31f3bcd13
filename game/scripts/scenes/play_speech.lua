-- What the play scene says beyond its log, for a player who cannot see the map: what comes into
-- the lantern's light, a bump into a wall, the hearts, points and gems after they change, and on
-- request everything in sight or the explorer's state. It reads the game that scenes/play.lua
-- keeps and changes nothing in it.

local Cave = require "scripts.game.cave"
local Scores = require "scripts.lib.scores"
local Speech = require "scripts.lib.speech"

local PlaySpeech = {}

-- What was in sight when last said, by a key of its own: a place for what lies on the floor, the
-- creature itself for a creature. What has left it keeps the time it left, in seconds of play:
-- a thing is news again only once it has been out of sight a while, so that a bat flitting at
-- the edge of the light is not said at every flit.
local inSight = {}
local leftSight = {}
local FORGET_AFTER = 2
local playTime = 0
-- Set by a bump into a wall until the next step, so that a key held against it says so once.
local bumped = false

local function stairsName(cave)
    return Cave.stairsOpen(cave) and "open stairs" or "closed stairs"
end

local function byDistance(game, things)
    local player = game.player
    local function distance(thing)
        return math.abs(thing.x - player.x) + math.abs(thing.y - player.y)
    end
    table.sort(things, function(a, b) return distance(a) < distance(b) end)
    return things
end

-- What lies on the floor of the cells in the rectangle that pass the test, added to things as
-- {key, name, x, y}: items, and the stairs.
local function addFloorThings(things, game, left, top, right, bottom, passes)
    local cave = game.cave
    for y = math.max(top, 0), math.min(bottom, Cave.HEIGHT - 1) do
        for x = math.max(left, 0), math.min(right, Cave.WIDTH - 1) do
            local shown = passes(x, y)
            local item = shown and Cave.itemAt(cave, x, y)
            if item then
                things[#things + 1] = {key = item.name .. x .. "," .. y, name = item.name, x = x, y = y}
            elseif shown and Cave.isExit(cave, x, y) then
                -- Named by whether they are open, so that they are news again once they open.
                things[#things + 1] = {key = stairsName(cave), name = stairsName(cave), x = x, y = y}
            end
        end
    end
end

-- Everything the lantern lights but walls and floor, nearest first.
local function thingsInSight(game)
    local cave, player = game.cave, game.player
    local function lit(x, y)
        return Cave.isLit(cave, player.x, player.y, x, y)
    end
    -- The lantern reaches no further than its radius, across or down; a lit cave is all in sight.
    local reach = cave.allLit and math.max(Cave.WIDTH, Cave.HEIGHT) or Cave.LANTERN_RADIUS
    local things = {}
    addFloorThings(things, game, player.x - reach, player.y - reach, player.x + reach, player.y + reach, lit)
    for _, creature in ipairs(game.creatures) do
        if lit(creature.x, creature.y) then
            things[#things + 1] = {key = creature, name = creature.kind.name, x = creature.x, y = creature.y}
        end
    end
    return byDistance(game, things)
end

-- What the map remembers out of the lantern's light, as a sighted player sees it there: the
-- items and the stairs of the cells seen before, nearest first.
local function thingsRemembered(game)
    local cave, player = game.cave, game.player
    local things = {}
    addFloorThings(things, game, 0, 0, Cave.WIDTH - 1, Cave.HEIGHT - 1, function(x, y)
        return Cave.isSeen(cave, x, y) and not Cave.isLit(cave, player.x, player.y, x, y)
    end)
    return byDistance(game, things)
end

local function describe(game, things)
    local parts = {}
    for _, thing in ipairs(things) do
        parts[#parts + 1] = thing.name .. " " .. Speech.way(thing.x - game.player.x, thing.y - game.player.y)
    end
    return table.concat(parts, "; ")
end

-- Says what has come into sight since last said, and forgets what has left it.
function PlaySpeech.noticeSight(game)
    local new, now = {}, {}
    for _, thing in ipairs(thingsInSight(game)) do
        now[thing.key] = true
        local left = leftSight[thing.key]
        if not inSight[thing.key] and not (left and playTime - left < FORGET_AFTER) then
            new[#new + 1] = thing
        end
    end
    for key in pairs(inSight) do
        if not now[key] then
            leftSight[key] = playTime
        end
    end
    inSight = now
    if #new > 0 then
        Speech.say("You see " .. describe(game, new) .. ".")
    end
end

-- A new depth: everything in sight is news.
-- Play time goes on while the cave moves.
function PlaySpeech.advance(dt)
    playTime = playTime + dt
end

function PlaySpeech.startDepth(game, tip)
    inSight = {}
    leftSight = {}
    bumped = false
    Speech.say(tip)
    PlaySpeech.noticeSight(game)
end

function PlaySpeech.stepped()
    bumped = false
end

function PlaySpeech.bump()
    if not bumped then
        Speech.sayNow("Wall.")
    end
    bumped = true
end

local function openWays(game)
    local names = {"right", "left", "down", "up"}
    local open = {}
    for i, move in ipairs(Cave.DIRECTIONS) do
        if not Cave.isWall(game.cave, game.player.x + move[1], game.player.y + move[2]) then
            open[#open + 1] = names[i]
        end
    end
    return #open > 0 and "Open: " .. table.concat(open, ", ") .. "." or "Walls all around."
end

-- The L key: all that is in sight, the ways open from here, and what the map remembers further off.
function PlaySpeech.look(game)
    local things = thingsInSight(game)
    local sight = #things > 0 and "You see " .. describe(game, things) .. ". " or "Nothing in sight. "
    local remembered = thingsRemembered(game)
    local further = #remembered > 0 and " Further off: " .. describe(game, remembered) .. "." or ""
    Speech.sayNow(sight .. openWays(game) .. further)
end

-- The I key: the explorer's state, as the status panel shows it.
function PlaySpeech.sayStatus(game)
    Speech.sayNow(game.name .. ": depth " .. game.depth .. ", " .. Speech.count(game.hearts, "heart") .. ", " ..
                  game.score .. " points, " .. Speech.count(game.cave.gemsLeft, "gem") .. " left. Best score " ..
                  math.max(Scores.best(), game.score) .. ".")
end

-- After a find or a bite: what changed in the status panel.
function PlaySpeech.sayHearts(game)
    Speech.say(Speech.count(game.hearts, "heart") .. " left.")
end

function PlaySpeech.sayScore(game)
    Speech.say(game.score .. " points, " .. Speech.count(game.cave.gemsLeft, "gem") .. " left.")
end

return PlaySpeech
