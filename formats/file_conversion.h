// Whole-file conversions between the desktop's and the unit's files that stream: each record is
// read, converted and written before the next, so that memory does not grow with the file.
#pragma once

#include <string>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/source_warning.h"

class CCodePage;
class CUnitTimes;

// What a job's conversions share: the code page of the names (wide strings of the desktop's files
// go into it; CP1252 when none is given) and the instants of the job's time zone (those of the
// moment of the call when none are given).
struct SConversionSettings {
  CCodePage* codePage = nullptr;
  const CUnitTimes* times = nullptr;
};

// Which step of converting a file refused: loading and converting are the source's fault, writing
// the target's.
enum class EConversionStep { Load, Convert, Write };

// How converting into one target ended: done, or the step that refused and why. Once the source
// was read through, also what the target could not hold of it (track points given no time) and the
// bytes after its last record, which are never read: the caller's to warn of.
struct SConversionOutcome {
  bool done = false;
  EConversionStep step = EConversionStep::Load;
  CDiagnostic why;
  CUntimedPoints untimed;
  STrailingBytes trailing;
};

// Each conversion accepts, refuses and writes exactly what loading the whole source, converting
// the whole document and then writing it would: the source is read to its end even after a
// refused record, since a fault of loading anywhere is reported before one of converting, and a
// target is only replaced once everything went through (a refusal leaves it as it was).

// A .trk file → a .log file.
SConversionOutcome ConvertTrackFileToUnit(const std::string& source, const std::string& target,
                                          const SConversionSettings& settings = {});
// A .log file → a .trk file.
SConversionOutcome ConvertTrackLogToDesktop(const std::string& source, const std::string& target,
                                            const SConversionSettings& settings = {});

// A .upt file (or, with `routes`, a .rte file) → a .wpt file.
SConversionOutcome ConvertPointFileToDesktop(const std::string& source, const std::string& target, bool routes);

// One file made from a .wpt file: its user points (.upt) or its points and routes (.rte).
struct SUnitTarget {
  std::string path;
  bool routes = false;
};
// A .wpt file → every target, the file read and each waypoint converted once for all of them.
// Answers one outcome per target, in their order.
std::vector<SConversionOutcome> ConvertWaypointFileToUnit(const std::string& source,
                                                          const std::vector<SUnitTarget>& targets,
                                                          const SConversionSettings& settings = {});
