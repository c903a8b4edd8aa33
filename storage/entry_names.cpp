// Case-insensitive lookup of folder entries.
#include "storage/entry_names.h"

#include <dirent.h>

#include "storage/letter_case.h"

std::string MatchEntryName(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return name;
  const std::string wanted = FoldLetterCase(name);
  std::string best;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate(entry->d_name);
    if (candidate == name) {
      best = candidate;
      found = true;
      break;
    }
    if (FoldLetterCase(candidate) == wanted && (!found || candidate < best)) {
      best = candidate;
      found = true;
    }
  }
  ::closedir(dir);
  return found ? best : name;
}
