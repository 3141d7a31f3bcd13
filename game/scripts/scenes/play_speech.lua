-- What the play scene says beyond its log, for a player who cannot see the map: what comes into
-- the lantern's light, a bump into a wall, the hearts, points and gems after they change, and on
-- request everything in sight or the explorer's state. It reads the game that scenes/play.lua
-- keeps and changes nothing in it.

local Cave = require "scripts.game.cave"
local Scores = require "scripts.lib.scores"
local Speech = require "scripts.lib.speech"

local PlaySpeech = {}

-- What was in sight when last said, by a key of its own: a place for what lies on the floor, the
-- creature itself for a creature.
local inSight = {}
-- Set by a bump into a wall until the next step, so that a key held against it says so once.
local bumped = false

local function stairsName(cave)
    return Cave.stairsOpen(cave) and "open stairs" or "closed stairs"
end

-- Everything the lantern lights but walls and floor, nearest first: {key, name, x, y}.
local function thingsInSight(game)
    local cave, player = game.cave, game.player
    local things = {}
    local function add(key, name, x, y)
        things[#things + 1] = {key = key, name = name, x = x, y = y}
    end
    -- The lantern reaches no further than its radius, across or down; a lit cave is all in sight.
    local reach = cave.allLit and math.max(Cave.WIDTH, Cave.HEIGHT) or Cave.LANTERN_RADIUS
    for y = math.max(player.y - reach, 0), math.min(player.y + reach, Cave.HEIGHT - 1) do
        for x = math.max(player.x - reach, 0), math.min(player.x + reach, Cave.WIDTH - 1) do
            if Cave.isLit(cave, player.x, player.y, x, y) then
                local item = Cave.itemAt(cave, x, y)
                if item then
                    add(item.name .. x .. "," .. y, item.name, x, y)
                elseif Cave.isExit(cave, x, y) then
                    add(stairsName(cave), stairsName(cave), x, y)
                end
            end
        end
    end
    for _, creature in ipairs(game.creatures) do
        if Cave.isLit(cave, player.x, player.y, creature.x, creature.y) then
            add(creature, creature.kind.name, creature.x, creature.y)
        end
    end
    local function distance(thing)
        return math.abs(thing.x - player.x) + math.abs(thing.y - player.y)
    end
    table.sort(things, function(a, b) return distance(a) < distance(b) end)
    return things
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
        if not inSight[thing.key] then
            new[#new + 1] = thing
        end
    end
    inSight = now
    if #new > 0 then
        Speech.say("You see " .. describe(game, new) .. ".")
    end
end

-- A new depth: everything in sight is news.
function PlaySpeech.startDepth(game, tip)
    inSight = {}
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

-- The L key: all that is in sight, and the ways open from here.
function PlaySpeech.look(game)
    local things = thingsInSight(game)
    local sight = #things > 0 and "You see " .. describe(game, things) .. ". " or "Nothing in sight. "
    Speech.sayNow(sight .. openWays(game))
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
