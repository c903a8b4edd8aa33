// SIGINT, SIGTERM and SIGHUP: our temporary files removed, the process ended with 128 + the signal.
#include "storage/interruption.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string_view>

#include "formats/atomic_file.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_cooperativeScopes{0};
CInterruptNote* g_note = nullptr;  // changed with the signals held back
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
  CInterruptNote::WriteCurrent();
  ::_exit(InterruptExitStatus(signal));
}

// Holds the interrupting signals back for the life of a change to the note; one that comes
// meanwhile is handled once the change is whole.
class CSignalsHeld {
 public:
  CSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kSignals) sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &m_before);
  }
  ~CSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
  CSignalsHeld(const CSignalsHeld&) = delete;
  CSignalsHeld& operator=(const CSignalsHeld&) = delete;

 private:
  sigset_t m_before;
};

// No allocation here: a literal becomes a view of itself.
void WriteText(std::string_view text) noexcept {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t count = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    done += static_cast<std::size_t>(count);
  }
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

CCooperativeInterrupt::CCooperativeInterrupt() {
  g_signal.store(0);
  g_cooperativeScopes.fetch_add(1);
}

CCooperativeInterrupt::~CCooperativeInterrupt() { g_cooperativeScopes.fetch_sub(1); }

int CCooperativeInterrupt::Signal() { return g_signal.load(); }

int CCooperativeInterrupt::WakeDescriptor() { return g_wake[0]; }

CInterruptNote::CInterruptNote(const std::string& heading, const std::string& waitingLabel)
    : m_heading(heading + '\n'), m_waitingLabel("  " + waitingLabel + ": ") {
  const CSignalsHeld held;
  g_note = this;
}

CInterruptNote::~CInterruptNote() {
  const CSignalsHeld held;
  if (g_note == this) g_note = nullptr;
}

void CInterruptNote::SetHeading(const std::string& heading) {
  const CSignalsHeld held;
  m_heading = heading + '\n';
}

void CInterruptNote::SetClosing(const std::string& closing) {
  const CSignalsHeld held;
  m_closing = closing + '\n';
}

void CInterruptNote::SetInputs(const std::vector<std::string>& shown) {
  const CSignalsHeld held;
  m_inputs = shown;
  m_next = 0;
}

void CInterruptNote::BeginStep() {
  const CSignalsHeld held;
  m_watched.clear();
  m_current = m_next < m_inputs.size() ? "  not finished: " + m_inputs[m_next++] + '\n' : std::string();
}

void CInterruptNote::Watch(const std::string& path, const std::string& shown) {
  SWatched file{path, shown};
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    file.existed = true;
    file.device = status.st_dev;
    file.inode = status.st_ino;
  }
  const CSignalsHeld held;
  m_watched.push_back(std::move(file));
}

void CInterruptNote::Finished(const std::string& path) {
  const CSignalsHeld held;
  for (auto file = m_watched.begin(); file != m_watched.end(); ++file) {
    if (file->path != path) continue;
    m_finished += "  written whole: " + file->shown + '\n';
    m_watched.erase(file);
    return;
  }
}

void CInterruptNote::EndStep() {
  const CSignalsHeld held;
  m_watched.clear();
  m_current.clear();
}

void CInterruptNote::WriteCurrent() noexcept {
  if (g_note != nullptr) g_note->Write();
}

void CInterruptNote::Write() const noexcept {
  WriteText(m_heading);
  WriteText(m_finished);
  for (const SWatched& file : m_watched) {
    struct stat status {};
    const bool replaced = ::lstat(file.path.c_str(), &status) == 0 &&
                          (!file.existed || status.st_dev != file.device || status.st_ino != file.inode);
    WriteText(replaced ? "  written whole: " : "  left as it was: ");
    WriteText(file.shown);
    WriteText("\n");
  }
  WriteText(m_current);
  for (std::size_t i = m_next; i < m_inputs.size(); ++i) {
    WriteText(m_waitingLabel);
    WriteText(m_inputs[i]);
    WriteText("\n");
  }
  WriteText(m_closing);
}
