// Every navigation file kind read into a sink: the long tracks of .trk, .log and .gpx files
// through the streaming readers the conversions use, everything else through the table of file
// kinds.
#include "preview/navigation_reader.h"

#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "formats/ascii_case.h"
#include "formats/conversion.h"
#include "formats/file_kinds.h"
#include "formats/gpx_reader.h"
#include "formats/input_file.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_stream.h"
#include "jobs/file_codecs.h"
#include "storage/file_system.h"

namespace {

constexpr const char* kStopped = "stopped";

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

// A source that fails once the reading is asked to stop, so that any reader ends at its next block.
class CStoppableSource : public CByteSource {
 public:
  CStoppableSource(std::unique_ptr<CByteSource> source, const std::atomic<bool>* stop)
      : m_source(std::move(source)), m_stop(stop) {}
  bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) override {
    got = 0;
    if (Stopped(m_stop)) return Fail(why, kStopped);
    return m_source->Read(buffer, size, got, why);
  }

 private:
  std::unique_ptr<CByteSource> m_source;
  const std::atomic<bool>* m_stop;
};

std::unique_ptr<CInputFile> OpenInput(const std::string& path, CDiagnostic* why) {
  auto file = std::make_unique<CInputFile>();
  if (!file->Open(path, why)) return nullptr;
  return file;
}

// A desktop node as a track point: latitude turned north-positive, "no time" as none.
STrackPoint PointOf(const SVexlornTnodBlock& node, const CUnitTimes& times) {
  STrackPoint point;
  point.latitude = -node.GetLatitude();
  point.longitude = node.GetLongitude();
  point.elevation = node.GetAltitude();
  if (!times.IsNoTime(node.GetTime(), node.GetHundredths())) {
    point.time = static_cast<double>(node.GetTime()) + node.GetHundredths() / 100.0;
  }
  return point;
}

SNavigationWaypoint Waypoint(const std::string& name, double southLatitude, double longitude, CCodePage& codePage) {
  return {codePage.ToUtf8(name), -southLatitude, longitude};
}

void AddPoints(const CVexlornFileWpt& doc, CNavigationSink& sink, CCodePage& codePage) {
  for (const SVexlornWptBlock& waypoint : doc.GetWaypoints()) {
    sink.AddWaypoint(Waypoint(waypoint.GetName(), waypoint.GetLatitude(), waypoint.GetLongitude(), codePage));
  }
  for (const SVexlornRteBlock& route : doc.GetRoutes()) {
    SNavigationRoute added;
    added.name = codePage.ToUtf8(route.GetName());
    added.points.reserve(route.GetPoints().GetCount());
    for (const SVexlornRwptBlock& point : route.GetPoints()) {
      added.points.push_back(Waypoint(point.GetName(), point.GetLatitude(), point.GetLongitude(), codePage));
    }
    sink.AddRoute(added);
  }
}

bool ReadTrk(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
             const std::atomic<bool>* stop) {
  CVexlornTrackReader reader(why, &codePage);
  if (!reader.Open(path)) return false;
  const CUnitTimes times;
  sink.BeginTrack();
  SVexlornTnodBlock node;
  for (std::size_t i = 0; i < reader.GetNodeCount(); ++i) {
    if (i % 4096 == 0 && Stopped(stop)) return Fail(why, kStopped);
    if (!reader.Next(node)) return false;
    sink.AddTrackPoint(PointOf(node, times));
  }
  sink.EndTrack(codePage.ToUtf8(reader.GetName()));
  return true;
}

// The points of a track log, converted as the conversion to the desktop converts them; the track
// is named after its last point, as the converted document is. A point that cannot be converted
// stops the handing on; the reading goes on, since a fault of loading anywhere comes first.
class CLogPoints : public CTrackPointSink {
 public:
  explicit CLogPoints(CNavigationSink& sink) : m_sink(sink) {}
  void Take(CTrkSentence& point) override {
    if (m_failed) return;
    if (m_name != point.GetName()) m_name = point.GetName();
    if (!ConvertPointToDesktop(point, m_count, m_node, &m_why)) {
      m_failed = true;
      return;
    }
    ++m_count;
    m_sink.AddTrackPoint(PointOf(m_node, m_times));
  }
  bool Failed() const { return m_failed; }
  const CDiagnostic& Why() const { return m_why; }
  const std::string& Name() const { return m_name; }

 private:
  CNavigationSink& m_sink;
  const CUnitTimes m_times;
  SVexlornTnodBlock m_node;
  std::string m_name;
  std::size_t m_count = 0;
  CDiagnostic m_why;
  bool m_failed = false;
};

bool ReadLog(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
             const std::atomic<bool>* stop) {
  std::unique_ptr<CInputFile> file = OpenInput(path, why);
  if (!file) return false;
  CStoppableSource source(std::move(file), stop);
  CUnitLineReader lines(source, UnitFileTitle(path));
  CLogPoints points(sink);
  sink.BeginTrack();
  if (!ReadTrackLog(lines, points, why)) return false;
  if (points.Failed()) {
    if (why != nullptr) *why = points.Why();
    return false;
  }
  sink.EndTrack(codePage.ToUtf8(points.Name()));
  return true;
}

// A GPX file's tracks as the reader finds them; a track without points is one all the same.
class CGpxTracks : public CGpxTrackHandler {
 public:
  CGpxTracks(CNavigationSink& sink, CCodePage& codePage) : m_sink(sink), m_codePage(codePage) {}
  void BeginTrack(const CVexlornFileTrk&) override { m_sink.BeginTrack(); }
  void AddNode(const SVexlornTnodBlock& node) override { m_sink.AddTrackPoint(PointOf(node, m_times)); }
  void EndTrack(const CVexlornFileTrk& track, bool hadPoints) override {
    if (!hadPoints) m_sink.BeginTrack();
    m_sink.EndTrack(m_codePage.ToUtf8(track.GetName()));
  }

 private:
  CNavigationSink& m_sink;
  CCodePage& m_codePage;
  const CUnitTimes m_times;
};

bool ReadGpx(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
             const std::atomic<bool>* stop) {
  std::unique_ptr<CInputFile> file = OpenInput(path, why);
  if (!file) return false;
  const std::uint64_t size = file->Size();
  CStoppableSource source(std::move(file), stop);
  const FReopenSource reopen = [&path, stop]() -> std::unique_ptr<CByteSource> {
    std::unique_ptr<CInputFile> again = OpenInput(path, nullptr);
    if (!again) return nullptr;
    return std::make_unique<CStoppableSource>(std::move(again), stop);
  };
  CVexlornFileWpt points;
  CGpxTracks tracks(sink, codePage);
  if (!ReadGpxSource(source, size, reopen, points, tracks, codePage, why)) return false;
  AddPoints(points, sink, codePage);
  return true;
}

// Any other kind through its reader in the table: small by nature, read whole.
bool ReadWhole(const std::string& path, FReadFile read, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why) {
  SGpxDocument doc;
  SConversionOutcome outcome = read(path, doc, codePage);
  if (!outcome.done) {
    if (why != nullptr) *why = std::move(outcome.why);
    return false;
  }
  AddPoints(doc.points, sink, codePage);
  const CUnitTimes times;
  for (const CVexlornFileTrk& track : doc.tracks) {
    sink.BeginTrack();
    for (const SVexlornTnodBlock& node : track.GetNodes()) sink.AddTrackPoint(PointOf(node, times));
    sink.EndTrack(codePage.ToUtf8(track.GetName()));
  }
  return true;
}

bool Read(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
          const std::atomic<bool>* stop) {
  const std::optional<EFileKind> kind = FileKindOf(path);
  const FReadFile read = kind ? FileCodecOf(*kind).read : nullptr;
  if (read == nullptr) {
    return Fail(why, "\"" + AsciiLower(SECFileSystem().ExtensionOf(path)) + "\" is not a kind of navigation file (" +
                         ListKinds(ReadableKinds()) + ")");
  }
  switch (*kind) {
    case EFileKind::kTrk:
      return ReadTrk(path, sink, codePage, why, stop);
    case EFileKind::kLog:
      return ReadLog(path, sink, codePage, why, stop);
    case EFileKind::kGpx:
      return ReadGpx(path, sink, codePage, why, stop);
    default:
      return ReadWhole(path, read, sink, codePage, why);
  }
}

}  // namespace

bool ReadNavigationFile(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
                        const std::atomic<bool>* stop) {
  try {
    return Read(path, sink, codePage, why, stop);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to hold the file's points");
  }
}
