// The copy of map region files in blocks of 64 KiB, with progress, cancellation and failure lines.
#include "storage/block_copy.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "formats/atomic_file.h"
#include "platform/files.h"
#include "resources/string_ids.h"
#include "storage/disk_entries.h"
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

std::string Reason(const char* what, const std::string& error) { return std::string(what) + ": " + error; }

// Reads until size bytes are in or the file ends; got tells how many arrived.
bool ReadFull(platform::CFile& file, unsigned char* data, std::size_t size, std::size_t& got, std::string& error) {
  got = 0;
  while (got < size) {
    std::size_t part = 0;
    if (!file.Read(data + got, size - got, part, &error)) return false;
    if (part == 0) return true;
    got += part;
  }
  return true;
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Our temporary files that earlier runs left in a folder: regular files of our name whose process
// is gone. A live process's file (another window, another command) is its own business.
void RemoveLeftovers(const std::string& folder) {
  std::vector<std::string> names;
  if (!ListFolderNames(folder, names)) return;
  std::vector<std::string> leftovers;
  for (const std::string& name : names) {
    std::uint64_t owner = 0;
    if (!IsTemporaryName(name, &owner)) continue;
    const bool gone = owner == platform::ProcessId() || ProcessIsGone(owner);
    SEntryStatus status;
    const std::string path = folder + name;
    if (gone && QueryEntry(path, status, false) && status.regular) leftovers.push_back(path);
  }
  for (const std::string& path : leftovers) platform::RemoveFile(path);
}

// Removes the destination's older copy when its volume cannot hold it and the new copy at once
// but can once it is gone. The copy still goes through a temporary file, so a failure leaves no
// partial file under the region's name. True when the older copy was removed.
bool MakeRoomFor(const std::string& destination, const SEntryStatus& existing, std::uint64_t newSize) {
  if (!existing.regular) return false;
  std::uint64_t freeBytes = 0;
  std::uint64_t unit = 0;
  if (!QueryRoom(FolderPart(destination), freeBytes, unit)) return false;
  // Another name of the same file keeps its blocks in use.
  const std::uint64_t freed = existing.links == 1 ? existing.allocated : 0;
  if (!MustMakeRoom(freeBytes, unit, newSize, freed)) return false;
  return platform::RemoveFile(destination);
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

  // A fifo given as a source is refused without waiting for a writer.
  platform::CFile in;
  std::string error;
  const platform::CFile::EOpen opened = in.OpenForReading(source, &error);
  if (opened == platform::CFile::EOpen::kFailed)
    return Refuse(report, IDS_ERROR_LOADING, source, Reason("cannot open", error));
  if (opened == platform::CFile::EOpen::kNotRegular) {
    return Refuse(report, IDS_ERROR_LOADING, source, "not a regular file");
  }

  const std::uint64_t sourceSize = in.Size();
  bool madeRoom = false;
  SEntryStatus existing;
  if (QueryEntry(destination, existing)) {
    if (existing.folder) {
      return Refuse(report, IDS_ERROR_TRANSFERRING, destination, "it is a folder");
    }
    if (existing.readOnly) {
      return Refuse(report, IDS_ERROR_TRANSFERRING, destination, "the file is read-only");
    }
    // A region given as its own target must never lose the only copy there is.
    SEntryStatus sourceStatus;
    const bool sameFile = !QueryEntry(source, sourceStatus) ||
                          (existing.volume == sourceStatus.volume && existing.file == sourceStatus.file);
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
  if (!CreateTemporaryFile(destination, 0666, out, tempPath, tempSlot, &error)) {
    report.AddReportLine(IDS_ERROR_TRANSFERRING, destination, Reason("cannot create", error) + lost);
    return {0, false, madeRoom};
  }

  std::uint64_t remaining = sourceSize;
  std::uint64_t count = 0;
  bool cancelled = false;
  std::string failure;
  while (failure.empty() && !cancelled && remaining > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min(remaining, kCopyBlockSize));
    std::size_t got = 0;
    if (!ReadFull(in, g_block, n, got, error)) {
      failure = Reason("cannot read", error);
    } else if (got != n) {
      failure = "the file became shorter during the copy";
    } else if (!out.Write(g_block, n, &error)) {
      failure = Reason("cannot write", error);
    } else if (!out.SyncData(&error)) {
      failure = Reason("cannot flush", error);
    } else if (observer != nullptr) {
      observer->OnBlockCopied();
      cancelled = observer->IsCancelled();
    }
    remaining -= n;
    ++count;
  }
  in.Close();
  if (failure.empty() && !cancelled && !out.Close(&error)) failure = Reason("cannot close", error);
  if (failure.empty() && !cancelled && !platform::RenameOver(tempPath, destination, &error)) {
    const std::string reason = Reason("cannot replace", error) + lost;
    platform::RemoveFile(tempPath);
    ReleaseTemporary(tempSlot);
    report.AddReportLine(IDS_ERROR_TRANSFERRING, destination, reason);
    return {0, false, madeRoom};
  }
  if (!failure.empty()) report.AddReportLine(IDS_ERROR_COPYING, source, failure + lost);
  if (!failure.empty() || cancelled) {
    out.Close();
    platform::RemoveFile(tempPath);
    ReleaseTemporary(tempSlot);
    return {0, false, madeRoom};
  }
  ReleaseTemporary(tempSlot);
  FlushFolder(FolderPart(destination));
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
  platform::SFileStatus status;
  // A folder has no blocks to copy, whatever size its status shows.
  if (!platform::GetFileStatus(path, status) || !status.regular) return 0;
  const std::uint64_t size = status.size;
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
    platform::SFileStatus status;
    existed.push_back(platform::GetFileStatus(pair.target, status));
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
