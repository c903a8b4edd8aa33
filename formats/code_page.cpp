// ANSI code page <-> UTF-8, with '?' for what cannot be carried across.
#include "formats/code_page.h"

#include <utility>

namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Bytes that the UTF-8 sequence starting at text[0] occupies; 1 for a byte that starts none, so
// that a broken sequence costs one '?' per byte and the conversion always moves on.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 1;
  if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = lead <= 0xEF ? 3 : 1;
  } else if (lead >= 0xC2) {
    length = 2;
  }
  if (length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// Whether the whole text converts, every character of it.
bool ConvertsWhole(platform::CCodePageConverter& converter, std::string_view text, std::string& out) {
  out.clear();
  return converter.Convert(text, out) == text.size();
}

std::string WithNumberSpelt(std::string name) {
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) return "CP" + name;
  return name;
}

}  // namespace

CCodePage::CCodePage(std::string name)
    : m_name(WithNumberSpelt(std::move(name))), m_toUtf8(m_name, true), m_fromUtf8(m_name, false) {
  if (!m_fromUtf8.IsOpen()) return;
  // Told apart by what they do, whatever they are called: no ANSI code page holds a character
  // outside the Basic Multilingual Plane (an emoji), and every one keeps ASCII as it is.
  std::string out;
  m_unicode = ConvertsWhole(m_fromUtf8, "\xF0\x9F\x98\x80", out);
  m_keepsAscii = ConvertsWhole(m_fromUtf8, "Az09 ~", out) && out == "Az09 ~";
}

bool CCodePage::IsUsable(CDiagnostic* why) const {
  if (!m_toUtf8.IsOpen() || !m_fromUtf8.IsOpen()) return Fail(why, "unknown code page " + m_name);
  constexpr const char* kAnsiOnly = ": the unit shows single-byte or double-byte ANSI text only (CP1252, CP1251, ...)";
  if (m_unicode) return Fail(why, m_name + " is a Unicode encoding, not a code page" + kAnsiOnly);
  if (!m_keepsAscii) return Fail(why, m_name + " is not an ANSI code page" + kAnsiOnly);
  return true;
}

std::string CCodePage::ToUtf8(std::string_view ansi) { return Convert(m_toUtf8, ansi, false); }

std::string CCodePage::FromUtf8(std::string_view utf8) { return Convert(m_fromUtf8, utf8, true); }

std::string CCodePage::Convert(platform::CCodePageConverter& converter, std::string_view text, bool sourceIsUtf8) {
  // Every ANSI code page agrees with ASCII, and most names are plain ASCII: no conversion for them.
  if (IsAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() * 2);
  while (!text.empty()) {
    // Without a converter (only when the caller ignored IsUsable): keep ASCII, mark the rest.
    if (!converter.IsOpen()) {
      const auto c = static_cast<unsigned char>(text[0]);
      if (c < 0x80) {
        out += static_cast<char>(c);
        text.remove_prefix(1);
        continue;
      }
    } else {
      text.remove_prefix(converter.Convert(text, out));
      if (text.empty()) break;
    }
    // A character the target lacks, a broken source sequence or one cut at the end of the text:
    // one '?' stands for it.
    out += '?';
    ++m_replacements;
    text.remove_prefix(sourceIsUtf8 ? Utf8SequenceLength(text) : 1);
  }
  return out;
}
