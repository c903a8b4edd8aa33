// ANSI code page <-> UTF-8 through iconv, with '?' for what cannot be carried across.
#include "formats/code_page.h"

#include <cerrno>
#include <utility>

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

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

// Whether iconv converts the whole text, every character of it.
bool ConvertsWhole(iconv_t cd, std::string_view text, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.assign(16 + text.size() * 4, '\0');
  char* in = const_cast<char*>(text.data());  // iconv's interface is not const-correct
  std::size_t inLeft = text.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  const bool whole = iconv(cd, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1) &&
                     iconv(cd, nullptr, nullptr, &next, &outLeft) != static_cast<std::size_t>(-1);
  out.resize(static_cast<std::size_t>(next - out.data()));
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  return whole;
}

std::string WithNumberSpelt(std::string name) {
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) return "CP" + name;
  return name;
}

}  // namespace

CCodePage::CCodePage(std::string name)
    : m_name(WithNumberSpelt(std::move(name))),
      m_toUtf8(iconv_open("UTF-8", m_name.c_str())),
      m_fromUtf8(iconv_open(m_name.c_str(), "UTF-8")) {
  if (m_fromUtf8 == kNoConverter) return;
  // Told apart by what they do, whatever they are called: no ANSI code page holds a character
  // outside the Basic Multilingual Plane (an emoji), and every one keeps ASCII as it is.
  std::string out;
  m_unicode = ConvertsWhole(m_fromUtf8, "\xF0\x9F\x98\x80", out);
  m_keepsAscii = ConvertsWhole(m_fromUtf8, "Az09 ~", out) && out == "Az09 ~";
}

CCodePage::~CCodePage() {
  if (m_toUtf8 != kNoConverter) iconv_close(m_toUtf8);
  if (m_fromUtf8 != kNoConverter) iconv_close(m_fromUtf8);
}

bool CCodePage::IsUsable(CDiagnostic* why) const {
  if (m_toUtf8 == kNoConverter || m_fromUtf8 == kNoConverter) return Fail(why, "unknown code page " + m_name);
  constexpr const char* kAnsiOnly = ": the unit shows single-byte or double-byte ANSI text only (CP1252, CP1251, ...)";
  if (m_unicode) return Fail(why, m_name + " is a Unicode encoding, not a code page" + kAnsiOnly);
  if (!m_keepsAscii) return Fail(why, m_name + " is not an ANSI code page" + kAnsiOnly);
  return true;
}

std::string CCodePage::ToUtf8(std::string_view ansi) { return Convert(m_toUtf8, ansi, false); }

std::string CCodePage::FromUtf8(std::string_view utf8) { return Convert(m_fromUtf8, utf8, true); }

std::string CCodePage::Convert(iconv_t cd, std::string_view text, bool sourceIsUtf8) {
  // Every ANSI code page agrees with ASCII, and most names are plain ASCII: no iconv call for them.
  if (IsAscii(text)) return std::string(text);
  std::string out;
  if (cd == kNoConverter) {
    // Only reached when the caller ignored IsUsable: keep ASCII, mark the rest.
    for (std::size_t i = 0; i < text.size();) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (c < 0x80) {
        out += static_cast<char>(c);
        ++i;
      } else {
        out += '?';
        ++m_replacements;
        i += sourceIsUtf8 ? Utf8SequenceLength(text.substr(i)) : 1;
      }
    }
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());  // iconv's interface is not const-correct
  std::size_t inLeft = text.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      const std::size_t used = static_cast<std::size_t>(next - out.data());
      out.resize(out.size() * 2);
      next = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // EILSEQ (a character the target lacks or a broken source sequence) or EINVAL (a sequence
    // cut at the end of the text): one '?' stands for it.
    const std::size_t skip = sourceIsUtf8 ? Utf8SequenceLength(std::string_view(in, inLeft)) : 1;
    if (outLeft < 1) {
      const std::size_t used = static_cast<std::size_t>(next - out.data());
      out.resize(out.size() * 2);
      next = out.data() + used;
      outLeft = out.size() - used;
    }
    *next++ = '?';
    --outLeft;
    ++m_replacements;
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  return out;
}
