// Reading GPX 1.0 and 1.1 files: what the elements mean, taken from the parse as it runs.
#include "formats/gpx_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "formats/conversion.h"
#include "formats/gpx_parser.h"
#include "formats/gpx_values.h"
#include "formats/input_file.h"
#include "formats/unit_times.h"
#include "formats/xml_input_filter.h"

namespace {

// What a reader asks its source for at a time: a large file in blocks of 256 KiB, a small one in
// one block of its own size (but room for the longest piece the filter looks ahead at). Only a
// large file is parsed on a thread of its own.
constexpr std::size_t kBlockSize = 256 * 1024;
std::size_t BlockSizeFor(std::uint64_t inputSize) {
  constexpr std::size_t kSmallest = 4096;
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(inputSize + 1, kSmallest, kBlockSize));
}

// A text value this large gives its memory back once it has been taken, so that one long name
// does not stay held beside the next.
constexpr std::size_t kLargeText = 1 << 20;

// Text held by the caller, as a source.
class CTextSource : public CByteSource {
 public:
  explicit CTextSource(std::string_view text) : m_text(text) {}
  bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic*) override {
    got = std::min(size, m_text.size() - m_at);
    std::memcpy(buffer, m_text.data() + m_at, got);
    m_at += got;
    return true;
  }

 private:
  std::string_view m_text;
  std::size_t m_at = 0;
};

// The first waypoint of each name, found by the name's hash among the waypoints themselves, so
// that no name is held twice (a name may be as long as the file).
class CWaypointNames {
 public:
  static constexpr std::size_t kNone = ~std::size_t{0};

  explicit CWaypointNames(const std::vector<SVexlornWptBlock>& waypoints) : m_waypoints(waypoints) {}
  std::size_t Find(std::string_view name) const {
    const auto [first, last] = m_indices.equal_range(std::hash<std::string_view>()(name));
    for (auto at = first; at != last; ++at)
      if (m_waypoints[at->second].GetName() == name) return at->second;
    return kNone;
  }
  // The waypoint at `index` is found by its name unless an earlier one has it.
  void Add(std::size_t index) {
    const std::string& name = m_waypoints[index].GetName();
    if (Find(name) == kNone) m_indices.emplace(std::hash<std::string_view>()(name), index);
  }

 private:
  const std::vector<SVexlornWptBlock>& m_waypoints;
  std::unordered_multimap<std::size_t, std::size_t> m_indices;
};

using E = EGpxElement;

// Reads one GPX file from the events of its parse. A refusal does not stop the parse: the file is
// read to its end, since a fault of XML anywhere is reported first, then one of the root, then one
// of a waypoint (every waypoint is read before any route point is matched to it), then the first
// of anything else.
class CGpxReader {
 public:
  CGpxReader(CCodePage& codePage, CGpxTrackHandler& tracks) : m_codePage(codePage), m_tracks(tracks) {}

  bool Read(CByteSource& source, std::uint64_t size, const CGpxSourceOpener& reopen, CVexlornFileWpt& points,
            CDiagnostic* why);

 private:
  // The waypoint fields that wpt and rtept share.
  struct SPointFields {
    double latitude = 0;  // desktop sense: south positive
    double longitude = 0;
    double altitude = 0;
    std::string name;
    std::string comment;
    bool hasComment = false;
    bool hasSym = false;
    std::string sym;
    bool hasSymbol = false;
    std::int64_t symbol = 0;
    bool hasNumber = false;
    std::int64_t number = 0;
    bool hasRouteUse = false;
    std::int64_t routeUse = 0;
  };
  struct SRouteFields {
    std::string name;
    std::int64_t number = 0;
    std::vector<SPointFields> points;
  };
  struct SFrame {
    EGpxElement kind;
    std::uint64_t start;  // where the parser stood after the start tag
  };

  void Take(const SGpxEventBatch& batch);
  void Start(const SGpxEventBatch& batch, const SGpxEvent& event);
  void End();

  // Whether elements are still looked at: not after a refusal that nothing later can outrank.
  bool Active() const { return !m_rootRefused.set && !m_waypointRefused.set && (!m_otherRefused.set || m_inWaypoint); }
  // Whether any event is still wanted.
  bool Wanted() const { return !m_rootRefused.set && !m_waypointRefused.set; }
  void Refuse(const SFrame& frame, std::string rule);

  // The element's text without the filter's markers; a name or comment in the code page. A
  // control character in it becomes '?' like one the code page lacks (XML cannot hold one, and
  // "&#0;" must not cut a name short).
  void EndRun();
  // Valid until the next element's text begins.
  std::string_view TakeText();
  std::string NameOf();
  // Gives back the memory of a long text once it has been taken.
  void ReleaseText();
  bool ReadCoordinates(const SFrame& frame, const SGpxEventBatch& batch, const SGpxEvent& event, double& latitude,
                       double& longitude);
  bool ReadInteger(const SFrame& frame, std::int64_t low, std::int64_t high, std::int64_t& value);
  // A decimal value; too large or too close to zero for the record's type is out of range.
  template <typename T>
  bool ReadNumber(const SFrame& frame, const char* what, T& value);
  void EndPoint(SPointFields& fields);
  void AddWaypoint(SPointFields fields);
  std::string NextRoutePointName();
  void ResolveRoutes(CVexlornFileWpt& points);

  CCodePage& m_codePage;
  CGpxTrackHandler& m_tracks;
  std::vector<SFrame> m_frames;
  // The text of the element at hand, as the reader always took it: its runs of characters between
  // markup, a run of white space alone left out, and its CDATA sections; for a track point's
  // values only the first of them.
  std::string m_text;
  std::string m_run;
  bool m_firstOnly = false;
  bool m_gotFirst = false;
  std::string m_integerName;  // the element with an integer value at hand, as written
  SGpxRefusal m_rootRefused, m_waypointRefused, m_otherRefused;
  std::vector<std::uint64_t> m_nodesToPlace;  // where the track points end whose places the handler asked for
  bool m_inWaypoint = false;

  SVexlornWptRteHeadBlock m_pointsHeader;
  std::vector<SVexlornWptBlock> m_waypoints;
  CWaypointNames m_waypointNames{m_waypoints};
  std::vector<bool> m_routeUseGiven;
  SPointFields m_point;
  SRouteFields m_route;
  std::vector<SRouteFields> m_routes;
  CVexlornFileTrk m_track;
  bool m_trackBegun = false;
  SVexlornTnodBlock m_node;
  const CUnitTimes m_times;
  SVexlornHeadBlock* m_header = nullptr;
  unsigned m_unnamedRoutePoints = 0;
};

void CGpxReader::Refuse(const SFrame& frame, std::string rule) {
  SGpxRefusal& slot = frame.kind == E::Root ? m_rootRefused : m_inWaypoint ? m_waypointRefused : m_otherRefused;
  if (slot.set) return;
  slot = {true, true, frame.start, std::move(rule)};
}

void CGpxReader::EndRun() {
  if (m_run.find_first_not_of(" \t\r\n") != std::string::npos && !(m_firstOnly && m_gotFirst)) {
    if (m_text.empty()) {
      m_text.swap(m_run);
    } else {
      m_text += m_run;
    }
    m_gotFirst = true;
  }
  m_run.clear();
}

std::string_view CGpxReader::TakeText() {
  EndRun();
  CXmlInputFilter::Unmark(m_text);
  return m_text;
}

void CGpxReader::ReleaseText() {
  if (m_text.capacity() > kLargeText) std::string().swap(m_text);
  if (m_run.capacity() > kLargeText) std::string().swap(m_run);
}

std::string CGpxReader::NameOf() {
  TakeText();
  for (char& c : m_text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      c = '?';
      m_codePage.CountReplacements(1);
    }
  }
  // Every code page keeps ASCII as it is: such a name is handed on without a copy.
  if (std::all_of(m_text.begin(), m_text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string name;
    name.swap(m_text);
    return name;
  }
  std::string name = m_codePage.FromUtf8(m_text);
  ReleaseText();
  return name;
}

bool CGpxReader::ReadCoordinates(const SFrame& frame, const SGpxEventBatch& batch, const SGpxEvent& event,
                                 double& latitude, double& longitude) {
  const std::string element = frame.kind == E::Waypoint ? "wpt" : frame.kind == E::RoutePoint ? "rtept" : "trkpt";
  if (!event.hasFirst || !event.hasSecond) {
    Refuse(frame, "<" + element + "> without " + (event.hasFirst ? "lon" : event.hasSecond ? "lat" : "lat and lon"));
    return false;
  }
  // A coordinate out of its range would be written as a place that does not exist.
  const auto read = [&](std::string_view raw, const char* what, double limit, double& degrees) {
    std::string marked;
    if (raw.find('\xF4') != std::string_view::npos) {
      marked = raw;
      CXmlInputFilter::Unmark(marked);
      raw = marked;
    }
    bool outOfRange = false;
    if (!ParseGpxNumber(raw, degrees, &outOfRange) && !outOfRange) {
      Refuse(frame, std::string(what) + " \"" + std::string(raw) + "\" is not a number");
      return false;
    }
    if (outOfRange || degrees < -limit || degrees > limit) {
      Refuse(frame, "<" + element + "> " + what + " \"" + std::string(raw) + "\" lies outside -" +
                        std::to_string(static_cast<int>(limit)) + ".." + std::to_string(static_cast<int>(limit)));
      return false;
    }
    return true;
  };
  double parsed = 0;
  if (!read(batch.First(event), "lat", 90, parsed) || !read(batch.Second(event), "lon", 180, longitude)) return false;
  latitude = FlipLatitude(parsed);
  return true;
}

bool CGpxReader::ReadInteger(const SFrame& frame, std::int64_t low, std::int64_t high, std::int64_t& value) {
  const std::string_view text = TakeText();
  bool outOfRange = false;
  if (ParseGpxInteger(text, value, &outOfRange)) {
    if (value >= low && value <= high) return true;
    outOfRange = true;
  }
  Refuse(frame, "<" + m_integerName + "> \"" + std::string(text) + "\" " +
                    (outOfRange ? "lies outside " + std::to_string(low) + ".." + std::to_string(high)
                                : std::string("is not a number")));
  return false;
}

template <typename T>
bool CGpxReader::ReadNumber(const SFrame& frame, const char* what, T& value) {
  const std::string_view text = TakeText();
  bool outOfRange = false;
  if (ParseGpxNumber(text, value, &outOfRange)) return true;
  Refuse(frame,
         std::string(what) + " \"" + std::string(text) + "\" " + (outOfRange ? "is out of range" : "is not a number"));
  return false;
}

void CGpxReader::EndPoint(SPointFields& fields) {
  // Our own symbol number wins; otherwise a unit icon name in sym; any other symbol name is one
  // this system has no number for.
  if (!fields.hasSymbol && fields.hasSym) fields.symbol = IconToSymbol(TrimmedGpxText(fields.sym));
}

void CGpxReader::AddWaypoint(SPointFields fields) {
  SVexlornWptBlock waypoint;
  const std::size_t position = m_waypoints.size() + 1;
  waypoint.SetName(std::move(fields.name));
  waypoint.SetComment(std::move(fields.comment));
  waypoint.SetNumber(fields.hasNumber ? static_cast<std::int32_t>(fields.number) : static_cast<std::int32_t>(position));
  waypoint.SetSymbol(static_cast<std::uint8_t>(fields.symbol));
  waypoint.SetRouteUse(static_cast<std::uint8_t>(fields.routeUse));
  waypoint.SetAltitude(fields.altitude);
  waypoint.SetLongitude(fields.longitude);
  waypoint.SetLatitude(fields.latitude);
  m_waypoints.push_back(std::move(waypoint));
  m_waypointNames.Add(position - 1);
  m_routeUseGiven.push_back(fields.hasRouteUse);
}

std::string CGpxReader::NextRoutePointName() {
  std::string name;
  do {
    char text[16];
    std::snprintf(text, sizeof text, "RTE%03u", ++m_unnamedRoutePoints);
    name = text;
  } while (m_waypointNames.Find(name) != CWaypointNames::kNone);
  return name;
}

void CGpxReader::Take(const SGpxEventBatch& batch) {
  for (const SGpxEvent& event : batch.events) {
    if (!Wanted()) return;
    switch (event.type) {
      case SGpxEvent::EType::Start:
        Start(batch, event);
        break;
      case SGpxEvent::EType::End:
        End();
        break;
      case SGpxEvent::EType::Text:
        if (Active()) m_run.append(batch.First(event));
        break;
      case SGpxEvent::EType::CData:
        if (!Active()) break;
        EndRun();
        if (!(m_firstOnly && m_gotFirst)) m_text.append(batch.First(event));
        m_gotFirst = true;
        break;
      case SGpxEvent::EType::Break:
        if (Active()) EndRun();
        break;
      case SGpxEvent::EType::Value:
        Start(batch, event);
        if (event.hasSecond && Active()) m_run.append(batch.Second(event));
        End();
        break;
    }
  }
}

void CGpxReader::Start(const SGpxEventBatch& batch, const SGpxEvent& event) {
  const EGpxElement kind = event.element;
  const EGpxElement parent = m_frames.empty() ? E::Ignored : m_frames.back().kind;
  m_frames.push_back({kind, event.offset});
  if (kind == E::Waypoint) m_inWaypoint = true;
  if (!Active()) return;
  const SFrame& frame = m_frames.back();
  if (IsGpxText(kind)) {
    m_text.clear();
    m_run.clear();
    m_firstOnly = kind == E::NodeEle || kind == E::NodeTime || kind == E::NodeFix;
    m_gotFirst = false;
    if (event.hasFirst) m_integerName = batch.First(event);
  }
  switch (kind) {
    case E::Root:
      if (event.hasFirst)
        Refuse(frame, "not a GPX file: the root element is <" + std::string(batch.First(event)) + ">");
      return;
    case E::Waypoint:
    case E::RoutePoint:
      m_point = SPointFields();
      ReadCoordinates(frame, batch, event, m_point.latitude, m_point.longitude);
      return;
    case E::Route:
      m_route = SRouteFields();
      m_route.number = static_cast<std::int64_t>(m_routes.size()) + 1;
      return;
    case E::Track:
      m_track = CVexlornFileTrk();
      m_trackBegun = false;
      return;
    case E::Header:
      m_header = parent == E::RootExtensions ? static_cast<SVexlornHeadBlock*>(&m_pointsHeader) : &m_track.GetHeader();
      return;
    case E::TrackPoint: {
      m_node = SVexlornTnodBlock();
      double latitude = 0, longitude = 0;
      if (!ReadCoordinates(frame, batch, event, latitude, longitude)) return;
      m_node.SetLatitude(latitude);
      m_node.SetLongitude(longitude);
      m_node.SetValidFix(1);
      m_node.SetTime(m_times.NoTime());  // unless the point has a time
      return;
    }
    default:
      return;
  }
}

void CGpxReader::End() {
  const SFrame frame = m_frames.back();
  m_frames.pop_back();
  const bool active = Active();
  if (frame.kind == E::Waypoint) m_inWaypoint = false;
  if (!active) return;
  std::int64_t integer = 0;
  switch (frame.kind) {
    case E::PointEle:
      ReadNumber(frame, "ele", m_point.altitude);
      return;
    case E::PointName:
      m_point.name = NameOf();
      return;
    case E::PointComment:
      m_point.comment = NameOf();
      m_point.hasComment = true;
      return;
    case E::PointDescription:
      // Many programs put the note in desc and leave cmt out; cmt wins when both are there.
      if (m_point.hasComment) {
        TakeText();
        ReleaseText();
      } else {
        m_point.comment = NameOf();
      }
      return;
    case E::PointSym:
      m_point.hasSym = true;
      m_point.sym = std::string(TakeText());
      ReleaseText();
      return;
    case E::PointSymbol:
      if (ReadInteger(frame, 0, SVexlornWptBlock::kMaxSymbol, m_point.symbol)) m_point.hasSymbol = true;
      return;
    case E::PointNumber:
      if (ReadInteger(frame, INT32_MIN, INT32_MAX, m_point.number)) m_point.hasNumber = true;
      return;
    case E::PointRouteUse:
      if (ReadInteger(frame, 0, SVexlornWptBlock::kMaxRouteUse, m_point.routeUse)) m_point.hasRouteUse = true;
      return;
    case E::Waypoint:
      EndPoint(m_point);
      AddWaypoint(std::move(m_point));
      m_point = SPointFields();
      return;
    case E::RoutePoint:
      EndPoint(m_point);
      m_route.points.push_back(std::move(m_point));
      m_point = SPointFields();
      return;
    case E::RouteName:
      m_route.name = NameOf();
      return;
    case E::RouteNumber:
      if (ReadInteger(frame, 0, INT32_MAX, integer)) m_route.number = integer;
      return;
    case E::RouteExtensionNumber:
      if (ReadInteger(frame, INT32_MIN, INT32_MAX, integer)) m_route.number = integer;
      return;
    case E::Route:
      m_routes.push_back(std::move(m_route));
      m_route = SRouteFields();
      return;
    case E::TrackName:
      m_track.SetName(NameOf());
      return;
    case E::HeaderText: {
      const std::string_view text = TakeText();
      if (!m_header->SetVersionText(std::string(text).c_str()))
        Refuse(frame, "unknown version text \"" + std::string(text) + "\"");
      return;
    }
    case E::HeaderCode: {
      const std::string_view text = TakeText();
      if (!m_header->SetVersionCode(std::string(text).c_str()))
        Refuse(frame, "unknown version code \"" + std::string(text) + "\"");
      return;
    }
    case E::HeaderType:
      // A loaded file keeps whichever of the four types it had, so the plain header's rule applies
      // here too, not the document's own fixed type.
      if (ReadInteger(frame, 0, 3, integer))
        m_header->SVexlornHeadBlock::SetFileType(static_cast<std::int32_t>(integer));
      return;
    case E::NodeEle: {
      float altitude = 0;
      if (ReadNumber(frame, "ele", altitude)) m_node.SetAltitude(altitude);
      return;
    }
    case E::NodeTime: {
      const std::string_view text = TakeText();
      std::int64_t seconds = 0;
      std::uint8_t hundredths = 0;
      if (!ParseGpxTime(text, seconds, hundredths)) {
        Refuse(frame, "time \"" + std::string(text) + "\" is not a date and time");
        return;
      }
      m_node.SetTime(seconds);
      m_node.SetHundredths(hundredths);
      return;
    }
    case E::NodeFix:
      if (TrimmedGpxText(TakeText()) == "none") m_node.SetValidFix(0);
      return;
    case E::NodeValidFix:
      if (ReadInteger(frame, INT32_MIN, INT32_MAX, integer)) m_node.SetValidFix(static_cast<std::int32_t>(integer));
      return;
    case E::TrackPoint:
      if (!m_trackBegun) m_tracks.BeginTrack(m_track);
      m_trackBegun = true;
      m_tracks.AddNode(m_node);
      if (m_tracks.WantsPlaceOfNode()) m_nodesToPlace.push_back(frame.start);
      return;
    case E::Track:
      m_tracks.EndTrack(m_track, m_trackBegun);
      return;
    default:
      return;
  }
}

void CGpxReader::ResolveRoutes(CVexlornFileWpt& points) {
  for (SRouteFields& fields : m_routes) {
    SVexlornRteBlock route;
    route.SetName(fields.name);
    for (SPointFields& point : fields.points) {
      if (point.name.empty() && !point.hasNumber) point.name = NextRoutePointName();
      // A point written by us carries its own number and is taken as it was, even when the
      // desktop file it came from named a waypoint that its list lacks.
      if (m_waypointNames.Find(point.name) == CWaypointNames::kNone && !point.hasNumber) {
        point.routeUse = 2;
        point.hasRouteUse = true;
        AddWaypoint(point);
      }
      const std::size_t waypoint = m_waypointNames.Find(point.name);
      SVexlornRwptBlock routePoint;
      routePoint.SetName(point.name);
      routePoint.SetLongitude(point.longitude);
      routePoint.SetLatitude(point.latitude);
      auto number = static_cast<std::int32_t>(point.number);
      auto symbol = static_cast<std::uint8_t>(point.symbol);
      if (waypoint != CWaypointNames::kNone) {
        if (!point.hasNumber) number = static_cast<std::int32_t>(waypoint + 1);
        if (!point.hasSymbol && !point.hasSym) symbol = m_waypoints[waypoint].GetSymbol();
      }
      routePoint.SetNumber(number);
      routePoint.SetSymbol(symbol);
      route.GetPoints().Add(std::move(routePoint));
    }
    route.SetNumber(static_cast<std::int32_t>(fields.number));
    points.GetRoutes().Add(std::move(route));
  }
  // Without our own value, route use follows the rule of the unit conversion: 2 for a waypoint
  // that some route names, 1 otherwise.
  std::unordered_set<std::string_view> routed;
  for (const SVexlornRteBlock& route : points.GetRoutes())
    for (const SVexlornRwptBlock& point : route.GetPoints()) routed.insert(point.GetName());
  points.GetWaypoints().Reserve(m_waypoints.size());
  for (std::size_t i = 0; i < m_waypoints.size(); ++i) {
    SVexlornWptBlock& waypoint = m_waypoints[i];
    if (!m_routeUseGiven[i]) waypoint.SetRouteUsed(routed.count(waypoint.GetName()) != 0);
    points.GetWaypoints().Add(std::move(waypoint));
  }
}

bool CGpxReader::Read(CByteSource& source, std::uint64_t size, const CGpxSourceOpener& reopen, CVexlornFileWpt& points,
                      CDiagnostic* why) {
  const std::size_t blockSize = BlockSizeFor(size);
  // A refused file changes nothing, also not the count of replaced characters its names made.
  const std::size_t replaced = m_codePage.GetReplacementCount();
  const auto refused = [&] {
    m_codePage.ResetReplacementCount();
    m_codePage.CountReplacements(replaced);
    return false;
  };
  SGpxRefusal syntax;
  CDiagnostic readError;
  bool changed = false;
  {
    std::unique_ptr<CGpxParse> parse;
    try {
      parse = std::make_unique<CGpxParse>(source, blockSize, blockSize == kBlockSize);
    } catch (const std::system_error& error) {
      Fail(why, std::string("cannot start reading the file: ") + error.what());
      return refused();
    }
    while (const SGpxEventBatch* batch = parse->Next()) {
      Take(*batch);
      if (!Wanted()) parse->Quiet();
    }
    syntax = parse->Fault();
    readError = parse->ReadError();
    changed = parse->InputChanged();
    m_codePage.CountReplacements(parse->DecodingReplacements());
  }
  if (readError.HasReason()) {
    if (why != nullptr) *why = readError;
    return refused();
  }
  for (const SGpxRefusal* refusal : {&syntax, &m_rootRefused, &m_waypointRefused, &m_otherRefused}) {
    if (!refusal->set) continue;
    if (why != nullptr) SetGpxRefusal(reopen, blockSize, changed, *refusal, *why);
    return refused();
  }
  if (!m_nodesToPlace.empty())
    m_tracks.PlacesOfNodes(LocateGpxOffsets(reopen, blockSize, changed, std::move(m_nodesToPlace), true));
  CVexlornFileWpt read;
  read.GetHeader() = m_pointsHeader;
  ResolveRoutes(read);
  points = std::move(read);
  return true;
}

bool ReadFrom(CByteSource& source, std::uint64_t size, const CGpxSourceOpener& reopen, CVexlornFileWpt& points,
              CGpxTrackHandler& tracks, CCodePage& codePage, CDiagnostic* why) {
  CGpxReader reader(codePage, tracks);
  return reader.Read(source, size, reopen, points, why);
}

// Every track into the document's list.
class CDocumentTracks : public CGpxTrackHandler {
 public:
  explicit CDocumentTracks(std::vector<CVexlornFileTrk>& tracks) : m_tracks(tracks) {}
  void BeginTrack(const CVexlornFileTrk& track) override { m_tracks.push_back(track); }
  void AddNode(const SVexlornTnodBlock& node) override { m_tracks.back().GetNodes().Add(node); }
  void EndTrack(const CVexlornFileTrk& track, bool hadPoints) override {
    if (!hadPoints) {
      m_tracks.push_back(track);
      return;
    }
    m_tracks.back().SetName(track.GetName());
    m_tracks.back().GetHeader() = track.GetHeader();
  }

 private:
  std::vector<CVexlornFileTrk>& m_tracks;
};

}  // namespace

bool ReadGpxFile(const std::string& path, CVexlornFileWpt& points, CGpxTrackHandler& tracks, CCodePage& codePage,
                 CDiagnostic* why) {
  CInputFile file;
  if (!file.Open(path, why)) return false;
  const CGpxSourceOpener reopen = [&path]() -> std::unique_ptr<CByteSource> {
    auto again = std::make_unique<CInputFile>();
    if (!again->Open(path)) return nullptr;
    return again;
  };
  return ReadFrom(file, file.Size(), reopen, points, tracks, codePage, why);
}

bool ReadGpxText(std::string_view text, CVexlornFileWpt& points, CGpxTrackHandler& tracks, CCodePage& codePage,
                 CDiagnostic* why) {
  CTextSource source(text);
  const CGpxSourceOpener reopen = [text] { return std::make_unique<CTextSource>(text); };
  return ReadFrom(source, text.size(), reopen, points, tracks, codePage, why);
}

bool ReadGpxSource(CByteSource& source, std::uint64_t size, const FReopenSource& reopen, CVexlornFileWpt& points,
                   CGpxTrackHandler& tracks, CCodePage& codePage, CDiagnostic* why) {
  return ReadFrom(source, size, reopen, points, tracks, codePage, why);
}

bool ReadGpxText(std::string_view text, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  SGpxDocument scratch;
  CDocumentTracks tracks(scratch.tracks);
  if (!ReadGpxText(text, scratch.points, tracks, codePage, why)) return false;
  doc = std::move(scratch);
  return true;
}

bool ReadGpxFile(const std::string& path, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  SGpxDocument scratch;
  CDocumentTracks tracks(scratch.tracks);
  if (!ReadGpxFile(path, scratch.points, tracks, codePage, why)) return false;
  doc = std::move(scratch);
  return true;
}
