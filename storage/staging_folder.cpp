// Private folders for files on their way elsewhere: staged conversions, standard input and output.
#include "storage/staging_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "formats/atomic_file.h"

std::string DefaultTemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

CStagingFolder::CStagingFolder(const std::string& name, const std::string& parent) {
  std::string pattern = parent + "/" + name + ".XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) {
    m_path = pattern;
    m_slot = RegisterTemporaryFolder(m_path);
  } else {
    m_error = parent + ": " + std::strerror(errno);
  }
}

CStagingFolder::~CStagingFolder() {
  std::error_code ignored;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  ReleaseTemporary(m_slot);
}
