// The folder that a job's files go into, made only when a file is about to be written there.
#include "storage/output_folder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "storage/disk_entries.h"
#include "storage/file_system.h"
#include "storage/volume_limits.h"

namespace {

std::string WithoutSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

// The levels of a path from the top down: "a/b/c" gives "a", "a/b", "a/b/c".
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> levels;
  const std::string whole = WithoutSeparators(path);
  for (std::size_t at = whole.find_first_of("/\\", 1); at != std::string::npos;
       at = whole.find_first_of("/\\", at + 1)) {
    if (whole[at - 1] != '/' && whole[at - 1] != '\\') levels.push_back(whole.substr(0, at));
  }
  levels.push_back(whole);
  return levels;
}

// The first level that is there but is no folder: a file, or a link to nothing (its target in
// `dangling`). Empty when every level that exists is a folder.
std::string LevelInTheWay(const std::string& folder, std::string& dangling) {
  for (const std::string& level : Levels(folder)) {
    SEntryStatus status;
    if (!QueryEntry(level, status, false)) return {};
    if (status.link) {
      SEntryStatus target;
      if (QueryEntry(level, target)) {
        if (target.folder) continue;
        return level;
      }
      if (!ReadLinkTarget(level, dangling)) dangling = "nothing";
      return level;
    }
    if (!status.folder) return level;
  }
  return {};
}

// The name of a level longer than its folder takes, with that limit; empty when there is none.
std::string NameTooLong(const std::string& folder, std::size_t& limit) {
  const SECFileSystem files;
  for (const std::string& level : Levels(folder)) {
    const std::string name = files.FileNameOf(level);
    limit = MaxNameLength(files.FolderOf(level));
    if (name.size() > limit) return name;
  }
  return {};
}

}  // namespace

COutputFolder::~COutputFolder() {
  // Only an empty level goes: whatever was written into it keeps it.
  for (const std::string& level : m_made) RemoveEmptyFolder(level);
}

bool COutputFolder::Prepare() {
  if (m_prepared) return m_ready;
  m_prepared = true;
  SECFileSystem files;
  if (files.IsFolder(m_folder)) return m_ready = true;
  const std::vector<std::string> levels = Levels(m_folder);
  for (auto level = levels.rbegin(); level != levels.rend() && !files.IsFolder(*level); ++level) {
    SEntryStatus status;
    // Something else of that name is not ours to take away.
    if (QueryEntry(*level, status, false)) break;
    m_made.push_back(*level);
  }
  files.CreateFolderChain(m_folder);
  const int error = errno;
  // The levels below one that could not be made are not there.
  std::erase_if(m_made, [&](const std::string& level) { return !files.IsFolder(level); });
  m_ready = files.IsFolder(m_folder);
  if (!m_ready) m_reason = FolderFailure(m_folder, error);
  return m_ready;
}

std::string FolderFailure(const std::string& folder, int errorNumber) {
  const std::string whole = WithoutSeparators(folder);
  if (errorNumber == ENAMETOOLONG && whole.size() >= PATH_MAX) {
    return "cannot use the folder " + folder + ": its path is " + std::to_string(whole.size()) +
           " bytes long, and the system takes paths of at most " + std::to_string(PATH_MAX - 1);
  }
  // Not every system says ENAMETOOLONG for a name too long: the names themselves are measured.
  if (errorNumber != EEXIST) {
    std::size_t limit = 0;
    const std::string name = NameTooLong(folder, limit);
    if (!name.empty()) {
      return "cannot create the folder " + folder + ": the name " + name + " is " + std::to_string(name.size()) +
             " bytes long, and its folder takes names of at most " + std::to_string(limit);
    }
  }
  std::string dangling;
  const std::string level = LevelInTheWay(folder, dangling);
  if (!level.empty()) {
    const std::string what =
        dangling.empty() ? " is a file, not a folder" : " points to " + dangling + ", which does not exist";
    if (level == whole) return "cannot use the folder " + folder + ": it" + what;
    return "cannot create the folder " + folder + ": " + level + what;
  }
  return "cannot create the folder " + folder + ": " + std::strerror(errorNumber);
}
