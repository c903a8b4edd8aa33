// Code pages through MultiByteToWideChar and WideCharToMultiByte; the user's page is the system's
// ANSI code page.
#include "platform/code_page.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "formats/ascii_case.h"

namespace platform {

namespace {

constexpr UINT kUnknown = 0;

// The names iconv takes for the pages a user meets, and Windows' numbers for them.
struct SNamedPage {
  const char* name;
  UINT page;
};
constexpr SNamedPage kNamedPages[] = {
    {"utf-8", CP_UTF8},     {"utf8", CP_UTF8},     {"us-ascii", 20127},   {"ascii", 20127},
    {"iso-8859-1", 28591},  {"latin1", 28591},     {"iso-8859-2", 28592}, {"latin2", 28592},
    {"iso-8859-3", 28593},  {"iso-8859-4", 28594}, {"iso-8859-5", 28595}, {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},  {"iso-8859-8", 28598}, {"iso-8859-9", 28599}, {"iso-8859-13", 28603},
    {"iso-8859-15", 28605}, {"latin-9", 28605},    {"shift_jis", 932},    {"shift-jis", 932},
    {"sjis", 932},          {"ms_kanji", 932},     {"euc-jp", 20932},     {"gbk", 936},
    {"gb2312", 936},        {"euc-cn", 936},       {"gb18030", 54936},    {"big5", 950},
    {"big-5", 950},         {"euc-kr", 949},       {"uhc", 949},          {"koi8-r", 20866},
    {"koi8-u", 21866},      {"tis-620", 874},      {"macintosh", 10000},  {"ibm437", 437},
    {"ibm850", 850},        {"ibm852", 852},       {"ibm866", 866},       {"iso-2022-jp", 50220},
    {"utf-16", 1200},       {"utf16", 1200},       {"utf-16le", 1200},    {"utf16le", 1200},
    {"utf-16be", 1201},     {"utf16be", 1201},     {"utf-32", 12000},     {"utf32", 12000},
    {"utf-32le", 12000},    {"utf32le", 12000},    {"ucs-4", 12000},      {"ucs-4le", 12000},
    {"utf-32be", 12001},    {"utf32be", 12001},    {"ucs-4be", 12001},
};

// Windows' numbers of the UTF-16 and UTF-32 byte orders, which its code page functions do not
// convert: they are converted here, so that such a name is known (and refused as Unicode) as iconv
// knows it.
constexpr UINT kUtf16Le = 1200;
constexpr UINT kUtf16Be = 1201;
constexpr UINT kUtf32Le = 12000;
constexpr UINT kUtf32Be = 12001;

bool IsWideUnicode(UINT page) { return page == kUtf16Le || page == kUtf16Be || page == kUtf32Le || page == kUtf32Be; }
std::size_t UnitSize(UINT page) { return page == kUtf32Le || page == kUtf32Be ? 4 : 2; }
bool IsBigEndian(UINT page) { return page == kUtf16Be || page == kUtf32Be; }

// The code units of `text` in the page's byte order; false for a cut unit, a code point beyond
// Unicode or a lone surrogate of UTF-32.
bool WideUnicodeToWide(UINT page, std::string_view text, std::wstring& wide) {
  const std::size_t size = UnitSize(page);
  if (text.size() % size != 0) return false;
  for (std::size_t at = 0; at < text.size(); at += size) {
    std::uint32_t unit = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const auto byte = static_cast<unsigned char>(text[at + (IsBigEndian(page) ? i : size - 1 - i)]);
      unit = unit << 8 | byte;
    }
    if (size == 2) {
      wide += static_cast<wchar_t>(unit);
    } else if (unit >= 0x10000 && unit <= 0x10FFFF) {
      wide += static_cast<wchar_t>(0xD800 + ((unit - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((unit - 0x10000) & 0x3FF));
    } else if (unit < 0xD800 || (unit > 0xDFFF && unit < 0x10000)) {
      wide += static_cast<wchar_t>(unit);
    } else {
      return false;
    }
  }
  return true;
}

void AppendUnit(UINT page, std::uint32_t unit, std::string& out) {
  const std::size_t size = UnitSize(page);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t shift = 8 * (IsBigEndian(page) ? size - 1 - i : i);
    out += static_cast<char>((unit >> shift) & 0xFF);
  }
}

void WideToWideUnicode(UINT page, std::wstring_view wide, std::string& out) {
  for (std::size_t at = 0; at < wide.size(); ++at) {
    std::uint32_t unit = static_cast<std::uint16_t>(wide[at]);
    if (UnitSize(page) == 4 && unit >= 0xD800 && unit <= 0xDBFF && at + 1 < wide.size()) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<std::uint16_t>(wide[++at]) - 0xDC00);
    }
    AppendUnit(page, unit, out);
  }
}

UINT PageNumber(std::string_view digits) {
  unsigned number = 0;
  const auto [end, failed] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (failed != std::errc() || end != digits.data() + digits.size() || number == 0) return kUnknown;
  return number;
}

// Windows' number for a code page named as iconv names it: "CP1252", "1252", "windows-1252",
// "MS936", the names above; 0 when neither knows it.
UINT PageOfName(const std::string& name) {
  const std::string lower = AsciiLower(name);
  for (const SNamedPage& named : kNamedPages)
    if (lower == named.name) return named.page;
  for (const std::string_view prefix : {"cp", "windows-", "ms", "ibm"})
    if (lower.size() > prefix.size() && std::string_view(lower).substr(0, prefix.size()) == prefix)
      return PageNumber(std::string_view(lower).substr(prefix.size()));
  return PageNumber(lower);
}

bool IsValidPage(UINT page) { return IsWideUnicode(page) || (page != kUnknown && ::IsValidCodePage(page) != 0); }

// The length of the character that starts `text` in the code page (1 at a cut lead byte).
std::size_t CharacterLength(UINT page, std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (page == CP_UTF8) {
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return length <= text.size() ? length : text.size();
  }
  if (IsWideUnicode(page)) return std::min(UnitSize(page), text.size());
  if (page == 54936 || page == 50220) return text.size();  // stateful or variable: all at once
  return text.size() >= 2 && ::IsDBCSLeadByteEx(page, lead) ? 2 : 1;
}

// The bytes that Windows' own single-byte pages leave undefined come out as the C1 controls, which
// those pages hold nowhere else (and back): they are no characters of the page.
bool IsWindowsSingleBytePage(UINT page) { return page == 874 || (page >= 1250 && page <= 1258); }
bool IsC1Control(wchar_t c) { return c >= 0x80 && c <= 0x9F; }

// The UTF-16 of `text`; false when a byte is not a character of the page.
bool ToWide(UINT page, std::string_view text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (IsWideUnicode(page)) return WideUnicodeToWide(page, text, wide);
  const DWORD flags = page == 50220 ? 0 : MB_ERR_INVALID_CHARS;
  const int size = ::MultiByteToWideChar(page, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return false;
  wide.resize(static_cast<std::size_t>(size));
  if (::MultiByteToWideChar(page, flags, text.data(), static_cast<int>(text.size()), wide.data(), size) != size)
    return false;
  if (IsWindowsSingleBytePage(page))
    for (const wchar_t c : wide)
      if (IsC1Control(c)) return false;
  return true;
}

// Appends the page's bytes for `wide`; false when a character has none (no best fit stands in).
bool FromWide(UINT page, std::wstring_view wide, std::string& out) {
  if (wide.empty()) return true;
  if (IsWideUnicode(page)) {
    WideToWideUnicode(page, wide, out);
    return true;
  }
  if (IsWindowsSingleBytePage(page))
    for (const wchar_t c : wide)
      if (IsC1Control(c)) return false;
  const bool utf = page == CP_UTF8 || page == 54936;
  const DWORD flags = utf ? (page == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0) : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* usedDefault = utf || page == 50220 ? nullptr : &defaulted;
  const int size =
      ::WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedDefault);
  if (size <= 0 || defaulted) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(size));
  if (::WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), out.data() + start, size, nullptr,
                            usedDefault) != size ||
      defaulted) {
    out.resize(start);
    return false;
  }
  return true;
}

}  // namespace

std::string SystemAnsiCodePage() { return "CP" + std::to_string(::GetACP()); }

struct CCodePageConverter::SState {
  UINT page = kUnknown;
  bool toUtf8 = true;
};

CCodePageConverter::CCodePageConverter(const std::string& codePage, bool toUtf8) : m_state(std::make_unique<SState>()) {
  const UINT page = PageOfName(codePage);
  if (IsValidPage(page)) m_state->page = page;
  m_state->toUtf8 = toUtf8;
}

CCodePageConverter::~CCodePageConverter() = default;

bool CCodePageConverter::IsOpen() const { return m_state->page != kUnknown; }

std::size_t CCodePageConverter::Convert(std::string_view text, std::string& out) {
  const UINT from = m_state->toUtf8 ? m_state->page : CP_UTF8;
  const UINT to = m_state->toUtf8 ? CP_UTF8 : m_state->page;
  std::wstring wide;
  if (ToWide(from, text, wide) && FromWide(to, wide, out)) return text.size();
  // Something cannot be carried across: the characters before it are, one by one.
  std::size_t done = 0;
  while (done < text.size()) {
    const std::string_view rest = text.substr(done);
    const std::size_t length = CharacterLength(from, rest);
    if (!ToWide(from, rest.substr(0, length), wide) || !FromWide(to, wide, out)) break;
    done += length;
  }
  return done;
}

}  // namespace platform
