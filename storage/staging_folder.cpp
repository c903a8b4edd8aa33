// Private folders for files on their way elsewhere: staged conversions, standard input and output.
#include "storage/staging_folder.h"

#include <filesystem>
#include <system_error>

#include "formats/atomic_file.h"
#include "platform/files.h"
#include "storage/private_folder.h"

std::string DefaultTemporaryFolder() { return platform::TemporaryFolder(); }

CStagingFolder::CStagingFolder(const std::string& name, const std::string& parent) {
  std::string reason;
  if (MakePrivateFolder(parent + "/" + name + ".", m_path, reason)) {
    m_slot = RegisterTemporaryFolder(m_path);
  } else {
    m_error = parent + ": " + reason;
  }
}

CStagingFolder::~CStagingFolder() {
  std::error_code ignored;
  if (!m_path.empty())
    std::filesystem::remove_all(std::filesystem::path(std::u8string(m_path.begin(), m_path.end())), ignored);
  ReleaseTemporary(m_slot);
}
