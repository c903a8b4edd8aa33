// Conversion between the desktop product's documents and the unit's sentence files.
#include "formats/conversion.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Metres per foot are applied by CPosition::GetAltitudeMetres; the unit always gets metres from us.
constexpr std::string_view kMetres = "M";

// Reasons are built only on the failure path.
std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string ItemPrefix(const char* kind, std::size_t index) {
  return std::string(kind) + ' ' + std::to_string(index + 1) + ": ";
}

// The position group of a WPL or TRK sentence, in metres.
bool FillPosition(CPosition& position, double latitude, double longitude, double altitude, const char* kind,
                  std::size_t index, CDiagnostic* why) {
  if (!position.SetLatitude(DegreesToDdmm(latitude)))
    return Fail(why, ItemPrefix(kind, index) + "latitude " + Number(latitude) + " cannot be written");
  if (!position.SetLongitude(DegreesToDdmm(longitude)))
    return Fail(why, ItemPrefix(kind, index) + "longitude " + Number(longitude) + " cannot be written");
  if (!position.SetAltitude(altitude))
    return Fail(why, ItemPrefix(kind, index) + "altitude " + Number(altitude) + " is outside the unit's whole metres");
  position.SetAltitudeUnit(kMetres);
  return true;
}

// The desktop records take any double, but an infinite or NaN coordinate (a unit file may spell
// "inf") would be saved as a position nobody can use, so it is refused here.
bool ReadCoordinates(const CPosition& position, double& latitude, double& longitude, const char* kind,
                     std::size_t index, CDiagnostic* why) {
  latitude = DdmmToDegrees(position.GetSignedLatitude());
  longitude = DdmmToDegrees(position.GetSignedLongitude());
  if (!std::isfinite(latitude))
    return Fail(why,
                ItemPrefix(kind, index) + "latitude " + Number(position.GetSignedLatitude()) + " is not a position");
  if (!std::isfinite(longitude))
    return Fail(why,
                ItemPrefix(kind, index) + "longitude " + Number(position.GetSignedLongitude()) + " is not a position");
  return true;
}

// A waypoint from a WPL sentence, all but its name and comment.
bool FillWaypoint(const CWplSentence& sentence, std::size_t index, bool inRoute, SVexlornWptBlock& waypoint,
                  CDiagnostic* why) {
  double latitude = 0;
  double longitude = 0;
  if (!ReadCoordinates(sentence.GetPosition(), latitude, longitude, "waypoint", index, why)) return false;
  waypoint = SVexlornWptBlock();
  waypoint.SetNumber(static_cast<std::int32_t>(index + 1));
  if (!waypoint.SetSymbol(IconToSymbol(sentence.GetIcon())))
    return Fail(why, ItemPrefix("waypoint", index) + "icon " + sentence.GetIcon() + " refused");
  waypoint.SetRouteUsed(inRoute);
  waypoint.SetAltitude(sentence.GetPosition().GetAltitudeMetres());
  waypoint.SetLongitude(longitude);
  waypoint.SetLatitude(latitude);
  return true;
}

// Each route group becomes one desktop route; a route point repeats its waypoint's position.
class CRouteBuilder {
 public:
  explicit CRouteBuilder(const CUnitRouteFile& source) : m_waypoints(source.GetWaypoints()) {
    // FindWaypoint walks the list for every entry; with a hundred thousand points and as many
    // entries that is quadratic, so the first index of each name is looked up in a table.
    m_firstIndex.reserve(m_waypoints.size());
    for (std::size_t i = 0; i < m_waypoints.size(); ++i) m_firstIndex.try_emplace(m_waypoints[i].GetName(), i);
  }

  bool Find(std::string_view name, std::size_t& index) const {
    const auto found = m_firstIndex.find(name);
    if (found == m_firstIndex.end()) return false;
    index = found->second;
    return true;
  }
  const CWplSentence& Waypoint(std::size_t index) const { return m_waypoints[index]; }

 private:
  const std::vector<CWplSentence>& m_waypoints;
  std::unordered_map<std::string_view, std::size_t> m_firstIndex;
};

}  // namespace

double DegreesToDdmm(double degrees) {
  const double magnitude = std::fabs(degrees);
  const double whole = std::floor(magnitude);
  const double value = whole * 100 + (magnitude - whole) * 60;
  return degrees < 0 ? -value : value;
}

double DdmmToDegrees(double ddmm) {
  const double magnitude = std::fabs(ddmm);
  const double degrees = std::floor(magnitude / 100);
  const double value = degrees + (magnitude - degrees * 100) / 60;
  return ddmm < 0 ? -value : value;
}

std::string SymbolToIcon(std::uint8_t symbol) {
  if (symbol < 26) return std::string(1, static_cast<char>('a' + symbol));
  return {static_cast<char>('a' - 1 + symbol / 26), static_cast<char>('a' + symbol % 26)};
}

std::uint8_t IconToSymbol(std::string_view icon) {
  if (icon.size() >= 3) return 0;
  unsigned sum = 0;
  for (const char c : icon) {
    if (c < 'a' || c > 'z') return 0;
    sum = sum * 26 + static_cast<unsigned>(c - 'a' + 1);
  }
  // Symbols 0..41 are icons 1..42; the empty icon and anything beyond ("aq" and on) fall back to 0.
  return sum >= 1 && sum <= 42 ? static_cast<std::uint8_t>(sum - 1) : 0;
}

bool ConvertWaypointToUnit(const SVexlornWptBlock& waypoint, std::size_t index, CWplSentence& sentence,
                           CDiagnostic* why) {
  CPosition position;
  if (!FillPosition(position, waypoint.GetLatitude(), waypoint.GetLongitude(), waypoint.GetAltitude(), "waypoint",
                    index, why))
    return false;
  sentence.SetPosition(position);
  sentence.SetName(waypoint.GetName());
  sentence.SetComment(waypoint.GetComment());
  const std::string icon = SymbolToIcon(waypoint.GetSymbol());
  if (!sentence.SetIcon(icon)) return Fail(why, ItemPrefix("waypoint", index) + "icon " + icon + " refused");
  return true;
}

bool ConvertRouteToUnit(const SVexlornRteBlock& route, std::vector<CRteWaypointsSentence>& sentences,
                        CDiagnostic* why) {
  sentences.clear();
  const std::size_t count = route.GetPoints().GetCount();
  const std::size_t total = count == 0 ? 1 : (count + 1) / 2;
  if (total > std::numeric_limits<std::uint32_t>::max())
    return Fail(why, "route " + route.GetName() + ": " + std::to_string(count) + " points are too many for the unit");
  CRteWaypointsSentence sentence;
  sentence.SetTotal(static_cast<std::uint32_t>(total));
  sentence.SetNumber(1);
  sentence.SetRouteNumber(route.GetNumber());
  sentence.SetRouteName(route.GetName());
  if (count == 0) {
    sentences.push_back(sentence);
    return true;
  }
  std::size_t j = 0;
  for (const SVexlornRwptBlock& point : route.GetPoints()) {
    CRouteEntry entry;
    entry.SetName(point.GetName());
    const std::string icon = SymbolToIcon(point.GetSymbol());
    if (!entry.SetIcon(icon))
      return Fail(why, "route " + route.GetName() + ": point " + std::to_string(j + 1) + " icon " + icon + " refused");
    sentence.AddEntry(entry);
    if (j % 2 == 1 || j == count - 1) {
      sentence.SetNumber(static_cast<std::uint32_t>(j / 2 + 1));
      sentences.push_back(sentence);
      sentence.ClearEntries();
    }
    ++j;
  }
  return true;
}

bool ConvertNodeToUnit(const SVexlornTnodBlock& node, std::size_t index, CTrkSentence& point, const CUnitTimes& times,
                       CDiagnostic* why) {
  CPosition position;
  if (!FillPosition(position, node.GetLatitude(), node.GetLongitude(), node.GetAltitude(), "track point", index, why))
    return false;
  if (node.GetHundredths() > 99)
    return Fail(
        why, ItemPrefix("track point", index) + "hundredths " + std::to_string(node.GetHundredths()) + " out of range");
  point.SetPosition(position);
  // A log writes a two-digit year: any other year would come back as another one (1901 as 2001,
  // 1970 as 2070), so such a time is no time.
  std::int64_t seconds = node.GetTime();
  std::uint8_t hundredths = node.GetHundredths();
  times.Fit(ETimeTarget::kTrackLog, seconds, hundredths);
  point.SetTime(static_cast<std::time_t>(seconds));
  point.SetHundredths(hundredths);
  point.SetValid(node.GetValidFix() != 0);
  return true;
}

bool ConvertPointToDesktop(const CTrkSentence& point, std::size_t index, SVexlornTnodBlock& node, CDiagnostic* why) {
  double latitude = 0;
  double longitude = 0;
  if (!ReadCoordinates(point.GetPosition(), latitude, longitude, "track point", index, why)) return false;
  node = SVexlornTnodBlock();
  node.SetLongitude(longitude);
  node.SetLatitude(latitude);
  node.SetAltitude(static_cast<float>(point.GetPosition().GetAltitudeMetres()));
  node.SetTime(point.GetTime());
  node.SetValidFix(point.GetValidity() == 'A' ? 1 : 0);
  if (!node.SetHundredths(static_cast<std::uint8_t>(point.GetHundredths())))
    return Fail(why, ItemPrefix("track point", index) + "hundredths " + std::to_string(point.GetHundredths()) +
                         " out of range");
  return true;
}

bool ConvertWaypointToDesktop(const CWplSentence& sentence, std::size_t index, bool inRoute, SVexlornWptBlock& waypoint,
                              CDiagnostic* why) {
  if (!FillWaypoint(sentence, index, inRoute, waypoint, why)) return false;
  waypoint.SetName(sentence.GetName());
  waypoint.SetComment(sentence.GetComment());
  return true;
}

bool ConvertWaypointToDesktop(CWplSentence&& sentence, std::size_t index, bool inRoute, SVexlornWptBlock& waypoint,
                              CDiagnostic* why) {
  if (!FillWaypoint(sentence, index, inRoute, waypoint, why)) return false;
  waypoint.SetName(sentence.TakeName());
  waypoint.SetComment(sentence.TakeComment());
  return true;
}

bool ConvertWaypointsToUnit(const CVexlornFileWpt& source, CUnitWaypointFile& target, CDiagnostic* why) {
  target.Clear();
  const SVexlornWptBlockArray& waypoints = source.GetWaypoints();
  target.ReserveWaypoints(waypoints.GetCount());
  std::size_t index = 0;
  for (const SVexlornWptBlock& waypoint : waypoints) {
    CWplSentence sentence;
    if (!ConvertWaypointToUnit(waypoint, index++, sentence, why)) return false;
    target.AddWaypoint(std::move(sentence));
  }
  return true;
}

bool ConvertRoutesToUnit(const CVexlornFileWpt& source, CUnitRouteFile& target, CDiagnostic* why) {
  if (!ConvertWaypointsToUnit(source, target, why)) return false;
  std::size_t count = 0;
  for (const SVexlornRteBlock& route : source.GetRoutes()) count += route.GetPoints().GetCount() / 2 + 1;
  target.ReserveRoutes(count);
  std::vector<CRteWaypointsSentence> sentences;
  for (const SVexlornRteBlock& route : source.GetRoutes()) {
    if (!ConvertRouteToUnit(route, sentences, why)) return false;
    for (CRteWaypointsSentence& sentence : sentences) target.AddRoute(std::move(sentence));
  }
  return true;
}

bool ConvertTrackToUnit(const CVexlornFileTrk& source, CUnitTrackFile& target, CDiagnostic* why,
                        const CUnitTimes* times) {
  const CUnitTimes ownTimes;
  const CUnitTimes& unitTimes = times != nullptr ? *times : ownTimes;
  target.Clear();
  const SVexlornTnodBlockArray& nodes = source.GetNodes();
  target.ReservePoints(nodes.GetCount());
  CTrkSentence point;
  point.SetName(source.GetName());
  std::size_t index = 0;
  for (const SVexlornTnodBlock& node : nodes) {
    if (!ConvertNodeToUnit(node, index++, point, unitTimes, why)) return false;
    target.AddPoint(point);
  }
  return true;
}

bool ConvertWaypointsToDesktop(const CUnitWaypointFile& source, CVexlornFileWpt& target, CDiagnostic* why) {
  target.Clear();
  const std::vector<CWplSentence>& sentences = source.GetWaypoints();
  SVexlornWptBlockArray& waypoints = target.GetWaypoints();
  waypoints.Reserve(sentences.size());

  // IsWaypointInRoute walks every route entry per name; for a route file the names are collected
  // once instead, which gives the same answers without the quadratic walk.
  const auto* routeFile = dynamic_cast<const CUnitRouteFile*>(&source);
  std::unordered_set<std::string_view> routeNames;
  if (routeFile != nullptr) {
    for (const CRteWaypointsSentence& route : routeFile->GetRoutes())
      for (const CRouteEntry& entry : route.GetEntries()) routeNames.insert(entry.GetName());
  }

  for (std::size_t i = 0; i < sentences.size(); ++i) {
    const CWplSentence& sentence = sentences[i];
    const bool inRoute =
        routeFile != nullptr ? routeNames.count(sentence.GetName()) != 0 : source.IsWaypointInRoute(sentence.GetName());
    SVexlornWptBlock waypoint;
    if (!ConvertWaypointToDesktop(sentence, i, inRoute, waypoint, why)) return false;
    waypoints.Add(std::move(waypoint));
  }
  return true;
}

bool ConvertRoutesToDesktop(const CUnitRouteFile& source, CVexlornFileWpt& target, CDiagnostic* why) {
  if (!ConvertWaypointsToDesktop(source, target, why)) return false;
  const CRouteBuilder lookup(source);
  SVexlornRteBlock route;
  for (const CRteWaypointsSentence& sentence : source.GetRoutes()) {
    route.SetName(sentence.GetRouteName());
    route.SetNumber(sentence.GetRouteNumber());
    for (const CRouteEntry& entry : sentence.GetEntries()) {
      std::size_t index = 0;
      if (!lookup.Find(entry.GetName(), index))
        return Fail(why, "route " + sentence.GetRouteName() + ": waypoint " + entry.GetName() + " is not in the file");
      double latitude = 0;
      double longitude = 0;
      if (!ReadCoordinates(lookup.Waypoint(index).GetPosition(), latitude, longitude, "waypoint", index, why))
        return false;
      SVexlornRwptBlock point;
      point.SetName(entry.GetName());
      point.SetNumber(static_cast<std::int32_t>(index + 1));
      point.SetLongitude(longitude);
      point.SetLatitude(latitude);
      if (!point.SetSymbol(IconToSymbol(entry.GetIcon())))
        return Fail(why, "route " + sentence.GetRouteName() + ": icon " + entry.GetIcon() + " refused");
      route.GetPoints().Add(std::move(point));
    }
    // A group whose last sentence is missing never reaches the document: only a sentence that
    // closes its group hands the route over.
    if (sentence.GetNumber() == sentence.GetTotal()) {
      target.GetRoutes().Add(std::move(route));
      route = SVexlornRteBlock();
    }
  }
  return true;
}

bool ConvertTrackToDesktop(const CUnitTrackFile& source, CVexlornFileTrk& target, CDiagnostic* why) {
  target.Clear();
  const std::vector<CTrkSentence>& points = source.GetPoints();
  SVexlornTnodBlockArray& nodes = target.GetNodes();
  nodes.Reserve(points.size());
  SVexlornTnodBlock node;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const CTrkSentence& point = points[i];
    // The document keeps the name of the last point; every point normally repeats the same one.
    if (target.GetName() != point.GetName()) target.SetName(point.GetName());
    if (!ConvertPointToDesktop(point, i, node, why)) return false;
    nodes.Add(node);
  }
  return true;
}
