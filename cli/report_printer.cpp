// The command-line tool's report: each failing file and each warning on standard error, as the
// wizard words them.
#include "cli/report_printer.h"

#include <cstdio>
#include <string>

#include "cli/console.h"
#include "cli/terminal_text.h"
#include "platform/files.h"
#include "resources/string_table.h"

bool CStandardErrorReport::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  std::string line = FormatMessageWithPath(BuiltInString(messageId), ShownPath(path)) + '\n';
  if (!reason.empty()) line += "  " + EscapeForTerminal(reason) + '\n';
  if (line == m_last) return false;
  m_last = line;
  const std::string text = (m_progressShown ? "\r\033[K" : "") + line;
  WriteText(stderr, text);
  ++m_count;
  return false;
}

void CStandardErrorReport::AddWarning(const SSourceWarning& warning) {
  // The files written so far are listed on standard output first, where a terminal shows both.
  std::fflush(stdout);
  std::string text = m_progressShown ? "\r\033[K" : "";
  // The files it names as the system writes them; the rest of its text (which may quote XML) as it is.
  SSourceWarning shown = warning;
  shown.source = platform::NativePath(shown.source);
  for (std::string& output : shown.outputs) output = platform::NativePath(output);
  text += "warning: " + EscapeForTerminal(shown.Text()) + '\n';
  WriteText(stderr, text);
}
