-- Runs before the launch script. Everything the game's scenes share lives here: the engine
-- objects, the key codes, a few drawing helpers, and the global functions that the engine
-- calls, which hand each call to the scene on show.

core = LuaCore(gCore)
utils = LuaUtils(gUtils)
-- The screen of the current video mode; a mode change replaces it (see onSetVideoMode).
screen = nil

SCREEN_ROWS = 25

-- Key codes as the engine reports them.
Key = {
    Escape = 36, Space = 57, Return = 58, BackSpace = 59, Tab = 60,
    Left = 71, Right = 72, Up = 73, Down = 74,
}
for i = 0, 25 do
    Key[string.char(65 + i)] = i
end
for i = 0, 9 do
    Key["Num" .. i] = 26 + i
end

function screenColumns()
    return core.getVideoMode() == VideoMode.Text40x25 and 40 or 80
end

-- Characters, not bytes: UTF-8 continuation bytes do not count.
function textLength(text)
    return select(2, text:gsub("[^\128-\191]", ""))
end

-- Prints one line of text centred on row y.
function printCentred(y, text, color, background)
    local x = math.floor((screenColumns() - textLength(text)) / 2)
    screen.print({x = x, y = y, text = text, color = color, background = background})
end

-- A filled double frame with a shadow and an optional title on its top edge.
function drawPanel(panel)
    screen.drawBorder({x = panel.x, y = panel.y, width = panel.width, height = panel.height,
                       color = panel.color, background = panel.background, fill = true, shadow = true})
    if panel.title then
        local title = " " .. panel.title .. " "
        local x = panel.x + math.floor((panel.width - textLength(title)) / 2)
        screen.print({x = x, y = panel.y, text = title, color = panel.titleColor or panel.color,
                      background = panel.background})
    end
end

-- A scene is a table with any of draw(), update(dt) and key(code, pressed, handled).
local scene = {}

function showScene(next)
    scene = next
    if screen then
        screen.redraw()
    end
end

function onSetVideoMode(mode)
    screen = LuaScreenBuffer(gScreenBuffer)
end

function redraw()
    if scene.draw then
        scene.draw()
    end
end

function update(dt)
    if scene.update then
        scene.update(dt)
    end
end

function key(code, pressed, handled)
    if scene.key then
        scene.key(code, pressed, handled)
    end
end
