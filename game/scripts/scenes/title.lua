-- The title screen: the name of the game, its legend, the best runs so far, and the way in.
-- Left alone for a while it shows the game playing itself.

local Dialog = require "scripts.lib.dialog"
local Draw = require "scripts.lib.draw"
local HelpDialog = require "scripts.dialogs.help"
local Key = require "scripts.lib.keys"
local OptionsDialog = require "scripts.dialogs.options"
local PlayScene = require "scripts.scenes.play"
local Scene = require "scripts.lib.scene"
local Scores = require "scripts.lib.scores"
local Sound = require "scripts.lib.sound"
local Speech = require "scripts.lib.speech"
local core = require("scripts.lib.engine").core
local screen = require "scripts.lib.screen"

local TitleScene = {}

local DEMO_AFTER = 30
local GLINT_TIME = 0.2
local LONGEST_NAME = 12

local LOGO = {
    " ▄████▄   ▄███▄   ██   ██  ██████",
    "██    ▀  ██   ██  ██   ██  ██    ",
    "██       ███████  ▀██ ██▀  █████ ",
    "██    ▄  ██   ██   ▀███▀   ██    ",
    " ▀████▀  ██   ██    ▀█▀    ██████",
}
local LOGO_WIDTH = 33
local LOGO_COLORS = {Color.Yellow, Color.Yellow, Color.Brown, Color.Brown, Color.Red}

-- Each item: its key's name, what it does and its key.
local MENU = {{"Enter", "go down into the cave", Key.Return}, {"H", "how to play", Key.H}, {"O", "options", Key.O},
              {"Q", "quit", Key.Q}}

local LEGEND = "Deep under the hills lies a cave full of gems, guarded by bats, spiders and " ..
               "ghosts. Gather every gem of a depth and the stairs lead deeper. Old miners say " ..
               "the cave obeys one word: the name of what lights your way."

local idleTime = 0
local glintTime = 0
local lastName = ""
-- Where the menu's items lie on the screen as last drawn, to be clicked: {x, y, width, key}.
local menuPlaces = {}

local function logoLeft()
    return math.floor((Draw.columns() - LOGO_WIDTH) / 2) + 1
end

-- The logo with the word TREASURE running down its left side.
local function drawLogo()
    local left = logoLeft()
    for row, line in ipairs(LOGO) do
        screen.print({x = left, y = row, text = line, color = LOGO_COLORS[row], asIs = true})
    end
    screen.print({x = left - 3, y = 0, text = "TREASURE", vertical = true, color = Color.LightCyan})
end

-- A glint of light on a random block of the logo; the next repaint of the logo takes it away.
local function glint()
    drawLogo()
    local row = math.random(#LOGO)
    local column = math.random(LOGO_WIDTH)
    local block = Draw.cut(LOGO[row], column):match("[^\128-\191][\128-\191]*$")
    if block ~= " " then
        screen.put({x = logoLeft() + column - 1, y = row, text = block, color = Color.White})
    end
end

-- Every colour of the palette, one beside the other, on a grey band that shows where the
-- black one is.
local function drawStrata(y)
    local width = Draw.wide() and 4 or 2
    local left = math.floor((Draw.columns() - 16 * width) / 2)
    screen.fillRect({x = left - 1, y = y, width = 16 * width + 2, height = 1, color = Color.Gray})
    for color = Color.Red, Color.Black do
        screen.fillRect({x = left + (color - 1) * width, y = y, width = width, height = 1, color = color})
    end
end

local function drawLegend(x, top, width, height)
    Draw.panel({x = x, y = top, width = width, height = height, title = "The legend",
                color = Color.LightCyan, background = Color.Blue, titleColor = Color.Yellow, shadow = true})
    screen.print({x = x + 2, y = top + 1, text = LEGEND, wrap = true, length = width - 4, color = Color.White})
end

local function scoreLine(place, entry, width)
    local name = entry.name .. (entry.cheated and "✶" or "")
    local score = tostring(entry.score)
    local dots = string.rep(".", width - 3 - Draw.length(name) - #score)
    return place .. " " .. name .. dots .. score
end

local function drawBest(x, top, width, height)
    Draw.panel({x = x, y = top, width = width, height = height, title = "Best explorers",
                color = Color.LightCyan, background = Color.Blue, titleColor = Color.Yellow, shadow = true})
    local entries = Scores.entries()
    if #entries == 0 then
        screen.print({x = x + 2, y = top + 2, text = "No one yet. Be the first!", wrap = true,
                      length = width - 4, color = Color.LightGray})
    end
    for place, entry in ipairs(entries) do
        screen.print({x = x + 2, y = top + 1 + place, text = scoreLine(place, entry, width - 4),
                      color = place == 1 and Color.Yellow or Color.LightGray})
    end
end

-- With 40 columns there is no room for the table: the best run alone.
local function drawBestLine(y)
    local best = Scores.entries()[1]
    if best then
        Draw.centred(y, "Best: " .. best.name .. ", " .. best.score .. " points", Color.Yellow)
    end
end

-- Keys and what they do, side by side and centred on row y.
local function drawKeyLine(y, items)
    local gap = 3
    local width = -gap
    for _, item in ipairs(items) do
        width = width + Draw.length(item[1]) + 1 + Draw.length(item[2]) + gap
    end
    local x = math.floor((Draw.columns() - width) / 2)
    for _, item in ipairs(items) do
        menuPlaces[#menuPlaces + 1] = {x = x, y = y, width = Draw.length(item[1]) + 1 + Draw.length(item[2]), key = item[3]}
        screen.print({x = x, y = y, text = item[1], color = Color.Yellow})
        x = x + Draw.length(item[1]) + 1
        screen.print({x = x, y = y, text = item[2], color = Color.White})
        x = x + Draw.length(item[2]) + gap
    end
end

-- One item a row, the keys in a column of their own; with 40 columns the first item has a
-- row of its own and the others share the next.
local function drawMenu(y)
    menuPlaces = {}
    if Draw.wide() then
        local x = math.floor((Draw.columns() - 30) / 2)
        for i, item in ipairs(MENU) do
            menuPlaces[i] = {x = x, y = y + i - 1, width = 8 + Draw.length(item[2]), key = item[3]}
            screen.print({x = x, y = y + i - 1, text = item[1], color = Color.Yellow})
            screen.print({x = x + 8, y = y + i - 1, text = item[2], color = Color.White})
        end
        return
    end
    drawKeyLine(y, {MENU[1]})
    drawKeyLine(y + 1, {MENU[2], MENU[3], MENU[4]})
end

-- The title as a player who cannot see it hears it: the menu first, to act on at once.
local function sayTitle()
    local items = {}
    for _, item in ipairs(MENU) do
        items[#items + 1] = item[1] .. ": " .. item[2] .. "."
    end
    local best = Scores.entries()[1]
    Speech.say("Treasure Cave. " .. table.concat(items, " ") .. " " .. LEGEND ..
               (best and " Best explorer: " .. best.name .. ", " .. best.score .. " points." or ""))
end

function TitleScene.enter()
    idleTime = 0
    sayTitle()
end

function TitleScene.draw()
    screen.clear(Color.Black)
    drawLogo()
    drawStrata(8)
    if Draw.wide() then
        drawLegend(2, 10, 46, 8)
        drawBest(50, 10, 28, 8)
        drawMenu(19)
    else
        drawLegend(1, 10, 37, 9)
        drawMenu(20)
        drawBestLine(23)
    end
    Draw.bar({y = Draw.ROWS - 1, left = "V S W F display  M - + [ ] music",
              right = Draw.wide() and "Shift+R reloads the scripts" or "",
              color = Color.Black, background = Color.LightGray})
end

function TitleScene.update(dt)
    idleTime = idleTime + dt
    if Dialog.isOpen() then
        idleTime = 0
        return
    end
    if idleTime >= DEMO_AFTER then
        Scene.show(PlayScene, {name = "Demo", autopilot = true, untilKey = true})
        return
    end
    glintTime = glintTime + dt
    if glintTime >= GLINT_TIME then
        glintTime = 0
        glint()
    end
end

-- Spaces around the name go; its first letter is made capital.
local function tidyName(text)
    local name = text:match("^%s*(.-)%s*$")
    if name == "" then
        return "Nameless"
    end
    return name:sub(1, 1):upper() .. name:sub(2)
end

local function askName()
    Dialog.prompt({title = "New explorer", question = "What is your name?", text = lastName,
                   maxLength = LONGEST_NAME, onEnter = function(text)
                       lastName = text
                       Scene.show(PlayScene, {name = tidyName(text)})
                   end})
end

local ACTIONS = {
    [Key.Return] = askName,
    [Key.H] = HelpDialog.open,
    [Key.F1] = HelpDialog.open,
    [Key.O] = OptionsDialog.open,
    [Key.Q] = function() core.exit(0) end,
    [Key.Escape] = function() core.exit(0) end,
}

function TitleScene.key(code, pressed, handled)
    idleTime = 0
    local action = ACTIONS[code]
    if pressed and not handled and action then
        Sound.blip()
        action()
    end
end

-- A click on a menu item does what its key does.
function TitleScene.mouse(kind, column, row, button)
    idleTime = 0
    if kind ~= "press" or button ~= MouseButton.Left then
        return
    end
    for _, place in ipairs(menuPlaces) do
        if row == place.y and column >= place.x and column < place.x + place.width then
            Sound.blip()
            ACTIONS[place.key]()
            return
        end
    end
end

return TitleScene
