// Fuzz target: the input read as a .rte route file. Bad input must be refused without a
// crash; an accepted file must write text that reads back and writes the same text again.
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzUnitFile<CUnitRouteFile>(data, size);
}
