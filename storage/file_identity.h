// Whether two paths name the same file, however they are written.
#pragma once

#include <sys/types.h>

#include <string>

// A file as the system knows it: its device and inode when it exists, and always its canonical
// place (the folder's canonical path with the name), which is all a file not written yet has.
// Taken once, so that a run can compare many names against its own files cheaply.
class CFileIdentity {
 public:
  explicit CFileIdentity(const std::string& path);

  // The same device and inode when both existed when they were taken (a link is the file it
  // points to, a second hard link the same file); otherwise the same canonical place, so that
  // "d/../d/trip.wpt" is "d/trip.wpt" before either exists.
  bool IsSameFile(const CFileIdentity& other) const;

 private:
  bool m_exists = false;
  dev_t m_device = 0;
  ino_t m_inode = 0;
  std::string m_place;
};

inline bool IsSameFile(const std::string& a, const std::string& b) {
  return CFileIdentity(a).IsSameFile(CFileIdentity(b));
}
