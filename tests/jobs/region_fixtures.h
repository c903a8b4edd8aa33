// Fixture region files and Wine prefixes for the map job's tests.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace region_fixtures {

// Creates (or recreates) a file of size bytes whose creation time is later than after, and
// answers that time. Birth times cannot be set on Linux and the kernel's file clock is coarse,
// so the file is made again until the clock has moved on: a fixture built in order then lists in
// a known order. Answers -1 if the clock did not move within ten seconds.
inline std::int64_t MakeFileAfter(const std::string& path, std::int64_t size, std::int64_t after,
                                  const std::string& content = {}) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    ::unlink(path.c_str());
    {
      std::ofstream out(path, std::ios::binary);
      out << content;
    }
    if (size > static_cast<std::int64_t>(content.size()) && ::truncate(path.c_str(), size) != 0) return -1;
    // The birth time where the file system keeps one, else the last status change, as the
    // region list reads it.
    struct statx status {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &status) != 0) return -1;
    const struct statx_timestamp& time = (status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_ctime;
    const std::int64_t created = static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    if (created > after) return created;
  }
  return -1;
}

// A Wine prefix whose drive C: is prefix/drive_c and whose local machine registers one
// installation per (subkey, Windows path) given, in that order.
inline void MakeWinePrefix(const std::string& prefix,
                           std::initializer_list<std::pair<std::string, std::string>> installations) {
  namespace fs = std::filesystem;
  fs::create_directories(prefix + "/drive_c");
  fs::create_directories(prefix + "/dosdevices");
  fs::remove(prefix + "/dosdevices/c:");
  fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
  std::ofstream reg(prefix + "/system.reg", std::ios::binary);
  reg << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
  reg << "[Software\\\\Tavrelin] 1700000000\n\n";
  for (const auto& [name, windowsPath] : installations) {
    std::string escaped;
    for (char c : windowsPath) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    reg << "[Software\\\\Tavrelin\\\\" << name << "] 1700000000\n\"Path\"=\"" << escaped << "\"\n\n";
  }
}

// The map product installed in a Wine prefix below a folder, with two drives beside it to copy to,
// for the life of a test: WINEPREFIX names the prefix, and times are UTC. Region files are made in
// the order asked, each created later than the one before, so the region list's order is known.
class CMapDesk {
 public:
  explicit CMapDesk(const std::string& folder)
      : prefix(folder + "/prefix"),
        maps(prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps"),
        card(folder + "/card"),
        otherDrive(folder + "/unit") {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    for (const std::string& made : {maps, card, otherDrive}) std::filesystem::create_directories(made);
    MakeWinePrefix(prefix, {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
  }
  ~CMapDesk() { ::unsetenv("WINEPREFIX"); }
  CMapDesk(const CMapDesk&) = delete;
  CMapDesk& operator=(const CMapDesk&) = delete;

  // False when the clock did not move on for it (see MakeFileAfter).
  bool MakeFile(const std::string& path, const std::string& content, std::int64_t size = 0) {
    m_lastTime = MakeFileAfter(path, size, m_lastTime, content);
    return m_lastTime > 0;
  }
  // Regions of the installation, by their paths below its map folder.
  bool MakeRegions(const std::vector<std::pair<std::string, std::string>>& files) {
    for (const auto& [relative, content] : files) {
      if (!MakeFile(maps + "/" + relative, content)) return false;
    }
    return true;
  }

  const std::string prefix;
  const std::string maps;  // the installation's map folder
  const std::string card;
  const std::string otherDrive;

 private:
  std::int64_t m_lastTime = 0;
};

}  // namespace region_fixtures
