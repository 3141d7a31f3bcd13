-- One depth of the cave: its walls, the gems and hearts on its floor, the stairs down, and
-- which cells the player has seen. No drawing here; the play scene draws what it finds.
-- Cells count from 0 like screen cells: x from 0 to WIDTH - 1, y from 0 to HEIGHT - 1.

-- A cave is larger than the screen: the play scene shows the part around the player.
local Cave = {WIDTH = 84, HEIGHT = 28}

local WALL_CHANCE = 0.45
local SMOOTHING_PASSES = 4
-- Caves with less open floor than this share play cramped: a new one is drawn instead.
local LEAST_OPEN_SHARE = 0.4
local FIRST_GEMS, MOST_GEMS = 8, 16
-- Gems lie at least this many steps from the start, so that each one takes some finding.
local GEM_DISTANCE = 3
local LANTERN_RADIUS = 5
Cave.LANTERN_RADIUS = LANTERN_RADIUS
-- Cells are half again as tall as they are wide: the lantern lights fewer rows than columns,
-- and its light looks round.
local CELL_ASPECT = 1.5

local DIRECTIONS = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}
Cave.DIRECTIONS = DIRECTIONS

-- Rarer gems are worth more and turn up deeper down.
Cave.GEMS = {
    {name = "ruby", glyph = "♦", color = Color.LightRed, value = 10},
    {name = "emerald", glyph = "♦", color = Color.LightGreen, value = 15},
    {name = "sapphire", glyph = "♦", color = Color.LightCyan, value = 20},
    {name = "amethyst", glyph = "♦", color = Color.LightMagenta, value = 25},
    {name = "topaz", glyph = "♦", color = Color.Yellow, value = 30},
    {name = "diamond", glyph = "♦", color = Color.White, value = 50},
}
Cave.HEART = {name = "heart", glyph = "♥", color = Color.LightRed}

local function cellIndex(x, y)
    return y * Cave.WIDTH + x + 1
end

local function onEdge(x, y)
    return x == 0 or y == 0 or x == Cave.WIDTH - 1 or y == Cave.HEIGHT - 1
end

local function randomWalls()
    local walls = {}
    for y = 0, Cave.HEIGHT - 1 do
        for x = 0, Cave.WIDTH - 1 do
            walls[cellIndex(x, y)] = onEdge(x, y) or math.random() < WALL_CHANCE
        end
    end
    return walls
end

-- A cell becomes wall when most of the nine cells around it (itself included) are walls,
-- which turns noise into rounded caverns.
local function wallsAround(walls, x, y)
    local count = 0
    for dy = -1, 1 do
        for dx = -1, 1 do
            if walls[cellIndex(x + dx, y + dy)] then
                count = count + 1
            end
        end
    end
    return count
end

local function smoothed(walls)
    local result = {}
    for y = 0, Cave.HEIGHT - 1 do
        for x = 0, Cave.WIDTH - 1 do
            result[cellIndex(x, y)] = onEdge(x, y) or wallsAround(walls, x, y) >= 5
        end
    end
    return result
end

-- Steps from (x, y) to every floor cell it can reach, by cell index. The edge is all wall, so
-- the search never leaves the cave.
local function distancesFrom(walls, x, y)
    local distances = {[cellIndex(x, y)] = 0}
    local queue, head = {{x, y}}, 1
    while queue[head] do
        local cx, cy = queue[head][1], queue[head][2]
        head = head + 1
        for _, direction in ipairs(DIRECTIONS) do
            local nx, ny = cx + direction[1], cy + direction[2]
            local i = cellIndex(nx, ny)
            if not walls[i] and not distances[i] then
                distances[i] = distances[cellIndex(cx, cy)] + 1
                queue[#queue + 1] = {nx, ny}
            end
        end
    end
    return distances
end

local function floorCells(walls)
    local cells = {}
    for y = 1, Cave.HEIGHT - 2 do
        for x = 1, Cave.WIDTH - 2 do
            if not walls[cellIndex(x, y)] then
                cells[#cells + 1] = {x = x, y = y}
            end
        end
    end
    return cells
end

-- Draws caves until one has enough open floor around a random start, then walls up the
-- pockets that the start cannot reach.
local function carve()
    while true do
        local walls = randomWalls()
        for _ = 1, SMOOTHING_PASSES do
            walls = smoothed(walls)
        end
        local floor = floorCells(walls)
        if #floor >= LEAST_OPEN_SHARE * Cave.WIDTH * Cave.HEIGHT then
            local start = floor[math.random(#floor)]
            local distances = distancesFrom(walls, start.x, start.y)
            local open = 0
            for i = 1, Cave.WIDTH * Cave.HEIGHT do
                if distances[i] then
                    open = open + 1
                else
                    walls[i] = true
                end
            end
            if open >= LEAST_OPEN_SHARE * Cave.WIDTH * Cave.HEIGHT then
                return walls, start, distances
            end
        end
    end
end

-- The floor cells at least `distance` steps from the start, in random order.
function Cave.cellsAway(cave, distance)
    local cells = {}
    for _, cell in ipairs(floorCells(cave.walls)) do
        if cave.distances[cellIndex(cell.x, cell.y)] >= distance then
            cells[#cells + 1] = cell
        end
    end
    for i = #cells, 2, -1 do
        local j = math.random(i)
        cells[i], cells[j] = cells[j], cells[i]
    end
    return cells
end

local function farthestCell(cave)
    local best = cave.start
    for _, cell in ipairs(floorCells(cave.walls)) do
        if cave.distances[cellIndex(cell.x, cell.y)] > cave.distances[cellIndex(best.x, best.y)] then
            best = cell
        end
    end
    return best
end

local function randomGem(depth)
    return Cave.GEMS[math.random(math.min(#Cave.GEMS, depth + 2))]
end

-- A new cave for the given depth (1 for the first). The stairs lie as far from the start as
-- the cave allows; from the second depth on, one heart lies somewhere too.
function Cave.new(depth)
    local walls, start, distances = carve()
    local cave = {walls = walls, start = start, distances = distances, items = {}, seen = {},
                  allLit = false, gemsLeft = 0}
    cave.exit = farthestCell(cave)
    local places = {}
    for _, cell in ipairs(Cave.cellsAway(cave, GEM_DISTANCE)) do
        if cell.x ~= cave.exit.x or cell.y ~= cave.exit.y then
            places[#places + 1] = cell
        end
    end
    local gems = math.min(FIRST_GEMS + depth - 1, MOST_GEMS, #places)
    for i = 1, gems do
        cave.items[cellIndex(places[i].x, places[i].y)] = randomGem(depth)
    end
    cave.gemsLeft = gems
    if depth > 1 and places[gems + 1] then
        cave.items[cellIndex(places[gems + 1].x, places[gems + 1].y)] = Cave.HEART
    end
    return cave
end

function Cave.inside(x, y)
    return x >= 0 and y >= 0 and x < Cave.WIDTH and y < Cave.HEIGHT
end

function Cave.isWall(cave, x, y)
    return not Cave.inside(x, y) or cave.walls[cellIndex(x, y)]
end

function Cave.isExit(cave, x, y)
    return x == cave.exit.x and y == cave.exit.y
end

function Cave.stairsOpen(cave)
    return cave.gemsLeft == 0
end

function Cave.itemAt(cave, x, y)
    return cave.items[cellIndex(x, y)]
end

-- Removes what lies on the cell and returns it.
function Cave.take(cave, x, y)
    local item = cave.items[cellIndex(x, y)]
    cave.items[cellIndex(x, y)] = nil
    if item and item ~= Cave.HEART then
        cave.gemsLeft = cave.gemsLeft - 1
    end
    return item
end

-- Whether the lantern of a player at (fromX, fromY) lights the cell (x, y).
function Cave.isLit(cave, fromX, fromY, x, y)
    if cave.allLit then
        return true
    end
    local dx, dy = x - fromX, (y - fromY) * CELL_ASPECT
    return dx * dx + dy * dy <= LANTERN_RADIUS * LANTERN_RADIUS
end

-- Marks what the lantern at (x, y) lights as seen: the map remembers it.
function Cave.light(cave, x, y)
    local rows = math.ceil(LANTERN_RADIUS / CELL_ASPECT)
    for cy = math.max(0, y - rows), math.min(Cave.HEIGHT - 1, y + rows) do
        for cx = math.max(0, x - LANTERN_RADIUS), math.min(Cave.WIDTH - 1, x + LANTERN_RADIUS) do
            if Cave.isLit(cave, x, y, cx, cy) then
                cave.seen[cellIndex(cx, cy)] = true
            end
        end
    end
end

function Cave.isSeen(cave, x, y)
    return cave.allLit or cave.seen[cellIndex(x, y)] == true
end

return Cave
