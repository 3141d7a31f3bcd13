-- How to play: the goal as a wrapped label, then the keys and what the cave's symbols are.

local Cave = require "scripts.game.cave"
local Creatures = require "scripts.game.creatures"
local Dialog = require "scripts.lib.dialog"
local Draw = require "scripts.lib.draw"
local Speech = require "scripts.lib.speech"
local screen = require "scripts.lib.screen"
local ui = require("scripts.lib.engine").ui

local HelpDialog = {}

local GOAL = "Gather every gem ♦ of a depth, then take the stairs ▼ down. Your lantern " ..
             "lights only what is near. Bats, spiders and ghosts take a heart ♥ at each " ..
             "touch; a heart found in the cave gives one back."

-- Each key as shown, what it does and, where the symbols would not say it, its name for speech.
local KEYS = {
    {"← ↑ ↓ →", "walk (hold to go on)", "Arrow keys"},
    {"L I", "say sights, your state", "L, I"},
    {"P", "pause"},
    {"C", "whisper a secret word"},
    {"O", "options"},
    {"V S", "video mode, display style"},
    {"W F", "wallpaper, fullscreen"},
    {"M - + [ ]", "music: mute, volume, pan", "M, minus, plus, and the square brackets"},
    {"Esc", "leave the cave"},
    {"Shift+R", "reload the game's scripts"},
}

local KEY_COLUMN = 11

-- The window's draw handler prints relative to the window's inside.
local function drawKeys(top)
    for i, line in ipairs(KEYS) do
        screen.print({x = 1, y = top + i - 1, text = line[1], color = Color.Yellow})
        screen.print({x = KEY_COLUMN, y = top + i - 1, text = line[2], color = Color.White})
    end
end

-- What the player meets in the cave, as the map shows it.
local function symbols()
    local gem = Cave.GEMS[2]
    local list = {{"☺", Color.White, "you"}, {gem.glyph, gem.color, "gem"},
                  {Cave.HEART.glyph, Cave.HEART.color, "heart"}, {"▼", Color.Yellow, "stairs"}}
    for _, kind in ipairs(Creatures.KINDS) do
        list[#list + 1] = {kind.glyph, kind.color, kind.name}
    end
    return list
end

-- Places the symbols with their names in rows of as many as fit in the width: a list of
-- {symbol, x, y} from (0, 0), and the number of rows.
local function layOutSymbols(width)
    local placed, x, y = {}, 0, 0
    for _, symbol in ipairs(symbols()) do
        local length = Draw.length(symbol[3]) + 4
        if x + length > width then
            x, y = 0, y + 1
        end
        placed[#placed + 1] = {symbol, x, y}
        x = x + length
    end
    return placed, y + 1
end

function HelpDialog.drawSymbols(x, y, width)
    for _, place in ipairs((layOutSymbols(width))) do
        local symbol, dx, dy = place[1], place[2], place[3]
        screen.print({x = x + dx, y = y + dy, text = symbol[1], color = symbol[2]})
        screen.print({x = x + dx + 2, y = y + dy, text = symbol[3], color = Color.White})
    end
end

-- The goal and the keys, read out; the symbols of the map are for the eye only.
local function sayHelp()
    local goal = GOAL
    for _, symbol in ipairs({" ♦", " ▼", " ♥"}) do
        goal = goal:gsub(symbol, "")
    end
    local lines = {goal}
    for _, line in ipairs(KEYS) do
        lines[#lines + 1] = (line[3] or line[1]) .. ": " .. line[2] .. "."
    end
    Speech.say(table.concat(lines, " "))
end

function HelpDialog.open()
    local width = Draw.wide() and 60 or 38
    local textWidth = width - 4
    local goalRows = Draw.lineCount(GOAL, textWidth)
    local _, symbolRows = layOutSymbols(textWidth)
    local window
    -- A click anywhere in it closes it, as Return does.
    local function onMouse(kind)
        if kind == "press" then
            window.close()
        end
    end
    window = Dialog.window({title = "How to play", width = width, height = goalRows + #KEYS + symbolRows + 6,
                            dismissText = true, onMouse = onMouse})
    ui.createLabel({parent = window.instance(), x = 2, y = 2, width = textWidth, text = GOAL,
                    color = Color.White})
    sayHelp()
    window.onDraw(function()
        drawKeys(goalRows + 2)
        HelpDialog.drawSymbols(1, goalRows + #KEYS + 3, textWidth)
    end)
end

return HelpDialog
