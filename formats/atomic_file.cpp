// Safe replacement of a file through a temporary file and a rename.
#include "formats/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

std::string FolderPart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

CAtomicFile::CAtomicFile(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::Open(CDiagnostic* why) {
  Discard();
  m_failed = false;
  m_size = 0;
  m_sealed = false;
  struct stat existing {};
  const bool exists = ::stat(m_targetPath.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return Fail(why, "cannot write " + m_targetPath + ": it is a folder");
  if (exists && ::access(m_targetPath.c_str(), W_OK) != 0) return Fail(why, ErrnoText("cannot write", m_targetPath));

  std::string pattern = FolderPart(m_targetPath) + "/." + NamePart(m_targetPath) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  m_fd = ::mkstemp(name.data());
  if (m_fd < 0) return Fail(why, ErrnoText("cannot create a temporary file in", FolderPart(m_targetPath)));
  m_tempPath.assign(name.data());
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(m_fd, mode);
  m_buffer.reserve(kBufferSize);
  return true;
}

bool CAtomicFile::FlushBuffer(CDiagnostic* why) {
  if (!WriteAll(m_buffer.data(), m_buffer.size(), why)) return false;
  m_buffer.clear();
  return true;
}

bool CAtomicFile::WriteAll(const char* data, std::size_t left, CDiagnostic* why) {
  while (left > 0) {
    const ssize_t written = ::write(m_fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_failed = true;
      if (written == 0) errno = EIO;
      return Fail(why, ErrnoText("cannot write", m_targetPath));
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CAtomicFile::Write(const void* data, std::size_t size, CDiagnostic* why) {
  if (m_fd < 0 || m_failed) return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  const char* bytes = static_cast<const char*>(data);
  if (m_buffer.size() + size > kBufferSize) {
    if (!FlushBuffer(why)) return false;
    // A large block goes straight from the caller's memory: no second copy of it.
    if (size >= kBufferSize) {
      if (!WriteAll(bytes, size, why)) return false;
      m_size += size;
      return true;
    }
  }
  m_buffer.append(bytes, size);
  m_size += size;
  return true;
}

bool CAtomicFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, CDiagnostic* why) {
  if (m_fd < 0 || m_failed) return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  if (offset > m_size || size > m_size - offset) return Fail(why, "cannot write " + m_targetPath + " beyond its end");
  if (!FlushBuffer(why)) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::pwrite(m_fd, bytes, size, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_failed = true;
      if (written == 0) errno = EIO;
      return Fail(why, ErrnoText("cannot write", m_targetPath));
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
    offset += static_cast<std::uint64_t>(written);
  }
  return true;
}

bool CAtomicFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, CDiagnostic* why) {
  if (m_fd < 0 || m_failed) return Fail(why, "cannot read " + m_targetPath + ": the file is not open");
  if (offset > m_size || size > m_size - offset) return Fail(why, "cannot read " + m_targetPath + " beyond its end");
  if (!FlushBuffer(why)) return false;
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;
      return Fail(why, ErrnoText("cannot read back", m_targetPath));
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool CAtomicFile::Commit(CDiagnostic* why) {
  if (m_sealed) return RenameSealed(why);
  if (m_fd < 0 || m_failed) {
    Discard();
    return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  }
  if (!FlushBuffer(why)) {
    Discard();
    return false;
  }
  if (::fsync(m_fd) != 0) {
    const std::string reason = ErrnoText("cannot flush", m_targetPath);
    Discard();
    return Fail(why, reason);
  }
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    const std::string reason = ErrnoText("cannot close", m_targetPath);
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return Fail(why, reason);
  }
  if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
    const std::string reason = ErrnoText("cannot replace", m_targetPath);
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return Fail(why, reason);
  }
  m_tempPath.clear();
  return true;
}

bool CAtomicFile::Seal(CDiagnostic* why) {
  if (m_fd < 0 || m_failed) {
    Discard();
    return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  }
  if (!FlushBuffer(why)) {
    Discard();
    return false;
  }
  if (::fsync(m_fd) != 0) {
    const std::string reason = ErrnoText("cannot flush", m_targetPath);
    Discard();
    return Fail(why, reason);
  }
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    const std::string reason = ErrnoText("cannot close", m_targetPath);
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return Fail(why, reason);
  }
  m_sealed = true;
  return true;
}

bool CAtomicFile::RenameSealed(CDiagnostic* why) {
  m_sealed = false;
  if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
    const std::string reason = ErrnoText("cannot replace", m_targetPath);
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return Fail(why, reason);
  }
  m_tempPath.clear();
  return true;
}

void CAtomicFile::Discard() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_tempPath.empty()) {
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
  }
  m_buffer.clear();
}

bool ReplaceAtomicFilePrefix(std::unique_ptr<CAtomicFile>& file, std::uint64_t oldSize, const void* data,
                             std::size_t size, CDiagnostic* why) {
  if (size == oldSize) return file->WriteAt(0, data, size, why);
  auto moved = std::make_unique<CAtomicFile>(file->GetTargetPath());
  if (!moved->Open(why) || !moved->Write(data, size, why)) return false;
  std::vector<char> block(kBufferSize);
  for (std::uint64_t at = oldSize; at < file->GetSize();) {
    const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), file->GetSize() - at));
    if (!file->ReadAt(at, block.data(), part, why) || !moved->Write(block.data(), part, why)) return false;
    at += part;
  }
  file = std::move(moved);
  return true;
}
