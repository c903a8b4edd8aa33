// Chooses the removable-drive source and holds the volume calls both sources share.
#include "storage/removable_drives.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "storage/mount_table_drives.h"
#include "storage/udisks2_drives.h"

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
