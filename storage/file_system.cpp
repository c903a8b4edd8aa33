// Path splitting and joining, file and folder queries, folder chains and wildcard listings.
#include "storage/file_system.h"

#include <cctype>
#include <limits>

#include "platform/files.h"
#include "storage/disk_entries.h"

namespace {

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

bool EndsWithSeparator(const std::string& text) { return !text.empty() && (text.back() == '/' || text.back() == '\\'); }

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
  platform::SFileStatus status;
  return platform::GetFileStatus(path, status) && status.folder;
}

bool SECFileSystem::QueryFileSize(const std::string& path, std::int64_t& size) const {
  platform::SFileStatus status;
  if (!platform::GetFileStatus(path, status)) return false;
  size = static_cast<std::int64_t>(status.size);
  return true;
}

bool SECFileSystem::QueryCreationTime(const std::string& path, std::int64_t& createdNs) const {
  return ::QueryCreationTime(path, createdNs);
}

std::int64_t SECFileSystem::QueryFreeBytes(const std::string& root) const {
  std::uint64_t bytes = 0;
  std::uint64_t unit = 0;
  if (!QueryRoom(root, bytes, unit)) return -1;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(bytes > kMax ? kMax : bytes);
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
    if (!prefix.empty() && prefix.back() != ':') created = MakeFolder(prefix);
    prefix += '/';
  }
  return created;
}

std::vector<std::string> SECFileSystem::ListEntries(const std::string& pattern, int attributeFilter) {
  std::vector<std::string> found;
  const std::string folder = FolderOf(pattern);
  const std::string wildcard = FileNameOf(pattern);
  std::vector<std::string> names;
  if (!ListFolderNames(folder, names)) return found;
  for (const std::string& name : names) {
    // "*.*" matches every name, also names without a dot, as it does on Windows.
    if (wildcard != "*.*" && !WildcardMatches(wildcard, name)) continue;
    const std::string path = folder + name;
    if (PassesFilter(SearchAttributes(name, path), attributeFilter)) found.push_back(path);
  }
  return found;
}

std::vector<std::string> SECFileSystem::ListSubfolders(const std::string& folder) {
  std::vector<std::string> subfolders;
  for (std::string& path : ListEntries(JoinPath(folder, "*.*"), kAttributeFolder)) {
    // A link to a folder is not followed: one pointing up the tree would make the walk endless.
    SEntryStatus status;
    if (QueryEntry(path, status, false) && status.folder && !status.link) subfolders.push_back(std::move(path));
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

bool SECFileSystem::RemoveFile(const std::string& path) { return platform::RemoveFile(path); }
