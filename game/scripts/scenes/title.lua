-- The title screen: the engine's name, what it can draw, and keys for its display switches.

TitleScene = {}

local LOGO = table.concat({
    " ████    ██████  ██",
    "██  ██   ██      ██",
    "██  ██   █████   ██",
    "██ ▄██   ██      ██",
    " ████▄   ██████  ██████",
}, "\n")
local LOGO_WIDTH = 23
local LOGO_COLORS = {Color.Yellow, Color.LightCyan, Color.LightGreen, Color.LightMagenta, Color.White}
-- Seconds each logo colour stays.
local LOGO_COLOR_TIME = 1.5

-- At most four lines in the narrow video mode.
local ABOUT = "Everything here is drawn by the game's Lua scripts: frames, word-wrapped text " ..
              "and the sixteen colours below."

local STYLE_NAMES = {[DisplayStyle.Default] = "monitor", [DisplayStyle.FullFill] = "fill window",
                     [DisplayStyle.FullFit] = "fit window"}
local WALLPAPERS = {18, 1, 2, 3, 4, 5, 6}

local logoColor = 1
local logoTime = 0
-- The wallpaper changes without a repaint (the engine sets the launch wallpaper after the first
-- picture), so update watches the number shown.
local shownWallpaper

local function drawLogo()
    local x = math.floor((screenColumns() - LOGO_WIDTH) / 2)
    screen.print({x = x, y = 1, text = LOGO, asIs = true, color = LOGO_COLORS[logoColor]})
end

local function drawAbout()
    local width = screenColumns() - 4
    drawPanel({x = 2, y = 8, width = width, height = 6, title = "About",
               color = Color.White, background = Color.Cyan, titleColor = Color.Yellow})
    screen.print({x = 4, y = 9, text = ABOUT, wrap = true, length = width - 4,
                  color = Color.White, background = Color.Cyan})
end

-- One swatch per palette colour, numbered underneath where there is room for the numbers.
local function drawPalette()
    local swatch = screenColumns() == 80 and 4 or 2
    local left = math.floor((screenColumns() - 16 * swatch) / 2)
    -- A dark strip around the swatches and their numbers keeps the blue one visible on the blue screen.
    screen.fillRect({x = left - 1, y = 15, width = 16 * swatch + 2, height = 2, color = Color.Black})
    for color = Color.Red, Color.Black do
        local x = left + (color - 1) * swatch
        screen.fillRect({x = x, y = 15, width = swatch, height = 1, color = color})
        if swatch > 2 then
            screen.print({x = x + 1, y = 16, text = tostring(color), color = Color.LightGray})
        end
    end
end

local function nextWallpaper()
    local current = core.getWallpaper()
    for i, number in ipairs(WALLPAPERS) do
        if number == current then
            return WALLPAPERS[i % #WALLPAPERS + 1]
        end
    end
    return WALLPAPERS[1]
end

local function drawKeys()
    shownWallpaper = core.getWallpaper()
    local columns = screenColumns()
    local x = math.floor((columns - 32) / 2)
    local lines = {
        {"V", "video mode", columns .. " x " .. SCREEN_ROWS},
        {"S", "display style", STYLE_NAMES[core.getDisplayStyle()]},
        {"W", "wallpaper", tostring(shownWallpaper)},
        {"F", "fullscreen", "on / off"},
        {"Q", "quit", ""},
    }
    for i, line in ipairs(lines) do
        local y = 17 + i
        screen.print({x = x, y = y, text = line[1], color = Color.Yellow})
        screen.print({x = x + 3, y = y, text = line[2], color = Color.White})
        screen.print({x = x + 18, y = y, text = line[3], color = Color.LightCyan})
    end
end

local function drawFooter()
    screen.fillRow({row = SCREEN_ROWS - 1, color = Color.LightGray})
    printCentred(SCREEN_ROWS - 1, "Shift+R reloads the scripts", Color.Black)
end

function TitleScene.draw()
    screen.fillRect({x = 0, y = 0, width = screenColumns(), height = SCREEN_ROWS, color = Color.Blue})
    drawLogo()
    printCentred(6, "a text-mode game engine", Color.LightCyan)
    drawAbout()
    drawPalette()
    drawKeys()
    drawFooter()
end

function TitleScene.update(dt)
    if core.getWallpaper() ~= shownWallpaper then
        screen.redraw()
    end
    logoTime = logoTime + dt
    if logoTime < LOGO_COLOR_TIME then
        return
    end
    logoTime = 0
    logoColor = logoColor % #LOGO_COLORS + 1
    drawLogo()
end

local actions = {
    [Key.V] = function()
        core.setVideoMode(core.getVideoMode() == VideoMode.Text80x25 and VideoMode.Text40x25
                          or VideoMode.Text80x25)
    end,
    [Key.S] = function()
        core.setDisplayStyle((core.getDisplayStyle() + 1) % 3)
    end,
    [Key.W] = function()
        core.setWallpaper(nextWallpaper())
    end,
    [Key.F] = function()
        core.toggleFullscreen()
    end,
    [Key.Q] = function()
        core.exit(0)
    end,
    [Key.Escape] = function()
        core.exit(0)
    end,
}

function TitleScene.key(code, pressed, handled)
    local action = actions[code]
    if pressed and not handled and action then
        action()
    end
end
