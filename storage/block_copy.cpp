// The copy of map region files in blocks of 64 KiB, with progress, cancellation and failure lines.
#include "storage/block_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "formats/atomic_file.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/output_folder.h"

namespace {

// One buffer for the whole run, shared by every copy, so that no block allocates anything.
alignas(4096) unsigned char g_block[kCopyBlockSize];

struct SCopyResult {
  std::uint64_t blocks = 0;
  bool replaced = false;    // the destination now holds this run's copy
  bool madeRoom = false;    // its older copy was removed before the new one was written
  std::uint64_t bytes = 0;  // the file's size, once copied whole
};

// Closes a descriptor on every way out of a copy.
class CDescriptor {
 public:
  explicit CDescriptor(int fd = -1) : m_fd(fd) {}
  ~CDescriptor() { Close(); }
  CDescriptor(const CDescriptor&) = delete;
  CDescriptor& operator=(const CDescriptor&) = delete;
  int Get() const { return m_fd; }
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int m_fd;
};

std::string ErrnoReason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Reads until size bytes are in or the file ends; got tells how many arrived.
bool ReadFull(int fd, unsigned char* data, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Our temporary files that earlier runs left in a folder: regular files of our name whose process
// is gone. A live process's file (another window, another command) is its own business.
void RemoveLeftovers(const std::string& folder) {
  DIR* entries = ::opendir(folder.empty() ? "." : folder.c_str());
  if (entries == nullptr) return;
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(entries)) {
    std::uint64_t owner = 0;
    if (!IsTemporaryName(entry->d_name, &owner)) continue;
    const auto process = static_cast<pid_t>(owner);
    const bool gone = process == ::getpid() || (::kill(process, 0) != 0 && errno == ESRCH);
    struct stat status {};
    const std::string path = folder + entry->d_name;
    if (gone && ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) leftovers.push_back(path);
  }
  ::closedir(entries);
  for (const std::string& path : leftovers) ::unlink(path.c_str());
}

// Flushes the folder entry of a renamed file. Some card file systems refuse to flush a folder;
// the blocks themselves are on the device already, so the answer is not needed.
void FlushFolderOf(const std::string& path) {
  const std::string folder = FolderPart(path);
  CDescriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0) ::fsync(fd.Get());
}

// Removes the destination's older copy when its volume cannot hold it and the new copy at once
// but can once it is gone. The copy still goes through a temporary file, so a failure leaves no
// partial file under the region's name. True when the older copy was removed.
bool MakeRoomFor(const std::string& destination, const struct stat& existing, std::uint64_t newSize) {
  if (!S_ISREG(existing.st_mode)) return false;
  const std::string folder = FolderPart(destination);
  struct statvfs volume {};
  if (::statvfs(folder.empty() ? "." : folder.c_str(), &volume) != 0) return false;
  const std::uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
  // Another name of the same file keeps its blocks in use.
  const std::uint64_t freed = existing.st_nlink == 1 ? static_cast<std::uint64_t>(existing.st_blocks) * 512 : 0;
  if (!MustMakeRoom(static_cast<std::uint64_t>(volume.f_bavail) * unit, unit, newSize, freed)) return false;
  return ::unlink(destination.c_str()) == 0;
}

// A file that is not copied: one line in the report, nothing copied.
SCopyResult Refuse(CReportSink& report, int messageId, const std::string& path, const std::string& reason) {
  report.AddReportLine(messageId, path, reason);
  return {};
}

SCopyResult CopyOne(const std::string& source, const std::string& destination, CCopyObserver* observer,
                    CReportSink& report) {
  if (observer != nullptr) {
    observer->OnFileStart(source);
    // The cancel question may have been answered while the observer dispatched messages.
    if (observer->IsCancelled()) return {};
  }

  // Non-blocking, so that a fifo given as a source cannot hold the open forever.
  CDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.Get() < 0) return Refuse(report, IDS_ERROR_LOADING, source, ErrnoReason("cannot open"));
  struct stat sourceStatus {};
  if (::fstat(in.Get(), &sourceStatus) != 0) {
    return Refuse(report, IDS_ERROR_LOADING, source, ErrnoReason("cannot read the status"));
  }
  if (!S_ISREG(sourceStatus.st_mode)) {
    return Refuse(report, IDS_ERROR_LOADING, source, "not a regular file");
  }

  // Root may write anything, so the read-only rule is checked on the mode bits themselves.
  const auto sourceSize = static_cast<std::uint64_t>(sourceStatus.st_size);
  bool madeRoom = false;
  struct stat existing {};
  if (::stat(destination.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) {
      return Refuse(report, IDS_ERROR_TRANSFERRING, destination, "it is a folder");
    }
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      return Refuse(report, IDS_ERROR_TRANSFERRING, destination, "the file is read-only");
    }
    // A region given as its own target must never lose the only copy there is.
    const bool sameFile = existing.st_dev == sourceStatus.st_dev && existing.st_ino == sourceStatus.st_ino;
    madeRoom = !sameFile && MakeRoomFor(destination, existing, sourceSize);
  }
  // What a failure costs after the older copy went: the source is still on the computer.
  const std::string lost = madeRoom ? "; its older copy had been removed to make room for it" : "";
  // The copy goes to a new file beside the destination and is renamed over it at the end, so a
  // failed or cancelled copy never costs the user the file that was there before (unless it had
  // to go to make room).
  std::string tempPath;
  int tempSlot = -1;
  platform::CFile out;
  if (!CreateTemporaryFile(destination, 0666, out, tempPath, tempSlot)) {
    report.AddReportLine(IDS_ERROR_TRANSFERRING, destination, ErrnoReason("cannot create") + lost);
    return {0, false, madeRoom};
  }

  std::uint64_t remaining = sourceSize;
  std::uint64_t count = 0;
  bool cancelled = false;
  std::string failure;
  while (failure.empty() && !cancelled && remaining > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min(remaining, kCopyBlockSize));
    std::size_t got = 0;
    if (!ReadFull(in.Get(), g_block, n, got)) {
      failure = ErrnoReason("cannot read");
    } else if (got != n) {
      failure = "the file became shorter during the copy";
    } else if (!out.Write(g_block, n)) {
      failure = ErrnoReason("cannot write");
    } else if (!out.SyncData()) {
      failure = ErrnoReason("cannot flush");
    } else if (observer != nullptr) {
      observer->OnBlockCopied();
      cancelled = observer->IsCancelled();
    }
    remaining -= n;
    ++count;
  }
  in.Close();
  if (failure.empty() && !cancelled && !out.Close()) failure = ErrnoReason("cannot close");
  if (failure.empty() && !cancelled && ::rename(tempPath.c_str(), destination.c_str()) != 0) {
    const std::string reason = ErrnoReason("cannot replace") + lost;
    ::unlink(tempPath.c_str());
    ReleaseTemporary(tempSlot);
    report.AddReportLine(IDS_ERROR_TRANSFERRING, destination, reason);
    return {0, false, madeRoom};
  }
  if (!failure.empty()) report.AddReportLine(IDS_ERROR_COPYING, source, failure + lost);
  if (!failure.empty() || cancelled) {
    out.Close();
    ::unlink(tempPath.c_str());
    ReleaseTemporary(tempSlot);
    return {0, false, madeRoom};
  }
  ReleaseTemporary(tempSlot);
  FlushFolderOf(destination);
  return {count, true, madeRoom, sourceSize};
}

}  // namespace

bool MustMakeRoom(std::uint64_t freeBytes, std::uint64_t unit, std::uint64_t newSize, std::uint64_t freedBytes) {
  if (unit == 0) unit = 1;
  const std::uint64_t units = newSize / unit + (newSize % unit != 0 ? 1 : 0);
  const std::uint64_t needed = units > UINT64_MAX / unit ? UINT64_MAX : units * unit;
  if (freeBytes >= needed) return false;
  return freedBytes >= needed - freeBytes;
}

std::uint64_t CountBlocks(const std::string& path) {
  struct stat status {};
  // A folder has no blocks to copy, whatever size its status shows.
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const auto size = static_cast<std::uint64_t>(status.st_size);
  return size / kCopyBlockSize + (size % kCopyBlockSize != 0 ? 1 : 0);
}

std::uint64_t CopyInBlocks(const std::string& source, const std::string& destination, CCopyObserver* observer,
                           CReportSink& report) {
  return CopyOne(source, destination, observer, report).blocks;
}

std::uint64_t RunTransfer(const CFilePairs& pairs, CCopyObserver* observer, CReportSink& report,
                          STransferOutcome* outcome) {
  std::uint64_t total = 0;
  if (observer == nullptr) {
    for (const auto& pair : pairs) total += CountBlocks(pair.source);
    return total;
  }
  std::set<std::string> folders;
  for (const auto& pair : pairs) folders.insert(FolderPart(pair.target));
  for (const std::string& folder : folders) RemoveLeftovers(folder);
  // Whether each target was there before the run: a cancel takes back only what the run added.
  std::vector<bool> existed;
  for (const auto& pair : pairs) {
    struct stat status {};
    existed.push_back(::stat(pair.target.c_str(), &status) == 0);
  }
  STransferOutcome result;
  SECFileSystem fileSystem;
  // A target's folder is made just before its first file is copied, and goes again at the end when
  // nothing stayed in it (a failed copy, or a cancel that took back what the run added).
  std::map<std::string, std::unique_ptr<COutputFolder>> targetFolders;
  for (std::size_t i = 0; i < pairs.Count(); ++i) {
    const std::string folder = FolderPart(pairs[i].target);
    if (!folder.empty()) {
      std::unique_ptr<COutputFolder>& output = targetFolders[folder];
      if (!output) output = std::make_unique<COutputFolder>(folder);
      if (!output->Prepare()) {
        report.AddReportLine(IDS_ERROR_TRANSFERRING, pairs[i].target, output->Reason());
        continue;
      }
    }
    const SCopyResult copy = CopyOne(pairs[i].source, pairs[i].target, observer, report);
    total += copy.blocks;
    result.bytes += copy.bytes;
    if (copy.madeRoom) result.madeRoom.push_back(pairs[i].target);
    if (copy.replaced) (existed[i] ? result.kept : result.removed).push_back(pairs[i].target);
    if (!observer->IsCancelled()) continue;
    result.cancelled = true;
    if (!copy.replaced) result.stopped = pairs[i].target;
    // A new file that cannot be removed is still there, whole: it counts as kept.
    std::vector<std::string> removed;
    for (std::string& target : result.removed) {
      (fileSystem.RemoveFile(target) ? removed : result.kept).push_back(std::move(target));
    }
    result.removed = std::move(removed);
    if (outcome != nullptr) *outcome = std::move(result);
    return 0;
  }
  // Only a cancel sorts the copies into kept and removed.
  result.kept.clear();
  result.removed.clear();
  if (outcome != nullptr) *outcome = std::move(result);
  return total;
}
