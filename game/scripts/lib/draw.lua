-- Drawing helpers for the scenes and dialogs. Text is UTF-8: the engine shows one character per
-- cell, so lengths count characters, not bytes.

local core = require("scripts.lib.engine").core
local screen = require "scripts.lib.screen"

local Draw = {}

-- Both video modes have 25 rows.
Draw.ROWS = 25

function Draw.columns()
    return core.getVideoMode() == VideoMode.Text40x25 and 40 or 80
end

function Draw.wide()
    return Draw.columns() == 80
end

-- UTF-8 continuation bytes (128 to 191) do not start a character.
function Draw.length(text)
    return select(2, text:gsub("[^\128-\191]", ""))
end

-- The first `count` characters of text.
function Draw.cut(text, count)
    return text:match("^" .. ("[^\128-\191][\128-\191]*"):rep(count)) or text
end

-- How many rows print's word wrap gives the text at this width: a word that does not fit
-- after the ones on its line starts the next line. The engine does not hand the count back to
-- scripts, so dialogs that place things below a wrapped text count here.
function Draw.lineCount(text, width)
    local lines, column = 1, 0
    for word in text:gmatch("%S+") do
        local length = Draw.length(word)
        if length + column > width then
            lines, column = lines + 1, 0
        end
        column = column + length + 1
    end
    return lines
end

function Draw.centred(y, text, color, background)
    local x = math.floor((Draw.columns() - Draw.length(text)) / 2)
    screen.print({x = x, y = y, text = text, color = color, background = background})
end

-- A filled double frame with an optional title on its top edge and an optional shadow. A
-- shadow needs a free column to the right: a frame that ends at the screen's edge would throw
-- it onto the start of the next row.
function Draw.panel(panel)
    screen.drawBorder({x = panel.x, y = panel.y, width = panel.width, height = panel.height,
                       color = panel.color, background = panel.background, fill = true,
                       shadow = panel.shadow})
    if panel.title then
        local title = " " .. panel.title .. " "
        local x = panel.x + math.floor((panel.width - Draw.length(title)) / 2)
        screen.print({x = x, y = panel.y, text = title, color = panel.titleColor or panel.color,
                      background = panel.background})
    end
end

-- A whole row in one background, with text at its left and right ends.
function Draw.bar(bar)
    screen.fillRow({row = bar.y, color = bar.background})
    screen.print({x = 1, y = bar.y, text = bar.left or "", color = bar.color})
    local right = bar.right or ""
    screen.print({x = Draw.columns() - 1 - Draw.length(right), y = bar.y, text = right, color = bar.color})
end

return Draw
