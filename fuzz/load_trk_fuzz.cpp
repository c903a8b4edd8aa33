// Fuzz target: loading a .trk file from arbitrary bytes, then saving and loading it again.
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CVexlornFileTrk doc;
  doc.SetName("before");
  return FuzzDesktopFile(data, size, doc, [](const CVexlornFileTrk& untouched) {
    return untouched.GetName() == "before" && untouched.GetNodes().GetCount() == 0;
  });
}
