// A GPX file converted by the wizard.
#include "jobs/gpx_unit_targets.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "formats/ascii_case.h"
#include "formats/file_kinds.h"
#include "formats/gpx_reader.h"
#include "formats/unit_times.h"
#include "jobs/conversion_job.h"
#include "jobs/file_codecs.h"
#include "jobs/gpx_conversion_job.h"
#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/staging_folder.h"
#include "storage/unit_device.h"

namespace {

// Counts the tracks with points as the reader hands them on; their points are not kept.
class CTrackCounter : public CGpxTrackHandler {
 public:
  void BeginTrack(const CVexlornFileTrk&) override { ++m_count; }
  void AddNode(const SVexlornTnodBlock&) override {}
  void EndTrack(const CVexlornFileTrk&, bool) override {}
  int Count() const { return m_count; }

 private:
  int m_count = 0;
};

// Passes the job's lines on with the target in place of the staged file it stands for; lines on a
// staged file that no target asked for are left out. Notes who got a line. Warnings wait for the
// end, when it is known which targets went through: they name those alone.
class CStagedReport : public CReportSink {
 public:
  CStagedReport(CReportSink& report, std::string folder) : m_report(report), m_folder(std::move(folder) + '/') {}
  void Map(const std::string& staged, const std::string& target) { m_targets.emplace(staged, target); }
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override {
    const auto found = m_targets.find(path);
    if (found == m_targets.end() && path.compare(0, m_folder.size(), m_folder) == 0) return false;
    const std::string& named = found == m_targets.end() ? path : found->second;
    m_named.insert(named);
    return m_report.AddReportLine(messageId, named, reason);
  }
  void AddWarning(const SSourceWarning& warning) override { m_warnings.push_back(warning); }
  bool Named(const std::string& path) const { return m_named.count(path) != 0; }
  // The warnings, each output replaced by its target when that went through; one that named
  // outputs and keeps none is left out.
  void PassOnWarnings(const std::set<std::string>& done) {
    for (SSourceWarning& warning : m_warnings) {
      std::vector<std::string> targets;
      for (const std::string& output : warning.outputs) {
        const auto found = m_targets.find(output);
        if (found != m_targets.end() && done.count(found->second) != 0) targets.push_back(found->second);
      }
      if (targets.empty() && !warning.outputs.empty()) continue;
      warning.outputs = std::move(targets);
      m_report.AddWarning(warning);
    }
  }

 private:
  CReportSink& m_report;
  std::string m_folder;
  std::map<std::string, std::string> m_targets;
  std::set<std::string> m_named;
  std::vector<SSourceWarning> m_warnings;
};

std::string PartName(EFileKind kind, int track) {
  if (kind == EFileKind::kUpt) return "waypoints";
  if (kind == EFileKind::kRte) return "routes";
  if (kind == EFileKind::kWpt) return "waypoints and routes";
  return "track " + std::to_string(track + 1);
}

// The kinds the files of one side are made of: waypoints (with the routes on the desktop), routes
// (the unit's own file) and one file per track.
struct SGpxKinds {
  EFileSide side;
  EFileKind points;
  std::optional<EFileKind> routes;
  EFileKind track;
};

SGpxKinds KindsTowards(EGpxOutputs outputs) {
  if (outputs == EGpxOutputs::Unit) return {EFileSide::kUnit, EFileKind::kUpt, EFileKind::kRte, EFileKind::kLog};
  return {EFileSide::kDesktop, EFileKind::kWpt, std::nullopt, EFileKind::kTrk};
}

// The files ConvertGpxFile makes of the source, each in the folder its kind goes to; the source is
// read without keeping its tracks' points.
bool GpxTargets(const std::string& source, EGpxOutputs outputs, const std::function<std::string(EFileKind)>& folderOf,
                CCodePage& codePage, std::vector<SGpxTarget>& targets, CDiagnostic* why) {
  CVexlornFileWpt points;
  CTrackCounter tracks;
  if (!ReadGpxFile(source, points, tracks, codePage, why)) return false;
  const SECFileSystem files;
  const std::string stem = files.StemOf(source);
  const SGpxKinds kinds = KindsTowards(outputs);
  std::vector<SGpxTarget> found;
  const auto add = [&](EFileKind kind, int track) {
    found.push_back({files.JoinPath(folderOf(kind), stem + '.' + std::string(KindExtension(kind))), track});
  };
  const bool hasPoints = points.GetWaypoints().GetCount() != 0;
  const bool hasRoutes = points.GetRoutes().GetCount() != 0;
  if (kinds.routes) {
    if (hasPoints) add(kinds.points, 0);
    if (hasRoutes) add(*kinds.routes, 0);
  } else if (hasPoints || hasRoutes) {
    add(kinds.points, 0);
  }
  for (int track = 0; track < tracks.Count(); ++track) add(kinds.track, track);
  if (found.empty()) {
    if (why != nullptr) why->Set("nothing to convert: the file holds no waypoint, route or track point");
    return false;
  }
  targets = std::move(found);
  return true;
}

}  // namespace

bool TargetsForGpxFile(const std::string& source, CUnitDevice& unit, bool testMode, CCodePage& codePage,
                       std::vector<SGpxTarget>& targets, CDiagnostic* why) {
  const auto folderOf = [&](EFileKind kind) {
    return testMode ? unit.Drive() : unit.GetUnitFolder(FileCodecOf(kind).unitFolder, true);
  };
  return GpxTargets(source, EGpxOutputs::Unit, folderOf, codePage, targets, why);
}

bool TargetsForGpxFileToDesktop(const std::string& source, const std::string& documentsFolder, CCodePage& codePage,
                                std::vector<SGpxTarget>& targets, CDiagnostic* why) {
  const auto folderOf = [&](EFileKind) { return documentsFolder; };
  return GpxTargets(source, EGpxOutputs::Desktop, folderOf, codePage, targets, why);
}

std::vector<bool> ConvertGpxFileToTargets(const std::string& source, EGpxOutputs outputs,
                                          const std::vector<SGpxTarget>& targets, const SConversionContext& ctx,
                                          CCodePage& codePage, CReportSink& report) {
  std::vector<bool> done(targets.size(), false);
  const CStagingFolder staging("transvane-gpx", TemporaryFolder(ctx));
  if (staging.Path().empty()) {
    for (const SGpxTarget& target : targets) {
      report.AddReportLine(IDS_ERROR_TRANSFERRING, target.path, "cannot create a folder in " + staging.Error());
    }
    return done;
  }

  // The names ConvertGpxFile gives the parts: claimed in one run, a kind's names never meet
  // another kind's, so the order of the kinds does not matter.
  const SECFileSystem files;
  const std::string stem = files.StemOf(source);
  CTargetNames stagedNames;
  const auto stagedName = [&](EFileKind kind) {
    return stagedNames.Claim(files.JoinPath(staging.Path(), stem + '.' + std::string(KindExtension(kind))));
  };
  const SGpxKinds kinds = KindsTowards(outputs);
  const std::string points = stagedName(kinds.points);
  const std::string routes = kinds.routes ? stagedName(*kinds.routes) : std::string();
  std::vector<std::string> logs;
  std::vector<std::string> staged(targets.size());
  std::vector<std::optional<EFileKind>> targetKinds(targets.size());
  CStagedReport lines(report, staging.Path());
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const SGpxTarget& target = targets[i];
    const std::optional<EFileKind> kind = FileKindOf(target.path);
    targetKinds[i] = kind;
    if (kind == kinds.points) staged[i] = points;
    if (kinds.routes && kind == kinds.routes) staged[i] = routes;
    if (kind == kinds.track && target.track >= 0) {
      while (logs.size() <= static_cast<std::size_t>(target.track)) logs.push_back(stagedName(kinds.track));
      staged[i] = logs[static_cast<std::size_t>(target.track)];
    }
    if (staged[i].empty()) {
      const bool toUnit = outputs == EGpxOutputs::Unit;
      report.AddReportLine(IDS_ERROR_LOADING, source,
                           std::string("no ") + (toUnit ? "unit" : "desktop") + " file of kind \"" +
                               AsciiLower(files.ExtensionOf(target.path)) + "\" can be made (" +
                               ListKinds(KindsOnSide(kinds.side)) + ")");
      continue;
    }
    lines.Map(staged[i], target.path);
  }

  std::vector<std::string> written;
  CTargetNames names;
  CUnitDevice anyVolume;
  CUnitDevice& unit = ctx.unit != nullptr ? *ctx.unit : anyVolume;
  const CUnitTimes ownTimes;
  const CUnitTimes& times = ctx.settings.times != nullptr ? *ctx.settings.times : ownTimes;
  std::vector<CUntimedPoints> untimed;
  ConvertGpxFile(source, staging.Path(), outputs, codePage, times, names, written, lines, &untimed);
  std::set<std::string> copied;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string& target = targets[i].path;
    if (staged[i].empty() || lines.Named(target)) continue;
    if (std::find(written.begin(), written.end(), staged[i]) == written.end()) {
      // The whole file failed (its line names the source), or it lost this part since it was listed.
      if (!lines.Named(source)) {
        report.AddReportLine(IDS_ERROR_CONVERTING, source,
                             "the file no longer holds its " + PartName(*targetKinds[i], targets[i].track));
      }
      continue;
    }
    const std::unique_ptr<COutputFolder> folder = PrepareFolder(target, report);
    if (!folder) continue;
    CDiagnostic why;
    if (!unit.CopyFileToUnit(staged[i], target, &why)) {
      report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
      continue;
    }
    done[i] = true;
    copied.insert(target);
  }
  lines.PassOnWarnings(copied);
  // One warning for the track points given no time, counting those of the files delivered alone.
  CUntimedPoints delivered;
  std::vector<std::string> holding;
  for (std::size_t w = 0; w < written.size() && w < untimed.size(); ++w) {
    bool counted = false;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (!done[i] || staged[i] != written[w] || untimed[w].Count() == 0) continue;
      if (!counted) delivered.Add(untimed[w]);
      counted = true;
      holding.push_back(targets[i].path);
    }
  }
  if (delivered.Count() != 0)
    report.AddWarning(delivered.Warning(
        source, outputs == EGpxOutputs::Desktop ? ETimeTarget::kTrackFile : ETimeTarget::kTrackLog, holding));
  return done;
}
