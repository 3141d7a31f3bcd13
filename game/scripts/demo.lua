-- A launch script of its own (qel -script demo): the game plays itself, as it does when the
-- title screen is left alone, but the other keys work as in a game of one's own: H, O, P, C.

local PlayScene = require "scripts.scenes.play"
local Scene = require "scripts.lib.scene"

function start()
    Scene.show(PlayScene, {name = "Demo", autopilot = true})
end
