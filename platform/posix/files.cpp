// Files through the POSIX calls.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {

namespace {

bool Failed(std::string* error) {
  if (error != nullptr) *error = LastErrorText();
  return false;
}

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// Writes all `size` bytes: at `offset` when one is given, else where the file stands. False with
// errno set when the system wrote no more.
bool WriteWhole(int fd, const char* bytes, std::size_t size, std::optional<std::uint64_t> offset) {
  while (size > 0) {
    const ssize_t written = offset ? ::pwrite(fd, bytes, size, static_cast<off_t>(*offset)) : ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
    if (offset) *offset += static_cast<std::uint64_t>(written);
  }
  return true;
}

}  // namespace

const std::string_view kPathSeparators = "/";
const char kFolderSeparator = '/';

std::string LastErrorText() { return std::strerror(errno); }

bool GetFileStatus(const std::string& path, SFileStatus& status, std::string* error) {
  struct stat found {};
  if (::stat(path.c_str(), &found) != 0) return Failed(error);
  status.folder = S_ISDIR(found.st_mode);
  status.regular = S_ISREG(found.st_mode);
  status.size = static_cast<std::uint64_t>(found.st_size);
  status.mode = found.st_mode & 07777;
  return true;
}

bool IsWritable(const std::string& path, std::string* error) {
  return ::access(path.c_str(), W_OK) == 0 || Failed(error);
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  return ::rename(from.c_str(), to.c_str()) == 0 || Failed(error);
}

bool RemoveFile(const std::string& path, std::string* error) { return ::unlink(path.c_str()) == 0 || Failed(error); }

void RemoveFileNow(const char* path) noexcept { ::unlink(path); }

// Only system calls, for the signal handler. Entries removed while the folder is read may hide
// others, so it is read again until a pass removes nothing.
void RemoveFolderOfFilesNow(const char* path) noexcept {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int pass = 0; fd >= 0 && pass < 64 && ::lseek(fd, 0, SEEK_SET) == 0; ++pass) {
    alignas(dirent64) char entries[4096];
    bool removed = false;
    for (ssize_t size; (size = ::getdents64(fd, entries, sizeof entries)) > 0;) {
      for (ssize_t at = 0; at < size;) {
        const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
        const char* name = entry->d_name;
        const bool dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
        if (!dots && ::unlinkat(fd, name, 0) == 0) removed = true;
        at += entry->d_reclen;
      }
    }
    if (!removed) break;
  }
  if (fd >= 0) ::close(fd);
  ::rmdir(path);
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

bool OverwritesAreUnreliable(const std::string& folder) {
  // The file system type of every volume in user space (fuse and fuseblk alike).
  constexpr decltype(statfs::f_type) kUserSpaceVolume = 0x65735546;
  struct statfs volume {};
  return ::statfs(folder.c_str(), &volume) == 0 && volume.f_type == kUserSpaceVolume;
}

std::size_t MaxNameLength(const std::string& folder) {
  // The folder's own limit, never more than the system's: some file systems report a limit in
  // bytes of their own encoding that the system's name handling does not reach.
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit <= 0 || limit > NAME_MAX ? NAME_MAX : static_cast<std::size_t>(limit);
}

unsigned DefaultFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::uint64_t ProcessId() { return static_cast<std::uint64_t>(::getpid()); }

CFile::~CFile() { Close(); }

CFile::CFile(CFile&& other) noexcept : m_handle(other.m_handle), m_size(other.m_size) { other.m_handle = -1; }

CFile& CFile::operator=(CFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = other.m_handle;
    m_size = other.m_size;
    other.m_handle = -1;
  }
  return *this;
}

bool CFile::IsOpen() const { return m_handle >= 0; }

CFile::EOpen CFile::OpenForReading(const std::string& path, std::string* error) {
  Close();
  m_size = 0;
  // O_NONBLOCK: a fifo without a writer would otherwise hang the open itself, before the check.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Failed(error), EOpen::kFailed;
  m_handle = fd;
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    Failed(error);
    Close();
    return EOpen::kFailed;
  }
  if (!S_ISREG(status.st_mode)) {
    Close();
    return EOpen::kNotRegular;
  }
  m_size = static_cast<std::uint64_t>(status.st_size);
  return EOpen::kOpened;
}

CFile::ECreate CFile::CreateNew(const std::string& path, unsigned mode, std::string* error) {
  Close();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    const bool exists = errno == EEXIST;
    Failed(error);
    return exists ? ECreate::kExists : ECreate::kFailed;
  }
  m_handle = fd;
  return ECreate::kCreated;
}

CFile::ECreate CFile::CreateScratch(const std::string& path, std::string* error) {
  const ECreate created = CreateNew(path, 0600, error);
  // Gone from the folder at once; the open descriptor keeps its blocks until it is closed.
  if (created == ECreate::kCreated) ::unlink(path.c_str());
  return created;
}

bool CFile::Read(void* data, std::size_t size, std::size_t& got, std::string* error) {
  got = 0;
  for (;;) {
    const ssize_t count = ::read(Descriptor(m_handle), data, size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Failed(error);
    got = static_cast<std::size_t>(count);
    return true;
  }
}

bool CFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got, std::string* error) {
  got = 0;
  char* bytes = static_cast<char*>(data);
  while (got < size) {
    const ssize_t count = ::pread(Descriptor(m_handle), bytes + got, size - got, static_cast<off_t>(offset + got));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Failed(error);
    if (count == 0) break;
    got += static_cast<std::size_t>(count);
  }
  return true;
}

bool CFile::Write(const void* data, std::size_t size, std::string* error) {
  return WriteWhole(Descriptor(m_handle), static_cast<const char*>(data), size, std::nullopt) || Failed(error);
}

bool CFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string* error) {
  return WriteWhole(Descriptor(m_handle), static_cast<const char*>(data), size, offset) || Failed(error);
}

void CFile::SetMode(unsigned mode) { ::fchmod(Descriptor(m_handle), static_cast<mode_t>(mode)); }

bool CFile::Sync(std::string* error) { return ::fsync(Descriptor(m_handle)) == 0 || Failed(error); }

bool CFile::SyncData(std::string* error) { return ::fdatasync(Descriptor(m_handle)) == 0 || Failed(error); }

bool CFile::Close(std::string* error) {
  if (m_handle < 0) return true;
  const int fd = Descriptor(m_handle);
  m_handle = -1;
  return ::close(fd) == 0 || Failed(error);
}

}  // namespace platform
