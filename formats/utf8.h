// Well-formed UTF-8, as the texts shown to the user and printed on a terminal take it.
#pragma once

#include <cstddef>
#include <string>

// The length of the well-formed UTF-8 sequence at text[at] (1 to 4), with its code point; 0 when
// none starts there: a stray or missing continuation byte, an overlong form, a surrogate, a code
// point past U+10FFFF, or a sequence cut short by the end of the text.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at, char32_t& codePoint);
