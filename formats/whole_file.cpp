// Reading a whole input file into memory.
#include "formats/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kReadBlockSize = 1024 * 1024;

std::string ErrnoReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Reads until the end, in large blocks; a file that grows or shrinks meanwhile is read as it is.
bool ReadAll(int fd, const std::string& path, std::size_t expected, std::string& bytes, CDiagnostic* why) {
  bytes.resize(expected + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() + kReadBlockSize);
    const std::size_t want = std::min(kReadBlockSize, bytes.size() - used);
    const ssize_t got = ::read(fd, bytes.data() + used, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(why, ErrnoReason("cannot read", path));
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  bytes.resize(used);
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, CDiagnostic* why) {
  bytes.clear();
  // O_NONBLOCK: a fifo without a writer would otherwise hang the open itself, before the check.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail(why, ErrnoReason("cannot open", path));
  struct stat status {};
  bool ok = false;
  if (::fstat(fd, &status) != 0) {
    Fail(why, ErrnoReason("cannot read", path));
  } else if (!S_ISREG(status.st_mode)) {
    Fail(why, "cannot read " + path + ": not a regular file");
  } else {
    try {
      ok = ReadAll(fd, path, static_cast<std::size_t>(status.st_size), bytes, why);
    } catch (const std::bad_alloc&) {
      Fail(why, "not enough memory to read " + path);
    }
  }
  ::close(fd);
  if (!ok) std::string().swap(bytes);
  return ok;
}
