-- Dialog windows and questions. Every dialog is modal, and so is a message box: while one is
-- open the scenes stand still (they ask Dialog.isOpen) and no key reaches them.

local Draw = require "scripts.lib.draw"
local MessageBox = require "scripts.lib.message_box"
local ui = require("scripts.lib.engine").ui

local Dialog = {}

local openWindows = 0

function Dialog.isOpen()
    return openWindows > 0 or MessageBox.isOpen()
end

-- A framed window with a shadow and a title, centred on the screen of the current video mode.
-- options: title, width, height, color, background; dismissText shows " [Enter ►] " on its
-- bottom edge; onKey(code, pressed) sees the keys pressed and released while it is the topmost
-- window. The engine closes a window on Return and Escape before its key handler sees them.
function Dialog.window(options)
    -- Centred with its shadow, which takes one more column and row.
    local window = LuaWindow(ui.createWindow({
        x = math.floor((Draw.columns() - options.width - 1) / 2),
        y = math.floor((Draw.ROWS - options.height - 1) / 2),
        width = options.width, height = options.height, title = options.title,
        color = options.color or Color.Yellow, background = options.background or Color.Brown,
        shadow = true, showDismissText = options.dismissText,
    }))
    openWindows = openWindows + 1
    window.onClose(function()
        openWindows = openWindows - 1
    end)
    -- The handler lets every key go on to key() in startup.lua, which keeps it from the scenes
    -- while a dialog is open. Keeping it here (answering false) would count it as handled, and
    -- the engine drops the text typed with a handled key: no field could be typed into.
    if options.onKey then
        window.onKey(function(code, pressed)
            options.onKey(code, pressed)
            return true
        end)
    end
    return window
end

local PROMPT_WIDTH = 34

-- Asks for one line of text. options: title, question, text (to start with), hidden (shows
-- stars instead of the letters), maxLength, onEnter(text) when Return is pressed. Escape
-- closes the dialog and nothing more.
function Dialog.prompt(options)
    local window = Dialog.window({title = options.title, width = PROMPT_WIDTH, height = 8})
    local parent = window.instance()
    ui.createLabel({parent = parent, x = 2, y = 2, text = options.question, color = Color.White})
    ui.createLabel({parent = parent, x = 2, y = 6, text = "Return: OK  Esc: cancel", color = Color.LightCyan})
    local field = LuaTextField(ui.createTextField({
        parent = parent, x = 2, y = 4, width = PROMPT_WIDTH - 4, inputPrefix = "> ",
        hidden = options.hidden, color = Color.Yellow, background = Color.Black,
    }))
    field.setText(options.text or "")
    field.focus()
    -- The draw handler runs every frame before the window's children draw, so the text is
    -- tidied before it shows: no longer than allowed and without control characters.
    window.onDraw(function()
        local text = field.getText()
        local tidy = Draw.cut((text:gsub("%c", "")), options.maxLength)
        if tidy ~= text then
            field.setText(tidy)
        end
    end)
    -- Closing the window from its own field's handler is allowed; the field goes with it.
    field.onEnter(function(text)
        window.close()
        options.onEnter(text)
    end)
end

return Dialog
