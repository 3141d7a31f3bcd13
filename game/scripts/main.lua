-- The launch script that config.dat names. Everything is loaded by startup.lua; the game opens
-- on its title screen, and again after every reload (Shift+R).

function start()
    showScene(TitleScene)
end
