// Letter case of file names as volumes that ignore it see them, the same on every platform.
#pragma once

#include <string>
#include <string_view>

// The UTF-8 text with each letter replaced by its simple case folding (one letter for one, so
// "STRAẞE" and "straße" fold alike but not "strasse"). Bytes that are not UTF-8 stay as they are:
// two names that are not text match only when they are the same bytes.
std::string FoldLetterCase(std::string_view text);
