// The entries on the disks through the POSIX calls.
#include "storage/disk_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "storage/file_system.h"

namespace {

// The desktop product's folder searches know only '*' and '?'; a '[' in a name is a plain
// character there, so it is escaped before fnmatch sees it.
std::string ToFnmatchPattern(const std::string& wildcardName) {
  std::string pattern;
  for (const char c : wildcardName) {
    if (c == '[' || c == ']') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

}  // namespace

bool QueryEntry(const std::string& path, SEntryStatus& status, bool followLinks) {
  struct stat found {};
  if ((followLinks ? ::stat(path.c_str(), &found) : ::lstat(path.c_str(), &found)) != 0) return false;
  status.folder = S_ISDIR(found.st_mode);
  status.regular = S_ISREG(found.st_mode);
  status.link = S_ISLNK(found.st_mode);
  // Root may write anything, so the read-only rule is the mode bits themselves.
  status.readOnly = (found.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  status.volume = static_cast<std::uint64_t>(found.st_dev);
  status.file = static_cast<std::uint64_t>(found.st_ino);
  status.links = static_cast<std::uint64_t>(found.st_nlink);
  status.allocated = static_cast<std::uint64_t>(found.st_blocks) * 512;
  return true;
}

bool ReadLinkTarget(const std::string& path, std::string& target) {
  char text[PATH_MAX];
  const ssize_t size = ::readlink(path.c_str(), text, sizeof text);
  if (size <= 0) return false;
  target.assign(text, static_cast<std::size_t>(size));
  return true;
}

int SearchAttributes(const std::string& name, const std::string& path) {
  struct stat status {};
  // A link is judged by what it points to; a dangling link has only its own status.
  if (::stat(path.c_str(), &status) != 0 && ::lstat(path.c_str(), &status) != 0) return SECFileSystem::kAttributeSystem;
  int attributes = 0;
  if (S_ISDIR(status.st_mode)) {
    attributes |= SECFileSystem::kAttributeFolder;
  } else if (!S_ISREG(status.st_mode)) {
    attributes |= SECFileSystem::kAttributeSystem;
  }
  if (!name.empty() && name[0] == '.') attributes |= SECFileSystem::kAttributeHidden;
  if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= SECFileSystem::kAttributeReadOnly;
  return attributes;
}

bool WildcardMatches(const std::string& wildcard, const std::string& name) {
  return ::fnmatch(ToFnmatchPattern(wildcard).c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool ListFolderNames(const std::string& folder, std::vector<std::string>& names) {
  DIR* entries = ::opendir(folder.empty() ? "." : folder.c_str());
  if (entries == nullptr) return false;
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(entries);
  return true;
}

bool QueryCreationTime(const std::string& path, std::int64_t& createdNs) {
  struct statx status {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &status) != 0) return false;
  // Not every file system keeps a birth time; the last status change is the nearest it has.
  const struct statx_timestamp& time = (status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_ctime;
  createdNs = static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  return true;
}

bool QueryRoom(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& unit) {
  struct statvfs volume {};
  if (::statvfs(path.empty() ? "." : path.c_str(), &volume) != 0) return false;
  unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
  const std::uint64_t blocks = volume.f_bavail;
  freeBytes = unit != 0 && blocks > UINT64_MAX / unit ? UINT64_MAX : blocks * unit;
  return true;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveEmptyFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

// Some card file systems refuse to flush a folder; the blocks themselves are on the device
// already, so the answer is not needed.
void FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool ProcessIsGone(std::uint64_t process) { return ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH; }
