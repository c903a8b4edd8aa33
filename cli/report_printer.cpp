// The command-line tool's report: each failing file on standard error, as the wizard words it.
#include "cli/report_printer.h"

#include <cstdio>

#include "resources/string_table.h"

bool CStandardErrorReport::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  std::string text = FormatMessageWithPath(BuiltInString(messageId), path) + '\n';
  if (!reason.empty()) text += "  " + reason + '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
  m_failed = true;
  return false;
}
