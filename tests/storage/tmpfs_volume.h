// A small volume that really fills up, for a test: a tmpfs of a chosen size mounted on a folder
// of the test's and unmounted at the end. Only root can mount one; elsewhere the test skips with
// Unavailable() as its message.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

class CTmpfsVolume {
 public:
  // Mounts a tmpfs of `bytes` (whole pages) on mountPoint, made if missing.
  CTmpfsVolume(const std::string& mountPoint, std::uint64_t bytes) : m_mount(mountPoint) {
    std::filesystem::create_directories(m_mount);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", m_mount.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
      m_mounted = true;
    } else {
      m_unavailable = std::string("cannot mount a tmpfs (needs root): ") + std::strerror(errno);
    }
  }
  ~CTmpfsVolume() {
    if (m_mounted) ::umount2(m_mount.c_str(), MNT_DETACH);
  }
  CTmpfsVolume(const CTmpfsVolume&) = delete;
  CTmpfsVolume& operator=(const CTmpfsVolume&) = delete;

  // Empty when the volume is mounted; otherwise why it is not.
  const std::string& Unavailable() const { return m_unavailable; }
  const std::string& Path() const { return m_mount; }

 private:
  std::string m_mount;
  std::string m_unavailable;
  bool m_mounted = false;
};
