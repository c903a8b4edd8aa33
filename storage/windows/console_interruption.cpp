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
