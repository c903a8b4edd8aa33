// Removable drives from /proc/self/mountinfo and /sys/dev/block.
#include "storage/linux/mount_table_drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>

#include "storage/volume.h"

namespace {

// sysfs attributes are a line or two; a bigger file is not one of them.
constexpr std::size_t kMaxAttributeSize = 4096;
constexpr std::size_t kMaxMountTableSize = 16 * 1024 * 1024;

bool ReadFileText(const std::string& path, std::size_t limit, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.clear();
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > limit) return false;
  }
  return !in.bad();
}

std::string Trimmed(std::string text) {
  const auto end = text.find_last_not_of(" \t\r\n");
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

std::string ReadAttribute(const std::string& path) {
  std::string text;
  return ReadFileText(path, kMaxAttributeSize, text) ? Trimmed(text) : std::string();
}

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result(resolved);
  std::free(resolved);
  return result;
}

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::string LinkTarget(const std::string& path) {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= line.size()) {
    const auto space = line.find(' ', start);
    const auto end = space == std::string_view::npos ? line.size() : space;
    if (end > start) fields.push_back(line.substr(start, end - start));
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  return fields;
}

bool ParseNumber(std::string_view text, unsigned& value) {
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end && !text.empty();
}

// udev writes the characters a link name may not hold as "\xNN".
std::string DecodeUdevName(std::string_view name) {
  const auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string decoded;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
        hex(name[i + 3]) >= 0) {
      decoded.push_back(static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3])));
      i += 3;
    } else {
      decoded.push_back(name[i]);
    }
  }
  return decoded;
}

bool ParseLine(std::string_view line, SMountEntry& entry) {
  const auto fields = SplitFields(line);
  // Six fixed fields, any number of optional ones, the lone "-", then type, source, options.
  const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
  if (dash == fields.end() || dash - fields.begin() < 6 || fields.end() - dash < 3) return false;
  const std::string_view device = fields[2];
  const auto colon = device.find(':');
  if (colon == std::string_view::npos) return false;
  if (!ParseNumber(device.substr(0, colon), entry.major) || !ParseNumber(device.substr(colon + 1), entry.minor)) {
    return false;
  }
  entry.root = DecodeMountField(fields[3]);
  entry.mountPoint = DecodeMountField(fields[4]);
  entry.fsType = DecodeMountField(dash[1]);
  entry.source = DecodeMountField(dash[2]);
  return !entry.mountPoint.empty() && entry.mountPoint[0] == '/';
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
  const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  std::string decoded;
  decoded.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] <= '3' && isOctal(field[i + 1]) &&
        isOctal(field[i + 2]) && isOctal(field[i + 3])) {
      decoded.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
      i += 3;
    } else {
      decoded.push_back(field[i]);
    }
  }
  return decoded;
}

std::vector<SMountEntry> ParseMountInfo(std::string_view text) {
  std::vector<SMountEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    SMountEntry entry;
    if (ParseLine(text.substr(start, end - start), entry)) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

CMountTableDrives::CMountTableDrives(std::string sysroot) : m_sysroot(std::move(sysroot)) {
  while (m_sysroot.size() > 1 && m_sysroot.back() == '/') m_sysroot.pop_back();
  if (m_sysroot.empty()) m_sysroot = "/";
}

std::string CMountTableDrives::UnderRoot(const std::string& path) const {
  return m_sysroot == "/" ? path : m_sysroot + path;
}

std::vector<SMountEntry> CMountTableDrives::ReadMountTable() const {
  std::string text;
  if (!ReadFileText(UnderRoot("/proc/self/mountinfo"), kMaxMountTableSize, text)) return {};
  return ParseMountInfo(text);
}

bool CMountTableDrives::IsRemovableDevice(unsigned major, unsigned minor, std::string& blockDevice) const {
  const std::string deviceDir =
      RealPath(UnderRoot("/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor)));
  if (deviceDir.empty()) return false;
  // A partition's attributes that matter (removable, the bus) belong to the disk above it.
  const std::string diskDir = Exists(deviceDir + "/partition") ? ParentOf(deviceDir) : deviceDir;
  const std::string diskName = NameOf(diskDir);
  if (diskName.rfind("fd", 0) == 0) return false;  // floppy drives are never offered
  blockDevice = "/dev/" + NameOf(deviceDir);

  if (ReadAttribute(diskDir + "/removable") == "1") return true;
  if (diskName.rfind("mmcblk", 0) == 0 && ReadAttribute(diskDir + "/device/type") == "SD") return true;
  const std::string devicesRoot = RealPath(UnderRoot("/sys/devices"));
  if (devicesRoot.empty()) return false;
  for (std::string dir = ParentOf(diskDir); dir.size() > devicesRoot.size() && dir.rfind(devicesRoot, 0) == 0;
       dir = ParentOf(dir)) {
    if (NameOf(LinkTarget(dir + "/subsystem")) == "usb") return true;
  }
  return false;
}

std::string CMountTableDrives::VolumeLabel(const std::string& blockDevice) const {
  // udev links each labelled file system as /dev/disk/by-label/<label> -> ../../<device>.
  const std::string folder = UnderRoot("/dev/disk/by-label");
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string link = entry.path().string();
    if (NameOf(LinkTarget(link)) == NameOf(blockDevice)) return DecodeUdevName(NameOf(link));
  }
  return {};
}

std::vector<CRemovableDrive> CMountTableDrives::EnumerateRemovableDrives() {
  std::vector<CRemovableDrive> drives;
  std::set<std::pair<unsigned, unsigned>> seen;
  for (const SMountEntry& entry : ReadMountTable()) {
    // A bind mount of a folder is not the volume's root; a volume mounted twice is listed once.
    if (entry.root != "/" || !seen.insert({entry.major, entry.minor}).second) continue;
    CRemovableDrive drive;
    if (!IsRemovableDevice(entry.major, entry.minor, drive.blockDevice)) continue;
    drive.rootPath = UnderRoot(entry.mountPoint);
    drive.label = VolumeLabel(drive.blockDevice);
    drives.push_back(std::move(drive));
  }
  std::stable_sort(drives.begin(), drives.end(),
                   [](const CRemovableDrive& a, const CRemovableDrive& b) { return a.rootPath < b.rootPath; });
  return drives;
}

bool CMountTableDrives::IsMediaReady(const CRemovableDrive& drive) {
  const auto entries = ReadMountTable();
  const bool mounted = std::any_of(entries.begin(), entries.end(), [&](const SMountEntry& entry) {
    return entry.root == "/" && UnderRoot(entry.mountPoint) == drive.rootPath;
  });
  struct statvfs info {};
  return mounted && ::statvfs(drive.rootPath.c_str(), &info) == 0;
}

std::uint64_t CMountTableDrives::QueryTotalFreeBytes(const CRemovableDrive& drive) {
  return AvailableBytes(drive.rootPath);
}

EEjectResult CMountTableDrives::RequestEject(const std::string& rootPath) {
  SyncVolume(rootPath);
  return EEjectResult::Unsupported;
}
