// The command line and the console on Windows: the wide command line and WriteConsoleW, so that
// names outside the ANSI code page arrive and show as they are.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "cli/console.h"
#include "platform/win32/wide_text.h"

namespace {

std::string Utf8(const wchar_t* text) { return platform::Utf8FromWide(text); }

HANDLE ConsoleOf(std::FILE* stream) {
  const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void PrepareStandardStreams() {
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
  for (std::FILE* stream : {stdout, stderr}) {
    if (const HANDLE console = ConsoleOf(stream)) {
      DWORD mode = 0;
      ::GetConsoleMode(console, &mode);
      ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
  }
}

bool IsTerminal(std::FILE* stream) { return ConsoleOf(stream) != nullptr; }

std::size_t TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const HANDLE console = ConsoleOf(stdout);
  if (console == nullptr || !::GetConsoleScreenBufferInfo(console, &info)) return 0;
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

const char* const kDestinationHelp = "The destination drive or folder, e.g. E:\\";
const char* const kUnitHelp = "The unit's drive or folder, e.g. E:\\";
const char* const kSysrootHelp = nullptr;

void WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE console = ConsoleOf(stream);
  if (console == nullptr || text.empty()) {
    std::fwrite(text.data(), 1, text.size(), stream);
    return;
  }
  // What the stream holds goes first, so the console shows the text in the order it was written.
  std::fflush(stream);
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  DWORD written = 0;
  ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
