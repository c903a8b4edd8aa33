// How the jobs read and write each kind of file of formats/file_kinds.h, with the filters of the
// dialogs that choose such files and the unit's folder that holds them.
#pragma once

#include <string>
#include <vector>

#include "formats/code_page.h"
#include "formats/file_conversion.h"
#include "formats/file_kinds.h"
#include "formats/gpx.h"
#include "jobs/conversion_job.h"
#include "storage/report_sink.h"

// Reads a whole file into an empty `doc` in the desktop's records: waypoints and routes into
// `points`, each track into one of `tracks`. Unit files go through the conversion to the desktop
// (their local times become UTC), GPX names through the code page. A refusal names its step:
// loading (the file is not a sound file of its kind) or converting. A desktop file's outcome says
// how many bytes follow its last record.
using FReadFile = SConversionOutcome (*)(const std::string& path, SGpxDocument& doc, CCodePage& codePage);

// Writes files of the row's kind converted from one source, one per target: the caller names the
// targets, all of one side, from the kinds TargetKinds gives for the source (a .wpt source's .upt
// and .rte go together, the source read once). Answers for each target whether it was written; the
// report gets one line for each that was not, and the source's warnings. The context matters for
// targets on the unit (and gives the instants of the job's time zone), the code page for every name.
using FWriteFiles = std::vector<bool> (*)(const std::string& source, const std::vector<std::string>& targets,
                                          const SConversionContext& context, CCodePage& codePage, CReportSink& report);

inline constexpr int kNoUnitFolder = -1;

// One kind's row: every kind has one, in the order of EFileKind.
struct SFileCodec {
  EFileKind kind;
  int filterId;    // the string-table filter of a dialog that chooses or names one file of this kind
  int unitFolder;  // the CUnitDevice folder that holds it on the unit; kNoUnitFolder when none does
  // Null for map regions, which are copied as they are and never read or converted.
  FReadFile read;
  FWriteFiles write;
};

const SFileCodec& FileCodecOf(EFileKind kind);
// The kinds with a reader: every navigation file, the maps left out. In the order of the table.
std::vector<EFileKind> ReadableKinds();
