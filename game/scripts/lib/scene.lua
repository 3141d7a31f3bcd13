-- The scene on show. A scene is a table with any of enter(...), draw(), update(dt) and
-- key(code, pressed, handled) and mouse(kind, column, row, button); startup.lua hands each call of the engine to the one on show.

local screen = require "scripts.lib.screen"

local Scene = {}

local current = {}

function Scene.show(scene, ...)
    current = scene
    if current.enter then
        current.enter(...)
    end
    screen.redraw()
end

function Scene.current()
    return current
end

return Scene
