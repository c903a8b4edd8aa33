// The arithmetic of the map transfer's progress: the millisecond tick and the time left.
#pragma once

#include <cstdint>
#include <string>

// Milliseconds of a steady clock, wrapping at 2^32 like the system tick counter: differences
// taken in unsigned 32-bit arithmetic stay right across the wrap.
std::uint32_t TickCountMs();

// The time left after doneBlocks of totalBlocks were copied in elapsedMs, as "h:mm:ss" (hours
// not padded, seconds cut): elapsed x blocks left / blocks done, in milliseconds. Empty before
// the first block. The wizard's transfer page and the command line both show this text. More blocks copied than counted
// (the files grew after the sizing) leave nothing to wait for: "0:00:00".
std::string FormatTimeLeft(std::uint32_t elapsedMs, std::uint64_t doneBlocks, std::uint64_t totalBlocks);
