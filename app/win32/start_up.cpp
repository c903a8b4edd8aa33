// What the program reads at start-up.
#include "app/win32/start_up.h"

#include <cwctype>

std::wstring ResourceLibraryPath(const std::wstring& programPath) {
  const std::size_t slash = programPath.find_last_of(L"\\/");
  const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  const std::size_t dot = programPath.rfind(L'.');
  const std::size_t nameEnd = dot == std::wstring::npos || dot < nameStart ? programPath.size() : dot;
  return programPath.substr(0, nameEnd) + L"RC.dll";
}

bool HasTestSwitch(const std::vector<std::wstring>& arguments) {
  for (std::wstring argument : arguments) {
    for (wchar_t& c : argument) c = static_cast<wchar_t>(std::towupper(c));
    if (argument == L"/T") return true;
  }
  return false;
}
