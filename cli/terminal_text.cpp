// Text from files made safe to print on a terminal.
#include "cli/terminal_text.h"

#include <cstdio>

#include "formats/utf8.h"
#include "platform/files.h"

namespace {

// Where a backslash separates folders it is printed as it is, so that paths read as typed.
bool BackslashSeparates() { return platform::kFolderSeparator == '\\'; }

void AppendHex(std::string& out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02x", byte);
  out += text;
}

}  // namespace

std::string EscapeForTerminal(const std::string& text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x80) {
      char32_t codePoint = 0;
      const std::size_t length = Utf8SequenceAt(text, at, codePoint);
      if (length == 0 || (codePoint >= 0x80 && codePoint <= 0x9F)) {
        // Not UTF-8, or a C1 control such as the one-character CSI: each byte as a number.
        const std::size_t count = length == 0 ? 1 : length;
        for (std::size_t i = 0; i < count; ++i) AppendHex(out, static_cast<unsigned char>(text[at + i]));
        at += count;
      } else {
        out.append(text, at, length);
        at += length;
      }
      continue;
    }
    ++at;
    if (c == '\n' && keepLineBreaks) {
      out += '\n';
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\' && !BackslashSeparates()) {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ShownPath(const std::string& path) { return EscapeForTerminal(platform::NativePath(path)); }
