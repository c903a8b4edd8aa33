// The help text, wrapped to the width of the terminal.
#include "cli/help_text.h"

#include <algorithm>
#include <cstdlib>

#include "cli/console.h"

namespace {

constexpr std::size_t kDefaultColumns = 80;
constexpr std::size_t kFewestColumns = 40;

// Characters, not bytes: a UTF-8 sequence counts once.
std::size_t Width(const std::string& text, std::size_t from, std::size_t to) {
  std::size_t width = 0;
  for (std::size_t i = from; i < to; ++i) width += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return width;
}

// Where a line's description starts: after the first run of two or more spaces that follows its
// first words ("  -o,--output TEXT    Folder..."), else at its first word. A byte offset.
std::size_t DescriptionStart(const std::string& line) {
  const std::size_t lead = line.find_first_not_of(' ');
  const std::size_t gap = line.find("  ", lead);
  const std::size_t description = gap == std::string::npos ? std::string::npos : line.find_first_not_of(' ', gap);
  return description == std::string::npos ? lead : description;
}

// The line's words after its description's start, joined by single spaces and broken before a
// word that would pass the last column; the continuations start under the description.
void WrapLine(const std::string& line, std::size_t columns, std::string& out) {
  const std::size_t lead = line.find_first_not_of(' ');
  if (lead == std::string::npos || Width(line, 0, line.size()) <= columns) {
    out += line;
    return;
  }
  const std::size_t body = DescriptionStart(line);
  std::size_t indent = Width(line, 0, body);
  // A description that starts too far right for a readable column continues at the line's indent.
  if (indent + kFewestColumns / 2 > columns) indent = lead;
  std::string current = line.substr(0, body);
  std::size_t width = Width(line, 0, body);
  bool first = true;
  for (std::size_t at = body; at < line.size();) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    if (end > at) {
      const std::string word = line.substr(at, end - at);
      const std::size_t wordWidth = Width(word, 0, word.size());
      if (!first && width + 1 + wordWidth > columns) {
        out += current + '\n';
        current = std::string(indent, ' ') + word;
        width = indent + wordWidth;
      } else {
        current += (first ? "" : " ") + word;
        width += (first ? 0 : 1) + wordWidth;
      }
      first = false;
    }
    at = end + 1;
  }
  out += current;
}

}  // namespace

std::size_t HelpColumns() {
  if (const std::size_t terminal = TerminalColumns(); terminal > 0) return std::max(terminal, kFewestColumns);
  const char* columns = std::getenv("COLUMNS");
  if (columns != nullptr && *columns != '\0') {
    char* end = nullptr;
    const unsigned long value = std::strtoul(columns, &end, 10);
    if (*end == '\0' && value > 0 && value < 10000) return std::max<std::size_t>(value, kFewestColumns);
  }
  return kDefaultColumns;
}

std::string WrapHelpText(const std::string& text, std::size_t columns) {
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    WrapLine(text.substr(start, end - start), columns, out);
    if (end < text.size()) out += '\n';
    start = end + 1;
  }
  return out;
}

std::string CWrappingFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const {
  return WrapHelpText(CLI::Formatter::make_help(app, std::move(name), mode), m_columns);
}
