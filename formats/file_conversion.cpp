// Whole-file conversions between the desktop's and the unit's files that stream.
#include "formats/file_conversion.h"

#include <memory>
#include <new>
#include <utility>

#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/input_file.h"
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
    for (std::size_t i = 0; i < reader.GetWaypointCount(); ++i) {
      if (!reader.NextWaypoint(waypoint)) return loadFailed();
      if (!waypointsConverted) continue;
      waypointsConverted = ConvertWaypointToUnit(waypoint, i, sentence, &waypointWhy);
      if (!waypointsConverted) continue;
      for (auto& output : outputs) output->Add(sentence);
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
