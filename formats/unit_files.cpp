// Reading and writing of the unit's .upt, .rte and .log files.
#include "formats/unit_files.h"

#include <cstring>
#include <istream>
#include <new>
#include <utility>

#include "formats/atomic_file.h"
#include "formats/whole_file.h"

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

// Writes each chunk into the file being replaced.
class CAtomicFileSink : public CUnitTextSink {
 public:
  CAtomicFileSink(CAtomicFile& file, CDiagnostic* why) : m_file(file), m_why(why) {}
  bool Take(const std::string& text) override { return m_file.Write(text, m_why); }

 private:
  CAtomicFile& m_file;
  CDiagnostic* m_why;
};

std::string LinePrefix(int lineNumber) { return "line " + std::to_string(lineNumber) + ": "; }

// Puts the line number in front of the reason a sentence parse gave.
bool FailAtLine(CDiagnostic* why, int lineNumber) {
  if (why != nullptr) why->Set(LinePrefix(lineNumber) + why->Reason());
  return false;
}

bool EndsWithoutEndSentence(CDiagnostic* why) { return Fail(why, "file ends without the end sentence"); }

// The default track name: 8 bytes of the title, not cutting a UTF-8 character in two.
std::string DefaultTrackName(const std::string& title) {
  constexpr std::size_t kLength = 8;
  if (title.size() <= kLength) return title;
  std::size_t cut = kLength;
  while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;
  return title.substr(0, cut);
}

std::string Describe(std::string_view line) {
  const int type = SentenceType(line);
  if (type != SENTENCE_XXX) return std::string(SentenceCode(type)) + " sentence";
  return line.empty() ? "empty line" : "unknown text";
}

}  // namespace

// ---- CUnitLineReader ----

CUnitLineReader::CUnitLineReader(std::string_view text, std::string title) : m_text(text), m_title(std::move(title)) {}

CUnitLineReader::CUnitLineReader(std::istream& in, std::string title) : m_title(std::move(title)) {
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    m_storage.append(buffer, static_cast<std::size_t>(in.gcount()));
  m_open = !in.bad();
  m_text = m_storage;
}

bool CUnitLineReader::ReadLine(std::string_view& line) {
  if (!m_open || m_position >= m_text.size()) return false;
  const std::size_t end = m_text.find('\n', m_position);
  if (end == std::string_view::npos) {
    line = m_text.substr(m_position);
    m_position = m_text.size();
  } else {
    line = m_text.substr(m_position, end - m_position);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    m_position = end + 1;
  }
  ++m_lineNumber;
  return true;
}

std::size_t CUnitLineReader::CountRemainingLines() const {
  if (m_position >= m_text.size()) return 0;
  std::size_t count = 0;
  const char* p = m_text.data() + m_position;
  const char* const end = m_text.data() + m_text.size();
  while (p < end) {
    ++count;
    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (p == nullptr) break;
    ++p;
  }
  return count;
}

// ---- CUnitFile ----

bool CUnitFile::Read(CUnitLineReader& reader, std::string_view&, CDiagnostic* why) {
  if (!reader.IsOpen()) return Fail(why, "the file could not be read");
  return true;
}

bool CUnitFile::Write(std::string&, CLocalTimeCache*, CUnitTextSink*) const { return true; }

// ---- CUnitWaypointFile ----

void CUnitWaypointFile::Clear() { m_waypoints.clear(); }

bool CUnitWaypointFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  if (!CUnitFile::Read(reader, line, why)) return false;
  bool got = reader.ReadLine(line);
  while (got && SentenceType(line) == SENTENCE_WPL) {
    CWplSentence waypoint;
    if (!waypoint.Parse(line, why)) return FailAtLine(why, reader.GetLineNumber());
    m_waypoints.push_back(std::move(waypoint));
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(why);
}

bool CUnitWaypointFile::Write(std::string& out, CLocalTimeCache* times, CUnitTextSink* sink) const {
  ReserveLines(out, m_waypoints.size(), sink);
  for (const CWplSentence& waypoint : m_waypoints) {
    waypoint.AppendLine(out, kLineEnd, times);
    if (!HandOn(out, sink)) return false;
  }
  return true;
}

std::string CUnitWaypointFile::DueSentences() const { return "WPL or the end sentence"; }

bool CUnitWaypointFile::IsWaypointInRoute(std::string_view) const { return false; }

// ---- CUnitRouteFile ----

void CUnitRouteFile::Clear() {
  CUnitWaypointFile::Clear();
  m_routes.clear();
}

bool CUnitRouteFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  if (!CUnitWaypointFile::Read(reader, line, why)) return false;
  std::uint32_t counter = 0;
  std::uint32_t expectedTotal = 0;
  bool got = true;
  while (got && SentenceType(line) == SENTENCE_RTE) {
    CRteWaypointsSentence route;
    if (!route.Parse(line, why)) return FailAtLine(why, reader.GetLineNumber());
    if (counter == 0) expectedTotal = route.GetTotal();
    ++counter;
    if (route.GetTotal() != expectedTotal || route.GetNumber() != counter) {
      const std::string place = std::to_string(route.GetNumber()) + " of " + std::to_string(route.GetTotal());
      if (counter == 1)
        return Fail(why, LinePrefix(reader.GetLineNumber()) + "route sentence " + place + " begins a route");
      return Fail(why, LinePrefix(reader.GetLineNumber()) + "route sentence " + place + " follows " +
                           std::to_string(counter - 1) + " of " + std::to_string(expectedTotal));
    }
    if (counter == expectedTotal) counter = 0;
    m_routes.push_back(std::move(route));
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(why);
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

std::string CUnitRouteFile::DueSentences() const {
  return m_routes.empty() ? "WPL, RTE or the end sentence" : "RTE or the end sentence";
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

bool CUnitTrackFile::Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why) {
  if (!CUnitFile::Read(reader, line, why)) return false;
  const std::string defaultName = DefaultTrackName(reader.GetTitle());
  m_points.reserve(m_points.size() + reader.CountRemainingLines());
  CLocalTimeCache times;
  bool got = reader.ReadLine(line);
  while (got && SentenceType(line) == SENTENCE_TRK) {
    CTrkSentence& point = m_points.emplace_back();
    if (!point.ParseWithCache(line, why, &times)) {
      m_points.pop_back();
      return FailAtLine(why, reader.GetLineNumber());
    }
    point.FillName(defaultName);
    got = reader.ReadLine(line);
  }
  return got || EndsWithoutEndSentence(why);
}

bool CUnitTrackFile::Write(std::string& out, CLocalTimeCache* times, CUnitTextSink* sink) const {
  ReserveLines(out, m_points.size(), sink);
  for (const CTrkSentence& point : m_points) {
    point.AppendLine(out, kLineEnd, times);
    if (!HandOn(out, sink)) return false;
  }
  return true;
}

std::string CUnitTrackFile::DueSentences() const { return "TRK or the end sentence"; }

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
    if (!file.Read(reader, line, why)) return false;
    CCmdEndSentence end;
    if (SentenceType(line) != SENTENCE_CMD)
      return Fail(why,
                  LinePrefix(reader.GetLineNumber()) + Describe(line) + " where " + file.DueSentences() + " is due");
    if (!end.Parse(line, why)) return FailAtLine(why, reader.GetLineNumber());
    // Nothing may follow the end sentence, not even an empty line.
    if (reader.ReadLine(line)) return Fail(why, LinePrefix(reader.GetLineNumber()) + "text after the end sentence");
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to read the file");
  }
}

bool ReadUnitText(std::string_view text, const std::string& title, CUnitFile& file, CDiagnostic* why) {
  CUnitLineReader reader(text, title);
  return ReadUnitFile(reader, file, why);
}

bool ReadUnitStream(std::istream& in, const std::string& title, CUnitFile& file, CDiagnostic* why) {
  CUnitLineReader reader(in, title);
  return ReadUnitFile(reader, file, why);
}

bool ReadUnitFile(const std::string& path, CUnitFile& file, CDiagnostic* why) {
  file.Clear();
  std::string text;
  if (!ReadWholeFile(path, text, why)) return false;
  return ReadUnitText(text, UnitFileTitle(path), file, why);
}

void WriteUnitText(const CUnitFile& file, std::string& out) {
  CLocalTimeCache times;
  file.Write(out, &times);
  CCmdEndSentence().AppendLine(out, kLineEnd);
}

bool WriteUnitFile(const std::string& path, const CUnitFile& file, CDiagnostic* why) {
  CAtomicFile target(path);
  if (!target.Open(why)) return false;
  // The text goes out in chunks as it is made: a long track's text is never held whole.
  CAtomicFileSink sink(target, why);
  CLocalTimeCache times;
  std::string text;
  if (!file.Write(text, &times, &sink)) return false;
  CCmdEndSentence().AppendLine(text, kLineEnd);
  return target.Write(text, why) && target.Commit(why);
}
