// Texts by number from the lines of a texts.txt.
#include "resources/text_source.h"

#include "resources/string_table.h"

std::map<std::string, std::string> ParseTextLines(const std::string& content) {
  std::map<std::string, std::string> texts;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    std::string text;
    text.reserve(line.size() - equals);
    for (std::size_t i = equals + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\')) {
        text += line[i + 1] == 'n' ? '\n' : '\\';
        ++i;
        continue;
      }
      text += line[i];
    }
    texts[line.substr(0, equals)] = std::move(text);
  }
  return texts;
}

std::string CTextTable::Utf8String(int id) const {
  const auto found = m_texts.find(std::to_string(id));
  return found != m_texts.end() ? found->second : BuiltInString(id);
}

std::string CTextTable::Utf8DialogText(int dialogId, const char* control) const {
  const auto found = m_texts.find(std::to_string(dialogId) + "." + control);
  return found != m_texts.end() ? found->second : std::string();
}
