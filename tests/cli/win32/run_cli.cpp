// Runs of the program on Windows: CreateProcessW with a quoted command line, and pipes for the
// three standard streams, read and written on threads of their own so that no pipe fills up.
#include <stdlib.h>
#include <windows.h>

#include <thread>

#include "tests/cli/cli_test_support.h"

namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// One argument as the program's start-up code splits the command line again: quoted, with the
// backslashes before a quote (and before the closing one) doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// A pipe whose one end (`inherited`) the child gets and whose other end stays here.
struct SPipe {
  HANDLE ours = nullptr;
  HANDLE inherited = nullptr;
  bool Open(bool childReads) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, &attributes, 0)) return false;
    ours = childReads ? write : read;
    inherited = childReads ? read : write;
    return ::SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0) != 0;
  }
  void CloseInherited() {
    if (inherited != nullptr) ::CloseHandle(inherited);
    inherited = nullptr;
  }
  ~SPipe() {
    CloseInherited();
    if (ours != nullptr) ::CloseHandle(ours);
  }
};

void ReadAll(HANDLE pipe, std::string& text) {
  char buffer[4096];
  DWORD count = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) text.append(buffer, count);
}

}  // namespace

SRun RunCli(std::vector<std::string> arguments, const std::string& workingFolder,
            const std::optional<std::string>& input) {
  SRun run;
  const std::wstring program = Wide(TRANSVANE_CLI_PATH);
  wchar_t full[MAX_PATH];
  if (::GetFullPathNameW(program.c_str(), MAX_PATH, full, nullptr) == 0) return run;
  std::wstring commandLine = Quoted(full);
  for (const std::string& argument : arguments) commandLine += L" " + Quoted(Wide(argument));

  SPipe in;
  SPipe out;
  SPipe err;
  if (!in.Open(true) || !out.Open(false) || !err.Open(false)) return run;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.inherited;
  startup.hStdOutput = out.inherited;
  startup.hStdError = err.inherited;
  PROCESS_INFORMATION process{};
  const std::wstring folder = Wide(workingFolder);
  if (!::CreateProcessW(full, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return run;
  }
  ::CloseHandle(process.hThread);
  in.CloseInherited();
  out.CloseInherited();
  err.CloseInherited();

  std::thread outReader(ReadAll, out.ours, std::ref(run.out));
  std::thread errReader(ReadAll, err.ours, std::ref(run.err));
  // The program reads as this writes; one that stops reading ends the write. Without `input`,
  // standard input is an empty pipe.
  for (std::size_t done = 0; input && done < input->size();) {
    DWORD count = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(input->size() - done, 1 << 16));
    if (!::WriteFile(in.ours, input->data() + done, chunk, &count, nullptr) || count == 0) break;
    done += count;
  }
  ::CloseHandle(in.ours);
  in.ours = nullptr;
  outReader.join();
  errReader.join();

  DWORD status = 0;
  if (::WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(process.hProcess, &status)) {
    run.status = static_cast<int>(status);
  }
  ::CloseHandle(process.hProcess);
  return run;
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  // An empty value removes the variable, as unsetenv does.
  ::_putenv_s(name.c_str(), value ? value->c_str() : "");
}

const char* const kTemporaryFolderVariable = "TMP";
const char* const kTimeZoneIgnoredBecause =
    "the program takes local time from the system's time zone, not from TZ, and Wine sets it once "
    "per prefix";
// The desktop product runs on this system itself: maps reads its registry and takes no prefix.
const char* const kWinePrefixOption = nullptr;
