// Letter case of ASCII text, for the names and keys that ignore it: extensions, registry keys, the
// keys of the unit's files, paths from a file system that ignores it.
#pragma once

#include <string>
#include <string_view>

// The text with 'A' to 'Z' turned into 'a' to 'z'. Every other byte stays as it is, whatever the
// process's locale: the bytes of a UTF-8 name are never changed.
std::string AsciiLower(std::string_view text);

// Comparisons under AsciiLower.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
