// The arithmetic of the map transfer's progress.
#include "wizard/map_transfer.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>

std::uint32_t TickCountMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string FormatTimeLeft(std::uint32_t elapsedMs, std::uint64_t doneBlocks, std::uint64_t totalBlocks) {
  if (doneBlocks == 0) return {};
  const std::uint64_t perBlock = elapsedMs / doneBlocks;
  const std::uint64_t left = doneBlocks < totalBlocks ? totalBlocks - doneBlocks : 0;
  // The product is taken in 64 bits: in 32 bits an estimate beyond 49.7 days would wrap round
  // and show a short time left for a very slow copy.
  const std::uint64_t estimate = perBlock * left;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u", estimate / 3600000,
                static_cast<unsigned>(estimate % 3600000 / 60000), static_cast<unsigned>(estimate % 60000 / 1000));
  return text;
}
