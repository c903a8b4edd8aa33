// The cooperative scope and the note of an interrupted run, the same on every system.
#include "storage/interruption.h"

#include <atomic>

#include "storage/interruption_backend.h"

namespace {

std::atomic<int> g_cooperativeScopes{0};
CInterruptNote* g_note = nullptr;  // changed with the interruptions held back
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handlers use these");

// Holds the interruptions back for the life of a change to the note; one that comes meanwhile is
// handled once the change is whole.
class CInterruptionsHeld {
 public:
  CInterruptionsHeld() { HoldInterruptions(); }
  ~CInterruptionsHeld() { ReleaseInterruptions(); }
  CInterruptionsHeld(const CInterruptionsHeld&) = delete;
  CInterruptionsHeld& operator=(const CInterruptionsHeld&) = delete;
};

}  // namespace

bool NoteCooperativeInterrupt(int signal) noexcept {
  int none = 0;
  return g_cooperativeScopes.load() > 0 && g_signal.compare_exchange_strong(none, signal);
}

CCooperativeInterrupt::CCooperativeInterrupt() {
  g_signal.store(0);
  g_cooperativeScopes.fetch_add(1);
}

CCooperativeInterrupt::~CCooperativeInterrupt() { g_cooperativeScopes.fetch_sub(1); }

int CCooperativeInterrupt::Signal() { return g_signal.load(); }

CInterruptNote::CInterruptNote(const std::string& heading, const std::string& waitingLabel)
    : m_heading(heading + '\n'), m_waitingLabel("  " + waitingLabel + ": ") {
  const CInterruptionsHeld held;
  g_note = this;
}

CInterruptNote::~CInterruptNote() {
  const CInterruptionsHeld held;
  if (g_note == this) g_note = nullptr;
}

void CInterruptNote::SetHeading(const std::string& heading) {
  const CInterruptionsHeld held;
  m_heading = heading + '\n';
}

void CInterruptNote::SetClosing(const std::string& closing) {
  const CInterruptionsHeld held;
  m_closing = closing + '\n';
}

void CInterruptNote::SetInputs(const std::vector<std::string>& shown) {
  const CInterruptionsHeld held;
  m_inputs = shown;
  m_next = 0;
}

void CInterruptNote::BeginStep() {
  const CInterruptionsHeld held;
  m_watched.clear();
  m_current = m_next < m_inputs.size() ? "  not finished: " + m_inputs[m_next++] + '\n' : std::string();
}

void CInterruptNote::Watch(const std::string& path, const std::string& shown) {
  SWatched file{path, shown};
  file.existed = StampFile(path, file.volume, file.file);
  const CInterruptionsHeld held;
  m_watched.push_back(std::move(file));
}

void CInterruptNote::Finished(const std::string& path) {
  const CInterruptionsHeld held;
  for (auto file = m_watched.begin(); file != m_watched.end(); ++file) {
    if (file->path != path) continue;
    m_finished += "  written whole: " + file->shown + '\n';
    m_watched.erase(file);
    return;
  }
}

void CInterruptNote::EndStep() {
  const CInterruptionsHeld held;
  m_watched.clear();
  m_current.clear();
}

void CInterruptNote::WriteCurrent() noexcept {
  if (g_note != nullptr) g_note->Write();
}

void CInterruptNote::Write() const noexcept {
  WriteToStandardError(m_heading);
  WriteToStandardError(m_finished);
  for (const SWatched& file : m_watched) {
    std::uint64_t volume = 0;
    std::uint64_t now = 0;
    const bool replaced =
        StampFile(file.path, volume, now) && (!file.existed || volume != file.volume || now != file.file);
    WriteToStandardError(replaced ? "  written whole: " : "  left as it was: ");
    WriteToStandardError(file.shown);
    WriteToStandardError("\n");
  }
  WriteToStandardError(m_current);
  for (std::size_t i = m_next; i < m_inputs.size(); ++i) {
    WriteToStandardError(m_waitingLabel);
    WriteToStandardError(m_inputs[i]);
    WriteToStandardError("\n");
  }
  WriteToStandardError(m_closing);
}
