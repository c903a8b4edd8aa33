// Text that came from files, folders or the unit, made safe to print on a terminal.
#pragma once

#include <string>

// The text with every byte that could drive a terminal written out as an escape: "\n", "\r" and
// "\t" by name, other control bytes (C0, DEL, and C1 control characters written in UTF-8) and
// bytes that are not UTF-8 as "\xHH", so that the printed text stays on one line. A backslash is
// written as "\\" where it is an ordinary character (so the text reads back unambiguously), and as
// it is where it separates folders (Windows), so that paths print as the user types them. Other
// UTF-8 characters are printed as they are. Messages that hold line breaks of their own keep them
// with keepLineBreaks.
std::string EscapeForTerminal(const std::string& text, bool keepLineBreaks = false);

// A path escaped as above, its folders separated as the system writes them.
std::string ShownPath(const std::string& path);
