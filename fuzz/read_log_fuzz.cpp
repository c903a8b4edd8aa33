// Fuzz target: the input read as a .log track-log file. Bad input must be refused without a
// crash; an accepted file must write text that reads back and writes the same text again.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "formats/unit_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool zoned = [] {
    // Local times of a zone with clock changes are ambiguous once a year; UTC keeps them exact.
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
  }();
  (void)zoned;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CUnitTrackFile file;
  if (!ReadUnitText(text, "MORNINGWALK", file)) return 0;
  std::string written;
  WriteUnitText(file, written);
  CUnitTrackFile again;
  if (!ReadUnitText(written, "MORNINGWALK", again)) std::abort();
  std::string rewritten;
  WriteUnitText(again, rewritten);
  if (rewritten != written) std::abort();
  return 0;
}
