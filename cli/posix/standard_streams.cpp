// Standard input and output copied to and from files with the system's descriptors.
#include "cli/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kBlockSize = 1 << 16;

// Every byte of `from` into `to`; false with the reason, naming the side that failed.
bool CopyDescriptor(int from, const char* fromName, int to, const char* toName, std::string& reason) {
  char buffer[kBlockSize];
  for (;;) {
    const ssize_t count = ::read(from, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      reason = std::string("cannot read ") + fromName + ": " + std::strerror(errno);
      return false;
    }
    for (ssize_t done = 0; done < count;) {
      const ssize_t written = ::write(to, buffer + done, static_cast<std::size_t>(count - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        reason = std::string("cannot write ") + toName + ": " + std::strerror(errno);
        return false;
      }
      done += written;
    }
  }
}

}  // namespace

bool CopyStandardInputTo(const std::string& path, std::string& reason) {
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (file < 0) {
    reason = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool copied = CopyDescriptor(STDIN_FILENO, "standard input", file, path.c_str(), reason);
  return ::close(file) == 0 && copied;
}

bool CopyFileToStandardOutput(const std::string& path, std::string& reason) {
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    reason = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  // A closed pipe answers EPIPE here instead of ending the process before the staging folder goes.
  ::signal(SIGPIPE, SIG_IGN);
  const bool copied = CopyDescriptor(file, path.c_str(), STDOUT_FILENO, "standard output", reason);
  ::close(file);
  return copied;
}
