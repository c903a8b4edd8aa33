// SIGINT, SIGTERM and SIGHUP: our temporary files removed, the process ended with 128 + the signal.
#include "storage/interruption.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "formats/atomic_file.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_cooperativeScopes{0};
std::atomic<int> g_signal{0};
int g_wake[2] = {-1, -1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler uses these");

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
  int none = 0;
  if (g_cooperativeScopes.load() > 0 && g_signal.compare_exchange_strong(none, signal)) {
    const char byte = 1;
    if (g_wake[1] >= 0) (void)!::write(g_wake[1], &byte, 1);
    errno = savedErrno;
    return;
  }
  RemoveRegisteredTemporaries();
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
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

CCooperativeInterrupt::CCooperativeInterrupt() {
  g_signal.store(0);
  g_cooperativeScopes.fetch_add(1);
}

CCooperativeInterrupt::~CCooperativeInterrupt() { g_cooperativeScopes.fetch_sub(1); }

int CCooperativeInterrupt::Signal() { return g_signal.load(); }

int CCooperativeInterrupt::WakeDescriptor() { return g_wake[0]; }
