// What a conversion did to a source file without refusing it, for a warning: track points that
// went out without a time, bytes after the last record that were never read, characters that the
// code page cannot hold. A warning is not a failure: the files were written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/unit_times.h"
#include "formats/vexlorn_records.h"

// Where something is in a source: the line (and column) of a text file, or the number of a track
// node and its byte offset, or only a byte offset, in a binary one. Zero means "not known".
struct SSourcePlace {
  std::uint64_t line = 0;
  std::uint64_t column = 0;
  std::uint64_t node = 0;  // 1-based
  bool hasOffset = false;
  std::uint64_t offset = 0;

  static SSourcePlace AtLine(std::uint64_t line, std::uint64_t column = 0) { return {line, column, 0, false, 0}; }
  static SSourcePlace AtNode(std::uint64_t node) { return {0, 0, node, false, 0}; }
  static SSourcePlace AtNode(std::uint64_t node, std::uint64_t offset) { return {0, 0, node, true, offset}; }
  static SSourcePlace AtOffset(std::uint64_t offset) { return {0, 0, 0, true, offset}; }
  bool IsKnown() const { return line != 0 || node != 0 || hasOffset; }
  // "line 3, column 5", "line 3", "node 5 at offset 120", "offset 120".
  std::string Text() const;
  bool operator==(const SSourcePlace&) const = default;
};

// One warning about one source, in parts, worded by Text() alone (which the command line prints
// and the wizard's Finish page shows):
//   "{source}: {count} {what}[, the first at {first}[ ({detail})]][: {outcome} in {outputs}]"
// The outputs are the files this run wrote that hold what is counted.
struct SSourceWarning {
  std::string source;
  std::uint64_t count = 0;
  std::string what;     // worded for any count: "track point(s) ..."
  SSourcePlace first;   // where the first of them is, when known
  std::string detail;   // what the first one was, when that says more
  std::string outcome;  // what became of them in the outputs
  std::vector<std::string> outputs;

  std::string Text() const;
  bool operator==(const SSourceWarning&) const = default;
};

// The track points of one source that went out without a time, counted as they are converted.
class CUntimedPoints {
 public:
  // Gives a track point going into a file of the kind the time it goes there with (see
  // CUnitTimes::Fit), and counts it when that is none. Answers whether it kept a time.
  bool Fit(const CUnitTimes& times, ETimeTarget target, SVexlornTnodBlock& node, const SSourcePlace& place) {
    if (times.Keeps(target, node.GetTime(), node.GetHundredths())) return true;
    Take(times, target, node, place);
    return false;
  }
  // For a source whose places are known only once it was read (a GPX file's).
  void SetFirstPlace(const SSourcePlace& place) { m_first = place; }
  // The points of a later part of the same source (a further track's file) added to these.
  void Add(const CUntimedPoints& later);

  std::uint64_t Count() const { return m_count; }
  const SSourcePlace& FirstPlace() const { return m_first; }
  // The warning for points that went into files of the kind: `outputs` the files written that hold them.
  SSourceWarning Warning(const std::string& source, ETimeTarget target, std::vector<std::string> outputs) const;

 private:
  // Fit's rare part: the point goes out without a time.
  void Take(const CUnitTimes& times, ETimeTarget target, SVexlornTnodBlock& node, const SSourcePlace& place);

  std::uint64_t m_count = 0;
  SSourcePlace m_first;
  bool m_firstHadTime = false;
  std::int64_t m_firstTime = 0;  // the first point's own time, when it had one
};

// The bytes after the last record of a desktop file: never read, since files may carry padding.
struct STrailingBytes {
  std::uint64_t count = 0;
  std::uint64_t offset = 0;  // where they begin

  SSourceWarning Warning(const std::string& source) const;
  bool operator==(const STrailingBytes&) const = default;
};

// The warning for names' characters that the code page (or XML) cannot hold and became '?'.
SSourceWarning ReplacedCharactersWarning(const std::string& source, std::uint64_t count, const std::string& codePage);
