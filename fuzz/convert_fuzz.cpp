// Fuzz target: the conversions. The first byte picks the kind of the rest ('0' .wpt, '1' .trk,
// '2' .upt, '3' .rte, '4' .log, '5' .gpx, any byte modulo 6); the rest is read as that file and
// converted as the jobs do: desktop files to the unit's, unit files to the desktop's, GPX to both.
// Whatever is read and converted must give files that read back, and read back into files that
// write the same bytes again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/vexlorn_file.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string kTitle = "MORNINGWALK";

// A unit file made by a conversion: its text reads back, and from then on reading and writing
// keep the text as it is. (Reading fills what the text leaves empty, such as a track point's name
// from the file's title, so the first text may differ from the second.)
template <typename TFile>
void UnitFileReadsBack(const TFile& file) {
  std::string written;
  WriteUnitText(file, written);
  TFile again;
  if (!ReadUnitText(written, kTitle, again)) std::abort();
  std::string rewritten;
  WriteUnitText(again, rewritten);
  TFile third;
  if (!ReadUnitText(rewritten, kTitle, third)) std::abort();
  std::string last;
  WriteUnitText(third, last);
  if (last != rewritten) std::abort();
}

// A desktop document made by a conversion: it saves, and its bytes load back into a document
// that saves the same bytes again. Only a time the file cannot hold refuses the save, with a reason.
template <typename TDoc>
void DesktopFileLoadsBack(const TDoc& doc) {
  std::vector<std::uint8_t> saved;
  CDiagnostic why;
  if (!SaveVexlornBytes(doc, saved, &why)) {
    if (!why.HasReason() || !HoldsTimesBeyondTheFile(doc)) std::abort();
    return;
  }
  TDoc again;
  std::vector<std::uint8_t> resaved;
  if (!LoadVexlornBytes(saved.data(), saved.size(), again) || !SaveVexlornBytes(again, resaved) || saved != resaved) {
    std::abort();
  }
}

void WaypointsToUnit(const CVexlornFileWpt& doc) {
  CUnitWaypointFile points;
  if (ConvertWaypointsToUnit(doc, points)) UnitFileReadsBack(points);
  CUnitRouteFile routes;
  if (ConvertRoutesToUnit(doc, routes)) UnitFileReadsBack(routes);
}

void TrackToUnit(const CVexlornFileTrk& doc) {
  CUnitTrackFile log;
  if (ConvertTrackToUnit(doc, log)) UnitFileReadsBack(log);
}

// A unit file of kind TFile converted to the desktop document TDoc.
template <typename TFile, typename TDoc>
void UnitToDesktop(std::string_view text, bool (*convert)(const TFile&, TDoc&, CDiagnostic*)) {
  TFile file;
  if (!ReadUnitText(text, kTitle, file)) return;
  TDoc doc;
  if (convert(file, doc, nullptr)) DesktopFileLoadsBack(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  UseUtc();
  const std::uint8_t* file = data + 1;
  const std::size_t length = size - 1;
  const std::string_view text = InputText(file, length);
  switch (data[0] % 6) {
    case 0: {
      CVexlornFileWpt doc;
      if (LoadVexlornBytes(file, length, doc)) WaypointsToUnit(doc);
      break;
    }
    case 1: {
      CVexlornFileTrk doc;
      if (LoadVexlornBytes(file, length, doc)) TrackToUnit(doc);
      break;
    }
    case 2:
      UnitToDesktop<CUnitWaypointFile, CVexlornFileWpt>(text, ConvertWaypointsToDesktop);
      break;
    case 3:
      UnitToDesktop<CUnitRouteFile, CVexlornFileWpt>(text, ConvertRoutesToDesktop);
      break;
    case 4:
      UnitToDesktop<CUnitTrackFile, CVexlornFileTrk>(text, ConvertTrackToDesktop);
      break;
    default: {
      SGpxDocument doc;
      CCodePage codePage;
      if (!ReadGpxText(text, doc, codePage)) break;
      DesktopFileLoadsBack(doc.points);
      WaypointsToUnit(doc.points);
      for (const CVexlornFileTrk& track : doc.tracks) {
        DesktopFileLoadsBack(track);
        TrackToUnit(track);
      }
    }
  }
  return 0;
}
