-- Dialog windows and questions. Every dialog is modal, and so is a message box: while one is
-- open the scenes stand still (they ask Dialog.isOpen) and no key reaches them.

local Draw = require "scripts.lib.draw"
local Key = require "scripts.lib.keys"
local MessageBox = require "scripts.lib.message_box"
local Speech = require "scripts.lib.speech"
local ui = require("scripts.lib.engine").ui

local Dialog = {}

local openWindows = 0
-- The options of the open windows, the topmost last, for their mouse and pad handlers.
local openOptions = {}

function Dialog.isOpen()
    return openWindows > 0 or MessageBox.isOpen()
end

-- A framed window with a shadow and a title, centred on the screen of the current video mode.
-- options: title, width, height, color, background; dismissText shows " [Enter ►] " on its
-- bottom edge; onKey(code, pressed) sees the keys pressed and released while it is the topmost
-- window. The engine closes a window on Return and Escape before its key handler sees them.
-- onMouse(kind, x, y, button) sees the mouse while it is the topmost window, x and y counted
-- from its inside's corner, as its draw handler prints. onConfirm() does what Return does to
-- it, for a pad (without it, the window closes as on Return).
function Dialog.window(options)
    -- Centred with its shadow, which takes one more column and row.
    local left = math.floor((Draw.columns() - options.width - 1) / 2)
    local top = math.floor((Draw.ROWS - options.height - 1) / 2)
    local window = LuaWindow(ui.createWindow({
        x = left, y = top,
        width = options.width, height = options.height, title = options.title,
        color = options.color or Color.Yellow, background = options.background or Color.Brown,
        shadow = true, showDismissText = options.dismissText,
    }))
    openWindows = openWindows + 1
    local opened = {options = options, left = left, top = top}
    openOptions[#openOptions + 1] = opened
    window.onClose(function()
        openWindows = openWindows - 1
        for i = #openOptions, 1, -1 do
            if openOptions[i] == opened then
                table.remove(openOptions, i)
                break
            end
        end
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

-- Hands the mouse to the topmost window's handler.
function Dialog.mouse(kind, column, row, button)
    local opened = openOptions[#openOptions]
    if MessageBox.isOpen() or not (opened and opened.options.onMouse) then
        return
    end
    local x = column and column - opened.left - 1
    local y = row and row - opened.top - 1
    opened.options.onMouse(kind, x, y, button)
end

-- A key that stands for a pad's button or stick, while a dialog or message box is open: Return
-- and Escape do what they do to the topmost window, other keys go to its key handler.
function Dialog.padKey(code, pressed)
    local opened = not MessageBox.isOpen() and openOptions[#openOptions]
    if code == Key.Return or code == Key.Escape then
        if not pressed then
            return
        end
        if code == Key.Return and opened and opened.options.onConfirm then
            opened.options.onConfirm()
        else
            ui.dismissWindow(code == Key.Escape)
        end
    elseif opened and opened.options.onKey then
        opened.options.onKey(code, pressed)
    end
end

local PROMPT_WIDTH = 34

local PROMPT_BUTTONS_ROW = 6
local PROMPT_OK = {from = 2, to = 11}
local PROMPT_CANCEL = {from = 14, to = 24}

local function within(x, span)
    return x and x >= span.from and x <= span.to
end

-- Asks for one line of text. options: title, question, text (to start with), hidden (shows
-- stars instead of the letters), maxLength, onEnter(text) when Return is pressed or OK is
-- clicked. Escape and a click on cancel close the dialog and do nothing more.
function Dialog.prompt(options)
    local window, field
    local function confirm()
        local text = field.getText()
        window.close()
        options.onEnter(text)
    end
    local function onMouse(kind, x, y, button)
        if kind ~= "press" or button ~= MouseButton.Left or y ~= PROMPT_BUTTONS_ROW then
            return
        end
        if within(x, PROMPT_OK) then
            confirm()
        elseif within(x, PROMPT_CANCEL) then
            window.close()
        end
    end
    window = Dialog.window({title = options.title, width = PROMPT_WIDTH, height = 8, onMouse = onMouse,
                            onConfirm = confirm})
    local parent = window.instance()
    ui.createLabel({parent = parent, x = 2, y = 2, text = options.question, color = Color.White})
    Speech.say(options.question)
    ui.createLabel({parent = parent, x = PROMPT_OK.from, y = PROMPT_BUTTONS_ROW, text = "Return: OK  Esc: cancel",
                    color = Color.LightCyan})
    field = LuaTextField(ui.createTextField({
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
