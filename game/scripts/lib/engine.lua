-- The engine's objects that every file shares, each wrapped once in its script class: the
-- program and its window (core), the dialogs and widgets (ui) and the sounds (sounds). The
-- screen buffer changes with the video mode; lib/screen.lua keeps it.

return {
    core = LuaCore(gCore),
    ui = LuaUI(gUI),
    sounds = LuaSoundManager(gSoundManager),
}
