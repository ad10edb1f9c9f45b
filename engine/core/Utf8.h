#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Conversions between the engine's 16-bit text and UTF-8, with one rule for
// bad input: a lone surrogate is encoded as U+FFFD, and a byte that starts no
// valid UTF-8 sequence (overlong forms, surrogates and values past U+10FFFF
// included) is decoded as one U+FFFD.
//
// Paths are the one exception, chosen explicitly with `Utf8Bytes::Preserve`:
// a file name on disk may hold bytes that are no UTF-8, and it must convert
// back to the same bytes to stay openable. In that mode a bad byte b decodes
// to the unit 0xFF00 | b, and units 0xFF80 to 0xFFFF (also what the engine's
// sign-extending widening of 8-bit text makes of bytes 0x80 to 0xFF) encode
// as their low byte.
enum class Utf8Bytes { Replace, Preserve };

// Appends the UTF-8 form of the code point `c` (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t c);

[[nodiscard]] std::string utf16ToUtf8(std::u16string_view text, Utf8Bytes mode = Utf8Bytes::Replace);
[[nodiscard]] std::u16string utf8ToUtf16(std::string_view text, Utf8Bytes mode = Utf8Bytes::Replace);
