#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qel {

// Engine text: one 16-bit code unit per character.
using WideString = std::u16string;

// Bytes in the UTF-8 sequence that starts with this lead byte (1 to 6).
int utf8SequenceLength(unsigned char leadByte);

// Decodes the sequence at bytes; stores its length in length when given. Reads exactly
// utf8SequenceLength(bytes[0]) bytes: callers make sure that many are there.
uint32_t utf8DecodeOne(const unsigned char* bytes, int* length = nullptr);

// Writes one code point (1 to 4 bytes) into out, which holds at least 4 bytes; returns the count.
int utf8EncodeOne(uint32_t codePoint, unsigned char* out);

// Script text to engine text: one code unit per decoded sequence, up to the first zero byte.
WideString toWide(const std::string& utf8);
WideString toWide(const char* utf8);

std::string toUtf8(const WideString& wide);

} // namespace qel
