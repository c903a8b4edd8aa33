// The command line and the terminal on Linux: argv and the terminal already speak UTF-8.
#include "cli/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void PrepareStandardStreams() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::size_t TerminalColumns() {
  winsize size{};
  return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

const char* const kDestinationHelp = "The destination drive's mount point";
const char* const kUnitHelp = "The unit's folder (its volume's mount point)";
const char* const kSysrootHelp = "Read the mount table, sysfs and the volumes under this folder";

void WriteText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }
