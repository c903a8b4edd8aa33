// What a volume's file system allows a single file.
#include "storage/volume_limits.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <iterator>

#include "storage/mount_table_drives.h"

namespace {

constexpr const char* kFatMountTypes[] = {"vfat", "msdos", "fuse.fusefat"};

}  // namespace

bool QueryVolumeType(const std::string& path, SVolumeType& type) {
  struct statfs volume {};
  struct stat status {};
  if (::statfs(path.c_str(), &volume) != 0 || ::stat(path.c_str(), &status) != 0) return false;
  type.magic = static_cast<std::int64_t>(volume.f_type);
  type.mountType.clear();
  // The mount whose device is the file's; the last one listed is the one on top.
  std::ifstream in("/proc/self/mountinfo", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const SMountEntry& entry : ParseMountInfo(text)) {
    if (entry.major == ::major(status.st_dev) && entry.minor == ::minor(status.st_dev)) type.mountType = entry.fsType;
  }
  return true;
}

std::uint64_t MaxFileSize(const SVolumeType& type) {
  // The kernel's vfat and msdos drivers report the same type.
  if (type.magic == MSDOS_SUPER_MAGIC) return kFatMaxFileSize;
  for (const char* fat : kFatMountTypes) {
    if (type.mountType == fat) return kFatMaxFileSize;
  }
  return kNoFileSizeLimit;
}
