// Fuzz target: loading a .trk file from arbitrary bytes, then saving and loading it again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/vexlorn_file.h"

// Whatever loads must save, and the saved bytes must load back into a document that saves the
// same bytes again; a refused input must leave the document as it was.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CVexlornFileTrk doc;
  doc.SetName("before");
  CDiagnostic why;
  if (!LoadVexlornBytes(data, size, doc, &why)) {
    if (!why.HasReason() || doc.GetName() != "before" || doc.GetNodes().GetCount() != 0) std::abort();
    return 0;
  }
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> second;
  CVexlornFileTrk again;
  if (!SaveVexlornBytes(doc, first) || !LoadVexlornBytes(first.data(), first.size(), again) ||
      !SaveVexlornBytes(again, second) || first != second) {
    std::abort();
  }
  return 0;
}
