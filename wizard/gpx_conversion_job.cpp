// GPX to the unit's or the desktop's files and back, one source file at a time.
#include "wizard/gpx_conversion_job.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/gpx.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"

namespace {

constexpr const char* kNothingToConvert = "nothing to convert: the file holds no waypoint, route or track point";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool HasContent(const SGpxDocument& doc) {
  if (doc.points.GetWaypoints().GetCount() != 0 || doc.points.GetRoutes().GetCount() != 0) return true;
  return std::any_of(doc.tracks.begin(), doc.tracks.end(),
                     [](const CVexlornFileTrk& track) { return track.GetNodes().GetCount() != 0; });
}

// One file to write: its path and how, once everything was converted.
struct SPendingFile {
  std::string target;
  std::unique_ptr<CUnitFile> unit;
  const CVexlornFileWpt* points = nullptr;
  const CVexlornFileTrk* track = nullptr;
};

bool WritePending(const SPendingFile& file, CDiagnostic& why) {
  if (file.unit) return WriteUnitFile(file.target, *file.unit, &why);
  if (file.points != nullptr) return SaveVexlornFile(file.target, *file.points, &why);
  return SaveVexlornFile(file.target, *file.track, &why);
}

// Reads any desktop or unit file into a GPX document (unit files through the desktop records, as
// the conversion to the desktop does: local track times become UTC there).
bool LoadAsGpx(const std::string& source, SGpxDocument& doc, CReportSink& report) {
  const SECFileSystem files;
  const std::string kind = Lower(files.ExtensionOf(source));
  CDiagnostic why;
  if (kind == "wpt") {
    if (!LoadVexlornFile(source, doc.points, &why))
      return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    return true;
  }
  if (kind == "trk") {
    doc.tracks.emplace_back();
    if (!LoadVexlornFile(source, doc.tracks[0], &why))
      return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    return true;
  }
  if (kind == "upt") {
    CUnitWaypointFile file;
    if (!ReadUnitFile(source, file, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    if (!ConvertWaypointsToDesktop(file, doc.points, &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    return true;
  }
  if (kind == "rte") {
    CUnitRouteFile file;
    if (!ReadUnitFile(source, file, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    if (!ConvertRoutesToDesktop(file, doc.points, &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    return true;
  }
  if (kind == "log") {
    CUnitTrackFile file;
    if (!ReadUnitFile(source, file, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    doc.tracks.emplace_back();
    if (!ConvertTrackToDesktop(file, doc.tracks[0], &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    return true;
  }
  return report.AddReportLine(IDS_ERROR_LOADING, source,
                              "\"" + kind + "\" is not a desktop or unit file kind (wpt, trk, upt, rte or log)");
}

bool PrepareFolder(const std::string& folder, const std::string& target, CReportSink& report) {
  SECFileSystem files;
  if (files.IsFolder(folder) || files.CreateFolderChain(folder)) return true;
  return report.AddReportLine(IDS_ERROR_TRANSFERRING, target,
                              "cannot create the folder " + folder + ": " + std::strerror(errno));
}

}  // namespace

bool ConvertGpxFile(const std::string& source, const std::string& folder, EGpxOutputs outputs, CCodePage& codePage,
                    CTargetNames& names, std::vector<std::string>& written, CReportSink& report) {
  const SECFileSystem files;
  CDiagnostic why;
  SGpxDocument doc;
  if (!ReadGpxFile(source, doc, codePage, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
  if (!HasContent(doc)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);

  const std::string stem = files.StemOf(source);
  // The names are claimed on a copy: a source that fails before writing takes none.
  CTargetNames claimed = names;
  const auto name = [&](const char* extension) {
    return claimed.Claim(files.JoinPath(folder, stem + '.' + extension));
  };
  std::vector<SPendingFile> pending;
  const bool hasPoints = doc.points.GetWaypoints().GetCount() != 0;
  const bool hasRoutes = doc.points.GetRoutes().GetCount() != 0;
  if (outputs == EGpxOutputs::Unit) {
    if (hasPoints) {
      auto file = std::make_unique<CUnitWaypointFile>();
      if (!ConvertWaypointsToUnit(doc.points, *file, &why))
        return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
      pending.push_back({name("upt"), std::move(file)});
    }
    if (hasRoutes) {
      auto file = std::make_unique<CUnitRouteFile>();
      if (!ConvertRoutesToUnit(doc.points, *file, &why))
        return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
      pending.push_back({name("rte"), std::move(file)});
    }
  } else if (hasPoints || hasRoutes) {
    pending.push_back({name("wpt"), nullptr, &doc.points});
  }
  // A track without points would give an empty file; it is left out, and the numbering of the
  // names runs over the files written.
  for (const CVexlornFileTrk& track : doc.tracks) {
    if (track.GetNodes().GetCount() == 0) continue;
    if (outputs == EGpxOutputs::Desktop) {
      pending.push_back({name("trk"), nullptr, nullptr, &track});
      continue;
    }
    auto file = std::make_unique<CUnitTrackFile>();
    if (!ConvertTrackToUnit(track, *file, &why))
      return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
    pending.push_back({name("log"), std::move(file)});
  }

  if (!PrepareFolder(folder, pending.front().target, report)) return false;
  names = std::move(claimed);
  bool complete = true;
  for (const SPendingFile& file : pending) {
    if (!WritePending(file, why)) {
      complete = report.AddReportLine(IDS_ERROR_TRANSFERRING, file.target, why.Reason());
      continue;
    }
    written.push_back(file.target);
  }
  return complete;
}

bool ConvertFileToGpx(const std::string& source, const std::string& target, CCodePage& codePage, CReportSink& report) {
  SGpxDocument doc;
  if (!LoadAsGpx(source, doc, report)) return false;
  if (!HasContent(doc)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, kNothingToConvert);
  const SECFileSystem files;
  const std::string folder = files.FolderOf(target);
  if (folder.empty()) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, "the target path names no folder");
  if (!PrepareFolder(folder, target, report)) return false;
  CDiagnostic why;
  std::string text;
  if (!WriteGpxText(doc, codePage, text, &why)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
  CAtomicFile file(target);
  if (!file.Open(&why) || !file.Write(text, &why) || !file.Commit(&why))
    return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
  return true;
}
