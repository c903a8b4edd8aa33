// Chooses the removable-drive source and holds the volume calls of Linux: flush, free space, file system.
#include "storage/removable_drives.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "storage/mount_table_drives.h"
#include "storage/udisks2_drives.h"
#include "storage/volume_limits.h"

std::unique_ptr<CDriveAccess> CreateDriveAccess(const std::string& sysroot) {
  // A sysroot other than "/" is a fake or foreign tree: the bus describes this machine, not it.
  if (sysroot.empty() || sysroot == "/") {
    if (auto udisks = CUDisks2Drives::Connect()) return udisks;
  }
  return std::make_unique<CMountTableDrives>(sysroot.empty() ? std::string("/") : sysroot);
}

bool SyncVolume(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::syncfs(fd) == 0;
  ::close(fd);
  return synced;
}

std::uint64_t AvailableBytes(const std::string& path) {
  struct statvfs info {};
  if (path.empty() || ::statvfs(path.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

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
