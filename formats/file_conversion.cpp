// Whole-file conversions between the desktop's and the unit's files that stream.
#include "formats/file_conversion.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/input_file.h"
#include "formats/route_references.h"
#include "formats/spill_buckets.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_stream.h"

namespace {

SConversionOutcome Failed(EConversionStep step, const CDiagnostic& why) {
  SConversionOutcome outcome;
  outcome.step = step;
  outcome.why = why;
  return outcome;
}

SConversionOutcome Done() {
  SConversionOutcome outcome;
  outcome.done = true;
  return outcome;
}

SConversionOutcome OutOfMemory() {
  CDiagnostic why;
  Fail(&why, "not enough memory to load the file");
  return Failed(EConversionStep::Load, why);
}

// A unit file being written; a fault of writing is kept for the end, when loading and converting
// went through.
struct SUnitOutput {
  explicit SUnitOutput(const std::string& path) : file(path), writer(file, &why) { writable = file.Open(&why); }
  void Add(const CSentence& sentence) { writable = writable && writer.Add(sentence); }
  void AddLine(std::string_view line) { writable = writable && writer.AddLine(line); }
  bool Complete() { return writable && writer.Finish() && file.Commit(&why); }

  CAtomicFile file;
  CDiagnostic why;
  CUnitFileWriter writer;
  bool writable = false;
};

// The points of a track log into a .trk file, converted as they are read.
class CTrackLogToDesktop : public CTrackPointSink {
 public:
  CTrackLogToDesktop(const std::string& target, const CUnitLineReader& lines, const CUnitTimes& times)
      : m_writer(target, &m_writeWhy), m_lines(lines), m_times(times) {}

  void Take(CTrkSentence& point) override {
    if (!m_converting) return;
    // The document keeps the name of the last point; every point normally repeats the same one.
    if (m_name != point.GetName()) m_name = point.GetName();
    if (!ConvertPointToDesktop(point, m_count, m_node, &m_convertWhy)) {
      m_converting = false;
      return;
    }
    // The desktop file counts seconds in 32 bits: a log's date past January 2038 (it holds years
    // up to 2099) would wrap to a wrong time, so it goes as no time.
    m_untimed.Fit(m_times, ETimeTarget::kTrackFile, m_node, SSourcePlace::AtLine(m_lines.GetLineNumber()));
    ++m_count;
    if (!m_opened) Open();
    if (m_writable) m_writer.Add(m_node);
  }

  SConversionOutcome Finish() {
    if (!m_converting) return Failed(EConversionStep::Convert, m_convertWhy);
    if (!m_opened) Open();
    if (!m_writable || !m_writer.Finish(m_header, m_name) || !m_writer.Commit())
      return Failed(EConversionStep::Write, m_writeWhy);
    SConversionOutcome outcome = Done();
    outcome.untimed = m_untimed;
    return outcome;
  }

 private:
  // Begun with the first point's name, which is every point's name as a rule.
  void Open() {
    m_opened = true;
    m_writable = m_writer.Open(m_header, m_name);
  }

  const SVexlornTrkHeadBlock m_header;  // a new document's
  CDiagnostic m_convertWhy;
  CDiagnostic m_writeWhy;
  CVexlornTrackWriter m_writer;
  const CUnitLineReader& m_lines;
  const CUnitTimes& m_times;
  CUntimedPoints m_untimed;
  SVexlornTnodBlock m_node;
  std::string m_name;
  std::size_t m_count = 0;
  bool m_converting = true;
  bool m_opened = false;
  bool m_writable = false;
};

// The sentences of a point or route file into a .wpt file as they are read. What only the whole
// file decides (which waypoint each route point names, and so its number and position, and whether a
// waypoint is in a route) is found at the end by CRouteReferences and written over placeholders.
class CPointFileToDesktop : public CUnitSentenceSink {
 public:
  CPointFileToDesktop(const std::string& target, bool routes, std::uint64_t sourceSize)
      : m_routes(routes),
        m_spill(target),
        m_writer(target, m_spill, &m_writeWhy),
        m_references(m_spill, routes ? sourceSize : 0),
        m_names(m_spill.AddBucket()) {
    m_writer.Open();
  }

  void TakeWaypoint(CWplSentence& sentence) override {
    if (!m_converting) return;
    const std::size_t index = m_waypointCount++;
    // Not in a route until a point names it, which CRouteReferences writes at the end.
    if (!ConvertWaypointToDesktop(std::move(sentence), index, false, m_waypoint, &m_convertWhy)) {
      m_converting = false;
      return;
    }
    const std::uint64_t routeUseAt = m_writer.AddWaypoint(m_waypoint);
    if (m_routes) {
      m_references.AddWaypoint(m_waypoint.GetName(), index, m_waypoint.GetLongitude(), m_waypoint.GetLatitude(),
                               routeUseAt);
    }
  }

  void TakeRoute(CRteWaypointsSentence& sentence) override {
    // A waypoint refused stops the conversion before any route, as converting the whole file would.
    if (!m_converting) return;
    // The route names, each with the first point under it, name the route of a point that names no
    // waypoint.
    if (sentence.GetRouteName() != m_sentenceName) {
      m_sentenceName = sentence.GetRouteName();
      m_spill.Add(m_names, &m_pointCount, sizeof m_pointCount, m_sentenceName);
    }
    // IconToSymbol gives no symbol the file refuses.
    for (const CRouteEntry& entry : sentence.GetEntries())
      m_writer.AddRoutePoint(entry.GetName(), IconToSymbol(entry.GetIcon()));
    m_pointCount += sentence.GetEntries().size();
    // The sentence that closes its group gives the route its name and number; a group without it
    // is left out.
    if (sentence.GetNumber() == sentence.GetTotal())
      m_writer.EndRoute(sentence.GetRouteName(), sentence.GetRouteNumber(), Placed());
  }

  SConversionOutcome Finish() {
    if (!m_converting) return Failed(EConversionStep::Convert, m_convertWhy);
    m_writer.DropRoute(Placed());
    const bool written = m_writer.Finish();
    if (m_routes) {
      std::uint64_t place = 0;
      std::string name;
      CDiagnostic why;
      switch (m_references.Resolve(m_writer.File(), written, place, name, &why)) {
        case CRouteReferences::EResult::Unnamed:
          Fail(&why, "route " + RouteNameOf(place) + ": waypoint " + name + " is not in the file");
          return Failed(EConversionStep::Convert, why);
        case CRouteReferences::EResult::Failed:
          return Failed(EConversionStep::Write, written ? why : m_writeWhy);
        case CRouteReferences::EResult::Done:
          break;
      }
    }
    if (!written || !m_writer.Commit()) return Failed(EConversionStep::Write, m_writeWhy);
    return Done();
  }

 private:
  CVexlornWaypointWriter::FPointPlaced Placed() {
    return [this](std::string_view name, std::uint64_t at) { m_references.AddPoint(name, at); };
  }

  // The route name of the sentence that holds the point at 0-based `place`.
  std::string RouteNameOf(std::uint64_t place) {
    std::string name;
    std::string_view record;
    std::uint64_t first = 0;
    for (CSpillReader names(m_spill, m_names); names.Next(record);) {
      std::memcpy(&first, record.data(), sizeof first);
      if (first > place) break;
      name.assign(record.substr(sizeof first));
    }
    return name;
  }

  const bool m_routes;
  CDiagnostic m_convertWhy;
  CDiagnostic m_writeWhy;
  CSpillBuckets m_spill;
  CVexlornWaypointWriter m_writer;
  CRouteReferences m_references;
  const std::size_t m_names;
  SVexlornWptBlock m_waypoint;
  std::string m_sentenceName;
  std::uint64_t m_waypointCount = 0;
  std::uint64_t m_pointCount = 0;
  bool m_converting = true;
};

static_assert(CVexlornWaypointWriter::kNotWritten == CRouteReferences::kNotWritten);

}  // namespace

SConversionOutcome ConvertTrackFileToUnit(const std::string& source, const std::string& target,
                                          const SConversionSettings& settings) {
  try {
    const CUnitTimes ownTimes;
    const CUnitTimes& times = settings.times != nullptr ? *settings.times : ownTimes;
    CDiagnostic loadWhy;
    CVexlornTrackReader reader(&loadWhy, settings.codePage);
    if (!reader.Open(source)) return Failed(EConversionStep::Load, loadWhy);
    SUnitOutput output(target);
    CDiagnostic convertWhy;
    bool converting = true;
    CTrkSentence point;
    point.SetName(reader.GetName());
    SVexlornTnodBlock node;
    CUntimedPoints untimed;
    for (std::size_t i = 0; i < reader.GetNodeCount(); ++i) {
      const std::uint64_t offset = reader.GetOffset();
      if (!reader.Next(node)) return Failed(EConversionStep::Load, loadWhy);
      if (!converting) continue;
      untimed.Fit(times, ETimeTarget::kTrackLog, node, SSourcePlace::AtNode(i + 1, offset));
      converting = ConvertNodeToUnit(node, i, point, times, &convertWhy);
      if (converting) output.Add(point);
    }
    SConversionOutcome outcome = Done();
    if (!converting) {
      outcome = Failed(EConversionStep::Convert, convertWhy);
    } else if (!output.Complete()) {
      outcome = Failed(EConversionStep::Write, output.why);
    }
    outcome.untimed = untimed;
    outcome.trailing = reader.GetTrailingBytes();
    return outcome;
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

SConversionOutcome ConvertTrackLogToDesktop(const std::string& source, const std::string& target,
                                            const SConversionSettings& settings) {
  try {
    const CUnitTimes ownTimes;
    CDiagnostic loadWhy;
    CInputFile input;
    if (!input.Open(source, &loadWhy)) return Failed(EConversionStep::Load, loadWhy);
    CUnitLineReader lines(input, UnitFileTitle(source));
    CTrackLogToDesktop conversion(target, lines, settings.times != nullptr ? *settings.times : ownTimes);
    if (!ReadTrackLog(lines, conversion, &loadWhy)) return Failed(EConversionStep::Load, loadWhy);
    return conversion.Finish();
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

std::vector<SConversionOutcome> ConvertWaypointFileToUnit(const std::string& source,
                                                          const std::vector<SUnitTarget>& targets,
                                                          const SConversionSettings& settings) {
  std::vector<SConversionOutcome> outcomes(targets.size());
  try {
    CDiagnostic loadWhy;
    CVexlornWaypointReader reader(&loadWhy, settings.codePage);
    const auto loadFailed = [&] {
      for (SConversionOutcome& outcome : outcomes) outcome = Failed(EConversionStep::Load, loadWhy);
      return outcomes;
    };
    if (!reader.Open(source)) return loadFailed();
    std::vector<std::unique_ptr<SUnitOutput>> outputs;
    for (const SUnitTarget& target : targets) outputs.push_back(std::make_unique<SUnitOutput>(target.path));

    // Every target starts with the waypoints; a route file then has the routes.
    CDiagnostic waypointWhy, routeWhy;
    bool waypointsConverted = true, routesConverted = true;
    SVexlornWptBlock waypoint;
    CWplSentence sentence;
    std::string line;
    for (std::size_t i = 0; i < reader.GetWaypointCount(); ++i) {
      if (!reader.NextWaypoint(waypoint)) return loadFailed();
      if (!waypointsConverted) continue;
      waypointsConverted = ConvertWaypointToUnit(waypoint, i, sentence, &waypointWhy);
      if (!waypointsConverted) continue;
      // Every target has the same line: it is made once.
      line.clear();
      sentence.AppendLine(line, "\r\n");
      for (auto& output : outputs) output->AddLine(line);
    }
    if (!reader.BeginRoutes()) return loadFailed();
    SVexlornRteBlock route;
    std::vector<CRteWaypointsSentence> routeSentences;
    for (std::size_t i = 0; i < reader.GetRouteCount(); ++i) {
      if (!reader.NextRoute(route)) return loadFailed();
      if (!routesConverted || !waypointsConverted) continue;
      routesConverted = ConvertRouteToUnit(route, routeSentences, &routeWhy);
      if (!routesConverted) continue;
      for (std::size_t t = 0; t < targets.size(); ++t) {
        if (!targets[t].routes) continue;
        for (const CRteWaypointsSentence& routeSentence : routeSentences) outputs[t]->Add(routeSentence);
      }
    }

    const STrailingBytes trailing = reader.GetTrailingBytes();
    for (std::size_t t = 0; t < targets.size(); ++t) {
      if (!waypointsConverted) {
        outcomes[t] = Failed(EConversionStep::Convert, waypointWhy);
      } else if (targets[t].routes && !routesConverted) {
        outcomes[t] = Failed(EConversionStep::Convert, routeWhy);
      } else if (!outputs[t]->Complete()) {
        outcomes[t] = Failed(EConversionStep::Write, outputs[t]->why);
      } else {
        outcomes[t] = Done();
      }
      outcomes[t].trailing = trailing;
    }
    return outcomes;
  } catch (const std::bad_alloc&) {
    for (SConversionOutcome& outcome : outcomes) outcome = OutOfMemory();
    return outcomes;
  }
}

SConversionOutcome ConvertPointFileToDesktop(const std::string& source, const std::string& target, bool routes) {
  try {
    CDiagnostic loadWhy;
    CInputFile input;
    if (!input.Open(source, &loadWhy)) return Failed(EConversionStep::Load, loadWhy);
    CUnitLineReader lines(input, UnitFileTitle(source));
    CPointFileToDesktop conversion(target, routes, input.Size());
    if (!ReadWaypointFile(lines, routes, conversion, &loadWhy)) return Failed(EConversionStep::Load, loadWhy);
    return conversion.Finish();
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}
