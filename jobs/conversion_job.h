// The per-file work of the conversion job: load, convert, write and (towards the unit) stage and
// copy one file, shared by the wizard's conversion page and transvane-cli.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "formats/file_conversion.h"
#include "storage/output_folder.h"
#include "storage/report_sink.h"

class CCodePage;
class CUnitDevice;

// What the direction towards the unit needs besides the two paths. Without a unit (the
// command-line tool) or in test mode every target is written where it is named.
struct SConversionContext {
  bool testMode = false;
  CUnitDevice* unit = nullptr;
  // Where files bound for the unit are written before the copy; empty means $TMPDIR, else /tmp.
  std::string tempFolder;
  // The job's code page and the instants of its time zone.
  SConversionSettings settings;
};

// Whether a target goes onto the unit: it lies under the unit's mount point (a path that merely
// begins like it does not), outside test mode. Such a target is staged and copied by
// ConvertFileToUnit, and a job that put one there asks the unit to eject once at its end.
bool IsTargetOnUnit(const std::string& target, const SConversionContext& ctx);

// The folder for the job's staged files: the context's, else $TMPDIR, else /tmp.
std::string TemporaryFolder(const SConversionContext& ctx);
// The target's folder, made with all missing levels, which go again with the answer unless the
// target (or anything else) landed in them. A target without a folder part fails: there is nothing
// to make, and the job never guesses a folder for the user. Null after a line for the target.
std::unique_ptr<COutputFolder> PrepareFolder(const std::string& target, CReportSink& report);

// A .wpt or .trk source → the unit file that the target's extension names (.upt, .rte, .log).
// A target on the unit's volume is written to the temporary folder and then copied onto the unit
// (without ejecting it: the caller asks for that once the whole job is done). Answers true when
// the file went through; otherwise one line is added to the report and the answer is false. When
// a target went through, the report also gets the source's warnings: track points that went out
// without a time (naming the targets written that hold them) and bytes after its last record,
// which were not read.
bool ConvertFileToUnit(const std::string& source, const std::string& target, const SConversionContext& ctx,
                       CReportSink& report);
// The same for every target made from one source (the .upt and .rte of a .wpt), the source read
// and converted once for all of them: answers for each target whether it went through, and the
// report gets the lines of those that did not in the targets' order.
std::vector<bool> ConvertFileToUnitTargets(const std::string& source, const std::vector<std::string>& targets,
                                           const SConversionContext& ctx, CReportSink& report);

// A unit file (.upt, .rte, .log by the source's extension) → the .wpt or .trk target, written in
// place. Answers and warns as ConvertFileToUnit.
bool ConvertFileToDesktop(const std::string& source, const std::string& target, CReportSink& report,
                          const SConversionSettings& settings = {});

// True when the outcome is done; otherwise one line for the target that did not go through, naming
// the source for faults of loading and converting and the target for faults of writing, and false.
bool ReportOutcome(const SConversionOutcome& outcome, const std::string& source, const std::string& target,
                   CReportSink& report);

// Warns of the characters of the source's names that neither the code page nor XML can hold and
// that became '?', then starts the count again for the next source.
void WarnOfReplacedCharacters(const std::string& source, CCodePage& codePage, CReportSink& report);
