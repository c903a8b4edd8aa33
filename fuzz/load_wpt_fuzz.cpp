// Fuzz target: loading a .wpt file from arbitrary bytes, then saving and loading it again.
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CVexlornFileWpt doc;
  doc.GetWaypoints().Add(SVexlornWptBlock());
  return FuzzDesktopFile(data, size, doc, [](const CVexlornFileWpt& untouched) {
    return untouched.GetWaypoints().GetCount() == 1 && untouched.GetRoutes().GetCount() == 0;
  });
}
