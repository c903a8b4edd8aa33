// Whether two paths name the same file.
#include "storage/file_identity.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

#include "storage/disk_entries.h"
#include "storage/letter_case.h"
#include "storage/volume_limits.h"

namespace {

namespace fs = std::filesystem;

// Whether a folder's names ignore letter case, asked once per folder: a run compares many names
// in few folders, and the answer may need the mount table.
bool FolderIgnoresCase(const std::string& folder, const SEntryStatus& status) {
  static std::mutex guard;
  static std::map<std::pair<std::uint64_t, std::uint64_t>, bool> known;
  const std::lock_guard<std::mutex> lock(guard);
  const auto key = std::make_pair(status.volume, status.file);
  const auto found = known.find(key);
  if (found != known.end()) return found->second;
  const bool ignores = IgnoresLetterCase(folder);
  known.emplace(key, ignores);
  return ignores;
}

// Paths are UTF-8 on every system; a path's own narrow text is the system's code page on Windows.
fs::path PathOf(const std::string& text) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string TextOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

bool IsExistingFolder(const fs::path& path, SEntryStatus& status) {
  return QueryEntry(TextOf(path), status) && status.folder;
}

}  // namespace

CFileIdentity::CFileIdentity(const std::string& path, bool withFile) {
  SEntryStatus status;
  if (withFile && QueryEntry(path, status)) {
    m_exists = true;
    m_volume = status.volume;
    m_file = status.file;
  }
  std::error_code error;
  const fs::path absolute = fs::absolute(PathOf(path), error);
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
  SEntryStatus folderStatus;
  fs::path existing = resolved;
  bool found = IsExistingFolder(existing, folderStatus);
  m_inFolder = found;
  while (!found && existing.has_relative_path()) {
    existing = existing.parent_path();
    found = IsExistingFolder(existing, folderStatus);
  }
  const bool ignoresCase = found && FolderIgnoresCase(TextOf(existing), folderStatus);
  m_ignoresCase = ignoresCase;
  if (m_inFolder) {
    m_folderVolume = folderStatus.volume;
    m_folderFile = folderStatus.file;
  }
  m_name = ignoresCase ? FoldLetterCase(TextOf(name)) : TextOf(name);
  // The whole place is folded, not only the part on the volume: two places that differ only in
  // the case of a folder above the volume pass for one, which costs a numbered name at most.
  const std::string place = TextOf((resolved / name).lexically_normal());
  m_place = ignoresCase ? FoldLetterCase(place) : place;
}

bool CFileIdentity::IsSameFile(const CFileIdentity& other) const {
  if (m_exists && other.m_exists && m_volume == other.m_volume && m_file == other.m_file) return true;
  // A FUSE driver may give one folder another inode for each spelling of its name: where case
  // is ignored, the folded places decide.
  if (m_inFolder && other.m_inFolder && !m_ignoresCase && !other.m_ignoresCase) {
    return m_folderVolume == other.m_folderVolume && m_folderFile == other.m_folderFile && m_name == other.m_name;
  }
  return m_place == other.m_place;
}
