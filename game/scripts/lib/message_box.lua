-- The engine's message box, and what runs once the player has dismissed it.

local Draw = require "scripts.lib.draw"
local ui = require("scripts.lib.engine").ui

local MessageBox = {}

-- The message box on show, if any: what to run once it is gone, and whether it is.
local waiting

function MessageBox.isOpen()
    return waiting ~= nil
end

-- Shows a message box; after() runs once the player has dismissed it with Return or Escape.
-- On the 40-column screen it shows `short` (at most 33 characters, one row) instead of `text`.
function MessageBox.show(options)
    local shown = {after = options.after}
    ui.showMessageBox(Draw.wide() and options.text or options.short or options.text, function()
        shown.dismissed = true
    end)
    waiting = shown
end

-- Called every frame: runs what waited for the message box, outside its close handler, so that it
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
