-- The screen buffer of the current video mode, for every file that draws: screen.print(...)
-- and the other methods go to the buffer on show. A mode change replaces the engine's buffer,
-- and onSetVideoMode in startup.lua then calls screen.wrapCurrent. At the first start no mode
-- is set yet and the first wrap holds nothing; after a reload (Shift+R) it holds the buffer
-- still on show.

local screen = {}
local buffer

function screen.wrapCurrent()
    buffer = LuaScreenBuffer(gScreenBuffer)
end

-- Any other name is a method of the buffer.
setmetatable(screen, {__index = function(_, name) return buffer[name] end})

screen.wrapCurrent()

return screen
