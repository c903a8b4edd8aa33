// Standard input and output copied to and from files with Windows handles: the bytes as they are,
// whatever the console's code page.
#include "cli/standard_streams.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "storage/windows/wide_text.h"

namespace {

constexpr DWORD kBlockSize = 1 << 16;

// The system's words for the last error, or its number when it has none.
std::string LastError() {
  const DWORD error = ::GetLastError();
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text != nullptr ? text : L"", length);
  ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) wide.pop_back();
  std::string words;
  if (wide.empty() || !ToUtf8(wide, words)) words = "error " + std::to_string(error);
  return words;
}

// Every byte of `from` into `to`; false with the reason, naming the side that failed. A pipe
// whose writer closed it ends the input; one whose reader went away is a failure.
bool CopyHandle(HANDLE from, const std::string& fromName, HANDLE to, const std::string& toName, std::string& reason) {
  std::vector<char> buffer(kBlockSize);
  for (;;) {
    DWORD count = 0;
    if (!::ReadFile(from, buffer.data(), kBlockSize, &count, nullptr)) {
      if (::GetLastError() == ERROR_BROKEN_PIPE) return true;
      reason = "cannot read " + fromName + ": " + LastError();
      return false;
    }
    if (count == 0) return true;
    for (DWORD done = 0; done < count;) {
      DWORD written = 0;
      if (!::WriteFile(to, buffer.data() + done, count - done, &written, nullptr) || written == 0) {
        reason = "cannot write " + toName + ": " + LastError();
        return false;
      }
      done += written;
    }
  }
}

// The file at a UTF-8 path; INVALID_HANDLE_VALUE with the reason.
HANDLE OpenFile(const std::string& path, bool create, std::string& reason) {
  std::wstring wide;
  if (!ToWide(path, wide)) {
    reason = (create ? "cannot create " : "cannot open ") + path + ": the name is not valid UTF-8";
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE file =
      create ? ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)
             : ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) reason = (create ? "cannot create " : "cannot open ") + path + ": " + LastError();
  return file;
}

}  // namespace

bool CopyStandardInputTo(const std::string& path, std::string& reason) {
  const HANDLE file = OpenFile(path, true, reason);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool copied = CopyHandle(::GetStdHandle(STD_INPUT_HANDLE), "standard input", file, path, reason);
  return ::CloseHandle(file) && copied;
}

bool CopyFileToStandardOutput(const std::string& path, std::string& reason) {
  const HANDLE file = OpenFile(path, false, reason);
  if (file == INVALID_HANDLE_VALUE) return false;
  // What the C library holds for standard output goes first.
  std::fflush(stdout);
  const bool copied = CopyHandle(file, path, ::GetStdHandle(STD_OUTPUT_HANDLE), "standard output", reason);
  ::CloseHandle(file);
  return copied;
}
