-- How the play scene looks: where everything goes in each video mode, and the drawing of the
-- map, the explorer's status and the log. It reads the game that scenes/play.lua keeps and
-- changes nothing in it.

local Cave = require "scripts.game.cave"
local Creatures = require "scripts.game.creatures"
local Draw = require "scripts.lib.draw"
local HelpDialog = require "scripts.dialogs.help"
local Log = require "scripts.lib.log"
local Scores = require "scripts.lib.scores"
local Sound = require "scripts.lib.sound"
local screen = require "scripts.lib.screen"

local PlayView = {}

local WALL_COLORS = {Color.Brown, Color.Cyan, Color.Magenta, Color.Green, Color.Blue, Color.Red}
local MOST_HEARTS = 5
-- The player blinks while a bite protects them: this long on, this long off.
local BLINK_TIME = 0.15
-- One tip for each depth, shown under the map.
local TIPS = {
    "Hold an arrow key to keep walking.",
    "Spiders hunt you once you come near. Bats only flutter about.",
    "Ghosts drift through the walls, slowly.",
    "A heart ♥ lies somewhere on every depth from the second on.",
    "Deeper gems are worth more: each counts times the depth.",
    "Lost? The cave obeys one word: the name of what lights your way. Press C to whisper it.",
}

-- The framed map is the same in both video modes: a view of the part of the cave around the
-- player. With 80 columns the explorer's panel, the log and a field guide stand around it; with
-- 40 a status line and the log go under it.
local VIEW = {width = 38, height = 15}
local MAP = {x = 0, y = 1, width = VIEW.width + 2, height = VIEW.height + 2}
local GUIDE = {x = 0, y = 18, width = 40, height = 6}
local EXPLORER = {x = 41, y = 1, width = 39, height = 8}
local LOG_PANEL = {x = 41, y = 9, width = 39, height = 15}
local STATUS_ROW = 18

PlayView.MOST_HEARTS = MOST_HEARTS
PlayView.log = Log.new({x = 43, y = 10, width = 35, height = 13}, {x = 1, y = 19, width = 38, height = 5})

local function panel(rect, title, titleColor)
    Draw.panel({x = rect.x, y = rect.y, width = rect.width, height = rect.height, title = title,
                color = Color.LightGray, background = Color.Blue, titleColor = titleColor})
end

-- The map

-- What one cell shows: a character and its colour. Creatures show only in the light; walls and
-- floor seen before stay on the map, dimmed.
local function cellLook(game, x, y)
    local player = game.player
    local blinking = player.hurtTime > 0 and player.hurtTime % (2 * BLINK_TIME) < BLINK_TIME
    if x == player.x and y == player.y and not blinking then
        return "☺", Color.White
    end
    local cave = game.cave
    local lit = Cave.isLit(cave, player.x, player.y, x, y)
    local creature = lit and Creatures.at(game.creatures, x, y)
    if creature then
        return creature.kind.glyph, creature.kind.color
    end
    if not Cave.isSeen(cave, x, y) then
        return " ", Color.Black
    end
    if Cave.isWall(cave, x, y) then
        return lit and "▓" or "░", lit and WALL_COLORS[(game.depth - 1) % #WALL_COLORS + 1] or Color.Gray
    end
    local item = Cave.itemAt(cave, x, y)
    if item then
        return item.glyph, item.color
    end
    if Cave.isExit(cave, x, y) then
        return "▼", Cave.stairsOpen(cave) and Color.Yellow or Color.Gray
    end
    return "·", lit and Color.LightGray or Color.Gray
end

-- The whole cave as it looks, kept in a buffer of its own and copied to the view; only what
-- can have changed since it was last painted is painted again.
local map = {buffer = LuaScreenBuffer.new{width = Cave.WIDTH, height = Cave.HEIGHT}}

local function paintCell(game, x, y)
    local glyph, color = cellLook(game, x, y)
    map.buffer.put({x = x, y = y, text = glyph, color = color, background = Color.Black})
end

local function paintRect(game, left, top, right, bottom)
    for y = math.max(top, 0), math.min(bottom, Cave.HEIGHT - 1) do
        for x = math.max(left, 0), math.min(right, Cave.WIDTH - 1) do
            paintCell(game, x, y)
        end
    end
end

-- Walking, a creature moving and a blink change only cells near the player: a step moves the
-- lantern one cell, and creatures show only in its light. A new depth, the whole cave lit
-- (creatures then show anywhere) or the stairs opening far away change any cell.
local function paintMap(game)
    local cave = game.cave
    local everything = map.cave ~= cave or cave.allLit or map.stairsOpen ~= Cave.stairsOpen(cave)
    map.cave, map.stairsOpen = cave, Cave.stairsOpen(cave)
    if everything then
        paintRect(game, 0, 0, Cave.WIDTH - 1, Cave.HEIGHT - 1)
        return
    end
    local reach = Cave.LANTERN_RADIUS + 1
    local player = game.player
    paintRect(game, player.x - reach, player.y - reach, player.x + reach, player.y + reach)
end

-- The view keeps the player in its middle, but stops at the cave's edges.
local function viewCorner(game)
    local function clamp(value, most)
        return math.max(0, math.min(value, most))
    end
    return clamp(game.player.x - math.floor(VIEW.width / 2), Cave.WIDTH - VIEW.width),
           clamp(game.player.y - math.floor(VIEW.height / 2), Cave.HEIGHT - VIEW.height)
end

function PlayView.drawMap(game)
    paintMap(game)
    local fromX, fromY = viewCorner(game)
    map.viewX, map.viewY = fromX, fromY
    screen.blit({source = map.buffer, fromX = fromX, fromY = fromY, x = MAP.x + 1, y = MAP.y + 1,
                 width = VIEW.width, height = VIEW.height})
end

-- The cave cell that the screen cell shows, or nil off the map.
function PlayView.mapCellAt(column, row)
    local x, y = column - MAP.x - 1, row - MAP.y - 1
    if x >= 0 and x < VIEW.width and y >= 0 and y < VIEW.height then
        return x + (map.viewX or 0), y + (map.viewY or 0)
    end
    return nil
end

local function gemsText(cave)
    if Cave.stairsOpen(cave) then
        return "stairs open"
    end
    return cave.gemsLeft .. (cave.gemsLeft == 1 and " gem" or " gems") .. " left"
end

-- On the bottom edge of the map's frame, drawn over the edge's line so that a shorter text
-- leaves nothing of a longer one behind.
local function drawGemsLeft(cave)
    local bottom = MAP.y + MAP.height - 1
    screen.print({x = MAP.x + 1, y = bottom, text = string.rep("═", MAP.width - 2), color = Color.LightGray})
    local text = " " .. gemsText(cave) .. " "
    screen.print({x = MAP.x + MAP.width - 2 - Draw.length(text), y = bottom, text = text,
                  color = Cave.stairsOpen(cave) and Color.Yellow or Color.LightGray})
end

local function drawMapFrame(game)
    Draw.panel({x = MAP.x, y = MAP.y, width = MAP.width, height = MAP.height,
                title = "Depth " .. game.depth, color = Color.LightGray, background = Color.Black,
                titleColor = Color.Yellow})
    drawGemsLeft(game.cave)
end

-- The explorer

-- Full hearts, then empty ones up to the most a player can have.
local function drawHearts(game, x, y)
    screen.print({x = x, y = y, text = string.rep("♥", game.hearts), color = Color.LightRed})
    screen.print({x = x + game.hearts, y = y, text = string.rep("♥", MOST_HEARTS - game.hearts),
                  color = Color.Black})
end

local function drawExplorerPanel(game)
    panel(EXPLORER, game.name, Color.White)
    local x, y = EXPLORER.x + 2, EXPLORER.y + 1
    local rows = {
        {"Hearts"}, {"Score", game.score}, {"Gems", gemsText(game.cave)}, {"Depth", game.depth},
        {"Best", math.max(Scores.best(), game.score)},
        {"Music", math.floor(Sound.volume() * 100 + 0.5) .. "%  " .. Sound.panBar()},
    }
    for i, row in ipairs(rows) do
        screen.print({x = x, y = y + i - 1, text = row[1], color = Color.LightCyan})
        if row[2] then
            screen.print({x = x + 8, y = y + i - 1, text = tostring(row[2]), color = Color.White})
        end
    end
    drawHearts(game, x + 8, y)
end

local function drawStatusLine(game)
    screen.fillRow({row = STATUS_ROW, color = Color.Blue})
    drawHearts(game, 1, STATUS_ROW)
    screen.print({x = 8, y = STATUS_ROW, text = game.score .. " points", color = Color.White})
    local best = "best " .. math.max(Scores.best(), game.score)
    screen.print({x = Draw.columns() - 1 - Draw.length(best), y = STATUS_ROW, text = best,
                  color = Color.LightCyan})
end

-- Hearts, score and gems, after they change.
function PlayView.drawStatus(game)
    if Draw.wide() then
        drawExplorerPanel(game)
    else
        drawStatusLine(game)
    end
    drawGemsLeft(game.cave)
end

-- The rest of the screen

local function drawBars(game)
    Draw.bar({y = 0, left = game.options.untilKey and "DEMO: press any key" or "TREASURE CAVE",
              right = Draw.wide() and "H help  O options  P pause" or "H help",
              color = Color.Black, background = Color.Cyan})
    local keys = Draw.wide() and "←↑↓→ walk  C secret word  M - + [ ] music  Esc leave"
                 or "←↑↓→ walk  P pause  Esc leave"
    Draw.bar({y = Draw.ROWS - 1, left = keys, color = Color.Black, background = Color.LightGray})
end

-- The tip for the game's depth.
function PlayView.tip(game)
    return TIPS[(game.depth - 1) % #TIPS + 1]
end

-- What the symbols mean, and a tip for this depth, wrapped under them.
local function drawGuide(game)
    panel(GUIDE, "Field guide")
    HelpDialog.drawSymbols(GUIDE.x + 2, GUIDE.y + 1, GUIDE.width - 4)
    screen.print({x = GUIDE.x + 2, y = GUIDE.y + 3, text = PlayView.tip(game),
                  wrap = true, length = GUIDE.width - 4, color = Color.LightCyan})
end

function PlayView.draw(game)
    screen.clear(Color.Blue)
    drawBars(game)
    drawMapFrame(game)
    PlayView.drawMap(game)
    PlayView.drawStatus(game)
    if Draw.wide() then
        drawGuide(game)
        panel(LOG_PANEL, "Log")
    end
    Log.show(PlayView.log)
end

return PlayView
