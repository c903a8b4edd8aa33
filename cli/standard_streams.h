// Standard input and output in place of files: "-" as an input and "-o -", through a folder of the
// run's own.
#pragma once

#include <string>
#include <vector>

#include "storage/report_sink.h"
#include "storage/staging_folder.h"

// Copies standard input into a new file at path, block by block (constant memory, whatever its
// size). False with the reason.
bool CopyStandardInputTo(const std::string& path, std::string& reason);
// Copies a file to standard output, block by block. A reader that went away (a closed pipe) is a
// failure with its reason, not the end of the process. False with the reason.
bool CopyFileToStandardOutput(const std::string& path, std::string& reason);

// A report that names the run's staged files as the user named them: the staged input as
// "standard input", the outputs staged for standard output as "standard output", in the path and
// in the reason.
class CStagedNamesReport : public CReportSink {
 public:
  CStagedNamesReport(CReportSink& report, std::string stagedInput, std::string stagingFolder)
      : m_report(report), m_stagedInput(std::move(stagedInput)), m_stagingFolder(std::move(stagingFolder)) {}
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override;
  void AddWarning(const SSourceWarning& warning) override;
  // The name to show for a path of the run.
  std::string Shown(const std::string& path) const;

 private:
  CReportSink& m_report;
  std::string m_stagedInput;
  std::string m_stagingFolder;
};
