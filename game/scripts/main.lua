-- The launch script that config.dat names. The game opens on its title screen, and again after
-- every reload (Shift+R).

local Scene = require "scripts.lib.scene"
local TitleScene = require "scripts.scenes.title"

function start()
    Scene.show(TitleScene)
end
