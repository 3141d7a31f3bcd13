#include "base/TextConversion.hpp"

namespace qel {

namespace {

// What a decoded sequence loses to its length's lead-byte marks and continuation tags,
// indexed by sequence length (wrapping 32-bit arithmetic).
const uint32_t decodingOffsets[7] = {
    0, 0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u, 0xFA082080u, 0x82082080u,
};

// Lead-byte marks of multi-byte sequences indexed by length; the encoder writes at most 4 bytes.
const unsigned char leadByteMarks[5] = {0, 0, 0xC0, 0xE0, 0xF0};

const uint32_t replacementCharacter = 0xFFFD;

// Six payload bits of a continuation byte, shift counted from the lowest bits.
unsigned char continuationByte(uint32_t codePoint, int shift)
{
    return static_cast<unsigned char>(0x80 | ((codePoint >> shift) & 0x3F));
}

// True when none of the sequence's continuation bytes is the text's terminating zero.
bool sequenceIsComplete(const unsigned char* bytes, int length)
{
    for (int i = 1; i < length; ++i)
        if (bytes[i] == 0)
            return false;
    return true;
}

} // namespace

int utf8SequenceLength(unsigned char leadByte)
{
    if (leadByte < 0xC0)
        return 1;
    if (leadByte < 0xE0)
        return 2;
    if (leadByte < 0xF0)
        return 3;
    if (leadByte <= 0xF7)
        return 4;
    if (leadByte > 0xFB)
        return 6;
    return 5;
}

uint32_t utf8DecodeOne(const unsigned char* bytes, int* length)
{
    const int sequenceLength = utf8SequenceLength(bytes[0]);
    uint32_t value = 0;
    for (int i = 0; i < sequenceLength; ++i)
        value = value * 64 + bytes[i];
    if (length)
        *length = sequenceLength;
    return value - decodingOffsets[sequenceLength];
}

int utf8EncodeOne(uint32_t codePoint, unsigned char* out)
{
    if (codePoint > 0x10FFFF)
        codePoint = replacementCharacter;
    if (codePoint < 0x80) {
        out[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    const int length = codePoint < 0x800 ? 2 : codePoint <= 0xFFFF ? 3 : 4;
    const int leadShift = 6 * (length - 1);
    out[0] = static_cast<unsigned char>(leadByteMarks[length] | (codePoint >> leadShift));
    for (int i = 1; i < length; ++i)
        out[i] = continuationByte(codePoint, leadShift - 6 * i);
    return length;
}

WideString toWide(const std::string& utf8)
{
    return toWide(utf8.c_str());
}

// A sequence cut short by the terminating zero becomes one replacement unit and ends the
// text, so nothing past the zero is ever read. A null text (a missing script string) is empty.
WideString toWide(const char* utf8)
{
    WideString wide;
    if (!utf8)
        return wide;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8);
    while (*bytes != 0) {
        const int length = utf8SequenceLength(*bytes);
        if (!sequenceIsComplete(bytes, length)) {
            wide.push_back(static_cast<char16_t>(replacementCharacter));
            break;
        }
        // Code points above U+FFFF keep only their low 16 bits: one unit per sequence.
        wide.push_back(static_cast<char16_t>(utf8DecodeOne(bytes) & 0xFFFF));
        bytes += length;
    }
    return wide;
}

std::string toUtf8(const WideString& wide)
{
    std::string utf8;
    unsigned char bytes[4];
    for (char16_t unit : wide) {
        const int length = utf8EncodeOne(unit, bytes);
        utf8.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    }
    return utf8;
}

} // namespace qel
