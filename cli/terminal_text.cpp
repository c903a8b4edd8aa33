// Text from files made safe to print on a terminal.
#include "cli/terminal_text.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at text[at] and its code point; 0 when it is not one.
std::size_t Utf8Sequence(const std::string& text, std::size_t at, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return length;
}

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
      const std::size_t length = Utf8Sequence(text, at, codePoint);
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
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
