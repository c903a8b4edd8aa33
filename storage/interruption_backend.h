// What the interruption handling asks of the system, one backend per system: holding the handler
// back while the note changes, telling whether a file was replaced, and writing standard error.
// Everything the handler calls here is safe in a signal handler (Linux) and on a thread of its own
// while the main thread is stopped wherever it was (Windows): no allocation, no lock of the
// C library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// On the main thread only: an interruption that comes meanwhile is handled once the release comes.
void HoldInterruptions() noexcept;
void ReleaseInterruptions() noexcept;

// The volume and the file a path names now, without following a last link; false when nothing
// is there.
bool StampFile(const std::string& path, std::uint64_t& volume, std::uint64_t& file) noexcept;

void WriteToStandardError(std::string_view text) noexcept;

// From the handlers to the shared part: notes the interruption for a cooperative scope, if one
// exists and none was noted yet; false when the process must end at once.
bool NoteCooperativeInterrupt(int signal) noexcept;
