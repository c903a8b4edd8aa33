// What the volumes of Linux allow: their type from statfs and the mount table, whether they tell
// letter case apart, and how long a name may be.
#include "storage/volume_limits.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <iterator>

#include "storage/linux/mount_table_drives.h"

namespace {

// exFAT too compares names without case; its FUSE driver names itself in the type's subtype.
constexpr const char* kCaseBlindMountTypes[] = {"vfat",  "msdos",      "fuse.fusefat",
                                                "exfat", "fuse.exfat", "fuseblk.exfat"};

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

bool IgnoresLetterCase(const std::string& folder) {
  struct statfs volume {};
  if (::statfs(folder.c_str(), &volume) != 0) return false;
  const auto magic = static_cast<std::int64_t>(volume.f_type);
  if (magic == MSDOS_SUPER_MAGIC || magic == EXFAT_SUPER_MAGIC) return true;
  // Only a volume served by a program needs the mount table to say what it is.
  SVolumeType type;
  if (magic == FUSE_SUPER_MAGIC && QueryVolumeType(folder, type)) {
    for (const char* blind : kCaseBlindMountTypes) {
      if (type.mountType == blind) return true;
    }
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  const bool folds = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
  ::close(fd);
  return folds;
}

std::size_t MaxNameLength(const std::string& folder) {
  std::string level = folder.empty() ? "." : folder;
  long limit = -1;
  for (;;) {
    limit = ::pathconf(level.c_str(), _PC_NAME_MAX);
    if (limit > 0) break;
    while (level.size() > 1 && level.back() == '/') level.pop_back();
    const auto slash = level.find_last_of('/');
    if (slash == std::string::npos) {
      if (level == ".") break;
      level = ".";
    } else if (slash == 0) {
      if (level == "/") break;
      level = "/";
    } else {
      level.resize(slash);
    }
  }
  // Some file systems report a limit in bytes of their own encoding (vfat: 1530) that the
  // system's own name handling does not reach.
  if (limit <= 0 || limit > NAME_MAX) limit = NAME_MAX;
  return static_cast<std::size_t>(limit);
}
