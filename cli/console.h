// The command line and the console as the system hands them over: arguments and printed text are
// UTF-8 inside the program whatever the system uses at its edge.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The program's arguments after its name, in UTF-8 (on Windows taken from the wide command line,
// as argv holds them in the ANSI code page, which cannot hold every file name).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Standard input and output carry the files' bytes as they are (no line-end translation), and a
// console understands the escape sequences of the progress line.
void PrepareStandardStreams();

// Whether the stream (standard output or standard error) is a terminal or console.
bool IsTerminal(std::FILE* stream);

// The columns of the terminal on standard output; 0 when it is not one.
std::size_t TerminalColumns();

// UTF-8 text on standard output or standard error: a console shows it as characters, a pipe or a
// file gets the bytes.
void WriteText(std::FILE* stream, std::string_view text);

// The help's words for the drive that `maps copy --to` names and for the unit that `send --unit`
// names: a mount point, or on Windows a drive (E:\) or a folder.
extern const char* const kDestinationHelp;
extern const char* const kUnitHelp;
// The help of --sysroot, which reads the drives' system tree (mount table, sysfs) under another
// folder; nullptr where the system has no such tree (Windows), whose commands have no such option.
extern const char* const kSysrootHelp;

// printf into WriteText.
[[gnu::format(printf, 2, 3)]] void PrintText(std::FILE* stream, const char* format, ...);
