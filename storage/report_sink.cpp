// A report held in memory.
#include "storage/report_sink.h"

#include "resources/string_table.h"

bool CReportLines::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  m_lines.push_back({FormatMessageWithPath(BuiltInString(messageId), path), reason});
  return false;
}
