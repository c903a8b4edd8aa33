// transvane-cli convert: desktop files to unit files and back, file by file, through the same
// per-file routines as the wizard's conversion job.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/report_printer.h"
#include "cli/terminal_text.h"
#include "formats/code_page.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "wizard/conversion_job.h"
#include "wizard/gpx_conversion_job.h"
#include "wizard/target_naming.h"

namespace {

struct SOptions {
  std::string outputFolder;
  std::string to;  // "unit", "desktop", "gpx" or empty: by the extension
  std::string codePage = CCodePage::kDefaultName;
  std::vector<std::string> files;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The extensions of the outputs of one input, and whether they are bound for the unit.
bool OutputsOf(const std::string& kind, std::vector<const char*>& extensions, bool& toUnit) {
  toUnit = kind == "wpt" || kind == "trk";
  if (kind == "wpt")
    extensions = {"upt", "rte"};
  else if (kind == "trk")
    extensions = {"log"};
  else if (kind == "upt" || kind == "rte")
    extensions = {"wpt"};
  else if (kind == "log")
    extensions = {"trk"};
  else
    return false;
  return true;
}

// A .gpx source to the unit's or the desktop's files, or any other source to a .gpx file.
void ConvertWithGpx(const std::string& source, const std::string& folder, const SOptions& options, CCodePage& codePage,
                    CTargetNames& names, CReportSink& report) {
  const SECFileSystem files;
  if (Lower(files.ExtensionOf(source)) == "gpx") {
    if (options.to == "gpx") {
      report.AddReportLine(IDS_ERROR_CONVERTING, source, "the file is GPX already: --to unit or --to desktop");
      return;
    }
    std::vector<std::string> written;
    ConvertGpxFile(source, folder, options.to == "desktop" ? EGpxOutputs::Desktop : EGpxOutputs::Unit, codePage, names,
                   written, report);
    for (const std::string& target : written) std::printf("%s\n", EscapeForTerminal(target).c_str());
  } else {
    const std::string target = names.Claim(files.JoinPath(folder, files.StemOf(source) + ".gpx"));
    if (ConvertFileToGpx(source, target, codePage, report)) std::printf("%s\n", EscapeForTerminal(target).c_str());
  }
  if (codePage.GetReplacementCount() != 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "warning: %s: %zu character(s) not held by %s or by XML became '?'\n",
                 EscapeForTerminal(source).c_str(), codePage.GetReplacementCount(), codePage.GetName().c_str());
    codePage.ResetReplacementCount();
  }
}

void RunConvert(const SOptions& options, int& status) {
  const SECFileSystem files;
  CStandardErrorReport report;
  const SConversionContext noUnit;
  CCodePage codePage(options.codePage);
  CDiagnostic why;
  if (!codePage.IsUsable(&why)) {
    std::fprintf(stderr, "--codepage: %s\n", EscapeForTerminal(why.Reason()).c_str());
    status = 2;
    return;
  }
  // No output may replace an input of the run, whenever that input is read, nor another output.
  CTargetNames names(options.files);
  for (const std::string& source : options.files) {
    std::string folder = options.outputFolder.empty() ? files.FolderOf(source) : options.outputFolder;
    if (folder.empty()) folder = ".";
    if (options.to == "gpx" || Lower(files.ExtensionOf(source)) == "gpx") {
      ConvertWithGpx(source, folder, options, codePage, names, report);
      continue;
    }
    std::vector<const char*> extensions;
    bool toUnit = false;
    if (!OutputsOf(Lower(files.ExtensionOf(source)), extensions, toUnit)) {
      report.AddReportLine(IDS_ERROR_LOADING, source,
                           "unknown kind of file: expected .wpt, .trk, .upt, .rte, .log or .gpx");
      continue;
    }
    if (!options.to.empty() && (options.to == "unit") != toUnit) {
      report.AddReportLine(IDS_ERROR_CONVERTING, source,
                           toUnit ? "a desktop file goes to the unit (--to unit) or to GPX (--to gpx)"
                                  : "a unit file goes to the desktop (--to desktop) or to GPX (--to gpx)");
      continue;
    }
    std::vector<std::string> outputs;
    for (const char* extension : extensions) {
      // Two inputs of one run that want the same output (a.upt and a.rte both give a.wpt) must
      // not overwrite each other: the later one gets a numbered name, as in the wizard's list.
      const std::string target = names.Claim(files.JoinPath(folder, files.StemOf(source) + '.' + extension));
      outputs.push_back(target);
    }
    // A .wpt is read once for both of its outputs.
    const std::vector<bool> converted = toUnit ? ConvertFileToUnitTargets(source, outputs, noUnit, report)
                                               : std::vector<bool>{ConvertFileToDesktop(source, outputs[0], report)};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
      if (converted[i]) std::printf("%s\n", EscapeForTerminal(outputs[i]).c_str());
    }
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
  command->add_option("--codepage", options->codePage,
                      "Code page of the names in desktop and unit files, for GPX (default CP1252; e.g. CP1251)");
  command->add_option("FILE", options->files, "Files to convert; the extension decides the direction")->required();
  command->callback([options, &status] { RunConvert(*options, status); });
}
