// transvane-cli convert: desktop files to unit files and back, file by file, through the same
// per-file routines as the wizard's conversion job.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/conversion_options.h"
#include "cli/report_printer.h"
#include "cli/terminal_text.h"
#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "wizard/conversion_job.h"
#include "wizard/file_codecs.h"
#include "wizard/gpx_conversion_job.h"
#include "wizard/target_naming.h"

namespace {

struct SOptions {
  std::string outputFolder;
  std::string to;        // "unit", "desktop", "gpx" or empty: by the extension
  std::string codePage;  // empty: the locale's
  std::vector<std::string> files;
};

// The kinds of the outputs of one input without --to gpx: towards the unit when it goes there,
// else towards the desktop; none for a file of no kind or one that is never converted.
std::span<const EFileKind> OutputKinds(std::optional<EFileKind> kind, bool& toUnit) {
  toUnit = kind && !TargetKinds(*kind, EFileSide::kUnit).empty();
  if (!kind) return {};
  return TargetKinds(*kind, toUnit ? EFileSide::kUnit : EFileSide::kDesktop);
}

// What an input may be: every kind that goes to the unit or the desktop.
std::string KnownKinds() {
  std::vector<EFileKind> known;
  for (const SFileKind& row : FileKinds()) {
    if (!row.toUnit.empty() || !row.toDesktop.empty()) known.push_back(row.kind);
  }
  return ListKinds(known, ".");
}

std::string OutputName(const std::string& folder, const std::string& source, EFileKind kind) {
  const SECFileSystem files;
  return files.JoinPath(folder, files.StemOf(source) + '.' + std::string(KindExtension(kind)));
}

// A .gpx source to the unit's or the desktop's files, or any other source to a .gpx file.
void ConvertWithGpx(const std::string& source, const std::string& folder, const SOptions& options, CCodePage& codePage,
                    CUnitTimes& times, CTargetNames& names, CReportSink& report) {
  if (FileKindOf(source) == EFileKind::kGpx) {
    if (options.to == "gpx") {
      report.AddReportLine(IDS_ERROR_CONVERTING, source, "the file is GPX already: --to unit or --to desktop");
      return;
    }
    std::vector<std::string> written;
    ConvertGpxFile(source, folder, options.to == "desktop" ? EGpxOutputs::Desktop : EGpxOutputs::Unit, codePage, times,
                   names, written, report);
    for (const std::string& target : written) std::printf("%s\n", EscapeForTerminal(target).c_str());
  } else {
    const std::string target = names.Claim(OutputName(folder, source, EFileKind::kGpx));
    SConversionContext context;
    context.settings.times = &times;
    if (FileCodecOf(EFileKind::kGpx).write(source, {target}, context, codePage, report).front()) {
      std::printf("%s\n", EscapeForTerminal(target).c_str());
    }
  }
}

void RunConvert(const SOptions& options, int& status) {
  const SECFileSystem files;
  CStandardErrorReport report;
  const std::unique_ptr<CCodePage> usable = OpenCodePage(options.codePage);
  if (!usable) {
    status = 2;
    return;
  }
  CCodePage& codePage = *usable;
  CUnitTimes times;
  SConversionContext noUnit;
  noUnit.settings = {&codePage, &times};
  // No output may replace an input of the run, whenever that input is read, nor another output.
  CTargetNames names(options.files);
  for (const std::string& source : options.files) {
    std::string folder = options.outputFolder.empty() ? files.FolderOf(source) : options.outputFolder;
    if (folder.empty()) folder = ".";
    const std::optional<EFileKind> kind = FileKindOf(source);
    if (options.to == "gpx" || kind == EFileKind::kGpx) {
      ConvertWithGpx(source, folder, options, codePage, times, names, report);
      WarnOfChanges(source, codePage, times);
      continue;
    }
    bool toUnit = false;
    const std::span<const EFileKind> outputKinds = OutputKinds(kind, toUnit);
    if (outputKinds.empty()) {
      report.AddReportLine(IDS_ERROR_LOADING, source, "unknown kind of file: expected " + KnownKinds());
      continue;
    }
    if (!options.to.empty() && (options.to == "unit") != toUnit) {
      report.AddReportLine(IDS_ERROR_CONVERTING, source,
                           toUnit ? "a desktop file goes to the unit (--to unit) or to GPX (--to gpx)"
                                  : "a unit file goes to the desktop (--to desktop) or to GPX (--to gpx)");
      continue;
    }
    std::vector<std::string> outputs;
    for (const EFileKind output : outputKinds) {
      // Two inputs of one run that want the same output (a.upt and a.rte both give a.wpt) must
      // not overwrite each other: the later one gets a numbered name, as in the wizard's list.
      outputs.push_back(names.Claim(OutputName(folder, source, output)));
    }
    // A .wpt is read once for both of its outputs.
    const std::vector<bool> converted =
        FileCodecOf(outputKinds.front()).write(source, outputs, noUnit, codePage, report);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
      if (converted[i]) std::printf("%s\n", EscapeForTerminal(outputs[i]).c_str());
    }
    WarnOfChanges(source, codePage, times);
  }
  std::fflush(stdout);
  status = report.Failed() ? 1 : 0;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "convert",
      "Convert desktop files to unit files (.wpt to .upt and .rte, .trk to .log) and unit files to desktop files "
      "(.upt and .rte to .wpt, .log to .trk); GPX files to unit files (.upt, .rte, one .log per track) or with "
      "--to desktop to desktop files (.wpt, one .trk per track), and any file to .gpx with --to gpx; prints each "
      "file written");
  auto options = std::make_shared<SOptions>();
  command->add_option("-o,--output", options->outputFolder,
                      "Folder for the converted files (made when missing); default: each input's own folder");
  command->add_option("--to", options->to, "unit, desktop or gpx; default: by each input's extension (.gpx: unit)")
      ->check(CLI::IsMember({"unit", "desktop", "gpx"}));
  AddCodePageOption(*command, options->codePage);
  command->add_option("FILE", options->files, "Files to convert; the extension decides the direction")->required();
  command->callback([options, &status] { RunConvert(*options, status); });
}
