-- The launch script that config.dat names. The game opens on its title screen, with the options
-- the player chose in an earlier run, and again after every reload (Shift+R).

local Options = require "scripts.lib.options"
local Scene = require "scripts.lib.scene"
local TitleScene = require "scripts.scenes.title"

function start()
    Scene.show(TitleScene)
end

-- The kept options go on in the first frame, before it is drawn: the engine sets the launch
-- options' wallpaper after start, over one that start would set.
local updateScenes = update
function update(dt)
    update = updateScenes
    Options.restore()
    updateScenes(dt)
end
