#include "base/CodePage437.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace qel {

namespace {

// The glyphs of the codes that are not ASCII: 1 to 31, then 127 to 255.
constexpr char16_t LowGlyphs[] = u"☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
constexpr char16_t HighGlyphs[] = u"⌂ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
                                  u"░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                  u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";
static_assert(std::size(LowGlyphs) == 31 + 1 && std::size(HighGlyphs) == 129 + 1);

using Codes = std::array<std::pair<char16_t, uint8_t>, 256>;

// Every character with its code, sorted by character, for the way back.
Codes codesByCharacter()
{
    Codes codes;
    for (int code = 0; code < 256; ++code)
        codes[code] = {codePage437ToUnicode(static_cast<uint8_t>(code)), static_cast<uint8_t>(code)};
    std::sort(codes.begin(), codes.end());
    return codes;
}

} // namespace

char16_t codePage437ToUnicode(uint8_t code)
{
    if (code >= 1 && code <= 31)
        return LowGlyphs[code - 1];
    if (code >= 127)
        return HighGlyphs[code - 127];
    return code;
}

std::optional<uint8_t> unicodeToCodePage437(char16_t character)
{
    static const Codes codes = codesByCharacter();
    const auto found = std::lower_bound(codes.begin(), codes.end(), std::make_pair(character, uint8_t(0)));
    if (found == codes.end() || found->first != character)
        return std::nullopt;
    return found->second;
}

} // namespace qel
