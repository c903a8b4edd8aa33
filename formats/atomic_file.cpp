// Safe replacement of a file through a temporary file and a rename.
#include "formats/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

// The file system type of every volume in user space (fuse and fuseblk alike).
constexpr decltype(statfs::f_type) kUserSpaceVolume = 0x65735546;

// A handful of temporary files are alive at a time (one per file being written, the staging
// folder); the slots leave room for many more.
constexpr int kSlots = 32;
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotLive = 2;

struct STemporarySlot {
  std::atomic<int> state{kSlotFree};
  bool folder = false;
  char path[PATH_MAX] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' state");

STemporarySlot g_slots[kSlots];
std::atomic<unsigned> g_nextNumber{0};

int Register(const std::string& path, bool folder) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kSlotFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].folder = folder;
    g_slots[i].state.store(kSlotLive, std::memory_order_release);
    return i;
  }
  return -1;
}

// The files directly in a folder, then the folder; only system calls, for the signal handler.
// Entries removed while the folder is read may hide others, so it is read again until a pass
// removes nothing.
void RemoveFolderOfFiles(const char* path) noexcept {
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

// Where a file for a volume in user space is built: the system's temporary folder, as for the
// job's staged files.
std::string StagingFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

bool IsInUserSpace(const std::string& folder) {
  struct statfs volume {};
  return ::statfs(folder.c_str(), &volume) == 0 && volume.f_type == kUserSpaceVolume;
}

bool ReadAll(int fd, std::uint64_t offset, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;
      return false;
    }
    data += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
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
  m_unstaged = false;
  struct stat existing {};
  const bool exists = ::stat(m_targetPath.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return Fail(why, "cannot write " + m_targetPath + ": it is a folder");
  if (exists && ::access(m_targetPath.c_str(), W_OK) != 0) return Fail(why, ErrnoText("cannot write", m_targetPath));

  m_fd = CreateTemporaryFile(m_targetPath, 0600, m_tempPath, m_tempSlot);
  if (m_fd < 0) return Fail(why, ErrnoText("cannot create a temporary file in", FolderPart(m_targetPath)));
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(m_fd, mode);
  // Without a temporary folder to build it in, the file is written in place front to back, and
  // cannot be written over.
  if (IsInUserSpace(FolderPart(m_targetPath))) {
    const int staged =
        CreateTemporaryFile(StagingFolder() + '/' + NamePart(m_targetPath), 0600, m_stagedPath, m_stagedSlot);
    m_unstaged = staged < 0;
    if (staged >= 0) {
      m_targetFd = m_fd;
      m_fd = staged;
    }
  }
  m_buffer.reserve(kBufferSize);
  return true;
}

bool CAtomicFile::FlushBuffer(CDiagnostic* why) {
  if (!WriteAll(m_fd, m_buffer.data(), m_buffer.size(), why)) return false;
  m_buffer.clear();
  return true;
}

bool CAtomicFile::WriteAll(int fd, const char* data, std::size_t left, CDiagnostic* why) {
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
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
      if (!WriteAll(m_fd, bytes, size, why)) return false;
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
  if (m_unstaged) {
    m_failed = true;
    return Fail(why, "cannot write " + m_targetPath + ": no room to build it in " + StagingFolder() +
                         ", and its volume cannot be written over");
  }
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
  if (!ReadAll(m_fd, offset, static_cast<char*>(data), size))
    return Fail(why, ErrnoText("cannot read back", m_targetPath));
  return true;
}

bool CAtomicFile::Commit(CDiagnostic* why) {
  if (!m_sealed && !Seal(why)) return false;
  return RenameSealed(why);
}

bool CAtomicFile::Seal(CDiagnostic* why) {
  if (m_fd < 0 || m_failed) {
    Discard();
    return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  }
  if (!FlushBuffer(why) || (m_targetFd >= 0 && !CopyStaged(why))) {
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
    Discard();
    return Fail(why, reason);
  }
  m_sealed = true;
  return true;
}

bool CAtomicFile::CopyStaged(CDiagnostic* why) {
  std::vector<char> block(kBufferSize);
  for (std::uint64_t at = 0; at < m_size;) {
    const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), m_size - at));
    if (!ReadAll(m_fd, at, block.data(), part)) return Fail(why, ErrnoText("cannot read back", m_targetPath));
    if (!WriteAll(m_targetFd, block.data(), part, why)) return false;
    at += part;
  }
  ::close(m_fd);
  m_fd = m_targetFd;
  m_targetFd = -1;
  ::unlink(m_stagedPath.c_str());
  m_stagedPath.clear();
  ReleaseTemporary(m_stagedSlot);
  return true;
}

bool CAtomicFile::RenameSealed(CDiagnostic* why) {
  m_sealed = false;
  if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
    const std::string reason = ErrnoText("cannot replace", m_targetPath);
    Discard();
    return Fail(why, reason);
  }
  m_tempPath.clear();
  ReleaseTemporary(m_tempSlot);
  return true;
}

void CAtomicFile::Discard() {
  for (int* fd : {&m_fd, &m_targetFd}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  for (std::string* path : {&m_tempPath, &m_stagedPath}) {
    if (!path->empty()) ::unlink(path->c_str());
    path->clear();
  }
  ReleaseTemporary(m_tempSlot);
  ReleaseTemporary(m_stagedSlot);
  m_buffer.clear();
}

std::string TemporaryPathFor(const std::string& target, unsigned n) {
  const std::string folder = FolderPart(target);
  std::string name = NamePart(target);
  const std::string head = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + '.' + std::to_string(n) + '.';
  // The folder's own limit, never more than the system's: some file systems report a limit in
  // bytes of their own encoding that the system's name handling does not reach.
  long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (limit <= 0 || limit > NAME_MAX) limit = NAME_MAX;
  const auto room = static_cast<std::size_t>(limit);
  if (head.size() >= room) {
    errno = ENAMETOOLONG;
    return {};
  }
  if (head.size() + name.size() > room) {
    std::size_t keep = room - head.size();
    // Not in the middle of a UTF-8 character: a FAT volume refuses a name that is not valid.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    name.resize(keep);
  }
  return (folder == "/" ? folder : folder + '/') + head + name;
}

bool IsTemporaryName(const std::string& name, pid_t* pid) {
  constexpr std::size_t prefixLength = sizeof kTemporaryPrefix - 1;
  if (name.compare(0, prefixLength, kTemporaryPrefix) != 0) return false;
  // Two runs of digits, each followed by a dot: the process and the attempt number.
  std::size_t at = prefixLength;
  long long process = 0;
  for (int field = 0; field < 2; ++field) {
    const std::size_t start = at;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - start < 10) {
      if (field == 0) process = process * 10 + (name[at] - '0');
      ++at;
    }
    if (at == start || at >= name.size() || name[at] != '.') return false;
    ++at;
  }
  if (pid != nullptr) *pid = static_cast<pid_t>(process);
  return true;
}

int CreateTemporaryFile(const std::string& target, mode_t mode, std::string& path, int& slot) {
  ReleaseTemporary(slot);
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = TemporaryPathFor(target, g_nextNumber.fetch_add(1));
    if (path.empty()) return -1;
    // Registered before it exists: an interrupt between the two removes nothing of anyone else's,
    // as no other process makes names with our process id.
    slot = Register(path, false);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    const int error = errno;
    ReleaseTemporary(slot);
    errno = error;
    if (error != EEXIST) break;
  }
  path.clear();
  return -1;
}

int RegisterTemporaryFolder(const std::string& path) { return Register(path, true); }

void ReleaseTemporary(int& slot) {
  if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(kSlotFree, std::memory_order_release);
  slot = -1;
}

void RemoveRegisteredTemporaries() noexcept {
  for (STemporarySlot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) != kSlotLive) continue;
    if (slot.folder) {
      RemoveFolderOfFiles(slot.path);
    } else {
      ::unlink(slot.path);
    }
  }
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
