// The program's own string table: the texts the wizard and the command-line tool show, by number.
#pragma once

#include <string>

// The built-in text of a string id; empty for an id the table does not hold. A translation
// loaded at start-up may replace these texts (see the wizard's resource source).
const char* BuiltInString(int id);

// Puts the path in place of the message's "%s" (printf-style, so "%%" stands for one "%").
// The path is never read as a format, whatever characters it holds.
std::string FormatMessageWithPath(const std::string& message, const std::string& path);
