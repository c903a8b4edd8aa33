// Fixture region files and Wine prefixes for the map job's tests.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

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

}  // namespace region_fixtures
