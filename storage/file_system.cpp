// Path splitting and joining, file and folder queries, folder chains and wildcard listings.
#include "storage/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <limits>

namespace {

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

bool EndsWithSeparator(const std::string& text) { return !text.empty() && (text.back() == '/' || text.back() == '\\'); }

// The desktop product's folder searches know only '*' and '?'; a '[' in a name is a plain
// character there, so it is escaped before fnmatch sees it. "*.*" matches every name, also
// names without a dot, as it does on Windows.
std::string ToFnmatchPattern(const std::string& wildcardName) {
  if (wildcardName == "*.*") return "*";
  std::string pattern;
  for (const char c : wildcardName) {
    if (c == '[' || c == ']') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// The attribute bits a Windows folder search would report for a Linux entry.
int AttributesOf(const std::string& name, const std::string& path) {
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

bool PassesFilter(int attributes, int filter) {
  if (filter == SECFileSystem::kFilterAll) return true;
  if (filter == 0 || filter == SECFileSystem::kAttributeNormal) {
    constexpr int kNotPlain = SECFileSystem::kAttributeHidden | SECFileSystem::kAttributeSystem |
                              SECFileSystem::kAttributeVolumeLabel | SECFileSystem::kAttributeFolder |
                              SECFileSystem::kAttributeDevice;
    return (attributes & kNotPlain) == 0;
  }
  return (attributes & filter) != 0;
}

}  // namespace

std::string SECFileSystem::FileNameOf(const std::string& path) const {
  const auto separator = LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string SECFileSystem::FolderOf(const std::string& path, bool keepDrive) const {
  const auto separator = LastSeparator(path);
  if (separator == std::string::npos) return {};
  std::string folder = path.substr(0, separator + 1);
  // Only a Windows drive ("E:") is dropped: a ':' further on is an ordinary character of a Linux name.
  if (!keepDrive && folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':') {
    folder.erase(0, 2);
  }
  return folder;
}

std::string SECFileSystem::ExtensionOf(const std::string& path) const {
  const std::string name = FileNameOf(path);
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return {};
  return name.substr(dot + 1);
}

std::string SECFileSystem::StemOf(const std::string& path) const {
  const std::string name = FileNameOf(path);
  if (name.find('.') == std::string::npos) return name;
  return name.substr(0, name.size() - ExtensionOf(name).size() - 1);
}

std::string SECFileSystem::JoinPath(const std::string& folder, const std::string& name) const {
  if (folder.empty() || EndsWithSeparator(folder)) return folder + name;
  return folder + '/' + name;
}

bool SECFileSystem::IsFolder(const std::string& path) const {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool SECFileSystem::QueryFileSize(const std::string& path, std::int64_t& size) const {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  size = static_cast<std::int64_t>(status.st_size);
  return true;
}

bool SECFileSystem::QueryCreationTime(const std::string& path, std::int64_t& createdNs) const {
  struct statx status {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &status) != 0) return false;
  // Not every file system keeps a birth time; the last status change is the nearest it has.
  const struct statx_timestamp& time = (status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_ctime;
  createdNs = static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  return true;
}

std::int64_t SECFileSystem::QueryFreeBytes(const std::string& root) const {
  struct statvfs status {};
  if (::statvfs(root.c_str(), &status) != 0) return -1;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  const std::uint64_t blocks = status.f_bavail;
  const std::uint64_t blockSize = status.f_frsize;
  if (blockSize != 0 && blocks > kMax / blockSize) return static_cast<std::int64_t>(kMax);
  return static_cast<std::int64_t>(blocks * blockSize);
}

bool SECFileSystem::CreateFolderChain(const std::string& path) {
  if (path.empty()) return false;
  std::string rest = EndsWithSeparator(path) ? path : path + '/';
  std::string prefix;
  bool created = false;
  // Every level is attempted, the existing ones too, and only the last attempt decides the
  // answer: a chain that already exists answers false. Callers test IsFolder where it matters.
  for (auto separator = rest.find_first_of("/\\"); separator != std::string::npos;
       separator = rest.find_first_of("/\\")) {
    prefix += rest.substr(0, separator);
    rest.erase(0, separator + 1);
    // An empty prefix is the root of an absolute path; one ending in ':' is a Windows drive.
    if (!prefix.empty() && prefix.back() != ':') created = ::mkdir(prefix.c_str(), 0777) == 0;
    prefix += '/';
  }
  return created;
}

std::vector<std::string> SECFileSystem::ListEntries(const std::string& pattern, int attributeFilter) {
  std::vector<std::string> found;
  const std::string folder = FolderOf(pattern);
  const std::string wildcard = ToFnmatchPattern(FileNameOf(pattern));
  DIR* search = ::opendir(folder.empty() ? "." : folder.c_str());
  if (search == nullptr) return found;
  while (const dirent* entry = ::readdir(search)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(wildcard.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    const std::string path = folder + name;
    if (PassesFilter(AttributesOf(name, path), attributeFilter)) found.push_back(path);
  }
  ::closedir(search);
  return found;
}

std::vector<std::string> SECFileSystem::ListSubfolders(const std::string& folder) {
  std::vector<std::string> subfolders;
  for (std::string& path : ListEntries(JoinPath(folder, "*.*"), kAttributeFolder)) {
    // A link to a folder is not followed: one pointing up the tree would make the walk endless.
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) subfolders.push_back(std::move(path));
  }
  return subfolders;
}

std::vector<std::string> SECFileSystem::ListFiles(const std::string& pattern, int attributeFilter, bool recursive) {
  std::vector<std::string> list;
  AppendFiles(pattern, attributeFilter, recursive, list);
  return list;
}

void SECFileSystem::AppendFiles(const std::string& pattern, int attributeFilter, bool recursive,
                                std::vector<std::string>& list) {
  for (std::string& path : ListEntries(pattern, attributeFilter)) list.push_back(std::move(path));
  if (!recursive) return;
  const std::string name = FileNameOf(pattern);
  for (const std::string& subfolder : ListSubfolders(FolderOf(pattern))) {
    AppendFiles(JoinPath(subfolder, name), attributeFilter, recursive, list);
  }
}

bool SECFileSystem::RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }
