// The per-file work of the conversion job: load, convert, write and (towards the unit) stage and
// copy one file, shared by the wizard's conversion page and transvane-cli.
#include "wizard/conversion_job.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "formats/conversion.h"
#include "formats/file_conversion.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/unit_device.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string TemporaryFolder(const SConversionContext& ctx) {
  if (!ctx.tempFolder.empty()) return ctx.tempFolder;
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// The target's folder, made with all missing levels. A target without a folder part fails: there
// is nothing to make, and the job never guesses a folder for the user.
bool PrepareFolder(const std::string& target, CReportSink& report) {
  SECFileSystem files;
  const std::string folder = files.FolderOf(target);
  if (folder.empty()) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, "the target path names no folder");
  if (files.IsFolder(folder) || files.CreateFolderChain(folder)) return true;
  return report.AddReportLine(IDS_ERROR_TRANSFERRING, target,
                              "cannot create the folder " + folder + ": " + std::strerror(errno));
}

// One line for a target that did not go through, naming the source for faults of loading and
// converting and the target for faults of writing.
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

// Keeps the report lines of one target until every target is known, so that the report has them in
// the targets' order.
class CHeldLines : public CReportSink {
 public:
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override {
    m_lines.push_back({messageId, path, reason});
    return false;
  }
  void PassOn(CReportSink& report) const {
    for (const SLine& line : m_lines) report.AddReportLine(line.messageId, line.path, line.reason);
  }

 private:
  struct SLine {
    int messageId;
    std::string path;
    std::string reason;
  };
  std::vector<SLine> m_lines;
};

// What became of one target.
struct STargetRun {
  std::string target;
  std::string writePath;
  bool staged = false;
  bool pending = true;  // still to be converted
  SConversionOutcome outcome;
  CHeldLines lines;
};

template <typename UnitFile, typename Document>
bool SaveDesktopFileFrom(const std::string& source, const std::string& target,
                         bool (*convert)(const UnitFile&, Document&, CDiagnostic*), CReportSink& report) {
  CDiagnostic why;
  Document document;
  {
    UnitFile file;
    if (!ReadUnitFile(source, file, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    if (!convert(file, document, &why)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
  }
  if (!SaveVexlornFile(target, document, &why))
    return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
  return true;
}

}  // namespace

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
    if (!PrepareFolder(run.target, run.lines)) {
      run.pending = false;
      continue;
    }
    const std::string kind = Lower(files.ExtensionOf(run.target));
    if (kind == "upt" || kind == "rte") {
      waypointTargets.push_back({run.writePath, kind == "rte"});
      waypointRuns.push_back(i);
    } else if (kind != "log") {
      // The kind is the target's; the source is named because it is the file that cannot be used.
      run.lines.AddReportLine(IDS_ERROR_LOADING, source,
                              "no unit file of kind \"" + kind + "\" can be made (upt, rte or log)");
      run.pending = false;
    }
  }
  // A .wpt source is read once for all its targets; a track goes into each of its logs.
  if (!waypointTargets.empty()) {
    std::vector<SConversionOutcome> outcomes = ConvertWaypointFileToUnit(source, waypointTargets);
    for (std::size_t k = 0; k < waypointRuns.size(); ++k) runs[waypointRuns[k]].outcome = std::move(outcomes[k]);
  }
  std::vector<bool> done(targets.size(), false);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    STargetRun& run = runs[i];
    if (!run.pending) continue;
    if (Lower(files.ExtensionOf(run.target)) == "log") run.outcome = ConvertTrackFileToUnit(source, run.writePath);
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
  return done;
}

bool ConvertFileToDesktop(const std::string& source, const std::string& target, CReportSink& report) {
  SECFileSystem files;
  const std::string kind = Lower(files.ExtensionOf(source));
  if (!PrepareFolder(target, report)) return false;

  if (kind == "upt")
    return SaveDesktopFileFrom<CUnitWaypointFile, CVexlornFileWpt>(source, target, ConvertWaypointsToDesktop, report);
  if (kind == "rte")
    return SaveDesktopFileFrom<CUnitRouteFile, CVexlornFileWpt>(source, target, ConvertRoutesToDesktop, report);
  if (kind == "log") return ReportOutcome(ConvertTrackLogToDesktop(source, target), source, target, report);
  return report.AddReportLine(IDS_ERROR_LOADING, source, "\"" + kind + "\" is not a unit file kind (upt, rte or log)");
}
