// What the installer test needs done inside Wine, where a shell script cannot reach:
//   setup_probe run PROGRAM [ARGS...]  runs the program and waits until it and every process it
//                                      started have ended (a setup or uninstall program started with
//                                      /S hands its work to another process and returns at once);
//                                      exits with the program's status, or 124 after 90 s
//   setup_probe wizard PROGRAM         starts PROGRAM /T, waits for its wizard window by the caption
//                                      its resources give (the resource library beside it, if any),
//                                      closes it and waits for the program to end; exits 0 when the
//                                      window came and went, 1 when not, 77 when no window can be made
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <set>
#include <string>

#include "resources/string_ids.h"

namespace {

constexpr ULONGLONG kPatienceMs = 90000;

// Polls until the condition holds or the patience runs out, answering the window messages meanwhile.
template <typename FCondition>
bool WaitFor(FCondition condition) {
  const ULONGLONG end = GetTickCount64() + kPatienceMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

std::wstring Quoted(const std::wstring& word) { return L"\"" + word + L"\""; }

bool Start(std::wstring command, PROCESS_INFORMATION& process) {
  STARTUPINFOW start = {};
  start.cb = sizeof(start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) {
    std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", command.c_str(), GetLastError());
    return false;
  }
  return true;
}

// Whether any process descended from `root` still runs. The set grows with each look, so a
// grandchild whose parent has already ended is still known by its parent's id.
bool DescendantsRun(DWORD root, std::set<DWORD>& family) {
  family.insert(root);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return true;
  bool running = false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != root && family.count(entry.th32ParentProcessID) != 0) {
      family.insert(entry.th32ProcessID);
      running = true;
    }
  }
  CloseHandle(snapshot);
  return running;
}

int Run(int count, wchar_t** words) {
  std::wstring command = Quoted(words[0]);
  for (int i = 1; i < count; ++i) command += L" " + std::wstring(words[i]);
  PROCESS_INFORMATION process = {};
  if (!Start(command, process)) return 1;
  std::set<DWORD> family;
  const bool ended = WaitFor([&] {
    const bool programRuns = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    return !DescendantsRun(process.dwProcessId, family) && !programRuns;
  });
  DWORD status = 124;
  if (ended) GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended) std::fwprintf(stderr, L"%ls still runs after %llu s\n", words[0], kPatienceMs / 1000);
  return static_cast<int>(status);
}

// The caption the program shows: from the resource library beside it when there is one.
std::wstring Caption(const std::wstring& program) {
  std::wstring library = program.substr(0, program.size() - 4) + L"RC.dll";
  HMODULE resources = LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (resources == nullptr) resources = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  wchar_t caption[256] = {};
  if (resources != nullptr) {
    LoadStringW(resources, IDS_CAPTION, caption, 256);
    FreeLibrary(resources);
  }
  return caption;
}

int Wizard(const std::wstring& program) {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) {
    std::fwprintf(stderr, L"no window can be made here (no display)\n");
    return 77;
  }
  DestroyWindow(probe);
  const std::wstring caption = Caption(program);
  if (caption.empty()) {
    std::fwprintf(stderr, L"%ls has no caption in its resources\n", program.c_str());
    return 1;
  }
  PROCESS_INFORMATION process = {};
  if (!Start(Quoted(program) + L" /T", process)) return 1;
  HWND sheet = nullptr;
  const bool shown = WaitFor([&] {
    sheet = FindWindowW(L"#32770", caption.c_str());
    DWORD owner = 0;
    if (sheet != nullptr) GetWindowThreadProcessId(sheet, &owner);
    return owner == process.dwProcessId;
  });
  bool ended = false;
  if (shown) {
    PostMessageW(sheet, WM_CLOSE, 0, 0);
    ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  } else {
    std::fwprintf(stderr, L"no wizard window appeared\n");
  }
  if (!ended) {
    if (shown) std::fwprintf(stderr, L"the wizard did not end when closed\n");
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown && ended ? 0 : 1;
}

}  // namespace

int wmain(int count, wchar_t** words) {
  const std::wstring usage = L"usage: setup_probe run PROGRAM [ARGS...] | wizard PROGRAM\n";
  if (count >= 3 && std::wstring(words[1]) == L"run") return Run(count - 2, words + 2);
  if (count == 3 && std::wstring(words[1]) == L"wizard") return Wizard(words[2]);
  std::fwprintf(stderr, L"%ls", usage.c_str());
  return 2;
}
