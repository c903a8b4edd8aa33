// Case-insensitive lookup of folder entries.
#include "storage/entry_names.h"

#include <filesystem>
#include <system_error>

#include "storage/letter_case.h"

namespace fs = std::filesystem;

std::string MatchEntryName(const std::string& folder, const std::string& name) {
  const std::string wanted = FoldLetterCase(name);
  std::string best;
  bool found = false;
  try {
    std::error_code error;
    const std::string where = folder.empty() ? "." : folder;
    for (fs::directory_iterator entry(fs::path(std::u8string(where.begin(), where.end())), error), end;
         !error && entry != end; entry.increment(error)) {
      const std::u8string text = entry->path().filename().u8string();
      const std::string candidate(text.begin(), text.end());
      if (candidate == name) return candidate;
      if (FoldLetterCase(candidate) == wanted && (!found || candidate < best)) {
        best = candidate;
        found = true;
      }
    }
  } catch (const std::system_error&) {
    // A name that is not valid text on a system whose names are UTF-16: no entry matches it.
  }
  return found ? best : name;
}
