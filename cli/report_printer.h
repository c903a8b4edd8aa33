// The command-line tool's report: each failing file on standard error, as the wizard words it.
#pragma once

#include <string>

#include "storage/report_sink.h"

// Prints the message with the file's path, then the reason indented on the next line, and
// remembers that something failed (exit status 1).
class CStandardErrorReport : public CReportSink {
 public:
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason) override;
  bool Failed() const { return m_failed; }

 private:
  bool m_failed = false;
};
