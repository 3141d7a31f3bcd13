-- The engine's message box, and what runs once the player has dismissed it. The engine does not
-- tell scripts when the box closes: noteRepaint infers it, and nothing else does.

local Draw = require "scripts.lib.draw"
local ui = require("scripts.lib.engine").ui

local MessageBox = {}

-- The message box on show, if any: what to run once it is gone, and whether it is.
local waiting

function MessageBox.isOpen()
    return waiting ~= nil
end

-- Shows a message box; after() runs once the player has dismissed it with Return or Escape.
-- The engine's box grows up to 51 columns wide, too wide for the 40-column screen, so there it
-- shows `short` (at most 33 characters) instead of `text`.
function MessageBox.show(options)
    ui.showMessageBox(Draw.wide() and options.text or options.short or options.text)
    waiting = {after = options.after}
end

-- Called on every repaint. The engine repaints whenever a window closes, and while a message box
-- is up nothing else repaints (no key reaches the game, see key in startup.lua), so a repaint
-- means the box has gone. A close callback from the engine would take this function's place.
function MessageBox.noteRepaint()
    if waiting then
        waiting.dismissed = true
    end
end

-- Called every frame: runs what waited for the message box, outside the repaint, so that it
-- may repaint in turn.
function MessageBox.update()
    if not (waiting and waiting.dismissed) then
        return
    end
    local after = waiting.after
    waiting = nil
    if after then
        after()
    end
end

return MessageBox
