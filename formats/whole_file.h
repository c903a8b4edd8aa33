// Reading a whole input file into memory, shared by the readers of every file kind.
#pragma once

#include <string>

#include "formats/diagnostic.h"

// Reads a regular file whole. Anything else (a folder, a fifo, a device such as /dev/zero) is
// refused at once: it has no end we could wait for, and a fifo must not hang the open. Running
// out of memory is a refusal with a reason, not a crash. The string has room for one more byte,
// so a parser that wants a terminator after the text can append it without a second copy.
bool ReadWholeFile(const std::string& path, std::string& bytes, CDiagnostic* why = nullptr);
