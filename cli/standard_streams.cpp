// Standard input and output in place of files: the names a report shows for the staged files.
#include "cli/standard_streams.h"

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

std::string CStagedNamesReport::Shown(const std::string& path) const {
  if (!m_stagedInput.empty() && path == m_stagedInput) return "standard input";
  if (!m_stagingFolder.empty() && path.rfind(m_stagingFolder + '/', 0) == 0) return "standard output";
  return path;
}

bool CStagedNamesReport::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  std::string shownReason = reason;
  ReplaceAll(shownReason, m_stagedInput, "standard input");
  if (!m_stagingFolder.empty()) ReplaceAll(shownReason, m_stagingFolder + '/', "");
  return m_report.AddReportLine(messageId, Shown(path), shownReason);
}

void CStagedNamesReport::AddWarning(const SSourceWarning& warning) {
  SSourceWarning shown = warning;
  shown.source = Shown(warning.source);
  for (std::string& output : shown.outputs) output = Shown(output);
  m_report.AddWarning(shown);
}
