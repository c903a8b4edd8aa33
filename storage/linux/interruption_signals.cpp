// SIGINT, SIGTERM and SIGHUP: our temporary files removed, the process ended with 128 + the signal.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "formats/atomic_file.h"
#include "storage/interruption.h"
#include "storage/interruption_backend.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int g_wake[2] = {-1, -1};
sigset_t g_beforeHold;  // the main thread's mask while the signals are held back

// Only async-signal-safe work here: atomics, write, unlink and friends, _exit.
void OnInterrupt(int signal) {
  const int savedErrno = errno;
  // The main thread is the one that writes our files: the clean-up runs there, so it can never
  // race with a file being created.
  if (::gettid() != ::getpid()) {
    ::tgkill(::getpid(), ::getpid(), signal);
    errno = savedErrno;
    return;
  }
  if (NoteCooperativeInterrupt(signal)) {
    const char byte = 1;
    if (g_wake[1] >= 0) (void)!::write(g_wake[1], &byte, 1);
    errno = savedErrno;
    return;
  }
  RemoveRegisteredTemporaries();
  CInterruptNote::WriteCurrent();
  ::_exit(InterruptExitStatus(signal));
}

}  // namespace

void InstallInterruptHandlers() {
  if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  // Interrupted reads and writes go on; the work looks at the noted signal between its steps.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  // A standard error that nobody reads any more must not end the handler before its own exit.
  sigaddset(&action.sa_mask, SIGPIPE);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

int CCooperativeInterrupt::WakeDescriptor() { return g_wake[0]; }

void HoldInterruptions() noexcept {
  sigset_t held;
  sigemptyset(&held);
  for (int signal : kSignals) sigaddset(&held, signal);
  ::pthread_sigmask(SIG_BLOCK, &held, &g_beforeHold);
}

void ReleaseInterruptions() noexcept { ::pthread_sigmask(SIG_SETMASK, &g_beforeHold, nullptr); }

bool StampFile(const std::string& path, std::uint64_t& volume, std::uint64_t& file) noexcept {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return false;
  volume = status.st_dev;
  file = status.st_ino;
  return true;
}

void WriteToStandardError(std::string_view text) noexcept {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t count = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    done += static_cast<std::size_t>(count);
  }
}
