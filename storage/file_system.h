// Path splitting and joining, file and folder queries, folder chains and wildcard listings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file system operations the jobs share. Callers create one on the stack for one task.
// Splitting accepts both '/' and '\' (paths may come from the unit's files, written on Windows);
// joining always writes '/'. The path operations never touch the disk.
class SECFileSystem {
 public:
  // Attribute bits of a listed entry, as the desktop product's folder searches know them.
  static constexpr int kAttributeReadOnly = 1;
  static constexpr int kAttributeHidden = 2;
  static constexpr int kAttributeSystem = 4;
  static constexpr int kAttributeVolumeLabel = 8;
  static constexpr int kAttributeFolder = 16;
  static constexpr int kAttributeDevice = 64;
  static constexpr int kAttributeNormal = 128;
  static constexpr int kFilterAll = -1;

  std::string FileNameOf(const std::string& path) const;
  std::string FolderOf(const std::string& path, bool keepDrive = true) const;  // ends with the separator
  std::string ExtensionOf(const std::string& path) const;
  std::string StemOf(const std::string& path) const;
  std::string JoinPath(const std::string& folder, const std::string& name) const;  // writes '/'

  bool IsFolder(const std::string& path) const;
  bool QueryFileSize(const std::string& path, std::int64_t& size) const;
  bool QueryCreationTime(const std::string& path, std::int64_t& createdNs) const;  // ns since 1970 UTC
  std::int64_t QueryFreeBytes(const std::string& root) const;                      // -1 on failure

  bool CreateFolderChain(const std::string& path);

  // The entries of one folder whose names match the pattern's wildcard name (letter case
  // ignored) and whose attributes pass the filter: -1 every entry, 0 or 128 plain files only,
  // otherwise any entry sharing a bit with the filter. Each comes back as the pattern's folder
  // part followed by the entry name, in the order the folder lists them.
  std::vector<std::string> ListEntries(const std::string& pattern, int attributeFilter);
  // The folders directly below a folder, each as the folder followed by its name.
  std::vector<std::string> ListSubfolders(const std::string& folder);
  // ListEntries, then (if recursive) the same pattern name in every subfolder, depth first.
  std::vector<std::string> ListFiles(const std::string& pattern, int attributeFilter, bool recursive);

  bool RemoveFile(const std::string& path);

 private:
  void AppendFiles(const std::string& pattern, int attributeFilter, bool recursive, std::vector<std::string>& list);
};
