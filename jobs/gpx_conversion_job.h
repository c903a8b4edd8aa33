// The per-file work of converting to and from GPX: a .gpx file to the unit's or the desktop's
// files, and any desktop or unit file to a .gpx file.
#pragma once

#include <string>
#include <vector>

#include "formats/code_page.h"
#include "formats/source_warning.h"
#include "formats/unit_times.h"
#include "jobs/target_naming.h"
#include "storage/report_sink.h"

enum class EGpxOutputs { Unit, Desktop };

// A .gpx source → files in `folder` named after the source: towards the unit "X.upt" when it holds
// waypoints, "X.rte" when it holds routes and one track log per track with points ("X.log", then
// "X_1.log", ... in track order); towards the desktop "X.wpt" and one ".trk" per track. Each name
// is claimed from the run's `names` (never one of its sources or earlier outputs) once everything
// is converted. Everything is converted before anything is written, and a file that would hold
// nothing is never written: a source with nothing to convert fails. Answers true when every file
// was written (their paths appended to `written`); otherwise one line goes to the report and the
// answer is false. A track point without a time, or with one its file cannot hold, gets the unit's
// "no time" (see CUnitTimes), and the report gets one warning for them, naming the first and the
// files written that hold them; with `untimedOfWritten`, it gets those points of each file written
// instead (in the order of `written`), for a caller that delivers only some of the files. A track
// without a name gets the title of its file (its first 8 bytes), as a log without names is read.
bool ConvertGpxFile(const std::string& source, const std::string& folder, EGpxOutputs outputs, CCodePage& codePage,
                    const CUnitTimes& times, CTargetNames& names, std::vector<std::string>& written,
                    CReportSink& report, std::vector<CUntimedPoints>* untimedOfWritten = nullptr);

// A desktop (.wpt, .trk) or unit (.upt, .rte, .log) source → the GPX file `target`. A source that
// holds no waypoint, route or track point fails rather than giving an empty GPX file. A track point
// at the unit's "no time" goes without <time>, with a warning; so do bytes after the last record of
// a desktop file, which are not read.
bool ConvertFileToGpx(const std::string& source, const std::string& target, CCodePage& codePage,
                      const CUnitTimes& times, CReportSink& report);
