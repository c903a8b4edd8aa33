// Paths and fields in the texts the pages show.
#pragma once

#include <string>

// A path as the user reads it, in UTF-8, its folders separated as the system writes them: its
// bytes as they are when they are UTF-8, each byte of a broken sequence shown as U+FFFD. The path
// itself (the row's, the pair's) keeps its bytes.
std::string DisplayPath(const std::string& path);

// Every "%s" of a dialog text replaced by the value (a translated text is never read as a format).
std::string ReplaceField(std::string text, const std::string& value);
