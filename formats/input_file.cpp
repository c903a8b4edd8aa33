// Reading an input in blocks.
#include "formats/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>

namespace {

std::string ErrnoReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

CInputFile::~CInputFile() {
  if (m_fd >= 0) ::close(m_fd);
}

bool CInputFile::Open(const std::string& path, CDiagnostic* why) {
  if (m_fd >= 0) ::close(m_fd);
  m_path = path;
  m_size = 0;
  // O_NONBLOCK: a fifo without a writer would otherwise hang the open itself, before the check.
  m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (m_fd < 0) return Fail(why, ErrnoReason("cannot open", path));
  struct stat status {};
  if (::fstat(m_fd, &status) != 0) return Fail(why, ErrnoReason("cannot read", path));
  if (!S_ISREG(status.st_mode)) {
    ::close(m_fd);
    m_fd = -1;
    return Fail(why, "cannot read " + path + ": not a regular file");
  }
  m_size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool CInputFile::Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) {
  got = 0;
  if (m_fd < 0) return Fail(why, "cannot read " + m_path + ": the file is not open");
  for (;;) {
    const ssize_t count = ::read(m_fd, buffer, size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Fail(why, ErrnoReason("cannot read", m_path));
    got = static_cast<std::size_t>(count);
    return true;
  }
}

bool CByteSource::ReadAt(std::uint64_t, char*, std::size_t, CDiagnostic* why) {
  return Fail(why, "the file cannot be read again");
}

bool CInputFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size, CDiagnostic* why) {
  if (m_fd < 0) return Fail(why, "cannot read " + m_path + ": the file is not open");
  while (size > 0) {
    const ssize_t count = ::pread(m_fd, buffer, size, static_cast<off_t>(offset));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Fail(why, ErrnoReason("cannot read", m_path));
    // The bytes were there before: the file was cut while it was read.
    if (count == 0) return Fail(why, "cannot read " + m_path + ": the file changed while it was read");
    buffer += count;
    size -= static_cast<std::size_t>(count);
    offset += static_cast<std::uint64_t>(count);
  }
  return true;
}

bool CStreamSource::Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) {
  got = 0;
  if (!m_in.read(buffer, static_cast<std::streamsize>(size)) && m_in.bad())
    return Fail(why, "the file could not be read");
  got = static_cast<std::size_t>(m_in.gcount());
  return true;
}
