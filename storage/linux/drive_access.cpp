// Chooses the removable-drive source on Linux: UDisks2 when it answers, else the mount table.
#include "storage/linux/mount_table_drives.h"
#include "storage/linux/udisks2_drives.h"
#include "storage/removable_drives.h"

std::unique_ptr<CDriveAccess> CreateDriveAccess(const std::string& sysroot) {
  // A sysroot other than "/" is a fake or foreign tree: the bus describes this machine, not it.
  if (sysroot.empty() || sysroot == "/") {
    if (auto udisks = CUDisks2Drives::Connect()) return udisks;
  }
  return std::make_unique<CMountTableDrives>(sysroot.empty() ? std::string("/") : sysroot);
}
