// Reading and writing of the unit's .upt, .rte and .log files.
#include "formats/unit_files.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "formats/atomic_file.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Bytes of a typical sentence, to reserve room for a whole file's text at once.
constexpr std::size_t kTypicalLineSize = 72;
// What a writer with a sink gathers before handing it on: as large as the atomic file's buffer,
// so that each piece goes to the file in one write without a further copy.
constexpr std::size_t kChunkSize = 256 * 1024;

// Room for the lines still to come, or for one chunk when the text is handed on in pieces.
void ReserveLines(std::string& out, std::size_t lines, const CUnitTextSink* sink) {
  out.reserve(sink != nullptr ? kChunkSize + 4 * kTypicalLineSize : out.size() + lines * kTypicalLineSize);
}

// Hands the text on once it holds a chunk; without a sink the text keeps growing.
bool HandOn(std::string& out, CUnitTextSink* sink) {
  if (sink == nullptr || out.size() < kChunkSize) return true;
  const bool taken = sink->Take(out);
  out.clear();
  return taken;
}

// A source that failed is no file at all; otherwise the lines ran out before the end sentence.
bool ReadFails(const CUnitLineReader& reader, CDiagnostic* why) {
  if (why != nullptr) *why = reader.GetError();
  return false;
}

bool EndsWithoutEndSentence(const CUnitLineReader& reader, CDiagnostic* why) {
  if (reader.HasFailed()) return ReadFails(reader, why);
  return Fail(why, "file ends without the end sentence");
}

// The sentence types that may follow the sentences of each kind read so far, and their names.
constexpr unsigned kWaypointsDue = SentenceTypes({SENTENCE_WPL, SENTENCE_CMD});
constexpr unsigned kWaypointsOrRoutesDue = SentenceTypes({SENTENCE_WPL, SENTENCE_RTE, SENTENCE_CMD});
constexpr unsigned kRoutesDue = SentenceTypes({SENTENCE_RTE, SENTENCE_CMD});
constexpr unsigned kTrackDue = SentenceTypes({SENTENCE_TRK, SENTENCE_CMD});

// Keeps every sentence in the file object's lists.
class CSentenceList : public CUnitSentenceSink {
 public:
  CSentenceList(std::vector<CWplSentence>& waypoints, std::vector<CRteWaypointsSentence>* routes)
      : m_waypoints(waypoints), m_routes(routes) {}
  void TakeWaypoint(CWplSentence& waypoint) override { m_waypoints.push_back(std::move(waypoint)); }
  void TakeRoute(CRteWaypointsSentence& route) override { m_routes->push_back(std::move(route)); }

 private:
  std::vector<CWplSentence>& m_waypoints;
  std::vector<CRteWaypointsSentence>* m_routes;
};

// The user points from the next line on, each handed to the sink as soon as it is read; answers as
// CUnitFile::Read. Route sentences may follow them in a route file.
bool ReadWaypoints(CUnitLineReader& reader, bool routeFile, std::string_view& line, CUnitSentenceSink& sink,
                   CDiagnostic* why) {
  if (reader.HasFailed()) return ReadFails(reader, why);
  if (routeFile) {
    reader.Expect(kWaypointsOrRoutesDue, "WPL, RTE or the end sentence");
  } else {
    reader.Expect(kWaypointsDue, "WPL or the end sentence");
  }
  CWplSentence waypoint;
  bool got = reader.ReadLine(line);
  while (got && SentenceType(line) == SENTENCE_WPL) {
    // A line held apart is as long as a name in it, which keeps the line's room.
    const bool parsed = reader.IsLineApart() ? waypoint.ParseTaking(reader.TakeLine(), why) : waypoint.Parse(line, why);
    if (!parsed) return FailedAtLine(why, reader.GetLineNumber());
    reader.ForgetLine();
    sink.TakeWaypoint(waypoint);
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(reader, why);
}

// The route sentences from the line that stopped ReadWaypoints on: groups must run 1..total with one
// total; a group left incomplete at the end is handed on too.
bool ReadRoutes(CUnitLineReader& reader, std::string_view& line, CUnitSentenceSink& sink, CDiagnostic* why) {
  std::uint32_t counter = 0;
  std::uint32_t expectedTotal = 0;
  bool any = false;
  CRteWaypointsSentence route;
  bool got = true;
  while (got && SentenceType(line) == SENTENCE_RTE) {
    if (!route.Parse(line, why)) return FailedAtLine(why, reader.GetLineNumber());
    if (counter == 0) expectedTotal = route.GetTotal();
    ++counter;
    if (route.GetTotal() != expectedTotal || route.GetNumber() != counter) {
      const std::string place = std::to_string(route.GetNumber()) + " of " + std::to_string(route.GetTotal());
      if (counter == 1) return FailAtLine(why, reader.GetLineNumber(), "route sentence " + place + " begins a route");
      return FailAtLine(why, reader.GetLineNumber(),
                        "route sentence " + place + " follows " + std::to_string(counter - 1) + " of " +
                            std::to_string(expectedTotal));
    }
    if (counter == expectedTotal) counter = 0;
    reader.ForgetLine();
    sink.TakeRoute(route);
    if (!any) reader.Expect(kRoutesDue, "RTE or the end sentence");
    any = true;
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(reader, why);
}

}  // namespace

// ---- CUnitFile ----

bool CUnitFile::Read(CUnitLineReader& reader, std::string_view&, CDiagnostic* why) {
  if (reader.HasFailed()) return ReadFails(reader, why);
  return true;
}

bool CUnitFile::Write(std::string&, CLocalTimeCache*, CUnitTextSink*) const { return true; }

// ---- CUnitWaypointFile ----

void CUnitWaypointFile::Clear() { m_waypoints.clear(); }

bool CUnitWaypointFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  CSentenceList list(m_waypoints, nullptr);
  return ReadWaypoints(reader, false, line, list, why);
}

bool CUnitWaypointFile::Write(std::string& out, CLocalTimeCache* times, CUnitTextSink* sink) const {
  ReserveLines(out, m_waypoints.size(), sink);
  for (const CWplSentence& waypoint : m_waypoints) {
    waypoint.AppendLine(out, kLineEnd, times);
    if (!HandOn(out, sink)) return false;
  }
  return true;
}

bool CUnitWaypointFile::IsWaypointInRoute(std::string_view) const { return false; }

// ---- CUnitRouteFile ----

void CUnitRouteFile::Clear() {
  CUnitWaypointFile::Clear();
  m_routes.clear();
}

bool CUnitRouteFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  CSentenceList list(WaypointList(), &m_routes);
  return ReadWaypoints(reader, true, line, list, why) && ReadRoutes(reader, line, list, why);
}

bool CUnitRouteFile::Write(std::string& out, CLocalTimeCache* times, CUnitTextSink* sink) const {
  if (!CUnitWaypointFile::Write(out, times, sink)) return false;
  ReserveLines(out, m_routes.size(), sink);
  for (const CRteWaypointsSentence& route : m_routes) {
    route.AppendLine(out, kLineEnd, times);
    if (!HandOn(out, sink)) return false;
  }
  return true;
}

bool CUnitRouteFile::IsWaypointInRoute(std::string_view name) const {
  for (const CRteWaypointsSentence& route : m_routes)
    for (const CRouteEntry& entry : route.GetEntries())
      if (entry.GetName() == name) return true;
  return false;
}

bool CUnitRouteFile::FindWaypoint(std::string_view name, CWplSentence& waypoint, int& index) const {
  const auto& waypoints = GetWaypoints();
  for (std::size_t i = 0; i < waypoints.size(); ++i) {
    if (waypoints[i].GetName() == name) {
      waypoint = waypoints[i];
      index = static_cast<int>(i);
      return true;
    }
  }
  index = -1;
  return false;
}

// ---- CUnitTrackFile ----

void CUnitTrackFile::Clear() { m_points.clear(); }

namespace {

// Keeps every point in the file object.
class CPointList : public CTrackPointSink {
 public:
  explicit CPointList(std::vector<CTrkSentence>& points) : m_points(points) {}
  void Take(CTrkSentence& point) override { m_points.push_back(std::move(point)); }

 private:
  std::vector<CTrkSentence>& m_points;
};

// The track points from the next line on, each handed to the sink as soon as it is read; answers
// as CUnitFile::Read.
bool ReadTrackPoints(CUnitLineReader& reader, std::string_view& line, CTrackPointSink& sink, CDiagnostic* why) {
  if (reader.HasFailed()) return ReadFails(reader, why);
  reader.Expect(kTrackDue, "TRK or the end sentence");
  const std::string defaultName = DefaultTrackName(reader.GetTitle());
  CLocalTimeCache times;
  CTrkSentence point;
  bool got = reader.ReadLine(line);
  while (got && SentenceType(line) == SENTENCE_TRK) {
    if (!point.ParseWithCache(line, why, &times)) return FailedAtLine(why, reader.GetLineNumber());
    point.FillName(defaultName);
    reader.ForgetLine();
    sink.Take(point);
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(reader, why);
}

// After the sentences of the file's kind: the end sentence, then nothing, not even an empty line.
bool ReadEnd(CUnitLineReader& reader, std::string_view line, CDiagnostic* why) {
  if (SentenceType(line) != SENTENCE_CMD) return reader.Misplaced(line, why);
  if (!CCmdEndSentence().Parse(line, why)) return FailedAtLine(why, reader.GetLineNumber());
  reader.Expect(0, {});
  if (reader.ReadLine(line)) return FailAtLine(why, reader.GetLineNumber(), "text after the end sentence");
  return !reader.HasFailed() || ReadFails(reader, why);
}

}  // namespace

bool CUnitTrackFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  CPointList points(m_points);
  return ReadTrackPoints(reader, line, points, why);
}

bool CUnitTrackFile::Write(std::string& out, CLocalTimeCache* times, CUnitTextSink* sink) const {
  ReserveLines(out, m_points.size(), sink);
  for (const CTrkSentence& point : m_points) {
    point.AppendLine(out, kLineEnd, times);
    if (!HandOn(out, sink)) return false;
  }
  return true;
}

// ---- CUnitFileWriter ----

CUnitFileWriter::CUnitFileWriter(CAtomicFile& file, CDiagnostic* why) : m_file(file), m_why(why) {
  m_text.reserve(kChunkSize + 4 * kTypicalLineSize);
}

bool CUnitFileWriter::Add(const CSentence& sentence) {
  if (m_failed) return false;
  sentence.AppendLine(m_text, kLineEnd, &m_times);
  return HandOn(m_text, this);
}

bool CUnitFileWriter::AddLine(std::string_view line) {
  if (m_failed) return false;
  m_text.append(line);
  return HandOn(m_text, this);
}

bool CUnitFileWriter::Take(const std::string& text) {
  m_failed = m_failed || !m_file.Write(text, m_why);
  return !m_failed;
}

bool CUnitFileWriter::Finish() {
  if (m_failed) return false;
  CCmdEndSentence().AppendLine(m_text, kLineEnd);
  const bool written = Take(m_text);
  m_text.clear();
  return written;
}

std::string DefaultTrackName(const std::string& title) {
  constexpr std::size_t kLength = 8;
  if (title.size() <= kLength) return title;
  std::size_t cut = kLength;
  while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;
  return title.substr(0, cut);
}

// ---- whole files ----

std::string UnitFileTitle(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

bool ReadUnitFile(CUnitLineReader& reader, CUnitFile& file, CDiagnostic* why) {
  file.Clear();
  // Running out of memory on a huge file refuses that file like any other fault, instead of a crash.
  try {
    std::string_view line;
    return file.Read(reader, line, why) && ReadEnd(reader, line, why);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to read the file");
  }
}

bool ReadUnitText(std::string_view text, const std::string& title, CUnitFile& file, CDiagnostic* why) {
  CUnitLineReader reader(text, title);
  return ReadUnitFile(reader, file, why);
}

bool ReadUnitStream(std::istream& in, const std::string& title, CUnitFile& file, CDiagnostic* why) {
  CStreamSource source(in);
  CUnitLineReader reader(source, title);
  return ReadUnitFile(reader, file, why);
}

bool ReadUnitFile(const std::string& path, CUnitFile& file, CDiagnostic* why) {
  file.Clear();
  CInputFile input;
  if (!input.Open(path, why)) return false;
  CUnitLineReader reader(input, UnitFileTitle(path));
  return ReadUnitFile(reader, file, why);
}

bool ReadTrackLog(CUnitLineReader& reader, CTrackPointSink& sink, CDiagnostic* why) {
  try {
    std::string_view line;
    return ReadTrackPoints(reader, line, sink, why) && ReadEnd(reader, line, why);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to read the file");
  }
}

bool ReadWaypointFile(CUnitLineReader& reader, bool routes, CUnitSentenceSink& sink, CDiagnostic* why) {
  try {
    std::string_view line;
    if (!ReadWaypoints(reader, routes, line, sink, why) || (routes && !ReadRoutes(reader, line, sink, why)))
      return false;
    return ReadEnd(reader, line, why);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to read the file");
  }
}

void WriteUnitText(const CUnitFile& file, std::string& out) {
  CLocalTimeCache times;
  file.Write(out, &times);
  CCmdEndSentence().AppendLine(out, kLineEnd);
}

bool WriteUnitFile(const std::string& path, const CUnitFile& file, CDiagnostic* why) {
  CAtomicFile target(path);
  if (!target.Open(why)) return false;
  CUnitFileWriter writer(target, why);
  return file.Write(writer.Text(), &writer.Times(), &writer) && writer.Finish() && target.Commit(why);
}
