// Fuzz target: reading a GPX file from arbitrary bytes, then writing it and reading it again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/vexlorn_file.h"
#include "fuzz/fuzz_support.h"

namespace {

// The desktop files of the document, as far as they can hold it: a track with a time beyond
// their years is refused with a reason and stands as its GPX text instead.
std::string DesktopBytes(const SGpxDocument& doc) {
  std::vector<std::uint8_t> bytes;
  if (!SaveVexlornBytes(doc.points, bytes)) std::abort();
  std::string all(bytes.begin(), bytes.end());
  for (const CVexlornFileTrk& track : doc.tracks) {
    CDiagnostic why;
    bytes.clear();
    if (SaveVexlornBytes(track, bytes, &why)) {
      all.append(bytes.begin(), bytes.end());
      continue;
    }
    if (!why.HasReason() || !HoldsTimesBeyondTheFile(track)) std::abort();
    SGpxDocument alone;
    alone.tracks.push_back(track);
    CCodePage codePage;
    std::string text;
    if (!WriteGpxText(alone, codePage, text)) std::abort();
    all += text;
  }
  return all;
}

}  // namespace

// A refused input leaves the document as it was and says why; whatever is read must write as GPX
// and read back into the same desktop files.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = InputText(data, size);
  SGpxDocument doc;
  doc.tracks.emplace_back();
  CCodePage codePage;
  CDiagnostic why;
  if (!ReadGpxText(text, doc, codePage, &why)) {
    if (!why.HasReason() || doc.tracks.size() != 1 || doc.points.GetWaypoints().GetCount() != 0) std::abort();
    return 0;
  }
  std::string written;
  SGpxDocument again;
  if (!WriteGpxText(doc, codePage, written) || !ReadGpxText(written, again, codePage) ||
      DesktopBytes(doc) != DesktopBytes(again)) {
    std::abort();
  }
  return 0;
}
