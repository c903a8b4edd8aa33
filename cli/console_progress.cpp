// The progress line of a map copy on a terminal.
#include "cli/console_progress.h"

#include "cli/console.h"
#include "cli/terminal_text.h"
#include "jobs/map_transfer.h"
#include "storage/file_system.h"
#include "storage/interruption.h"

namespace {

unsigned Percent(std::uint64_t done, std::uint64_t total) {
  if (total == 0 || done >= total) return total == 0 ? 0 : 100;
  return static_cast<unsigned>(done * 100 / total);
}

}  // namespace

CConsoleProgress::CConsoleProgress(bool shown, std::uint64_t totalBlocks, std::FILE* out,
                                   std::function<std::uint32_t()> clock)
    : m_shown(shown),
      m_totalBlocks(totalBlocks),
      m_out(out),
      m_clock(clock ? std::move(clock) : TickCountMs),
      m_startTick(m_clock()) {}

void CConsoleProgress::OnFileStart(const std::string& source) {
  m_fileName = EscapeForTerminal(SECFileSystem().FileNameOf(source));
  m_fileBlocks = CountBlocks(source);
  m_fileDone = 0;
  Show();
}

void CConsoleProgress::OnBlockCopied() {
  ++m_fileDone;
  ++m_done;
  Show();
}

bool CConsoleProgress::IsCancelled() { return CCooperativeInterrupt::Signal() != 0; }

void CConsoleProgress::Finish() const {
  if (m_shown && m_drawn) WriteText(m_out, "\r\033[K");
}

void CConsoleProgress::Show() {
  if (!m_shown) return;
  const std::uint32_t now = m_clock();
  // Differences in unsigned 32 bits stay right across the tick's wrap.
  if (m_drawn && static_cast<std::uint32_t>(now - m_drawTick) < kRedrawMs) return;
  m_drawn = true;
  m_drawTick = now;
  const std::string timeLeft = FormatTimeLeft(now - m_startTick, m_done, m_totalBlocks);
  PrintText(m_out, "\r\033[K%s %3u%%  total %3u%%  time left %s", m_fileName.c_str(), Percent(m_fileDone, m_fileBlocks),
            Percent(m_done, m_totalBlocks), timeLeft.empty() ? "-" : timeLeft.c_str());
  std::fflush(m_out);
}
