// Every navigation file kind read through the readers of the table of file kinds, into navigation
// data.
#include "wizard/preview/navigation_reader.h"

#include <new>
#include <optional>
#include <utility>

#include "formats/ascii_case.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "storage/file_system.h"
#include "wizard/file_codecs.h"

namespace {

SNavigationWaypoint Waypoint(const std::string& name, double southLatitude, double longitude, CCodePage& codePage) {
  return {codePage.ToUtf8(name), -southLatitude, longitude};
}

void AddPoints(const CVexlornFileWpt& doc, SNavigationData& data, CCodePage& codePage) {
  data.waypoints.reserve(data.waypoints.size() + doc.GetWaypoints().GetCount());
  for (const SVexlornWptBlock& waypoint : doc.GetWaypoints()) {
    data.waypoints.push_back(Waypoint(waypoint.GetName(), waypoint.GetLatitude(), waypoint.GetLongitude(), codePage));
  }
  for (const SVexlornRteBlock& route : doc.GetRoutes()) {
    SNavigationRoute& added = data.routes.emplace_back();
    added.name = codePage.ToUtf8(route.GetName());
    added.points.reserve(route.GetPoints().GetCount());
    for (const SVexlornRwptBlock& point : route.GetPoints()) {
      added.points.push_back(Waypoint(point.GetName(), point.GetLatitude(), point.GetLongitude(), codePage));
    }
  }
}

// The track's nodes are released once they are copied: the data and the document never both
// hold a long track whole for longer than the copy.
void AddTrack(CVexlornFileTrk& doc, SNavigationData& data, CCodePage& codePage, const CUnitTimes& times) {
  SNavigationTrack& added = data.tracks.emplace_back();
  added.name = codePage.ToUtf8(doc.GetName());
  added.points.reserve(doc.GetNodes().GetCount());
  for (const SVexlornTnodBlock& node : doc.GetNodes()) {
    STrackPoint point;
    point.latitude = -node.GetLatitude();
    point.longitude = node.GetLongitude();
    point.elevation = node.GetAltitude();
    if (!times.IsNoTime(node.GetTime(), node.GetHundredths())) {
      point.time = static_cast<double>(node.GetTime()) + node.GetHundredths() / 100.0;
    }
    added.points.push_back(point);
  }
  doc.GetNodes() = SVexlornTnodBlockArray();  // a move: frees the nodes' room
}

bool Read(const std::string& path, SNavigationData& data, CCodePage& codePage, CDiagnostic* why) {
  const std::optional<EFileKind> kind = FileKindOf(path);
  const FReadFile read = kind ? FileCodecOf(*kind).read : nullptr;
  if (read == nullptr) {
    return Fail(why, "\"" + AsciiLower(SECFileSystem().ExtensionOf(path)) + "\" is not a kind of navigation file (" +
                         ListKinds(ReadableKinds()) + ")");
  }
  SGpxDocument doc;
  SConversionOutcome outcome = read(path, doc, codePage);
  if (!outcome.done) {
    if (why != nullptr) *why = std::move(outcome.why);
    return false;
  }
  AddPoints(doc.points, data, codePage);
  const CUnitTimes times;
  for (CVexlornFileTrk& track : doc.tracks) AddTrack(track, data, codePage, times);
  return true;
}

}  // namespace

bool ReadNavigationFile(const std::string& path, SNavigationData& data, CCodePage& codePage, CDiagnostic* why) {
  data = SNavigationData();
  try {
    if (Read(path, data, codePage, why)) return true;
  } catch (const std::bad_alloc&) {
    Fail(why, "not enough memory to hold the file's points");
  }
  data = SNavigationData();
  return false;
}
