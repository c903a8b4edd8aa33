// Every navigation file kind read through the public readers of formats/ and the conversions, into
// navigation data. This is the one place that knows the file kinds' records.
#include "wizard/preview/navigation_reader.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "storage/file_system.h"

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
void AddTrack(CVexlornFileTrk& doc, SNavigationData& data, CCodePage& codePage) {
  SNavigationTrack& added = data.tracks.emplace_back();
  added.name = codePage.ToUtf8(doc.GetName());
  added.points.reserve(doc.GetNodes().GetCount());
  for (const SVexlornTnodBlock& node : doc.GetNodes()) {
    STrackPoint point;
    point.latitude = -node.GetLatitude();
    point.longitude = node.GetLongitude();
    point.elevation = node.GetAltitude();
    // The desktop records have no "no time": a GPX point without one is read as time 0, and no
    // receiver logs 1970-01-01 00:00:00.00, so that instant stands for none.
    if (node.GetTime() != 0 || node.GetHundredths() != 0) {
      point.time = static_cast<double>(node.GetTime()) + node.GetHundredths() / 100.0;
    }
    added.points.push_back(point);
  }
  doc.GetNodes() = SVexlornTnodBlockArray();  // a move: frees the nodes' room
}

std::string LowerExtension(const std::string& path) {
  std::string extension = SECFileSystem().ExtensionOf(path);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// The unit file is dropped before its records are copied into the data.
template <typename UnitFile, typename Document>
bool ReadUnit(const std::string& path, Document& doc, bool (*convert)(const UnitFile&, Document&, CDiagnostic*),
              CDiagnostic* why) {
  UnitFile file;
  return ReadUnitFile(path, file, why) && convert(file, doc, why);
}

bool Read(const std::string& path, SNavigationData& data, CCodePage& codePage, CDiagnostic* why) {
  const std::string kind = LowerExtension(path);
  if (kind == "wpt" || kind == "upt" || kind == "rte") {
    CVexlornFileWpt doc;
    const bool read = kind == "wpt"   ? LoadVexlornFile(path, doc, why)
                      : kind == "upt" ? ReadUnit<CUnitWaypointFile>(path, doc, ConvertWaypointsToDesktop, why)
                                      : ReadUnit<CUnitRouteFile>(path, doc, ConvertRoutesToDesktop, why);
    if (!read) return false;
    AddPoints(doc, data, codePage);
    return true;
  }
  if (kind == "trk" || kind == "log") {
    CVexlornFileTrk doc;
    const bool read = kind == "trk" ? LoadVexlornFile(path, doc, why)
                                    : ReadUnit<CUnitTrackFile>(path, doc, ConvertTrackToDesktop, why);
    if (!read) return false;
    AddTrack(doc, data, codePage);
    return true;
  }
  if (kind == "gpx") {
    SGpxDocument doc;
    if (!ReadGpxFile(path, doc, codePage, why)) return false;
    AddPoints(doc.points, data, codePage);
    for (CVexlornFileTrk& track : doc.tracks) AddTrack(track, data, codePage);
    return true;
  }
  return Fail(why, "\"" + kind + "\" is not a kind of navigation file (wpt, trk, upt, rte, log or gpx)");
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
