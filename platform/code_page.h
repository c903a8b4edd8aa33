// Conversion between the system's code pages and UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The ANSI code page of the user's names on this system ("CP1252"): Windows' own, or on other
// systems the one Windows uses for the user's language.
std::string SystemAnsiCodePage();

// One direction between a named code page ("CP1251", "1251", "windows-1251", "ISO-8859-1",
// "Shift_JIS", ...) and UTF-8.
class CCodePageConverter {
 public:
  CCodePageConverter(const std::string& codePage, bool toUtf8);
  ~CCodePageConverter();
  CCodePageConverter(const CCodePageConverter&) = delete;
  CCodePageConverter& operator=(const CCodePageConverter&) = delete;

  // False when the system does not know the code page.
  bool IsOpen() const;
  // Appends the conversion of the text to `out` up to the first character that cannot be carried
  // across (or a sequence cut at the end), and answers how many bytes of `text` it took.
  std::size_t Convert(std::string_view text, std::string& out);

 private:
  struct SState;
  std::unique_ptr<SState> m_state;
};

}  // namespace platform
