// Whether two paths name the same file.
#include "storage/file_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

#include "storage/letter_case.h"
#include "storage/volume_limits.h"

namespace {

namespace fs = std::filesystem;

// Whether a folder's names ignore letter case, asked once per folder: a run compares many names
// in few folders, and the answer may need the mount table.
bool FolderIgnoresCase(const std::string& folder, const struct stat& status) {
  static std::mutex guard;
  static std::map<std::pair<dev_t, ino_t>, bool> known;
  const std::lock_guard<std::mutex> lock(guard);
  const auto key = std::make_pair(status.st_dev, status.st_ino);
  const auto found = known.find(key);
  if (found != known.end()) return found->second;
  const bool ignores = IgnoresLetterCase(folder);
  known.emplace(key, ignores);
  return ignores;
}

}  // namespace

CFileIdentity::CFileIdentity(const std::string& path, bool withFile) {
  struct stat status {};
  if (withFile && ::stat(path.c_str(), &status) == 0) {
    m_exists = true;
    m_device = status.st_dev;
    m_inode = status.st_ino;
  }
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  if (error) {
    m_place = path;
    return;
  }
  // The name is kept as written: a file put in place replaces a link of that name, not the file
  // the link points to.
  fs::path name = absolute.filename();
  fs::path folder = absolute.parent_path();
  if (name.empty() || name == "." || name == "..") {
    folder = absolute;
    name.clear();
  }
  // The longest part that exists is resolved (links, "..", "."), the rest is taken as written.
  fs::path resolved = fs::weakly_canonical(folder, error);
  if (error) resolved = folder.lexically_normal();
  struct stat folderStatus {};
  fs::path existing = resolved;
  bool found = ::stat(existing.c_str(), &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode);
  m_inFolder = found;
  while (!found && existing.has_relative_path()) {
    existing = existing.parent_path();
    found = ::stat(existing.c_str(), &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode);
  }
  const bool ignoresCase = found && FolderIgnoresCase(existing.string(), folderStatus);
  m_ignoresCase = ignoresCase;
  if (m_inFolder) {
    m_folderDevice = folderStatus.st_dev;
    m_folderInode = folderStatus.st_ino;
  }
  m_name = ignoresCase ? FoldLetterCase(name.string()) : name.string();
  // The whole place is folded, not only the part on the volume: two places that differ only in
  // the case of a folder above the volume pass for one, which costs a numbered name at most.
  const std::string place = (resolved / name).lexically_normal().string();
  m_place = ignoresCase ? FoldLetterCase(place) : place;
}

bool CFileIdentity::IsSameFile(const CFileIdentity& other) const {
  if (m_exists && other.m_exists && m_device == other.m_device && m_inode == other.m_inode) return true;
  // A FUSE driver may give one folder another inode for each spelling of its name: where case
  // is ignored, the folded places decide.
  if (m_inFolder && other.m_inFolder && !m_ignoresCase && !other.m_ignoresCase) {
    return m_folderDevice == other.m_folderDevice && m_folderInode == other.m_folderInode && m_name == other.m_name;
  }
  return m_place == other.m_place;
}
