// Whether two paths name the same file, however they are written.
#pragma once

#include <cstdint>
#include <string>

// A file as the system knows it, taken once, so that a run can compare many names against its own
// files cheaply. Three things tell it apart: the file itself (volume and file number: device and
// inode, or volume serial and file index) while it exists; its entry, the folder that holds it with its name, while
// that folder exists; and always its place, the path with links, "." and ".." resolved as far as it exists. Names and
// places count letter case only where the volume does (not on FAT or exFAT, nor in a case-folding
// folder). The entry and the place stay the file's when the file is replaced, for the rename that
// puts a new copy in place gives the name a new inode.
class CFileIdentity {
 public:
  // withFile false leaves the file out, for a name whose file is about to be replaced: its inode
  // then goes back to the system, which may give it to another file.
  explicit CFileIdentity(const std::string& path, bool withFile = true);

  // The same file when both existed when they were taken and are one file (a link is the file it
  // points to, a second hard link the same file); else when both folders existed, take names with
  // their case and are one folder, holding the same name; else when the places are the same. "d/../d/trip.wpt",
  // "d/./trip.wpt", "d//trip.wpt", "link-to-d/trip.wpt" and, on a FAT volume, "D/TRIP.WPT" are
  // all "d/trip.wpt", whether it exists or not, and before or after it is replaced.
  bool IsSameFile(const CFileIdentity& other) const;

 private:
  bool m_exists = false;
  std::uint64_t m_volume = 0;
  std::uint64_t m_file = 0;
  bool m_inFolder = false;  // the folder existed
  bool m_ignoresCase = false;
  std::uint64_t m_folderVolume = 0;
  std::uint64_t m_folderFile = 0;
  std::string m_name;
  std::string m_place;
};

inline bool IsSameFile(const std::string& a, const std::string& b) {
  return CFileIdentity(a).IsSameFile(CFileIdentity(b));
}
