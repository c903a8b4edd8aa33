// Reading and writing UTF-8 one code point at a time, for text that must stay UTF-8 (JSON, folded
// names) whatever bytes it was given.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code point that starts at text[at] and its length in bytes; length 0 when the bytes there
// are not UTF-8 (a stray or missing continuation byte, an overlong form, a surrogate, beyond
// U+10FFFF).
char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length);

// Appends a code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(char32_t value, std::string& out);
