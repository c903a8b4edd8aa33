// The progress line of a map copy on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "storage/block_copy.h"

// One line, redrawn in place with the file in hand, its share done, the share of the whole copy
// and the time left; Ctrl-C (or a TERM or HUP signal) is read as the wizard's cancel. A fast copy
// reports thousands of blocks a second: the line is redrawn at most once per kRedrawMs of the
// clock, which answers milliseconds like TickCountMs (the one used when none is given).
class CConsoleProgress : public CCopyObserver {
 public:
  static constexpr std::uint32_t kRedrawMs = 100;

  // Draws nothing when `shown` is false (standard error is no terminal).
  CConsoleProgress(bool shown, std::uint64_t totalBlocks, std::FILE* out = stderr,
                   std::function<std::uint32_t()> clock = {});

  void OnFileStart(const std::string& source) override;
  void OnBlockCopied() override;
  bool IsCancelled() override;
  // Clears the line.
  void Finish() const;

 private:
  void Show();

  bool m_shown;
  std::uint64_t m_totalBlocks;
  std::FILE* m_out;
  std::function<std::uint32_t()> m_clock;
  std::uint32_t m_startTick;
  bool m_drawn = false;
  std::uint32_t m_drawTick = 0;
  std::uint64_t m_done = 0;
  std::string m_fileName;
  std::uint64_t m_fileBlocks = 0;
  std::uint64_t m_fileDone = 0;
};
