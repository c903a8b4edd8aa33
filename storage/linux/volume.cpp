// The volume calls on Linux: syncfs and statvfs.
#include "storage/volume.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

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
