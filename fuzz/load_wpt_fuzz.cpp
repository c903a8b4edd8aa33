// Fuzz target: loading a .wpt file from arbitrary bytes, then saving and loading it again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/vexlorn_file.h"

// Whatever loads must save, and the saved bytes must load back into a document that saves the
// same bytes again; a refused input must leave the document as it was.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CVexlornFileWpt doc;
  doc.GetWaypoints().Add(SVexlornWptBlock());
  CDiagnostic why;
  if (!LoadVexlornBytes(data, size, doc, &why)) {
    if (!why.HasReason() || doc.GetWaypoints().GetCount() != 1 || doc.GetRoutes().GetCount() != 0) std::abort();
    return 0;
  }
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> second;
  CVexlornFileWpt again;
  if (!SaveVexlornBytes(doc, first) || !LoadVexlornBytes(first.data(), first.size(), again) ||
      !SaveVexlornBytes(again, second) || first != second) {
    std::abort();
  }
  return 0;
}
