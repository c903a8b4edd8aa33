// Fuzz target: the file conversions that stream, against the same conversions done on whole
// documents in memory. The first byte picks the kind of the rest as the conversion target does
// ('0' .wpt, '1' .trk, '2' .upt, '3' .rte, '4' .log, '5' .gpx, any byte modulo 6). The rest
// is written to a file and converted both ways: both must accept or refuse alike, for the same
// reason at the same step, and write the same bytes; a refusal leaves no target and no temporary
// file behind.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/file_conversion.h"
#include "formats/gpx_reader.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_file.h"
#include "fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// One folder per process, emptied after every input and removed at exit.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "stream_fuzz.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] { fs::remove_all(Folder()); });
    return fs::path(pattern);
  }();
  return folder;
}

std::string Write(const std::string& name, std::string_view bytes) {
  const std::string path = (Folder() / name).string();
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Require(bool holds) {
  if (!holds) std::abort();
}

// What the whole-document route gives for one target: its bytes, or the step and reason of its
// refusal.
struct SExpected {
  bool done = false;
  EConversionStep step = EConversionStep::Load;
  CDiagnostic why;
  std::string bytes;

  static SExpected Refused(EConversionStep step, const CDiagnostic& why) { return {false, step, why, {}}; }
  static SExpected Written(std::string bytes) { return {true, EConversionStep::Load, {}, std::move(bytes)}; }
};

void Compare(const SConversionOutcome& outcome, const SExpected& expected, const std::string& target) {
  Require(outcome.done == expected.done);
  if (expected.done) {
    Require(Read(target) == expected.bytes);
  } else {
    Require(outcome.step == expected.step && outcome.why.Reason() == expected.why.Reason());
    Require(!fs::exists(target));
  }
}

template <typename TFile>
std::string UnitText(const TFile& file) {
  std::string text;
  WriteUnitText(file, text);
  return text;
}

template <typename TDoc>
SExpected DesktopBytes(const TDoc& doc) {
  std::vector<std::uint8_t> bytes;
  CDiagnostic why;
  if (!SaveVexlornBytes(doc, bytes, &why)) return SExpected::Refused(EConversionStep::Write, why);
  return SExpected::Written(std::string(bytes.begin(), bytes.end()));
}

void TrackToUnit(const std::string& source) {
  CDiagnostic why;
  SExpected expected;
  CVexlornFileTrk doc;
  CUnitTrackFile log;
  if (!LoadVexlornFile(source, doc, &why)) {
    expected = SExpected::Refused(EConversionStep::Load, why);
  } else if (!ConvertTrackToUnit(doc, log, &why)) {
    expected = SExpected::Refused(EConversionStep::Convert, why);
  } else {
    expected = SExpected::Written(UnitText(log));
  }
  const std::string target = (Folder() / "walk.log").string();
  Compare(ConvertTrackFileToUnit(source, target), expected, target);
}

void LogToDesktop(const std::string& source) {
  CDiagnostic why;
  SExpected expected;
  CUnitTrackFile log;
  CVexlornFileTrk doc;
  if (!ReadUnitFile(source, log, &why)) {
    expected = SExpected::Refused(EConversionStep::Load, why);
  } else if (!ConvertTrackToDesktop(log, doc, &why)) {
    expected = SExpected::Refused(EConversionStep::Convert, why);
  } else {
    // A time the desktop file cannot hold goes there as no time.
    const CUnitTimes times;
    CUntimedPoints untimed;
    SVexlornTnodBlockArray nodes;
    for (SVexlornTnodBlock node : doc.GetNodes()) {
      untimed.Fit(times, ETimeTarget::kTrackFile, node, {});
      nodes.Add(node);
    }
    doc.GetNodes() = std::move(nodes);
    expected = DesktopBytes(doc);
  }
  const std::string target = (Folder() / "walk.trk").string();
  Compare(ConvertTrackLogToDesktop(source, target), expected, target);
}

void PointsToDesktop(const std::string& source, bool routes) {
  CDiagnostic why;
  SExpected expected;
  CUnitRouteFile routeFile;
  CUnitWaypointFile pointFile;
  CVexlornFileWpt doc;
  if (!(routes ? ReadUnitFile(source, routeFile, &why) : ReadUnitFile(source, pointFile, &why))) {
    expected = SExpected::Refused(EConversionStep::Load, why);
  } else if (!(routes ? ConvertRoutesToDesktop(routeFile, doc, &why)
                      : ConvertWaypointsToDesktop(pointFile, doc, &why))) {
    expected = SExpected::Refused(EConversionStep::Convert, why);
  } else {
    expected = DesktopBytes(doc);
  }
  const std::string target = (Folder() / "walk.wpt").string();
  Compare(ConvertPointFileToDesktop(source, target, routes), expected, target);
}

void WaypointsToUnit(const std::string& source) {
  const std::vector<SUnitTarget> targets = {{(Folder() / "walk.upt").string(), false},
                                            {(Folder() / "walk.rte").string(), true}};
  CDiagnostic why;
  CVexlornFileWpt doc;
  std::vector<SExpected> expected;
  if (!LoadVexlornFile(source, doc, &why)) {
    expected.assign(targets.size(), SExpected::Refused(EConversionStep::Load, why));
  } else {
    CUnitWaypointFile points;
    CDiagnostic pointsWhy;
    expected.push_back(ConvertWaypointsToUnit(doc, points, &pointsWhy)
                           ? SExpected::Written(UnitText(points))
                           : SExpected::Refused(EConversionStep::Convert, pointsWhy));
    CUnitRouteFile routes;
    CDiagnostic routesWhy;
    expected.push_back(ConvertRoutesToUnit(doc, routes, &routesWhy)
                           ? SExpected::Written(UnitText(routes))
                           : SExpected::Refused(EConversionStep::Convert, routesWhy));
  }
  const std::vector<SConversionOutcome> outcomes = ConvertWaypointFileToUnit(source, targets);
  Require(outcomes.size() == targets.size());
  for (std::size_t i = 0; i < targets.size(); ++i) Compare(outcomes[i], expected[i], targets[i].path);
}

std::string DocumentBytes(const SGpxDocument& doc) {
  std::string all = DesktopBytes(doc.points).bytes;
  for (const CVexlornFileTrk& track : doc.tracks) all += DesktopBytes(track).bytes;
  return all;
}

// A GPX file read in blocks from the disk is the same as its text read at once.
void GpxFile(const std::string& source, std::string_view text) {
  SGpxDocument fromFile, fromText;
  CCodePage fileCodePage, textCodePage;
  CDiagnostic fileWhy, textWhy;
  const bool fileRead = ReadGpxFile(source, fromFile, fileCodePage, &fileWhy);
  const bool textRead = ReadGpxText(text, fromText, textCodePage, &textWhy);
  Require(fileRead == textRead);
  if (!fileRead) {
    Require(fileWhy.Reason() == textWhy.Reason());
    return;
  }
  Require(fileCodePage.GetReplacementCount() == textCodePage.GetReplacementCount());
  Require(DocumentBytes(fromFile) == DocumentBytes(fromText));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  UseUtc();
  const std::string_view text = InputText(data + 1, size - 1);
  switch (data[0] % 6) {
    case 0:
      WaypointsToUnit(Write("walk.wpt", text));
      break;
    case 1:
      TrackToUnit(Write("walk.trk", text));
      break;
    case 2:
      PointsToDesktop(Write("walk.upt", text), false);
      break;
    case 3:
      PointsToDesktop(Write("walk.rte", text), true);
      break;
    case 4:
      LogToDesktop(Write("walk.log", text));
      break;
    case 5:
      GpxFile(Write("walk.gpx", text), text);
      break;
  }
  // No temporary file stayed; the folder is emptied for the next input.
  std::vector<fs::path> files(fs::directory_iterator(Folder()), fs::directory_iterator{});
  for (const fs::path& file : files) {
    Require(file.filename().string().rfind(".transvane-tmp.", 0) != 0);
    fs::remove(file);
  }
  return 0;
}
