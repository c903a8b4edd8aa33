// Environment variables through the wide Windows calls, names and values in UTF-8.
#include "platform/environment.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/wide_text.h"

namespace platform {

std::optional<std::string> GetEnvironment(const char* name) {
  const std::wstring wideName = WideFromUtf8(name);
  const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  value.resize(length < size ? length : 0);
  return Utf8FromWide(value);
}

void SetEnvironment(const char* name, const std::string& value) {
  const std::wstring wideName = WideFromUtf8(name);
  const std::wstring wideValue = WideFromUtf8(value);
  ::SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : wideValue.c_str());
  // The C runtime keeps its own copy, which the programs it starts inherit.
  ::_wputenv_s(wideName.c_str(), wideValue.c_str());
}

}  // namespace platform
