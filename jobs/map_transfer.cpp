// The arithmetic of the map transfer's progress.
#include "jobs/map_transfer.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>

std::uint32_t TickCountMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string FormatTimeLeft(std::uint32_t elapsedMs, std::uint64_t doneBlocks, std::uint64_t totalBlocks) {
  if (doneBlocks == 0) return {};
  const std::uint64_t left = doneBlocks < totalBlocks ? totalBlocks - doneBlocks : 0;
  // Multiplied before dividing, in 64 bits: a mean time per block taken in whole milliseconds
  // first would show 0:00:00 for a whole copy whose blocks take under a millisecond (any fast
  // card), and up to half too little between one and two. A product past 64 bits (a job of
  // 2^32 blocks and more) shows the longest time rather than wrapping round to a short one.
  const std::uint64_t estimate =
      left > UINT64_MAX / (elapsedMs != 0 ? elapsedMs : 1) ? UINT64_MAX : elapsedMs * left / doneBlocks;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u", estimate / 3600000,
                static_cast<unsigned>(estimate % 3600000 / 60000), static_cast<unsigned>(estimate % 60000 / 1000));
  return text;
}
