// Case-insensitive lookup of folder entries.
#include "storage/entry_names.h"

#include <dirent.h>

#include <QString>

std::string MatchEntryName(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return name;
  const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  std::string best;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate(entry->d_name);
    if (candidate == name) {
      best = candidate;
      found = true;
      break;
    }
    if (QString::compare(QString::fromUtf8(entry->d_name), wanted, Qt::CaseInsensitive) == 0 &&
        (!found || candidate < best)) {
      best = candidate;
      found = true;
    }
  }
  ::closedir(dir);
  return found ? best : name;
}
