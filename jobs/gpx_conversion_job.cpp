// GPX to the unit's or the desktop's files and back, one source file at a time.
#include "jobs/gpx_conversion_job.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "formats/ascii_case.h"
#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/file_kinds.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/input_file.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "formats/vexlorn_stream.h"
#include "jobs/conversion_job.h"
#include "jobs/file_codecs.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/output_folder.h"

namespace {

constexpr const char* kNothingToConvert = "nothing to convert: the file holds no waypoint, route or track point";

// A track without a name takes the name a log without names is read with: its file's title.
std::string TrackName(const std::string& name, const std::string& target) {
  if (name.find_first_not_of(" \t\r\n") != std::string::npos) return name;
  return DefaultTrackName(UnitFileTitle(target));
}

bool HasContent(const SGpxDocument& doc) {
  if (doc.points.GetWaypoints().GetCount() != 0 || doc.points.GetRoutes().GetCount() != 0) return true;
  return std::any_of(doc.tracks.begin(), doc.tracks.end(),
                     [](const CVexlornFileTrk& track) { return track.GetNodes().GetCount() != 0; });
}

// The tracks of a GPX file into files of their own as they are read: a .log (towards the unit) or a
// .trk (towards the desktop) per track with points, named in track order, closed at the track's end
// and put in place only once the whole file went through.
class CTrackFiles : public CGpxTrackHandler {
 public:
  struct SFile {
    std::string target;
    std::unique_ptr<CAtomicFile> log;
    std::unique_ptr<CUnitFileWriter> writer;
    std::unique_ptr<CVexlornTrackWriter> trk;
    CDiagnostic why;
    bool writable = false;
  };

  CTrackFiles(EGpxOutputs outputs, COutputFolder& folder, const CUnitTimes& times,
              std::function<std::string()> nextName)
      : m_outputs(outputs), m_folder(folder), m_times(times), m_nextName(std::move(nextName)) {}

  void BeginTrack(const CVexlornFileTrk& track) override {
    // Every track with points is counted, also once the file is to go through its whole document,
    // which then takes the counts from here.
    m_untimed.emplace_back();
    if (Stopped()) return;
    SFile& file = *m_files.emplace_back(std::make_unique<SFile>());
    file.target = m_nextName();
    m_folderFailed = m_folderFailed || !m_folder.Prepare();
    m_trackName = TrackName(track.GetName(), file.target);
    m_index = 0;
    if (m_outputs == EGpxOutputs::Desktop) {
      file.trk = std::make_unique<CVexlornTrackWriter>(file.target, &file.why);
      file.writable = !m_folderFailed && file.trk->Open(track.GetHeader(), m_trackName);
      return;
    }
    m_point.SetName(m_trackName);
    file.log = std::make_unique<CAtomicFile>(file.target);
    file.writer = std::make_unique<CUnitFileWriter>(*file.log, &file.why);
    file.writable = !m_folderFailed && file.log->Open(&file.why);
  }

  void AddNode(const SVexlornTnodBlock& node) override {
    if (m_convertFailed) return;
    SVexlornTnodBlock fitted = node;
    CUntimedPoints& untimed = m_untimed.back();
    // The first point of each track that goes out without a time is the one its file's warning
    // points at.
    m_wantsPlace = !untimed.Fit(m_times, TimeTarget(), fitted, {}) && untimed.Count() == 1;
    if (m_wantsPlace) m_placed.push_back(m_untimed.size() - 1);
    if (m_needsDocument) return;
    SFile& file = *m_files.back();
    if (m_outputs == EGpxOutputs::Desktop) {
      if (file.writable) file.trk->Add(fitted);
      return;
    }
    if (!ConvertNodeToUnit(fitted, m_index++, m_point, m_times, &m_convertWhy)) {
      m_convertFailed = true;
      Drop();
      return;
    }
    if (file.writable) file.writable = file.writer->Add(m_point);
  }

  void EndTrack(const CVexlornFileTrk& track, bool hadPoints) override {
    if (Stopped() || !hadPoints) return;
    SFile& file = *m_files.back();
    const std::string name = TrackName(track.GetName(), file.target);
    if (m_outputs == EGpxOutputs::Desktop) {
      file.writable = file.writable && file.trk->Finish(track.GetHeader(), name) && file.trk->Seal();
      return;
    }
    // Every point of a log names its track: a name that comes after the points is only known now.
    if (name != m_trackName) {
      m_needsDocument = true;
      Drop();
      return;
    }
    file.writable = file.writable && file.writer->Finish() && file.log->Seal(&file.why);
  }

  // Removes every file begun.
  void Drop() {
    for (auto& file : m_files) {
      if (file->log) file->log->Discard();
      if (file->trk) file->trk->Discard();
    }
  }

  bool WantsPlaceOfNode() const override { return m_wantsPlace; }
  void PlacesOfNodes(const std::vector<SSourcePlace>& places) override {
    for (std::size_t i = 0; i < places.size() && i < m_placed.size(); ++i)
      m_untimed[m_placed[i]].SetFirstPlace(places[i]);
  }

  std::vector<std::unique_ptr<SFile>>& Files() { return m_files; }
  bool ConvertFailed() const { return m_convertFailed; }
  const CDiagnostic& ConvertError() const { return m_convertWhy; }
  bool NeedsDocument() const { return m_needsDocument; }
  bool FolderFailed() const { return m_folderFailed; }
  // The points of each track with points that went out without a time, in track order.
  const std::vector<CUntimedPoints>& Untimed() const { return m_untimed; }

 private:
  bool Stopped() const { return m_convertFailed || m_needsDocument; }
  ETimeTarget TimeTarget() const {
    return m_outputs == EGpxOutputs::Desktop ? ETimeTarget::kTrackFile : ETimeTarget::kTrackLog;
  }

  EGpxOutputs m_outputs;
  COutputFolder& m_folder;
  const CUnitTimes& m_times;
  std::vector<CUntimedPoints> m_untimed;  // one for each track with points
  std::vector<std::size_t> m_placed;      // the tracks whose first point's place the reader finds
  bool m_wantsPlace = false;
  std::function<std::string()> m_nextName;
  std::vector<std::unique_ptr<SFile>> m_files;  // each where the writers can point at it
  std::string m_trackName;
  CTrkSentence m_point;
  std::size_t m_index = 0;
  CDiagnostic m_convertWhy;
  bool m_convertFailed = false;
  bool m_needsDocument = false;
  bool m_folderFailed = false;
};

// One file to write: its path and how, once everything was converted.
struct SPendingFile {
  std::string target;
  std::unique_ptr<CUnitFile> unit;
  const CVexlornFileWpt* points = nullptr;
  CTrackFiles::SFile* streamed = nullptr;
  const CUntimedPoints* untimed = nullptr;  // a track's points that went out without a time
};

bool WritePending(SPendingFile& file, CDiagnostic& why) {
  if (file.streamed != nullptr) {
    CTrackFiles::SFile& streamed = *file.streamed;
    const bool committed =
        streamed.writable && (streamed.log ? streamed.log->Commit(&streamed.why) : streamed.trk->Commit());
    why = streamed.why;
    return committed;
  }
  if (file.unit) return WriteUnitFile(file.target, *file.unit, &why);
  return SaveVexlornFile(file.target, *file.points, &why);
}

// Writes the pending files in order: each one written goes to `written` (and, when asked, its track
// points without a time to `untimedOfWritten`, in the same order), each one that fails gets a line.
// Otherwise the report gets one warning for the track points that went out without a time, naming
// the files written that hold them. Answers whether every file was written.
bool WritePendingFiles(std::vector<SPendingFile>& pending, const std::string& source, ETimeTarget target,
                       std::vector<std::string>& written, std::vector<CUntimedPoints>* untimedOfWritten,
                       CReportSink& report) {
  bool complete = true;
  const CUntimedPoints none;
  CUntimedPoints untimed;
  std::vector<std::string> holding;
  for (SPendingFile& file : pending) {
    CDiagnostic why;
    if (!WritePending(file, why)) {
      complete = report.AddReportLine(IDS_ERROR_TRANSFERRING, file.target, why.Reason());
      continue;
    }
    written.push_back(file.target);
    const CUntimedPoints& points = file.untimed != nullptr ? *file.untimed : none;
    if (untimedOfWritten != nullptr) untimedOfWritten->push_back(points);
    if (points.Count() == 0) continue;
    untimed.Add(points);
    holding.push_back(file.target);
  }
  if (untimedOfWritten == nullptr && untimed.Count() != 0)
    report.AddWarning(untimed.Warning(source, target, std::move(holding)));
  return complete;
}

// The unit's files of a GPX source, from its whole document: for a file whose track name comes
// after the points bound for the unit's logs (every point of a log repeats its track's name). The
// points without a time were counted, for each track with points, while the file was first read.
bool ConvertGpxDocumentToUnit(const std::string& source, const std::string& folder, CCodePage& codePage,
                              const CUnitTimes& times, const std::vector<CUntimedPoints>& untimed, CTargetNames& names,
                              std::vector<std::string>& written, std::vector<CUntimedPoints>* untimedOfWritten,
                              CReportSink& report) {
  const SECFileSystem files;
  CDiagnostic why;
  SGpxDocument doc;
  if (!ReadGpxFile(source, doc, codePage, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  if (!HasContent(doc)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);

  const std::string stem = files.StemOf(source);
  // The names are claimed on a copy: a source that fails before writing takes none.
  CTargetNames claimed = names;
  const auto name = [&](EFileKind kind) {
    return claimed.Claim(files.JoinPath(folder, stem + '.' + std::string(KindExtension(kind))));
  };
  std::vector<SPendingFile> pending;
  if (doc.points.GetWaypoints().GetCount() != 0) {
    auto file = std::make_unique<CUnitWaypointFile>();
    if (!ConvertWaypointsToUnit(doc.points, *file, &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    pending.push_back({name(EFileKind::kUpt), std::move(file)});
  }
  if (doc.points.GetRoutes().GetCount() != 0) {
    auto file = std::make_unique<CUnitRouteFile>();
    if (!ConvertRoutesToUnit(doc.points, *file, &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    pending.push_back({name(EFileKind::kRte), std::move(file)});
  }
  // A track without points would give an empty file; it is left out, and the numbering of the
  // names runs over the files written.
  std::size_t index = 0;
  for (CVexlornFileTrk& track : doc.tracks) {
    if (track.GetNodes().GetCount() == 0) continue;
    const std::string target = name(EFileKind::kLog);
    track.SetName(TrackName(track.GetName(), target));
    auto file = std::make_unique<CUnitTrackFile>();
    if (!ConvertTrackToUnit(track, *file, &why, &times))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    pending.push_back({target, std::move(file), nullptr, nullptr, index < untimed.size() ? &untimed[index] : nullptr});
    ++index;
  }

  COutputFolder output(folder);
  if (!output.Prepare()) return report.AddReportLine(IDS_ERROR_TRANSFERRING, pending.front().target, output.Reason());
  names = std::move(claimed);
  return WritePendingFiles(pending, source, ETimeTarget::kTrackLog, written, untimedOfWritten, report);
}

// A track written into a GPX file point by point, as it is read from a .trk or .log file. Faults
// are kept by kind until the end, where loading outranks converting, converting the folder, the
// folder a value GPX cannot hold, and that the file.
class CTrackToGpx {
 public:
  CTrackToGpx(const std::string& target, CCodePage& codePage, const CUnitTimes& times)
      : m_target(target),
        m_folder(SECFileSystem().FolderOf(target)),
        m_file(std::make_unique<CAtomicFile>(target)),
        m_codePage(codePage),
        m_times(times),
        m_writer(codePage, &m_valueWhy, m_file.get(), &times) {
    // The folder before the temporary file in it; taken away again when nothing is written.
    m_folderReady = !m_folder.empty() && m_output.Prepare();
  }

  void Begin(const CVexlornFileTrk& track) {
    m_writer.Begin();
    m_before = m_codePage.GetReplacementCount();
    m_writer.BeginTrack(track);
    m_named = m_codePage.GetReplacementCount() - m_before;
    m_prefixSize = m_writer.Text().size();
    m_track = track;
    m_begun = true;
  }

  // `place` is where the point is in the source.
  void Add(const SVexlornTnodBlock& node, const SSourcePlace& place) {
    if (m_valueFailed) return;
    SVexlornTnodBlock counted = node;
    m_untimed.Fit(m_times, ETimeTarget::kGpx, counted, place);
    m_valueFailed = !m_writer.AddTrackPoint(node, 0, m_count);
    ++m_count;
  }

  // Ends the file; the track's name and header are those it finally has. A file written gets the
  // warning for its points without a time.
  bool Finish(const CVexlornFileTrk& track, const std::string& source, CReportSink& report) {
    if (m_count == 0) return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);
    if (m_folder.empty())
      return report.AddReportLine(IDS_ERROR_TRANSFERRING, m_target, "the target path names no folder");
    if (!m_folderReady) return report.AddReportLine(IDS_ERROR_TRANSFERRING, m_target, m_output.Reason());
    if (m_valueFailed) return report.AddReportLine(IDS_ERROR_CONVERTING, source, m_valueWhy.Reason());
    m_writer.EndTrack();
    CDiagnostic why;
    bool written = m_writer.End(SVexlornWptRteHeadBlock());
    if (!written) why = m_writer.FileError();
    if (written && track.GetName() != m_track.GetName()) {
      // The name in front of the points is the last point's: written again once it is known, and
      // its characters counted once.
      const std::size_t others = m_codePage.GetReplacementCount() - m_before - m_named;
      m_codePage.ResetReplacementCount();
      m_codePage.CountReplacements(m_before + others);
      CGpxWriter prefix(m_codePage, nullptr);
      prefix.Begin();
      prefix.BeginTrack(track);
      written = ReplaceAtomicFilePrefix(m_file, m_prefixSize, prefix.Text().data(), prefix.Text().size(), &why);
    }
    if (!written || !m_file->Commit(&why)) return report.AddReportLine(IDS_ERROR_TRANSFERRING, m_target, why.Reason());
    if (m_untimed.Count() != 0) report.AddWarning(m_untimed.Warning(source, ETimeTarget::kGpx, {m_target}));
    return true;
  }

  void Drop() { m_file->Discard(); }
  bool HasBegun() const { return m_begun; }

 private:
  std::string m_target;
  std::string m_folder;
  COutputFolder m_output{m_folder};
  bool m_folderReady = false;
  std::unique_ptr<CAtomicFile> m_file;
  CCodePage& m_codePage;
  const CUnitTimes& m_times;
  CUntimedPoints m_untimed;
  CDiagnostic m_valueWhy;
  CGpxWriter m_writer;
  CVexlornFileTrk m_track;
  std::size_t m_count = 0;
  std::size_t m_before = 0;
  std::size_t m_named = 0;
  std::uint64_t m_prefixSize = 0;
  bool m_valueFailed = false;
  bool m_begun = false;
};

// The points of a track log into a GPX file, each converted to the desktop's terms as it is read.
class CLogToGpx : public CTrackPointSink {
 public:
  CLogToGpx(CTrackToGpx& gpx, const CUnitLineReader& lines) : m_gpx(gpx), m_lines(lines) {}
  void Take(CTrkSentence& point) override {
    if (m_convertFailed) return;
    // The document keeps the name of the last point; every point normally repeats the same one.
    if (m_track.GetName() != point.GetName()) m_track.SetName(point.GetName());
    if (!ConvertPointToDesktop(point, m_count++, m_node, &m_convertWhy)) {
      m_convertFailed = true;
      return;
    }
    if (!m_gpx.HasBegun()) m_gpx.Begin(m_track);
    m_gpx.Add(m_node, SSourcePlace::AtLine(m_lines.GetLineNumber()));
  }
  const CVexlornFileTrk& Track() const { return m_track; }
  bool ConvertFailed() const { return m_convertFailed; }
  const CDiagnostic& ConvertError() const { return m_convertWhy; }

 private:
  CTrackToGpx& m_gpx;
  const CUnitLineReader& m_lines;
  CVexlornFileTrk m_track;
  SVexlornTnodBlock m_node;
  std::size_t m_count = 0;
  CDiagnostic m_convertWhy;
  bool m_convertFailed = false;
};

bool TrackFileToGpx(const std::string& source, const std::string& target, CCodePage& codePage, const CUnitTimes& times,
                    CReportSink& report) {
  CDiagnostic why;
  CVexlornTrackReader reader(&why, &codePage);
  if (!reader.Open(source)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  CVexlornFileTrk track;
  track.GetHeader() = reader.GetHeader();
  track.SetName(reader.GetName());
  CTrackToGpx gpx(target, codePage, times);
  gpx.Begin(track);
  SVexlornTnodBlock node;
  for (std::size_t i = 0; i < reader.GetNodeCount(); ++i) {
    const std::uint64_t offset = reader.GetOffset();
    if (!reader.Next(node)) {
      gpx.Drop();
      return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    }
    gpx.Add(node, SSourcePlace::AtNode(i + 1, offset));
  }
  if (!gpx.Finish(track, source, report)) {
    gpx.Drop();
    return false;
  }
  const STrailingBytes trailing = reader.GetTrailingBytes();
  if (trailing.count != 0) report.AddWarning(trailing.Warning(source));
  return true;
}

bool TrackLogToGpx(const std::string& source, const std::string& target, CCodePage& codePage, const CUnitTimes& times,
                   CReportSink& report) {
  CDiagnostic why;
  CInputFile input;
  if (!input.Open(source, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  CUnitLineReader lines(input, UnitFileTitle(source));
  CTrackToGpx gpx(target, codePage, times);
  CLogToGpx points(gpx, lines);
  const bool read = ReadTrackLog(lines, points, &why);
  bool done = false;
  if (!read) {
    report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  } else if (points.ConvertFailed()) {
    report.AddReportLine(IDS_ERROR_CONVERTING, source, points.ConvertError().Reason());
  } else {
    done = gpx.Finish(points.Track(), source, report);
  }
  if (!done) gpx.Drop();
  return done;
}

}  // namespace

bool ConvertGpxFile(const std::string& source, const std::string& folder, EGpxOutputs outputs, CCodePage& codePage,
                    const CUnitTimes& times, CTargetNames& names, std::vector<std::string>& written,
                    CReportSink& report, std::vector<CUntimedPoints>* untimedOfWritten) {
  const SECFileSystem files;
  const std::string stem = files.StemOf(source);
  // The names are claimed on a copy: a source that fails before writing takes none.
  CTargetNames claimed = names;
  const auto name = [&](EFileKind kind) {
    return claimed.Claim(files.JoinPath(folder, stem + '.' + std::string(KindExtension(kind))));
  };
  // The tracks go into their files while the source is read; waypoints and routes are held.
  const std::size_t replacedBefore = codePage.GetReplacementCount();
  COutputFolder output(folder);
  CTrackFiles tracks(outputs, output, times,
                     [&] { return name(outputs == EGpxOutputs::Unit ? EFileKind::kLog : EFileKind::kTrk); });
  CVexlornFileWpt points;
  CDiagnostic why;
  if (!ReadGpxFile(source, points, tracks, codePage, &why)) {
    tracks.Drop();
    return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  }
  if (tracks.NeedsDocument()) {
    tracks.Drop();
    codePage.ResetReplacementCount();
    codePage.CountReplacements(replacedBefore);
    return ConvertGpxDocumentToUnit(source, folder, codePage, times, tracks.Untimed(), names, written, untimedOfWritten,
                                    report);
  }
  std::vector<std::unique_ptr<CTrackFiles::SFile>>& trackFiles = tracks.Files();
  const bool hasPoints = points.GetWaypoints().GetCount() != 0;
  const bool hasRoutes = points.GetRoutes().GetCount() != 0;
  if (!hasPoints && !hasRoutes && trackFiles.empty())
    return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);

  // Names as the files come: points, routes, then the tracks (whose names were taken as they came;
  // they never meet those of other kinds).
  std::vector<SPendingFile> pending;
  const auto fail = [&](int message, const std::string& path, const std::string& reason) {
    tracks.Drop();
    return report.AddReportLine(message, path, reason);
  };
  if (outputs == EGpxOutputs::Unit) {
    if (hasPoints) {
      auto file = std::make_unique<CUnitWaypointFile>();
      if (!ConvertWaypointsToUnit(points, *file, &why)) return fail(IDS_ERROR_CONVERTING, source, why.Reason());
      pending.push_back({name(EFileKind::kUpt), std::move(file)});
    }
    if (hasRoutes) {
      auto file = std::make_unique<CUnitRouteFile>();
      if (!ConvertRoutesToUnit(points, *file, &why)) return fail(IDS_ERROR_CONVERTING, source, why.Reason());
      pending.push_back({name(EFileKind::kRte), std::move(file)});
    }
  } else if (hasPoints || hasRoutes) {
    pending.push_back({name(EFileKind::kWpt), nullptr, &points});
  }
  if (tracks.ConvertFailed()) return fail(IDS_ERROR_CONVERTING, source, tracks.ConvertError().Reason());
  // Each track with points has its file, in track order.
  for (std::size_t i = 0; i < trackFiles.size(); ++i)
    pending.push_back({trackFiles[i]->target, nullptr, nullptr, trackFiles[i].get(), &tracks.Untimed().at(i)});

  if (!output.Prepare()) return fail(IDS_ERROR_TRANSFERRING, pending.front().target, output.Reason());
  names = std::move(claimed);
  const bool complete = WritePendingFiles(
      pending, source, outputs == EGpxOutputs::Desktop ? ETimeTarget::kTrackFile : ETimeTarget::kTrackLog, written,
      untimedOfWritten, report);
  return complete;
}

bool ConvertFileToGpx(const std::string& source, const std::string& target, CCodePage& codePage,
                      const CUnitTimes& times, CReportSink& report) {
  const SECFileSystem files;
  const std::optional<EFileKind> kind = FileKindOf(source);
  if (!kind || TargetKinds(*kind, EFileSide::kInterchange).empty()) {
    return report.AddReportLine(IDS_ERROR_LOADING, source,
                                "\"" + AsciiLower(files.ExtensionOf(source)) +
                                    "\" is not a desktop or unit file kind (" +
                                    ListKinds(KindsConvertedTowards(EFileSide::kInterchange)) + ")");
  }
  // Tracks go through point by point; waypoints and routes are small and read whole, unit files
  // through the desktop records as the conversion to the desktop reads them (local track times
  // become UTC there).
  if (*kind == EFileKind::kTrk) return TrackFileToGpx(source, target, codePage, times, report);
  if (*kind == EFileKind::kLog) return TrackLogToGpx(source, target, codePage, times, report);
  SGpxDocument doc;
  const SConversionOutcome read = FileCodecOf(*kind).read(source, doc, codePage);
  if (!ReportOutcome(read, source, target, report)) return false;
  if (!HasContent(doc)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);
  const std::string folder = files.FolderOf(target);
  if (folder.empty()) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, "the target path names no folder");
  COutputFolder output(folder);
  if (!output.Prepare()) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, output.Reason());
  CAtomicFile file(target);
  CDiagnostic valueWhy;
  CGpxWriter writer(codePage, &valueWhy, &file, &times);
  if (!WriteGpxDocument(doc, writer)) {
    file.Discard();
    return report.AddReportLine(IDS_ERROR_CONVERTING, source, valueWhy.Reason());
  }
  CDiagnostic why;
  if (!writer.End(doc.points.GetHeader())) why = writer.FileError();
  if (why.HasReason() || !file.Commit(&why)) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
  if (read.trailing.count != 0) report.AddWarning(read.trailing.Warning(source));
  return true;
}
