// Ctrl-C, Ctrl-Break, a closed console window, the end of the session: our temporary files
// removed, the process ended with the status a Linux run gets for the matching signal.
#include <windows.h>

#include <csignal>

#include "formats/atomic_file.h"
#include "storage/interruption.h"
#include "storage/interruption_backend.h"

namespace {

// The handler runs on a thread of its own. It waits for a change to the note to be whole, and
// stops the main thread (the one that writes our files) before it removes them.
SRWLOCK g_noteLock = SRWLOCK_INIT;
HANDLE g_mainThread = nullptr;

// The signal a Linux run would get for the event: an interrupt from the keyboard, a hang-up for
// a closed window, a termination for the session's end.
int SignalOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return SIGINT;
    case CTRL_CLOSE_EVENT:
      return 1;  // SIGHUP
    default:
      return SIGTERM;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int signal = SignalOf(event);
  // Windows ends the process as soon as the handler of a closed window or an ended session
  // returns: only the keys leave time to wind down.
  if (signal == SIGINT && NoteCooperativeInterrupt(signal)) return TRUE;
  ::AcquireSRWLockExclusive(&g_noteLock);
  if (g_mainThread != nullptr) ::SuspendThread(g_mainThread);
  RemoveRegisteredTemporaries();
  CInterruptNote::WriteCurrent();
  // Not ExitProcess: the stopped thread may hold a lock of the C library that its clean-up needs.
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(InterruptExitStatus(signal)));
  return TRUE;
}

}  // namespace

void InstallInterruptHandlers() {
  if (g_mainThread == nullptr) {
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &g_mainThread,
                      THREAD_SUSPEND_RESUME, FALSE, 0);
  }
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// No descriptor: an event loop asks Signal() instead.
int CCooperativeInterrupt::WakeDescriptor() { return -1; }

void HoldInterruptions() noexcept { ::AcquireSRWLockExclusive(&g_noteLock); }

void ReleaseInterruptions() noexcept { ::ReleaseSRWLockExclusive(&g_noteLock); }

bool StampFile(const std::string& path, std::uint64_t& volume, std::uint64_t& file) noexcept {
  // On the stack: the handler must not allocate while the main thread may hold the heap's lock.
  wchar_t wide[32768];
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                                           wide, static_cast<int>(std::size(wide)) - 1);
  if (length <= 0) return false;
  wide[length] = L'\0';
  // Not following a last link, like the Linux check.
  const HANDLE handle =
      ::CreateFileW(wide, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(handle, &information) != 0;
  ::CloseHandle(handle);
  if (!known) return false;
  volume = information.dwVolumeSerialNumber;
  file = static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
  return true;
}

void WriteToStandardError(std::string_view text) noexcept {
  const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  for (std::size_t done = 0; done < text.size();) {
    DWORD written = 0;
    if (!::WriteFile(error, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}
