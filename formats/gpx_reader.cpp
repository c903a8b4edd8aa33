// Reading GPX 1.0 and 1.1 files with libxml2's SAX2 parser, a block at a time.
#include "formats/gpx_reader.h"

#include <libxml/parser.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "formats/conversion.h"
#include "formats/gpx_values.h"
#include "formats/input_file.h"
#include "formats/unit_times.h"
#include "formats/xml_input_filter.h"

namespace {

// What a reader asks its source for at a time: a large file in blocks of 256 KiB, a small one in
// one block of its own size (but room for the longest piece the filter looks ahead at).
constexpr std::size_t kBlockSize = 256 * 1024;
std::size_t BlockSizeFor(std::uint64_t inputSize) {
  constexpr std::size_t kSmallest = 4096;
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(inputSize + 1, kSmallest, kBlockSize));
}

// Where libxml2's faults outside a parse would go; ours are taken from the parser.
void Silent(void*, const char*, ...) {}

// ---- Sources ----

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

// The input again from its start, to find the place of a refusal; null when it cannot be had.
using COpener = std::function<std::unique_ptr<CByteSource>()>;

// A source read a block at a time into a buffer, the bytes not yet taken kept in front.
class CBlockReader {
 public:
  CBlockReader(CByteSource& source, std::size_t size)
      : m_source(source), m_block(std::make_unique_for_overwrite<char[]>(size)), m_capacity(size) {}

  const char* Data() const { return m_block.get() + m_begin; }
  std::size_t Size() const { return m_end - m_begin; }
  bool AtEnd() const { return m_atEnd; }
  void Take(std::size_t count) { m_begin += count; }
  // Reads behind what is left; false on a read error (its reason in Error()).
  bool Refill() {
    if (m_atEnd) return true;
    const std::size_t left = Size();
    if (left != 0 && m_begin != 0) std::memmove(m_block.get(), m_block.get() + m_begin, left);
    m_begin = 0;
    m_end = left;
    std::size_t got = 0;
    if (!m_source.Read(m_block.get() + m_end, m_capacity - m_end, got, &m_error)) return false;
    m_end += got;
    m_atEnd = got == 0;
    return true;
  }
  const CDiagnostic& Error() const { return m_error; }

 private:
  CByteSource& m_source;
  std::unique_ptr<char[]> m_block;
  std::size_t m_capacity;
  std::size_t m_begin = 0;
  std::size_t m_end = 0;
  bool m_atEnd = false;
  CDiagnostic m_error;
};

// The input as libxml2 reads it: through the filter, straight into the parser's buffer.
class CFilteredInput {
 public:
  CFilteredInput(CByteSource& source, std::size_t blockSize) : m_blocks(source, blockSize) {}

  static int Read(void* context, char* buffer, int length) {
    return static_cast<CFilteredInput*>(context)->Read(buffer, length);
  }
  static int Close(void*) { return 0; }

  bool HasChanged() const { return m_filter.HasChanged(); }
  const CDiagnostic& Error() const { return m_blocks.Error(); }

 private:
  int Read(char* buffer, int length) {
    for (;;) {
      std::size_t made = 0;
      m_blocks.Take(m_filter.Filter(m_blocks.Data(), m_blocks.Size(), m_blocks.AtEnd(), buffer,
                                    static_cast<std::size_t>(std::max(length, 0)), made));
      if (made != 0 || m_blocks.AtEnd()) return static_cast<int>(made);
      if (!m_blocks.Refill()) return -1;
    }
  }

  CBlockReader m_blocks;
  CXmlInputFilter m_filter;
};

// Where offsets of the filtered input (ascending) lie in the file itself, in place. The filter is
// run again from the start up to the last of them; a place inside a rewritten piece is that piece's.
void SourceOffsets(CByteSource& source, std::size_t blockSize, std::vector<std::uint64_t>& offsets) {
  CBlockReader blocks(source, blockSize);
  CXmlInputFilter filter;
  std::vector<char> out(blockSize);
  std::uint64_t made = 0, taken = 0;
  std::size_t next = 0;
  if (blocks.Refill()) {
    while (next < offsets.size()) {
      const std::uint64_t filtered = offsets[next];
      const auto room =
          static_cast<std::size_t>(std::min<std::uint64_t>(filtered - std::min(made, filtered), out.size()));
      if (room == 0) {
        offsets[next++] = taken;
        continue;
      }
      if (room < CXmlInputFilter::kMaxPiece) {
        offsets[next++] = taken + room;
        continue;
      }
      std::size_t produced = 0;
      const std::size_t consumed =
          filter.Filter(blocks.Data(), blocks.Size(), blocks.AtEnd(), out.data(), room, produced);
      blocks.Take(consumed);
      made += produced;
      taken += consumed;
      if (consumed == 0 && produced == 0 && (blocks.AtEnd() || !blocks.Refill())) break;
    }
  }
  for (; next < offsets.size(); ++next) offsets[next] = taken;
}

// ---- The reader ----

// What an element is, by its name and where it stands; elements of no interest are Ignored with
// everything inside them.
enum class EKind : std::uint8_t {
  Ignored,
  Root,
  RootExtensions,
  Header,
  HeaderText,
  HeaderCode,
  HeaderType,
  Waypoint,
  RoutePoint,
  PointEle,
  PointName,
  PointComment,
  PointDescription,
  PointSym,
  PointExtensions,
  PointSymbol,
  PointNumber,
  PointRouteUse,
  Route,
  RouteName,
  RouteNumber,
  RouteExtensions,
  RouteExtensionNumber,
  Track,
  TrackName,
  TrackExtensions,
  Segment,
  TrackPoint,
  NodeEle,
  NodeTime,
  NodeFix,
  NodeExtensions,
  NodeValidFix,
};

bool IsText(EKind kind) {
  switch (kind) {
    case EKind::HeaderText:
    case EKind::HeaderCode:
    case EKind::HeaderType:
    case EKind::PointEle:
    case EKind::PointName:
    case EKind::PointComment:
    case EKind::PointDescription:
    case EKind::PointSym:
    case EKind::PointSymbol:
    case EKind::PointNumber:
    case EKind::PointRouteUse:
    case EKind::RouteName:
    case EKind::RouteNumber:
    case EKind::RouteExtensionNumber:
    case EKind::TrackName:
    case EKind::NodeEle:
    case EKind::NodeTime:
    case EKind::NodeFix:
    case EKind::NodeValidFix:
      return true;
    default:
      return false;
  }
}

const char* Text(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

bool Is(const xmlChar* name, const char* wanted) { return std::strcmp(Text(name), wanted) == 0; }

// The names the reader looks for, as the parser's dictionary holds them: the parser hands every
// name over from that dictionary, so a name is one of these exactly when it is the same pointer.
struct SNames {
  explicit SNames(xmlDictPtr dictionary) {
    const auto intern = [dictionary](const char* text) {
      return xmlDictLookup(dictionary, reinterpret_cast<const xmlChar*>(text), -1);
    };
    cmt = intern("cmt");
    desc = intern("desc");
    ele = intern("ele");
    extensions = intern("extensions");
    fileType = intern("fileType");
    fix = intern("fix");
    header = intern("header");
    name = intern("name");
    number = intern("number");
    routeUse = intern("routeUse");
    rte = intern("rte");
    rtept = intern("rtept");
    sym = intern("sym");
    symbol = intern("symbol");
    time = intern("time");
    trk = intern("trk");
    trkpt = intern("trkpt");
    trkseg = intern("trkseg");
    validFix = intern("validFix");
    versionCode = intern("versionCode");
    versionText = intern("versionText");
    wpt = intern("wpt");
    lat = intern("lat");
    lon = intern("lon");
    ours = intern(kGpxExtensionNamespace);
  }
  const xmlChar* lat;
  const xmlChar* lon;
  const xmlChar* cmt;
  const xmlChar* desc;
  const xmlChar* ele;
  const xmlChar* extensions;
  const xmlChar* fileType;
  const xmlChar* fix;
  const xmlChar* header;
  const xmlChar* name;
  const xmlChar* number;
  const xmlChar* routeUse;
  const xmlChar* rte;
  const xmlChar* rtept;
  const xmlChar* sym;
  const xmlChar* symbol;
  const xmlChar* time;
  const xmlChar* trk;
  const xmlChar* trkpt;
  const xmlChar* trkseg;
  const xmlChar* validFix;
  const xmlChar* versionCode;
  const xmlChar* versionText;
  const xmlChar* wpt;
  const xmlChar* ours;
};

// The kind of an element in the element of kind `parent`. GPX's own elements are named without a
// prefix; ours carry one bound to our namespace (the nearest declaration decides).
EKind Classify(const SNames& names, EKind parent, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri) {
  const bool plain = prefix == nullptr;
  const bool ours = prefix != nullptr && uri == names.ours;
  switch (parent) {
    case EKind::Root:
      if (!plain) return EKind::Ignored;
      if (name == names.wpt) return EKind::Waypoint;
      if (name == names.rte) return EKind::Route;
      if (name == names.trk) return EKind::Track;
      return name == names.extensions ? EKind::RootExtensions : EKind::Ignored;
    case EKind::Waypoint:
    case EKind::RoutePoint:
      if (!plain) return EKind::Ignored;
      if (name == names.ele) return EKind::PointEle;
      if (name == names.name) return EKind::PointName;
      if (name == names.cmt) return EKind::PointComment;
      if (name == names.desc) return EKind::PointDescription;
      if (name == names.sym) return EKind::PointSym;
      return name == names.extensions ? EKind::PointExtensions : EKind::Ignored;
    case EKind::PointExtensions:
      if (!ours) return EKind::Ignored;
      if (name == names.symbol) return EKind::PointSymbol;
      if (name == names.number) return EKind::PointNumber;
      return name == names.routeUse ? EKind::PointRouteUse : EKind::Ignored;
    case EKind::Route:
      if (!plain) return EKind::Ignored;
      if (name == names.name) return EKind::RouteName;
      if (name == names.number) return EKind::RouteNumber;
      if (name == names.rtept) return EKind::RoutePoint;
      return name == names.extensions ? EKind::RouteExtensions : EKind::Ignored;
    case EKind::RouteExtensions:
      return ours && name == names.number ? EKind::RouteExtensionNumber : EKind::Ignored;
    case EKind::Track:
      if (!plain) return EKind::Ignored;
      if (name == names.name) return EKind::TrackName;
      if (name == names.trkseg) return EKind::Segment;
      return name == names.extensions ? EKind::TrackExtensions : EKind::Ignored;
    case EKind::RootExtensions:
    case EKind::TrackExtensions:
      return ours && name == names.header ? EKind::Header : EKind::Ignored;
    case EKind::Header:
      if (!ours) return EKind::Ignored;
      if (name == names.versionText) return EKind::HeaderText;
      if (name == names.versionCode) return EKind::HeaderCode;
      return name == names.fileType ? EKind::HeaderType : EKind::Ignored;
    case EKind::Segment:
      return plain && name == names.trkpt ? EKind::TrackPoint : EKind::Ignored;
    case EKind::TrackPoint:
      if (!plain) return EKind::Ignored;
      if (name == names.ele) return EKind::NodeEle;
      if (name == names.time) return EKind::NodeTime;
      if (name == names.fix) return EKind::NodeFix;
      return name == names.extensions ? EKind::NodeExtensions : EKind::Ignored;
    case EKind::NodeExtensions:
      return ours && name == names.validFix ? EKind::NodeValidFix : EKind::Ignored;
    default:
      return EKind::Ignored;
  }
}

// Reads one GPX file. A refusal does not stop the parse: the file is read to its end, since a
// fault of XML anywhere is reported first, then one of the root, then one of a waypoint (every
// waypoint is read before any route point is matched to it), then the first of anything else.
class CGpxReader {
 public:
  CGpxReader(CCodePage& codePage, CGpxTrackHandler& tracks) : m_codePage(codePage), m_tracks(tracks) {}

  bool Read(CByteSource& source, std::uint64_t size, const COpener& reopen, CVexlornFileWpt& points, CDiagnostic* why);

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
    EKind kind;
    std::uint64_t start;  // where the parser stood after the start tag
  };
  // A refusal kept for the end: where and what.
  struct SRefusal {
    bool set = false;
    bool atElement = false;  // the place is the name of the element whose tag ends at `offset`
    std::uint64_t offset = 0;
    std::string rule;
  };

  static void OnStart(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
                      const xmlChar** namespaces, int attributeCount, int defaulted, const xmlChar** attributes);
  static void OnEnd(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri);
  static void OnCharacters(void* context, const xmlChar* text, int length);
  static void OnCData(void* context, const xmlChar* text, int length);
  static void OnMarkup(void* context, const xmlChar*);
  static void OnInstruction(void* context, const xmlChar*, const xmlChar*);
  static void OnError(void* context, xmlErrorPtr error);

  void Start(const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int attributeCount,
             const xmlChar** attributes);
  void End(const xmlChar* name, const xmlChar* prefix);
  void Error(const xmlError& error);

  // Whether elements are still looked at: not after a refusal that nothing later can outrank.
  bool Active() const { return !m_rootRefused.set && !m_waypointRefused.set && (!m_otherRefused.set || m_inWaypoint); }
  std::uint64_t Offset() const;
  void Refuse(const SFrame& frame, std::string rule);
  bool Finish(const COpener& reopen, const SRefusal& refusal, CDiagnostic* why) const;
  std::vector<SSourcePlace> Locate(const COpener& reopen, std::vector<std::uint64_t> offsets, bool atElement) const;

  // The element's text without the filter's markers; a name or comment in the code page. A
  // control character in it becomes '?' like one the code page lacks (XML cannot hold one, and
  // "&#0;" must not cut a name short).
  bool InText() const { return !m_frames.empty() && IsText(m_frames.back().kind) && Active(); }
  void EndRun();
  // Valid until the next element's text begins.
  std::string_view TakeText();
  std::string NameOf();
  bool ReadCoordinates(const SFrame& frame, const xmlChar* name, int attributeCount, const xmlChar** attributes,
                       double& latitude, double& longitude);
  bool ReadInteger(const SFrame& frame, const xmlChar* name, const xmlChar* prefix, std::int64_t low, std::int64_t high,
                   std::int64_t& value);
  void EndPoint(SPointFields& fields);
  void AddWaypoint(const SPointFields& fields, CVexlornFileWpt& points);
  std::string NextRoutePointName();
  void ResolveRoutes(CVexlornFileWpt& points);

  CCodePage& m_codePage;
  CGpxTrackHandler& m_tracks;
  xmlParserCtxtPtr m_parser = nullptr;
  std::unique_ptr<SNames> m_names;
  std::vector<SFrame> m_frames;
  // The text of the element at hand, as the reader always took it: its runs of characters between
  // markup, a run of white space alone left out, and its CDATA sections; for a track point's
  // values only the first of them.
  std::string m_text;
  std::string m_run;
  bool m_firstOnly = false;
  bool m_gotFirst = false;
  SRefusal m_syntax, m_rootRefused, m_waypointRefused, m_otherRefused;
  std::vector<std::uint64_t> m_nodesToPlace;  // where the track points end whose places the handler asked for
  bool m_inWaypoint = false;
  std::size_t m_blockSize = kBlockSize;
  bool m_changed = false;  // whether the filter made places in the parser's input differ from the file's

  CVexlornFileWpt m_points;
  SPointFields m_point;
  SRouteFields m_route;
  std::vector<SRouteFields> m_routes;
  CVexlornFileTrk m_track;
  bool m_trackBegun = false;
  SVexlornTnodBlock m_node;
  const CUnitTimes m_times;
  SVexlornHeadBlock* m_header = nullptr;

  std::unordered_map<std::string, std::size_t> m_waypointByName;  // first waypoint of each name
  std::vector<bool> m_routeUseGiven;
  unsigned m_unnamedRoutePoints = 0;
};

std::uint64_t CGpxReader::Offset() const {
  if (m_parser == nullptr || m_parser->inputNr < 1) return 0;
  // The document's own input, even while an entity of the internal subset is being read.
  const xmlParserInputPtr input = m_parser->inputTab[0];
  // A file in another encoding is read through a decoder; libxml2 counts its bytes back.
  if (input->buf != nullptr && input->buf->encoder != nullptr)
    return static_cast<std::uint64_t>(std::max(xmlByteConsumed(m_parser), 0L));
  return input->consumed + static_cast<std::uint64_t>(input->cur - input->base);
}

void CGpxReader::Refuse(const SFrame& frame, std::string rule) {
  SRefusal& slot = frame.kind == EKind::Root ? m_rootRefused : m_inWaypoint ? m_waypointRefused : m_otherRefused;
  if (slot.set) return;
  slot = {true, true, frame.start, std::move(rule)};
}

void CGpxReader::EndRun() {
  if (m_run.find_first_not_of(" \t\r\n") != std::string::npos && !(m_firstOnly && m_gotFirst)) {
    m_text += m_run;
    m_gotFirst = true;
  }
  m_run.clear();
}

std::string_view CGpxReader::TakeText() {
  EndRun();
  CXmlInputFilter::Unmark(m_text);
  return m_text;
}

std::string CGpxReader::NameOf() {
  std::string text(TakeText());
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      c = '?';
      m_codePage.CountReplacements(1);
    }
  }
  return m_codePage.FromUtf8(text);
}

bool CGpxReader::ReadCoordinates(const SFrame& frame, const xmlChar* name, int attributeCount,
                                 const xmlChar** attributes, double& latitude, double& longitude) {
  // Attributes come as name, prefix, namespace, value and value end.
  const xmlChar** lat = nullptr;
  const xmlChar** lon = nullptr;
  for (int i = 0; i < attributeCount; ++i) {
    const xmlChar** attribute = attributes + 5 * i;
    if (attribute[1] != nullptr) continue;
    if (attribute[0] == m_names->lat) lat = attribute;
    if (attribute[0] == m_names->lon) lon = attribute;
  }
  if (lat == nullptr || lon == nullptr) {
    Refuse(frame, "<" + std::string(Text(name)) + "> without lat and lon");
    return false;
  }
  const auto value = [](const xmlChar** attribute) {
    std::string text(Text(attribute[3]), static_cast<std::size_t>(attribute[4] - attribute[3]));
    CXmlInputFilter::Unmark(text);
    return text;
  };
  // A coordinate out of its range would be written as a place that does not exist.
  const auto read = [&](const xmlChar** attribute, const char* what, double limit, double& degrees) {
    const std::string text = value(attribute);
    if (!ParseGpxNumber(text, degrees)) {
      Refuse(frame, std::string(what) + " \"" + text + "\" is not a number");
      return false;
    }
    if (degrees < -limit || degrees > limit) {
      Refuse(frame, "<" + std::string(Text(name)) + "> " + what + " \"" + text + "\" lies outside -" +
                        std::to_string(static_cast<int>(limit)) + ".." + std::to_string(static_cast<int>(limit)));
      return false;
    }
    return true;
  };
  double parsed = 0;
  if (!read(lat, "lat", 90, parsed) || !read(lon, "lon", 180, longitude)) return false;
  latitude = FlipLatitude(parsed);
  return true;
}

bool CGpxReader::ReadInteger(const SFrame& frame, const xmlChar* name, const xmlChar* prefix, std::int64_t low,
                             std::int64_t high, std::int64_t& value) {
  const std::string_view text = TakeText();
  if (ParseGpxInteger(text, value) && value >= low && value <= high) return true;
  const std::string element = prefix != nullptr ? std::string(Text(prefix)) + ":" + Text(name) : Text(name);
  Refuse(frame, "<" + element + "> \"" + std::string(text) + "\" is not a number " + std::to_string(low) + ".." +
                    std::to_string(high));
  return false;
}

void CGpxReader::EndPoint(SPointFields& fields) {
  // Our own symbol number wins; otherwise a unit icon name in sym; any other symbol name is one
  // this system has no number for.
  if (!fields.hasSymbol && fields.hasSym) fields.symbol = IconToSymbol(TrimmedGpxText(fields.sym));
}

void CGpxReader::AddWaypoint(const SPointFields& fields, CVexlornFileWpt& points) {
  SVexlornWptBlock waypoint;
  const std::size_t position = points.GetWaypoints().GetCount() + 1;
  waypoint.SetName(fields.name);
  waypoint.SetComment(fields.comment);
  waypoint.SetNumber(fields.hasNumber ? static_cast<std::int32_t>(fields.number) : static_cast<std::int32_t>(position));
  waypoint.SetSymbol(static_cast<std::uint8_t>(fields.symbol));
  waypoint.SetRouteUse(static_cast<std::uint8_t>(fields.routeUse));
  waypoint.SetAltitude(fields.altitude);
  waypoint.SetLongitude(fields.longitude);
  waypoint.SetLatitude(fields.latitude);
  m_waypointByName.emplace(fields.name, position - 1);
  m_routeUseGiven.push_back(fields.hasRouteUse);
  points.GetWaypoints().Add(std::move(waypoint));
}

std::string CGpxReader::NextRoutePointName() {
  std::string name;
  do {
    char text[16];
    std::snprintf(text, sizeof text, "RTE%03u", ++m_unnamedRoutePoints);
    name = text;
  } while (m_waypointByName.count(name) != 0);
  return name;
}

void CGpxReader::Start(const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int attributeCount,
                       const xmlChar** attributes) {
  if (InText()) EndRun();
  const EKind parent = m_frames.empty() ? EKind::Ignored : m_frames.back().kind;
  const EKind kind = m_frames.empty() ? EKind::Root : Classify(*m_names, parent, name, prefix, uri);
  m_frames.push_back({kind, Offset()});
  if (kind == EKind::Waypoint) m_inWaypoint = true;
  if (!Active()) return;
  const SFrame& frame = m_frames.back();
  if (IsText(kind)) {
    m_text.clear();
    m_run.clear();
    m_firstOnly = kind == EKind::NodeEle || kind == EKind::NodeTime || kind == EKind::NodeFix;
    m_gotFirst = false;
  }
  switch (kind) {
    case EKind::Root: {
      if (prefix != nullptr || !Is(name, "gpx")) {
        const std::string element = prefix != nullptr ? std::string(Text(prefix)) + ":" + Text(name) : Text(name);
        Refuse(frame, "not a GPX file: the root element is <" + element + ">");
        return;
      }
      // Devices and hand-made files often leave out the namespace and the version; GPX 1.0 and 1.1
      // differ in nothing that is read here, so any gpx root is read alike.
      return;
    }
    case EKind::Waypoint:
    case EKind::RoutePoint:
      m_point = SPointFields();
      ReadCoordinates(frame, name, attributeCount, attributes, m_point.latitude, m_point.longitude);
      return;
    case EKind::Route:
      m_route = SRouteFields();
      m_route.number = static_cast<std::int64_t>(m_routes.size()) + 1;
      return;
    case EKind::Track:
      m_track = CVexlornFileTrk();
      m_trackBegun = false;
      return;
    case EKind::Header:
      m_header = parent == EKind::RootExtensions ? static_cast<SVexlornHeadBlock*>(&m_points.GetHeader())
                                                 : &m_track.GetHeader();
      return;
    case EKind::TrackPoint: {
      m_node = SVexlornTnodBlock();
      double latitude = 0, longitude = 0;
      if (!ReadCoordinates(frame, name, attributeCount, attributes, latitude, longitude)) return;
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

void CGpxReader::End(const xmlChar* name, const xmlChar* prefix) {
  const SFrame frame = m_frames.back();
  m_frames.pop_back();
  // Whatever follows the root element is not read, as it never was: a file padded with zero
  // bytes or other junk at its end reads as the GPX it holds.
  if (m_frames.empty()) xmlStopParser(m_parser);
  const bool active = Active();
  if (frame.kind == EKind::Waypoint) m_inWaypoint = false;
  if (!active) return;
  std::int64_t integer = 0;
  switch (frame.kind) {
    case EKind::PointEle: {
      const std::string_view text = TakeText();
      if (!ParseGpxNumber(text, m_point.altitude)) Refuse(frame, "ele \"" + std::string(text) + "\" is not a number");
      return;
    }
    case EKind::PointName:
      m_point.name = NameOf();
      return;
    case EKind::PointComment:
      m_point.comment = NameOf();
      m_point.hasComment = true;
      return;
    case EKind::PointDescription:
      // Many programs put the note in desc and leave cmt out; cmt wins when both are there.
      if (m_point.hasComment) {
        TakeText();
      } else {
        m_point.comment = NameOf();
      }
      return;
    case EKind::PointSym:
      m_point.hasSym = true;
      m_point.sym = std::string(TakeText());
      return;
    case EKind::PointSymbol:
      if (ReadInteger(frame, name, prefix, 0, SVexlornWptBlock::kMaxSymbol, m_point.symbol)) m_point.hasSymbol = true;
      return;
    case EKind::PointNumber:
      if (ReadInteger(frame, name, prefix, INT32_MIN, INT32_MAX, m_point.number)) m_point.hasNumber = true;
      return;
    case EKind::PointRouteUse:
      if (ReadInteger(frame, name, prefix, 0, SVexlornWptBlock::kMaxRouteUse, m_point.routeUse))
        m_point.hasRouteUse = true;
      return;
    case EKind::Waypoint:
      EndPoint(m_point);
      AddWaypoint(m_point, m_points);
      return;
    case EKind::RoutePoint:
      EndPoint(m_point);
      m_route.points.push_back(std::move(m_point));
      return;
    case EKind::RouteName:
      m_route.name = NameOf();
      return;
    case EKind::RouteNumber:
      if (ReadInteger(frame, name, prefix, 0, INT32_MAX, integer)) m_route.number = integer;
      return;
    case EKind::RouteExtensionNumber:
      if (ReadInteger(frame, name, prefix, INT32_MIN, INT32_MAX, integer)) m_route.number = integer;
      return;
    case EKind::Route:
      m_routes.push_back(std::move(m_route));
      return;
    case EKind::TrackName:
      m_track.SetName(NameOf());
      return;
    case EKind::HeaderText: {
      const std::string_view text = TakeText();
      if (!m_header->SetVersionText(std::string(text).c_str()))
        Refuse(frame, "unknown version text \"" + std::string(text) + "\"");
      return;
    }
    case EKind::HeaderCode: {
      const std::string_view text = TakeText();
      if (!m_header->SetVersionCode(std::string(text).c_str()))
        Refuse(frame, "unknown version code \"" + std::string(text) + "\"");
      return;
    }
    case EKind::HeaderType:
      // A loaded file keeps whichever of the four types it had, so the plain header's rule applies
      // here too, not the document's own fixed type.
      if (ReadInteger(frame, name, prefix, 0, 3, integer))
        m_header->SVexlornHeadBlock::SetFileType(static_cast<std::int32_t>(integer));
      return;
    case EKind::NodeEle: {
      const std::string_view text = TakeText();
      float altitude = 0;
      if (!ParseGpxNumber(text, altitude)) {
        Refuse(frame, "ele \"" + std::string(text) + "\" is not a number");
        return;
      }
      m_node.SetAltitude(altitude);
      return;
    }
    case EKind::NodeTime: {
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
    case EKind::NodeFix:
      if (TrimmedGpxText(TakeText()) == "none") m_node.SetValidFix(0);
      return;
    case EKind::NodeValidFix:
      if (ReadInteger(frame, name, prefix, INT32_MIN, INT32_MAX, integer))
        m_node.SetValidFix(static_cast<std::int32_t>(integer));
      return;
    case EKind::TrackPoint:
      if (!m_trackBegun) m_tracks.BeginTrack(m_track);
      m_trackBegun = true;
      m_tracks.AddNode(m_node);
      if (m_tracks.WantsPlaceOfNode()) m_nodesToPlace.push_back(frame.start);
      return;
    case EKind::Track:
      m_tracks.EndTrack(m_track, m_trackBegun);
      return;
    default:
      return;
  }
}

void CGpxReader::Error(const xmlError& error) {
  // Namespace faults and warnings leave the document readable, as they always did.
  if (error.level != XML_ERR_FATAL || m_syntax.set) return;
  std::string message = error.message != nullptr ? error.message : "not well-formed";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  m_syntax = {true, false, Offset(), "not a GPX file: " + message};
  xmlStopParser(m_parser);
}

void CGpxReader::OnStart(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int,
                         const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
  static_cast<CGpxReader*>(context)->Start(name, prefix, uri, attributeCount, attributes);
}

void CGpxReader::OnEnd(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar*) {
  static_cast<CGpxReader*>(context)->End(name, prefix);
}

void CGpxReader::OnCharacters(void* context, const xmlChar* text, int length) {
  auto* reader = static_cast<CGpxReader*>(context);
  // Only the element's own text counts, not that of elements inside it.
  if (reader->InText()) reader->m_run.append(Text(text), static_cast<std::size_t>(length));
}

void CGpxReader::OnCData(void* context, const xmlChar* text, int length) {
  auto* reader = static_cast<CGpxReader*>(context);
  if (!reader->InText()) return;
  reader->EndRun();
  if (!(reader->m_firstOnly && reader->m_gotFirst)) reader->m_text.append(Text(text), static_cast<std::size_t>(length));
  reader->m_gotFirst = true;
}

// A comment or instruction ends a run of characters.
void CGpxReader::OnMarkup(void* context, const xmlChar*) {
  auto* reader = static_cast<CGpxReader*>(context);
  if (reader->InText()) reader->EndRun();
}

void CGpxReader::OnInstruction(void* context, const xmlChar*, const xmlChar*) { OnMarkup(context, nullptr); }

void CGpxReader::OnError(void* context, xmlErrorPtr error) {
  if (error != nullptr) static_cast<CGpxReader*>(context)->Error(*error);
}

void CGpxReader::ResolveRoutes(CVexlornFileWpt& points) {
  for (SRouteFields& fields : m_routes) {
    SVexlornRteBlock route;
    route.SetName(fields.name);
    for (SPointFields& point : fields.points) {
      if (point.name.empty() && !point.hasNumber) point.name = NextRoutePointName();
      // A point written by us carries its own number and is taken as it was, even when the
      // desktop file it came from named a waypoint that its list lacks.
      if (m_waypointByName.find(point.name) == m_waypointByName.end() && !point.hasNumber) {
        point.routeUse = 2;
        point.hasRouteUse = true;
        AddWaypoint(point, points);
      }
      const auto waypoint = m_waypointByName.find(point.name);
      SVexlornRwptBlock routePoint;
      routePoint.SetName(point.name);
      routePoint.SetLongitude(point.longitude);
      routePoint.SetLatitude(point.latitude);
      auto number = static_cast<std::int32_t>(point.number);
      auto symbol = static_cast<std::uint8_t>(point.symbol);
      if (waypoint != m_waypointByName.end()) {
        const SVexlornWptBlock& target =
            *(points.GetWaypoints().begin() + static_cast<std::ptrdiff_t>(waypoint->second));
        if (!point.hasNumber) number = static_cast<std::int32_t>(waypoint->second + 1);
        if (!point.hasSymbol && !point.hasSym) symbol = target.GetSymbol();
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
  SVexlornWptBlockArray waypoints;
  waypoints.Reserve(points.GetWaypoints().GetCount());
  std::size_t index = 0;
  for (SVexlornWptBlock waypoint : points.GetWaypoints()) {
    if (!m_routeUseGiven[index++]) waypoint.SetRouteUsed(routed.count(waypoint.GetName()) != 0);
    waypoints.Add(std::move(waypoint));
  }
  points.GetWaypoints() = std::move(waypoints);
}

// The places of offsets of the parser's input (ascending), as line and column (1-based, in bytes,
// lines ending at LF) of the file's own bytes, found in one pass: with atElement, where the name
// of the element whose start tag ends there begins. Unknown when the file cannot be read again.
std::vector<SSourcePlace> CGpxReader::Locate(const COpener& reopen, std::vector<std::uint64_t> offsets,
                                             bool atElement) const {
  std::vector<SSourcePlace> places(offsets.size());
  if (const auto mapped = m_changed ? reopen() : nullptr) SourceOffsets(*mapped, m_blockSize, offsets);
  const auto source = reopen();
  if (source == nullptr) return places;
  CBlockReader blocks(*source, m_blockSize);
  std::uint64_t at = 0, line = 1, lineStart = 0;
  std::uint64_t tag = 0, tagLine = 0, tagLineStart = 0;  // the last '<' before the place
  bool tagSeen = false;
  for (std::size_t next = 0; next < offsets.size(); ++next) {
    const std::uint64_t offset = offsets[next];
    while (at < offset && blocks.Refill() && blocks.Size() != 0) {
      const char* bytes = blocks.Data();
      const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(blocks.Size(), offset - at));
      for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n') {
          ++line;
          lineStart = at + i + 1;
        } else if (bytes[i] == '<') {
          tagSeen = true;
          tag = at + i;
          tagLine = line;
          tagLineStart = lineStart;
        }
      }
      blocks.Take(count);
      at += count;
    }
    places[next] = atElement && tagSeen ? SSourcePlace::AtLine(tagLine, tag + 1 - tagLineStart + 1)
                                        : SSourcePlace::AtLine(line, std::min(at, offset) - lineStart + 1);
  }
  return places;
}

// The refusal with its place.
bool CGpxReader::Finish(const COpener& reopen, const SRefusal& refusal, CDiagnostic* why) const {
  if (why == nullptr) return false;
  why->Set(refusal.rule);
  const SSourcePlace place = Locate(reopen, {refusal.offset}, refusal.atElement).front();
  if (place.line != 0) why->SetLineAndColumn(place.line, place.column);
  return false;
}

bool CGpxReader::Read(CByteSource& source, std::uint64_t size, const COpener& reopen, CVexlornFileWpt& points,
                      CDiagnostic* why) {
  m_blockSize = BlockSizeFor(size);
  // A refused file changes nothing, also not the count of replaced characters its names made.
  const std::size_t replaced = m_codePage.GetReplacementCount();
  const auto refused = [&] {
    m_codePage.ResetReplacementCount();
    m_codePage.CountReplacements(replaced);
    return false;
  };
  static const bool initialised = [] {
    xmlInitParser();
    // Every fault is reported through the parser's own handler; nothing goes to standard error.
    xmlSetGenericErrorFunc(nullptr, Silent);
    return true;
  }();
  (void)initialised;
  xmlSAXHandler handler;
  std::memset(&handler, 0, sizeof handler);
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = OnStart;
  handler.endElementNs = OnEnd;
  handler.characters = OnCharacters;
  handler.ignorableWhitespace = OnCharacters;
  handler.cdataBlock = OnCData;
  handler.comment = OnMarkup;
  handler.processingInstruction = OnInstruction;
  handler.serror = OnError;
  // No entity, subset or resolver callbacks: nothing outside the file is ever looked up.
  CFilteredInput input(source, m_blockSize);
  m_parser = xmlCreateIOParserCtxt(&handler, this, CFilteredInput::Read, CFilteredInput::Close, &input,
                                   XML_CHAR_ENCODING_NONE);
  if (m_parser == nullptr) return Fail(why, "not enough memory to read the file");
  m_names = std::make_unique<SNames>(m_parser->dict);
  xmlCtxtUseOptions(m_parser, XML_PARSE_NONET);
  xmlParseDocument(m_parser);
  if (m_parser->myDoc != nullptr) xmlFreeDoc(m_parser->myDoc);
  xmlFreeParserCtxt(m_parser);
  m_parser = nullptr;
  m_changed = input.HasChanged();

  if (input.Error().HasReason()) {
    if (why != nullptr) *why = input.Error();
    return refused();
  }
  for (const SRefusal* refusal : {&m_syntax, &m_rootRefused, &m_waypointRefused, &m_otherRefused}) {
    if (!refusal->set) continue;
    Finish(reopen, *refusal, why);
    return refused();
  }
  if (!m_nodesToPlace.empty()) m_tracks.PlacesOfNodes(Locate(reopen, std::move(m_nodesToPlace), true));
  ResolveRoutes(m_points);
  points = std::move(m_points);
  return true;
}

bool ReadFrom(CByteSource& source, std::uint64_t size, const COpener& reopen, CVexlornFileWpt& points,
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
  const COpener reopen = [&path]() -> std::unique_ptr<CByteSource> {
    auto again = std::make_unique<CInputFile>();
    if (!again->Open(path)) return nullptr;
    return again;
  };
  return ReadFrom(file, file.Size(), reopen, points, tracks, codePage, why);
}

bool ReadGpxText(std::string_view text, CVexlornFileWpt& points, CGpxTrackHandler& tracks, CCodePage& codePage,
                 CDiagnostic* why) {
  CTextSource source(text);
  const COpener reopen = [text] { return std::make_unique<CTextSource>(text); };
  return ReadFrom(source, text.size(), reopen, points, tracks, codePage, why);
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
