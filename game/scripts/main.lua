-- The launch script: gathers the game's scenes and opens the title screen.

core.load("scenes/title.lua")

showScene(TitleScene)
