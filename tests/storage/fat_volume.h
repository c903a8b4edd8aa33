// A real FAT32 volume for a test: an image file made by mkfs.vfat and mounted through FUSE by
// fusefat, unmounted at the end. Machines without FUSE or those tools cannot have one; the test
// then skips with Unavailable() as its message.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

class CFatVolume {
 public:
  // Makes a volume of `megabytes` in folder/fat.img and mounts it on folder/fat.
  CFatVolume(const std::string& folder, int megabytes) : m_image(folder + "/fat.img"), m_mount(folder + "/fat") {
    std::filesystem::create_directories(m_mount);
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
      m_unavailable = "no usable /dev/fuse";
    } else if (!Create(static_cast<off_t>(megabytes) * 1024 * 1024)) {
      m_unavailable = "cannot create " + m_image;
    } else if (!Run({"mkfs.vfat", "-F", "32", m_image})) {
      m_unavailable = "mkfs.vfat (dosfstools) is missing or failed";
    } else if (!Run({"fusefat", "-o", "rw+", m_image, m_mount})) {
      m_unavailable = "fusefat is missing or cannot mount";
    } else {
      m_mounted = true;
    }
  }
  ~CFatVolume() {
    if (m_mounted) Run({"fusermount", "-u", m_mount});
  }
  CFatVolume(const CFatVolume&) = delete;
  CFatVolume& operator=(const CFatVolume&) = delete;

  // Empty when the volume is mounted; otherwise why it is not.
  const std::string& Unavailable() const { return m_unavailable; }
  const std::string& Path() const { return m_mount; }

 private:
  bool Create(off_t size) const {
    const int fd = ::open(m_image.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool sized = ::ftruncate(fd, size) == 0;
    return ::close(fd) == 0 && sized;
  }
  // The program's own output (fusefat talks a lot) goes nowhere.
  static bool Run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& each : arguments) argv.push_back(each.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
      }
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::string m_image;
  std::string m_mount;
  std::string m_unavailable;
  bool m_mounted = false;
};
