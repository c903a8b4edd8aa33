// A temporary folder for a test, removed with its content at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

class CTempFolder {
 public:
  CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "transvane_test_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) m_path = std::filesystem::canonical(pattern).string();
  }
  ~CTempFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  // The path of a file or folder inside.
  std::string Path(const std::string& relative) const { return m_path + "/" + relative; }
  // Writes a file inside (its folders made) and answers its path.
  std::string File(const std::string& relative, const std::string& content = {}) const {
    const std::filesystem::path path = Path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

 private:
  std::string m_path;
};
