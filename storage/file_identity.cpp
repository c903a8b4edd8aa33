// Whether two paths name the same file.
#include "storage/file_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

CFileIdentity::CFileIdentity(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    m_exists = true;
    m_device = status.st_dev;
    m_inode = status.st_ino;
  }
  // The longest part that exists is resolved (links, "..", "."), the rest is taken as written.
  std::error_code error;
  std::filesystem::path place = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
  if (error) place = std::filesystem::absolute(path, error).lexically_normal();
  m_place = place.string();
}

bool CFileIdentity::IsSameFile(const CFileIdentity& other) const {
  if (m_exists && other.m_exists) return m_device == other.m_device && m_inode == other.m_inode;
  return m_place == other.m_place;
}
