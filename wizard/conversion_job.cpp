// The per-file work of the conversion job: load, convert, write and (towards the unit) stage and
// copy one file, shared by the wizard's conversion page and transvane-cli.
#include "wizard/conversion_job.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "formats/conversion.h"
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

template <typename Document, typename UnitFile>
bool WriteUnitFileFrom(const std::string& source, const std::string& target, const std::string& writePath,
                       bool (*convert)(const Document&, UnitFile&, CDiagnostic*), CReportSink& report) {
  CDiagnostic why;
  UnitFile file;
  {
    Document document;
    if (!LoadVexlornFile(source, document, &why)) return report.AddReportLine(IDS_ERROR_LOADING, source, why.Reason());
    if (!convert(document, file, &why)) return report.AddReportLine(IDS_ERROR_CONVERTING, source, why.Reason());
  }  // the document goes before the text is made: a long track needs the room
  if (!WriteUnitFile(writePath, file, &why)) return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
  return true;
}

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
  SECFileSystem files;
  const std::string kind = Lower(files.ExtensionOf(target));
  // Files bound for the unit's volume go through the temporary folder and CopyFileToUnit, which
  // flushes the volume; anything else (another drive, test mode, no unit) is written in place.
  const bool staged = IsTargetOnUnit(target, ctx);
  const std::string writePath = staged ? files.JoinPath(TemporaryFolder(ctx), files.FileNameOf(target)) : target;
  // The folder comes first, before the source is even read.
  if (!PrepareFolder(target, report)) return false;

  bool written = false;
  if (kind == "upt") {
    written = WriteUnitFileFrom<CVexlornFileWpt, CUnitWaypointFile>(source, target, writePath, ConvertWaypointsToUnit,
                                                                    report);
  } else if (kind == "rte") {
    written =
        WriteUnitFileFrom<CVexlornFileWpt, CUnitRouteFile>(source, target, writePath, ConvertRoutesToUnit, report);
  } else if (kind == "log") {
    written = WriteUnitFileFrom<CVexlornFileTrk, CUnitTrackFile>(source, target, writePath, ConvertTrackToUnit, report);
  } else {
    // The kind is the target's; the source is named because it is the file that cannot be used.
    return report.AddReportLine(IDS_ERROR_LOADING, source,
                                "no unit file of kind \"" + kind + "\" can be made (upt, rte or log)");
  }
  if (!written) return false;

  if (staged) {
    CDiagnostic why;
    // The staged copy stays in the temporary folder.
    if (!ctx.unit->CopyFileToUnit(writePath, target, &why))
      return report.AddReportLine(IDS_ERROR_TRANSFERRING, target, why.Reason());
  }
  return true;
}

bool ConvertFileToDesktop(const std::string& source, const std::string& target, CReportSink& report) {
  SECFileSystem files;
  const std::string kind = Lower(files.ExtensionOf(source));
  if (!PrepareFolder(target, report)) return false;

  if (kind == "upt")
    return SaveDesktopFileFrom<CUnitWaypointFile, CVexlornFileWpt>(source, target, ConvertWaypointsToDesktop, report);
  if (kind == "rte")
    return SaveDesktopFileFrom<CUnitRouteFile, CVexlornFileWpt>(source, target, ConvertRoutesToDesktop, report);
  if (kind == "log")
    return SaveDesktopFileFrom<CUnitTrackFile, CVexlornFileTrk>(source, target, ConvertTrackToDesktop, report);
  return report.AddReportLine(IDS_ERROR_LOADING, source, "\"" + kind + "\" is not a unit file kind (upt, rte or log)");
}
