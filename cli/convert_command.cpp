// transvane-cli convert: desktop files to unit files and back, file by file, through the same
// per-file routines as the wizard's conversion job.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_words.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/conversion_options.h"
#include "cli/report_printer.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"
#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "jobs/conversion_job.h"
#include "jobs/file_codecs.h"
#include "jobs/gpx_conversion_job.h"
#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/interruption.h"

namespace {

struct SOptions {
  std::string outputFolder;
  std::string to;        // "unit", "desktop", "gpx" or empty: by the extension
  std::string from;      // the kind of standard input ("-"): an extension without the dot
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
std::vector<EFileKind> InputKinds() {
  std::vector<EFileKind> known;
  for (const SFileKind& row : FileKinds()) {
    if (!row.toUnit.empty() || !row.toDesktop.empty()) known.push_back(row.kind);
  }
  return known;
}

std::string KnownKinds() { return ListKinds(InputKinds(), "."); }

// The files a run wrote: printed as they come (and noted for an interrupt), or with -o - held for
// standard output.
class CWrittenFiles {
 public:
  CWrittenFiles(bool held, CInterruptNote& note) : m_held(held), m_note(note) {}
  void Add(const std::string& path) {
    if (m_held) {
      m_files.push_back(path);
    } else {
      PrintText(stdout, "%s\n", ShownPath(path).c_str());
      m_note.Finished(path);
    }
  }
  const std::vector<std::string>& Held() const { return m_files; }

 private:
  bool m_held;
  CInterruptNote& m_note;
  std::vector<std::string> m_files;
};

std::string OutputName(const std::string& folder, const std::string& source, EFileKind kind) {
  const SECFileSystem files;
  return files.JoinPath(folder, files.StemOf(source) + '.' + std::string(KindExtension(kind)));
}

// A .gpx source to the unit's or the desktop's files, or any other source to a .gpx file.
void ConvertWithGpx(const std::string& source, const std::string& folder, const SOptions& options, CCodePage& codePage,
                    const CUnitTimes& times, CTargetNames& names, CStagedNamesReport& report, CWrittenFiles& written) {
  if (FileKindOf(source) == EFileKind::kGpx) {
    if (options.to == "gpx") {
      report.AddReportLine(IDS_ERROR_CONVERTING, source, "the file is GPX already: --to unit or --to desktop");
      return;
    }
    std::vector<std::string> targets;
    ConvertGpxFile(source, folder, options.to == "desktop" ? EGpxOutputs::Desktop : EGpxOutputs::Unit, codePage, times,
                   names, targets, report);
    for (const std::string& target : targets) written.Add(target);
  } else {
    const std::string target = names.Claim(OutputName(folder, source, EFileKind::kGpx));
    SConversionContext context;
    context.settings.times = &times;
    if (FileCodecOf(EFileKind::kGpx).write(source, {target}, context, codePage, report).front()) {
      written.Add(target);
    }
  }
}

// "-" among the inputs and "-o -": how many of each, and whether the run's outputs can be told
// before it. False, with the reason on standard error, for a usage error.
bool CheckStandardStreams(const SOptions& options) {
  const auto fromStandardInput = static_cast<std::size_t>(std::count(options.files.begin(), options.files.end(), "-"));
  const char* refusal = nullptr;
  if (fromStandardInput > 1) {
    refusal = "standard input can be read once: \"-\" is given more than once";
  } else if (fromStandardInput == 1 && options.from.empty()) {
    refusal =
        "\"-\" reads standard input, which has no extension: say what it holds with --from wpt|trk|upt|rte|log|gpx";
  } else if (fromStandardInput == 0 && !options.from.empty()) {
    refusal = "--from says what standard input holds: name it \"-\" among the files";
  }
  if (refusal == nullptr && options.outputFolder == "-") {
    const std::string& only = options.files.front();
    const std::optional<EFileKind> kind = only == "-" ? FileKindOf("-." + options.from) : FileKindOf(only);
    bool toUnit = false;
    if (options.files.size() > 1) {
      refusal = "-o - writes one file to standard output, but several files are given: name a folder with -o";
    } else if (options.to != "gpx" && kind != EFileKind::kGpx && OutputKinds(kind, toUnit).size() > 1) {
      refusal = "-o - writes one file to standard output, but this file gives several: name a folder with -o";
    }
  }
  if (refusal != nullptr) PrintText(stderr, "%s\n", refusal);
  return refusal == nullptr;
}

// The one file of a run with -o - onto standard output. Answers the exit status.
int WriteToStandardOutput(const std::vector<std::string>& held, bool failed) {
  if (held.size() > 1) {
    std::string names;
    for (const std::string& path : held) names += (names.empty() ? "" : ", ") + SECFileSystem().FileNameOf(path);
    PrintText(stderr, "-o - writes one file to standard output, but the input gives %zu (%s): name a folder with -o\n",
              held.size(), EscapeForTerminal(names).c_str());
    return 2;
  }
  // Part of the outputs would pass for all of them.
  if (failed || held.empty()) return 1;
  std::string reason;
  if (!CopyFileToStandardOutput(held.front(), reason)) {
    PrintText(stderr, "%s\n", EscapeForTerminal(reason).c_str());
    return 1;
  }
  return 0;
}

void RunConvert(const SOptions& options, int& status) {
  const SECFileSystem files;
  CStandardErrorReport errors;
  const std::unique_ptr<CCodePage> usable = OpenCodePage(options.codePage);
  if (!usable) {
    status = 2;
    return;
  }
  CCodePage& codePage = *usable;
  const CUnitTimes times;
  SConversionContext noUnit;
  noUnit.settings = {&codePage, &times};
  if (!CheckStandardStreams(options)) {
    status = 2;
    return;
  }
  // Standard input and the outputs for standard output are files of the run's own folder.
  const bool toStandardOutput = options.outputFolder == "-";
  std::vector<std::string> inputs = options.files;
  const auto fromStandardInput = std::find(inputs.begin(), inputs.end(), "-");
  std::optional<CStagingFolder> staging;
  if (fromStandardInput != inputs.end() || toStandardOutput) {
    staging.emplace("transvane-convert");
    if (staging->Path().empty()) {
      PrintText(stderr, "cannot create a folder for standard input or output in %s\n",
                EscapeForTerminal(staging->Error()).c_str());
      status = 1;
      return;
    }
  }
  std::string stagedInput;
  if (fromStandardInput != inputs.end()) {
    stagedInput = staging->Path() + "/stdin." + options.from;
    std::string reason;
    if (!CopyStandardInputTo(stagedInput, reason)) {
      PrintText(stderr, "%s\n", EscapeForTerminal(reason).c_str());
      status = 1;
      return;
    }
    *fromStandardInput = stagedInput;
  }
  CStagedNamesReport report(errors, stagedInput, toStandardOutput ? staging->Path() : std::string());
  // A signal ends the run at once; what it had done is told then.
  CInterruptNote note(toStandardOutput ? "interrupted: nothing was written to standard output"
                                       : "interrupted: nothing more is converted",
                      "not converted");
  std::vector<std::string> shownInputs;
  for (const std::string& source : inputs) shownInputs.push_back(ShownPath(report.Shown(source)));
  note.SetInputs(shownInputs);
  CWrittenFiles written(toStandardOutput, note);

  // No output may replace an input of the run, whenever that input is read, nor another output.
  CTargetNames names(inputs);
  if (!toStandardOutput) {
    names.SetClaimWatcher([&note](const std::string& path) { note.Watch(path, ShownPath(path)); });
  }
  for (const std::string& source : inputs) {
    const CInterruptNote::CStep step(note);
    // Standard input's outputs go to the working folder.
    std::string folder = toStandardOutput                ? staging->Path()
                         : !options.outputFolder.empty() ? options.outputFolder
                         : source == stagedInput         ? std::string()
                                                         : files.FolderOf(source);
    if (folder.empty()) folder = ".";
    const std::optional<EFileKind> kind = FileKindOf(source);
    if (options.to == "gpx" || kind == EFileKind::kGpx) {
      ConvertWithGpx(source, folder, options, codePage, times, names, report, written);
      WarnOfReplacedCharacters(source, codePage, report);
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
      if (converted[i]) written.Add(outputs[i]);
    }
    WarnOfReplacedCharacters(source, codePage, report);
  }
  std::fflush(stdout);
  if (toStandardOutput) note.SetHeading("interrupted: standard output got only the beginning of the file");
  status = toStandardOutput ? WriteToStandardOutput(written.Held(), errors.Failed()) : errors.Failed() ? 1 : 0;
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
  command->add_option(
      "-o,--output", options->outputFolder,
      "Folder for the converted files (made when the first one is written); default: each input's own folder, the "
      "working folder for standard input; - writes the one converted file to standard output");
  command
      ->add_option("--to", options->to,
                   "unit, desktop or gpx (any letter case); default: by each input's extension (.gpx: unit)")
      ->transform(KeywordOf({"unit", "desktop", "gpx"}));
  std::vector<std::string> inputKinds;
  for (const EFileKind kind : InputKinds()) inputKinds.emplace_back(KindExtension(kind));
  command->add_option("--from", options->from, "What standard input (FILE -) holds: an extension, in any letter case")
      ->transform(KeywordOf(inputKinds));
  AddCodePageOption(*command, options->codePage);
  command
      ->add_option("FILE", options->files,
                   "Files to convert; the extension decides the direction; - reads standard input (with --from)")
      ->required();
  command->callback([options, &status] { RunConvert(*options, status); });
}
