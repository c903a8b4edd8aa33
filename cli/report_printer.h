// The command-line tool's report: each failing file on standard error, as the wizard words it.
#pragma once

#include <string>

#include "storage/report_sink.h"

// Prints the message with the file's path, then the reason indented on the next line (both
// escaped for the terminal), and counts the failures (exit status 1); a warning is one line
// "warning: ..." and no failure. With a progress line shown on the terminal, that line is cleared
// first. A line the same as the one before is not printed again: a source that cannot be read
// fails each of its targets (a .wpt its .upt and its .rte) for the same reason.
class CStandardErrorReport : public CReportSink {
 public:
  explicit CStandardErrorReport(bool progressShown = false) : m_progressShown(progressShown) {}
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason) override;
  void AddWarning(const SSourceWarning& warning) override;
  bool Failed() const { return m_count != 0; }
  int Count() const { return m_count; }

 private:
  bool m_progressShown;
  int m_count = 0;
  std::string m_last;  // the last line printed
};
