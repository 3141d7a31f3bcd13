-- Key codes as the engine hands them to key(code, pressed, handled): the engine's read-only Key
-- table, which names them as the window library does (Key.A, Key.Return, Key.Left, Key.F1, ...).
-- The scenes require this module rather than reading the global, so that they say where their
-- names come from.

return Key
