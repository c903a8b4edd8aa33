// Paths and fields in the texts the pages show.
#include "wizard/logic/display_text.h"

#include "formats/utf8.h"
#include "platform/files.h"

std::string DisplayPath(const std::string& given) {
  const std::string path = platform::NativePath(given);
  std::string shown;
  shown.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    char32_t codePoint = 0;
    const std::size_t length = Utf8SequenceAt(path, i, codePoint);
    if (length == 0) {
      shown += "\xEF\xBF\xBD";
      ++i;
    } else {
      shown.append(path, i, length);
      i += length;
    }
  }
  return shown;
}

std::string ReplaceField(std::string text, const std::string& value) {
  for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + value.size())) {
    text.replace(at, 2, value);
  }
  return text;
}
