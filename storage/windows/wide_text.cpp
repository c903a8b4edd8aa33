// UTF-8 to and from UTF-16 with the system's own conversion.
#include "storage/windows/wide_text.h"

#include <windows.h>

#include <climits>

bool ToUtf8(std::wstring_view wide, std::string& utf8) {
  utf8.clear();
  if (wide.empty()) return true;
  if (wide.size() > INT_MAX / 4) return false;
  const int length = static_cast<int>(wide.size());
  const int size =
      ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  utf8.resize(static_cast<std::size_t>(size));
  if (::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, utf8.data(), size, nullptr, nullptr) ==
      size) {
    return true;
  }
  utf8.clear();
  return false;
}

bool ToWide(std::string_view utf8, std::wstring& wide) {
  wide.clear();
  if (utf8.empty()) return true;
  if (utf8.size() > INT_MAX) return false;
  const int length = static_cast<int>(utf8.size());
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (size <= 0) return false;
  wide.resize(static_cast<std::size_t>(size));
  if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), size) == size) return true;
  wide.clear();
  return false;
}
