// transvane-cli send: the wizard's conversion job onto the unit, without the window: desktop files
// converted into the unit's own folders, copied onto it, and one eject request at the end.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/conversion_options.h"
#include "cli/report_printer.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "jobs/conversion_job.h"
#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "storage/interruption.h"
#include "storage/removable_drives.h"
#include "storage/unit_device.h"

namespace {

constexpr const char* kSafeToRemove = "The unit is safe to remove after unmounting it.";

struct SOptions {
  std::string unitFolder;
  bool noEject = false;
  std::string sysroot = "/";
  std::string codePage;  // empty: the locale's
  std::vector<std::string> files;
};

// The unit named by --unit, or the first one a detection pass finds. Answers the exit status of a
// failure, 0 when the unit is known.
int LocateUnit(const SOptions& options, CUnitDevice& unit) {
  if (!options.unitFolder.empty()) {
    unit.SetDrive(options.unitFolder);
    if (unit.CheckIdentity()) return 0;
    PrintText(stderr,
              "--unit %s: not a Norvantis unit: USBTRANS/UNIT_ID.DAT is missing, unreadable or names no "
              "Norvantis model\n",
              ShownPath(options.unitFolder).c_str());
    return 2;
  }
  if (unit.FindUnit()) return 0;
  // A failed pass leaves some other ready drive in `drive`: it must not be written to.
  PrintText(stderr,
            "no Norvantis unit found among the removable drives: connect the unit and wait until its volume "
            "is mounted, or name its folder with --unit DIR\n");
  return 1;
}

void RunSend(const SOptions& options, int& status) {
  const std::unique_ptr<CCodePage> codePage = OpenCodePage(options.codePage);
  if (!codePage) {
    status = 2;
    return;
  }
  const CUnitTimes times;
  const auto access = CreateDriveAccess(options.sysroot);
  CUnitDevice unit(access.get());
  status = LocateUnit(options, unit);
  if (status != 0) return;

  // The wizard stages straight into the temporary folder and leaves the files there; a private
  // folder keeps two runs (or another user's file of the same name) apart.
  const CStagingFolder staging("transvane-send");
  if (staging.Path().empty()) {
    PrintText(stderr, "cannot create a folder for staging the files in %s\n",
              EscapeForTerminal(staging.Error()).c_str());
    status = 1;
    return;
  }
  SConversionContext context;
  context.unit = &unit;
  context.tempFolder = staging.Path();
  context.settings = {codePage.get(), &times};

  CStandardErrorReport report;
  bool anyOnUnit = false;
  // A signal ends the run at once; what it had done is told then. Every file on the unit is
  // flushed to it already.
  CInterruptNote note("interrupted: nothing more is sent", "not sent");
  std::vector<std::string> shownInputs;
  for (const std::string& source : options.files) shownInputs.push_back(ShownPath(source));
  note.SetInputs(shownInputs);
  note.SetClosing(kSafeToRemove);
  CTargetNames names(options.files);
  names.SetClaimWatcher([&note](const std::string& path) { note.Watch(path, ShownPath(path)); });
  for (const std::string& source : options.files) {
    const CInterruptNote::CStep step(note);
    const std::vector<std::string> candidates = TargetsForDesktopFile(source, unit, false);
    // The wizard's list silently takes no row for such a file; here it was named on purpose.
    if (candidates.empty()) {
      report.AddReportLine(IDS_ERROR_LOADING, source,
                           "unknown kind of file: expected " + ListKinds(KindsOnSide(EFileSide::kDesktop), "."));
      continue;
    }
    std::vector<std::string> outputs;
    for (const std::string& candidate : candidates) {
      outputs.push_back(names.Claim(candidate));
    }
    const std::vector<bool> converted = ConvertFileToUnitTargets(source, outputs, context, report);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
      if (!converted[i]) continue;
      PrintText(stdout, "%s\n", ShownPath(outputs[i]).c_str());
      note.Finished(outputs[i]);
      anyOnUnit = anyOnUnit || IsTargetOnUnit(outputs[i], context);
    }
    WarnOfReplacedCharacters(source, *codePage, report);
  }
  std::fflush(stdout);
  status = report.Failed() ? 1 : 0;

  // Every file is flushed to the volume already; a refused or impossible eject leaves the data safe.
  if (anyOnUnit && !options.noEject && unit.RequestEject() != EEjectResult::Ejected) {
    PrintText(stderr, "%s\n", kSafeToRemove);
  }
}

}  // namespace

void AddSendCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "send",
      "Convert desktop files (.wpt to .upt and .rte, .trk to .log) into the unit's folders, named as its language "
      "file says, copy them onto the unit and ask it to eject; prints each file written. Exit status: 0 when every "
      "file went onto the unit, 1 when any failed or no unit was found, 2 for a usage error or a --unit folder "
      "that is not a unit");
  auto options = std::make_shared<SOptions>();
  command
      ->add_option(
          "--unit", options->unitFolder,
          std::string(kUnitHelp) + ", holding USBTRANS/UNIT_ID.DAT; default: the unit found among the removable drives")
      ->check(CLI::ExistingDirectory);
  command->add_flag("--no-eject", options->noEject, "Leave the unit mounted at the end");
  if (kSysrootHelp != nullptr) {
    command->add_option("--sysroot", options->sysroot, kSysrootHelp)->check(CLI::ExistingDirectory);
  }
  AddCodePageOption(*command, options->codePage);
  command->add_option("FILE", options->files, "Desktop files to send (.wpt, .trk)")->required();
  command->callback([options, &status] { RunSend(*options, status); });
}
