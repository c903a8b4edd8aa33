// What the portable storage code asks of the system about the entries on its disks, one backend
// per system (linux/, windows/). Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SEntryStatus {
  bool folder = false;
  bool regular = false;
  bool link = false;      // the name itself is a link (only when links are not followed)
  bool readOnly = false;  // nobody may write it: no write permission bit, or the read-only attribute
  // Which file it is: the same two numbers for every name of one file, for as long as it exists.
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  std::uint64_t links = 1;      // the names the file has
  std::uint64_t allocated = 0;  // the bytes its blocks take on the volume
};

// False when the path names nothing (or, following links, a link to nothing).
bool QueryEntry(const std::string& path, SEntryStatus& status, bool followLinks = true);
// The target a link names, as written in it; false for anything else.
bool ReadLinkTarget(const std::string& path, std::string& target);
// The attribute bits a Windows folder search reports for the entry `name` at `path`
// (SECFileSystem::kAttribute*).
int SearchAttributes(const std::string& name, const std::string& path);
// Whether the name matches the wildcard name ('*' and '?'), letter case ignored.
bool WildcardMatches(const std::string& wildcard, const std::string& name);
// The names in a folder in the order the system lists them, without "." and "..".
bool ListFolderNames(const std::string& folder, std::vector<std::string>& names);
// When the file was made (its last status change where the file system keeps no birth time), in
// nanoseconds since 1970 UTC.
bool QueryCreationTime(const std::string& path, std::int64_t& createdNs);
// The bytes the user may still write on the volume that holds the path, and the unit in which
// files take room there.
bool QueryRoom(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& unit);
// Make and remove one folder; a failure leaves its reason in errno, as the C library's calls do.
bool MakeFolder(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
// Writes a folder's entries (a rename into it) to the device where the system allows that.
void FlushFolder(const std::string& folder);
// Whether the process of that number has ended (or never was).
bool ProcessIsGone(std::uint64_t process);
