// Conversion of names and comments between a Windows ANSI code page and UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/diagnostic.h"
#include "platform/code_page.h"

// One ANSI code page (CP1252 unless told otherwise) and the two directions to and from UTF-8,
// through the system's conversions. Nothing is ever refused: a character that the target cannot hold,
// or a byte that is not valid in the source, becomes '?' and is counted, so that a front end can
// warn that names were changed. Not thread-safe: one object per job. The front ends choose the
// page (the user's option, else the user's locale: locale_code_page.h); the default here is for
// callers that only pass names through.
class CCodePage {
 public:
  static constexpr const char* kDefaultName = "CP1252";

  // A name of digits alone ("1251") is the Windows code page of that number ("CP1251").
  explicit CCodePage(std::string name = kDefaultName);
  CCodePage(const CCodePage&) = delete;
  CCodePage& operator=(const CCodePage&) = delete;

  const std::string& GetName() const { return m_name; }
  // False when the system does not know the name (or cannot convert it to and from UTF-8), and for what
  // is no ANSI code page: a Unicode encoding (UTF-8, UTF-16 and the like, in any spelling), whose
  // names the unit cannot show, or a page that does not keep ASCII as it is.
  bool IsUsable(CDiagnostic* why = nullptr) const;

  std::string ToUtf8(std::string_view ansi);
  std::string FromUtf8(std::string_view utf8);

  // Characters replaced by '?' since construction or the last reset.
  std::size_t GetReplacementCount() const { return m_replacements; }
  void ResetReplacementCount() { m_replacements = 0; }
  // For replacements made beside the conversion (characters that a file format cannot hold).
  void CountReplacements(std::size_t count) { m_replacements += count; }

 private:
  // sourceIsUtf8 decides how much of the source an unconvertible character occupies.
  std::string Convert(platform::CCodePageConverter& converter, std::string_view text, bool sourceIsUtf8);

  std::string m_name;
  platform::CCodePageConverter m_toUtf8;
  platform::CCodePageConverter m_fromUtf8;
  std::size_t m_replacements = 0;
  bool m_unicode = false;
  bool m_keepsAscii = true;
};
