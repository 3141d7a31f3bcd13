-- What the game says for a player who cannot see the screen. While speech is on, the engine
-- itself says message boxes, window titles, text fields and log lines; what the screen shows in
-- pictures, colours and places is said from here. While speech is off, saying costs nothing.

local core = require("scripts.lib.engine").core

local Speech = {}

-- Queued after what is being said.
function Speech.say(text)
    core.speak(text)
end

-- Said at once, in place of what is being said: the answer to a key pressed for it.
function Speech.sayNow(text)
    core.speak(text, true)
end

-- "3 right, 1 up" from one cell to another; "here" on it.
function Speech.way(dx, dy)
    local parts = {}
    if dx ~= 0 then
        parts[#parts + 1] = math.abs(dx) .. (dx > 0 and " right" or " left")
    end
    if dy ~= 0 then
        parts[#parts + 1] = math.abs(dy) .. (dy > 0 and " down" or " up")
    end
    return #parts > 0 and table.concat(parts, ", ") or "here"
end

-- "1 heart", "3 hearts".
function Speech.count(number, thing)
    return number .. " " .. thing .. (number == 1 and "" or "s")
end

return Speech
