// The per-file work of the conversion job: load, convert, write and (towards the unit) stage and
// copy one file, shared by the wizard's conversion page and transvane-cli.
#include "jobs/conversion_job.h"

#include <optional>

#include "formats/ascii_case.h"
#include "formats/code_page.h"
#include "formats/file_conversion.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/staging_folder.h"
#include "storage/unit_device.h"

namespace {

// The lower-case extension of a path that is of no kind the job can use, for its report line.
std::string ExtensionText(const std::string& path) { return AsciiLower(SECFileSystem().ExtensionOf(path)); }

// The kind of a path when it is one of the unit's own files.
std::optional<EFileKind> UnitKindOf(const std::string& path) {
  const std::optional<EFileKind> kind = FileKindOf(path);
  if (kind && FileKindRow(*kind).side == EFileSide::kUnit) return kind;
  return std::nullopt;
}

// Keeps the report lines of one target until every target is known, so that the report has them in
// the targets' order.
class CHeldLines : public CReportSink {
 public:
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override {
    m_lines.push_back({messageId, path, reason});
    return false;
  }
  void AddWarning(const SSourceWarning& warning) override { m_warnings.push_back(warning); }
  void PassOn(CReportSink& report) const {
    for (const SLine& line : m_lines) report.AddReportLine(line.messageId, line.path, line.reason);
    for (const SSourceWarning& warning : m_warnings) report.AddWarning(warning);
  }

 private:
  struct SLine {
    int messageId;
    std::string path;
    std::string reason;
  };
  std::vector<SLine> m_lines;
  std::vector<SSourceWarning> m_warnings;
};

// What became of one target.
struct STargetRun {
  std::string target;
  std::string writePath;
  bool staged = false;
  bool pending = true;  // still to be converted
  bool track = false;   // a track log, made from a .trk source
  std::unique_ptr<COutputFolder> folder;
  SConversionOutcome outcome;
  CHeldLines lines;
};

}  // namespace

std::string TemporaryFolder(const SConversionContext& ctx) {
  if (!ctx.tempFolder.empty()) return ctx.tempFolder;
  return DefaultTemporaryFolder();
}

std::unique_ptr<COutputFolder> PrepareFolder(const std::string& target, CReportSink& report) {
  const std::string folder = SECFileSystem().FolderOf(target);
  if (folder.empty()) {
    report.AddReportLine(IDS_ERROR_TRANSFERRING, target, "the target path names no folder");
    return nullptr;
  }
  auto output = std::make_unique<COutputFolder>(folder);
  if (output->Prepare()) return output;
  report.AddReportLine(IDS_ERROR_TRANSFERRING, target, output->Reason());
  return nullptr;
}

bool ReportOutcome(const SConversionOutcome& outcome, const std::string& source, const std::string& target,
                   CReportSink& report) {
  if (outcome.done) return true;
  switch (outcome.step) {
    case EConversionStep::Load:
      return report.AddReportLine(IDS_ERROR_LOADING, source, outcome.why.Reason());
    case EConversionStep::Convert:
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, outcome.why.Reason());
    case EConversionStep::Write:
      break;
  }
  return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, outcome.why.Reason());
}

bool IsTargetOnUnit(const std::string& target, const SConversionContext& ctx) {
  if (ctx.testMode || ctx.unit == nullptr || ctx.unit->Drive().empty()) return false;
  std::string mount = ctx.unit->Drive();
  if (mount.back() != '/') mount += '/';
  return target.compare(0, mount.size(), mount) == 0;
}

bool ConvertFileToUnit(const std::string& source, const std::string& target, const SConversionContext& ctx,
                       CReportSink& report) {
  return ConvertFileToUnitTargets(source, {target}, ctx, report)[0];
}

std::vector<bool> ConvertFileToUnitTargets(const std::string& source, const std::vector<std::string>& targets,
                                           const SConversionContext& ctx, CReportSink& report) {
  SECFileSystem files;
  std::vector<STargetRun> runs(targets.size());
  std::vector<SUnitTarget> waypointTargets;
  std::vector<std::size_t> waypointRuns;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    STargetRun& run = runs[i];
    run.target = targets[i];
    // Files bound for the unit's volume go through the temporary folder and CopyFileToUnit, which
    // flushes the volume; anything else (another drive, test mode, no unit) is written in place.
    run.staged = IsTargetOnUnit(run.target, ctx);
    run.writePath = run.staged ? files.JoinPath(TemporaryFolder(ctx), files.FileNameOf(run.target)) : run.target;
    // The folder comes first, before the source is even read.
    run.folder = PrepareFolder(run.target, run.lines);
    if (!run.folder) {
      run.pending = false;
      continue;
    }
    // The target's kind says what is made: a file of waypoints (and routes) from a .wpt source, a
    // track log from a .trk source.
    const std::optional<EFileKind> kind = UnitKindOf(run.target);
    run.track = kind && Holds(*kind, kHoldsTrack);
    if (kind && Holds(*kind, kHoldsWaypoints)) {
      waypointTargets.push_back({run.writePath, Holds(*kind, kHoldsRoutes)});
      waypointRuns.push_back(i);
    } else if (!run.track) {
      // The kind is the target's; the source is named because it is the file that cannot be used.
      run.lines.AddReportLine(IDS_ERROR_LOADING, source,
                              "no unit file of kind \"" + ExtensionText(run.target) + "\" can be made (" +
                                  ListKinds(KindsOnSide(EFileSide::kUnit)) + ")");
      run.pending = false;
    }
  }
  // A .wpt source is read once for all its targets; a track goes into each of its logs.
  if (!waypointTargets.empty()) {
    std::vector<SConversionOutcome> outcomes = ConvertWaypointFileToUnit(source, waypointTargets, ctx.settings);
    for (std::size_t k = 0; k < waypointRuns.size(); ++k) runs[waypointRuns[k]].outcome = std::move(outcomes[k]);
  }
  std::vector<bool> done(targets.size(), false);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    STargetRun& run = runs[i];
    if (!run.pending) continue;
    if (run.track) run.outcome = ConvertTrackFileToUnit(source, run.writePath, ctx.settings);
    if (!ReportOutcome(run.outcome, source, run.target, run.lines)) continue;
    CDiagnostic why;
    // The staged copy stays in the temporary folder.
    if (run.staged && !ctx.unit->CopyFileToUnit(run.writePath, run.target, &why)) {
      run.lines.AddReportLine(IDS_ERROR_TRANSFERRING, run.target, why.Reason());
      continue;
    }
    done[i] = true;
  }
  for (const STargetRun& run : runs) run.lines.PassOn(report);
  // One warning of each kind for the source, when a target went through: its track points given
  // no time, naming the logs written that hold them, and the bytes after its last record.
  std::vector<std::string> logs;
  const CUntimedPoints* untimed = nullptr;
  STrailingBytes trailing;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const STargetRun& run = runs[i];
    if (!done[i]) continue;
    trailing = run.outcome.trailing;
    if (!run.track || run.outcome.untimed.Count() == 0) continue;
    untimed = &run.outcome.untimed;
    logs.push_back(run.target);
  }
  if (untimed != nullptr) report.AddWarning(untimed->Warning(source, ETimeTarget::kTrackLog, logs));
  if (trailing.count != 0) report.AddWarning(trailing.Warning(source));
  return done;
}

bool ConvertFileToDesktop(const std::string& source, const std::string& target, CReportSink& report,
                          const SConversionSettings& settings) {
  const std::optional<EFileKind> kind = UnitKindOf(source);
  const std::unique_ptr<COutputFolder> folder = PrepareFolder(target, report);
  if (!folder) return false;
  if (!kind) {
    return report.AddReportLine(
        IDS_ERROR_LOADING, source,
        "\"" + ExtensionText(source) + "\" is not a unit file kind (" + ListKinds(KindsOnSide(EFileSide::kUnit)) + ")");
  }
  // Each unit file streams into its desktop file, sentence by sentence.
  if (Holds(*kind, kHoldsTrack)) {
    const SConversionOutcome outcome = ConvertTrackLogToDesktop(source, target, settings);
    if (!ReportOutcome(outcome, source, target, report)) return false;
    if (outcome.untimed.Count() != 0)
      report.AddWarning(outcome.untimed.Warning(source, ETimeTarget::kTrackFile, {target}));
    return true;
  }
  return ReportOutcome(ConvertPointFileToDesktop(source, target, Holds(*kind, kHoldsRoutes)), source, target, report);
}

void WarnOfReplacedCharacters(const std::string& source, CCodePage& codePage, CReportSink& report) {
  if (codePage.GetReplacementCount() == 0) return;
  report.AddWarning(ReplacedCharactersWarning(source, codePage.GetReplacementCount(), codePage.GetName()));
  codePage.ResetReplacementCount();
}
