-- The gamepad, for a player away from the keyboard: the left stick and the cross walk and
-- choose as the arrow keys do, and buttons stand for keys. The window library numbers buttons
-- as the pad does; on the common pads A is 0, B 1, X 2, Y 3, Back 6 and Start 7.

local Key = require "scripts.lib.keys"
local core = require("scripts.lib.engine").core

local Pad = {}

local BUTTON_KEYS = {[0] = Key.Return, [1] = Key.Escape, [2] = Key.H, [3] = Key.O, [6] = Key.H, [7] = Key.P}
-- How far a stick must lean before it counts as an arrow.
local LEAN = 0.5

-- The arrow key the pads hold down now, if any.
local heldArrow

-- The arrow a pad's stick, or else its cross, points to: the axis leaning furthest wins.
local function arrowOf(number)
    local x = core.getPadAxis(number, PadAxis.X)
    local y = core.getPadAxis(number, PadAxis.Y)
    if math.abs(x) < LEAN and math.abs(y) < LEAN then
        x = core.getPadAxis(number, PadAxis.PovX)
        y = core.getPadAxis(number, PadAxis.PovY)
    end
    if math.abs(x) >= LEAN and math.abs(x) >= math.abs(y) then
        return x < 0 and Key.Left or Key.Right
    end
    if math.abs(y) >= LEAN then
        return y < 0 and Key.Up or Key.Down
    end
    return nil
end

-- Called every frame: presses and releases arrows as the sticks lean, through sendKey(code, pressed).
function Pad.update(sendKey)
    local arrow
    for _, found in ipairs(core.getPads()) do
        arrow = arrow or arrowOf(found.number)
    end
    if arrow == heldArrow then
        return
    end
    if heldArrow then
        sendKey(heldArrow, false)
    end
    heldArrow = arrow
    if arrow then
        sendKey(arrow, true)
    end
end

-- A pad's button went down or up: the key it stands for, if any, goes through sendKey.
function Pad.button(button, pressed, sendKey)
    local code = BUTTON_KEYS[button]
    if code then
        sendKey(code, pressed)
    end
end

return Pad
