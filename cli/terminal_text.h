// Text that came from files, folders or the unit, made safe to print on a terminal.
#pragma once

#include <string>

// The text with every byte that could drive a terminal written out as an escape: "\n", "\r" and
// "\t" by name, other control bytes (C0, DEL, and C1 control characters written in UTF-8) and
// bytes that are not UTF-8 as "\xHH", and a backslash as "\\", so that the printed text reads
// back unambiguously and stays on one line. Other UTF-8 characters are printed as they are.
// Messages that hold line breaks of their own keep them with keepLineBreaks.
std::string EscapeForTerminal(const std::string& text, bool keepLineBreaks = false);
