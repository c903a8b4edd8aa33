// A GPX file converted by the wizard, towards the unit or the desktop product: the files it gives,
// listed before the job as every source's targets are, and the job that writes exactly the targets
// the user kept.
#pragma once

#include <string>
#include <vector>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "jobs/conversion_job.h"
#include "jobs/gpx_conversion_job.h"
#include "storage/report_sink.h"

class CUnitDevice;

struct SGpxTarget {
  std::string path;
  // For a track file (.log, .trk), the track it holds: the file's tracks with points, counted from 0.
  int track = 0;
};

// The files transvane-cli convert makes of the source towards the unit: "X.upt" in the unit's
// points-of-interest folder when it holds waypoints, "X.rte" in its routes folder when it holds
// routes, and one "X.log" per track with points in its track-logs folder; in test mode every one in
// the unit's drive. The names are the candidates, each still to be made unique in the list. False,
// with the reason, when the file cannot be read or holds nothing to convert.
bool TargetsForGpxFile(const std::string& source, CUnitDevice& unit, bool testMode, CCodePage& codePage,
                       std::vector<SGpxTarget>& targets, CDiagnostic* why = nullptr);
// The same towards the desktop product (convert --to desktop): "X.wpt" when it holds waypoints or
// routes and one "X.trk" per track with points, all in the documents folder.
bool TargetsForGpxFileToDesktop(const std::string& source, const std::string& documentsFolder, CCodePage& codePage,
                                std::vector<SGpxTarget>& targets, CDiagnostic* why = nullptr);

// The source converted once, by the command-line tool's ConvertGpxFile, into a folder of its own in
// the temporary folder; then each target gets its part: its kind says which (.upt the waypoints,
// .rte the routes, .wpt both, .log and .trk the track of its number), whatever its name. A target
// is copied into place (onto the unit as ConvertFileToUnit copies, without the eject, which is the
// caller's), and the folder goes at the end with the parts no target asked for. Answers for each
// target whether it went through; the report names the target for a file that could not be
// written, and the source for a part it no longer holds (the file changed after it was listed). Its warnings name the
// targets that went through.
std::vector<bool> ConvertGpxFileToTargets(const std::string& source, EGpxOutputs outputs,
                                          const std::vector<SGpxTarget>& targets, const SConversionContext& ctx,
                                          CCodePage& codePage, CReportSink& report);
