#include "app/KeyNames.hpp"

namespace qel {

const std::vector<KeyName>& keyNames()
{
#define QEL_KEY(name) {#name, sf::Keyboard::name}
    static const std::vector<KeyName> names = {
        QEL_KEY(Unknown), QEL_KEY(A), QEL_KEY(B), QEL_KEY(C), QEL_KEY(D), QEL_KEY(E),
        QEL_KEY(F), QEL_KEY(G), QEL_KEY(H), QEL_KEY(I), QEL_KEY(J), QEL_KEY(K), QEL_KEY(L), QEL_KEY(M),
        QEL_KEY(N), QEL_KEY(O), QEL_KEY(P), QEL_KEY(Q), QEL_KEY(R), QEL_KEY(S), QEL_KEY(T), QEL_KEY(U),
        QEL_KEY(V), QEL_KEY(W), QEL_KEY(X), QEL_KEY(Y), QEL_KEY(Z), QEL_KEY(Num0), QEL_KEY(Num1),
        QEL_KEY(Num2), QEL_KEY(Num3), QEL_KEY(Num4), QEL_KEY(Num5), QEL_KEY(Num6), QEL_KEY(Num7),
        QEL_KEY(Num8), QEL_KEY(Num9), QEL_KEY(Escape), QEL_KEY(LControl), QEL_KEY(LShift), QEL_KEY(LAlt),
        QEL_KEY(LSystem), QEL_KEY(RControl), QEL_KEY(RShift), QEL_KEY(RAlt), QEL_KEY(RSystem), QEL_KEY(Menu),
        QEL_KEY(LBracket), QEL_KEY(RBracket), QEL_KEY(Semicolon), QEL_KEY(Comma), QEL_KEY(Period),
        QEL_KEY(Quote), QEL_KEY(Slash), QEL_KEY(Backslash), QEL_KEY(Tilde), QEL_KEY(Equal), QEL_KEY(Hyphen),
        QEL_KEY(Space), QEL_KEY(Enter), QEL_KEY(Backspace), QEL_KEY(Tab), QEL_KEY(PageUp), QEL_KEY(PageDown),
        QEL_KEY(End), QEL_KEY(Home), QEL_KEY(Insert), QEL_KEY(Delete), QEL_KEY(Add), QEL_KEY(Subtract),
        QEL_KEY(Multiply), QEL_KEY(Divide), QEL_KEY(Left), QEL_KEY(Right), QEL_KEY(Up), QEL_KEY(Down),
        QEL_KEY(Numpad0), QEL_KEY(Numpad1), QEL_KEY(Numpad2), QEL_KEY(Numpad3), QEL_KEY(Numpad4),
        QEL_KEY(Numpad5), QEL_KEY(Numpad6), QEL_KEY(Numpad7), QEL_KEY(Numpad8), QEL_KEY(Numpad9), QEL_KEY(F1),
        QEL_KEY(F2), QEL_KEY(F3), QEL_KEY(F4), QEL_KEY(F5), QEL_KEY(F6), QEL_KEY(F7), QEL_KEY(F8), QEL_KEY(F9),
        QEL_KEY(F10), QEL_KEY(F11), QEL_KEY(F12), QEL_KEY(F13), QEL_KEY(F14), QEL_KEY(F15), QEL_KEY(Pause),
        QEL_KEY(Return), QEL_KEY(BackSpace), QEL_KEY(BackSlash), QEL_KEY(SemiColon), QEL_KEY(Dash)};
#undef QEL_KEY
    return names;
}

const char* nameOfKey(sf::Keyboard::Key code)
{
    for (const KeyName& key : keyNames())
        if (key.code == code)
            return key.name;
    return nullptr;
}

std::optional<sf::Keyboard::Key> keyNamed(std::string_view name)
{
    for (const KeyName& key : keyNames())
        if (name == key.name)
            return key.code;
    return std::nullopt;
}

} // namespace qel
