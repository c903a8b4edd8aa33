// A temporary folder for a test, removed with its content at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

// Paths are the program's UTF-8 text on every system.
class CTempFolder {
 public:
  CTempFolder() {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::random_device random;
    std::uniform_int_distribution<int> pick(0, 35);
    // A name nobody else took, as mkdtemp finds one.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = "transvane_test_";
      for (int i = 0; i < 6; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[pick(random)];
      const std::filesystem::path folder = temp / name;
      if (std::filesystem::create_directory(folder, error)) {
        m_path = Utf8(std::filesystem::canonical(folder, error));
        return;
      }
    }
  }
  ~CTempFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(FromUtf8(m_path), ignored);
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  // The path of a file or folder inside.
  std::string Path(const std::string& relative) const { return m_path + "/" + relative; }
  // Writes a file inside (its folders made) and answers its path.
  std::string File(const std::string& relative, const std::string& content = {}) const {
    const std::filesystem::path path = FromUtf8(Path(relative));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return Path(relative);
  }

  static std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }
  static std::filesystem::path FromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
  }

 private:
  std::string m_path;
};
