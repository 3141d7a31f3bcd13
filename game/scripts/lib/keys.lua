-- Key codes as the engine hands them to key(code, pressed, handled): the numbers of the window
-- library's key list (SFML 2's sf::Keyboard::Key).

local Key = {
    Escape = 36, LBracket = 46, RBracket = 47, Equal = 55, Hyphen = 56, Space = 57,
    Return = 58, BackSpace = 59, Tab = 60, Add = 67, Subtract = 68,
    Left = 71, Right = 72, Up = 73, Down = 74, F1 = 85,
}
-- Key.A = 0 to Key.Z = 25, Key.Num0 = 26 to Key.Num9 = 35.
for i = 0, 25 do
    Key[string.char(65 + i)] = i
end
for i = 0, 9 do
    Key["Num" .. i] = 26 + i
end

return Key
