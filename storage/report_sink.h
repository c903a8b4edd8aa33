// Where a job's failure lines and warnings go: the wizard's report, or the command-line tool's
// standard error.
#pragma once

#include <string>
#include <vector>

#include "formats/source_warning.h"

// One failure of one file: the worded line and, when known, the reason the file was refused.
struct SReportLine {
  std::string text;
  std::string reason;
  bool operator==(const SReportLine&) const = default;
};

// One failure of one file becomes one line: the message of a string id with the file's path in
// place of "%s". The reason says why the file was refused (may be empty); the wizard's Finish page
// and the command-line tool show the line and then the reason, indented.
class CReportSink {
 public:
  virtual ~CReportSink() = default;
  // Always answers false, so that a failing routine can `return sink.AddReportLine(...)`.
  virtual bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) = 0;
  // What a conversion changed in a source it did not refuse; not a failure. Every sink decides
  // where warnings go, so that one that passes lines on never drops them.
  virtual void AddWarning(const SSourceWarning& warning) = 0;
};

// A report held in memory, worded from the built-in string table.
class CReportLines : public CReportSink {
 public:
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override;
  void AddWarning(const SSourceWarning& warning) override { m_warnings.push_back(warning); }
  const std::vector<SReportLine>& Lines() const { return m_lines; }
  const std::vector<SSourceWarning>& Warnings() const { return m_warnings; }
  // No failure (there may be warnings).
  bool Empty() const { return m_lines.empty(); }
  void Clear() {
    m_lines.clear();
    m_warnings.clear();
  }

 private:
  std::vector<SReportLine> m_lines;
  std::vector<SSourceWarning> m_warnings;
};
