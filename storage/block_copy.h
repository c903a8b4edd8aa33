// The copy of map region files in blocks of 64 KiB, with progress, cancellation and failure lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/file_pairs.h"
#include "storage/report_sink.h"

// Told of each file and each block as the copy goes, and asked after each block whether the
// user has cancelled. The map transfer page implements it; its callbacks keep the window alive
// and must not start another copy (all copies share one block buffer).
class CCopyObserver {
 public:
  virtual ~CCopyObserver() = default;
  virtual void OnFileStart(const std::string& source) = 0;
  virtual void OnBlockCopied() = 0;
  virtual bool IsCancelled() = 0;
};

inline constexpr std::uint64_t kCopyBlockSize = 65536;

// The number of 64 KiB blocks of a file (the last one may be short); 0 when it cannot be read.
std::uint64_t CountBlocks(const std::string& path);

// Copies one file block by block, each block on the device before the next is read. Answers
// the blocks copied; 0 for an empty file, a failure (one line in the report) or a cancel. The
// destination is replaced only once the whole file is there: a failed or cancelled copy leaves
// no partial file, and whatever the destination held before unless its volume had no room for
// both copies (see RunTransfer).
std::uint64_t CopyInBlocks(const std::string& source, const std::string& destination, CCopyObserver* observer,
                           CReportSink& report);

// Whether the older copy of a file must go before its new copy is written: its volume, with
// freeBytes free in allocation units of unit bytes, cannot hold the new copy of newSize bytes
// beside the older one, but can once the older one's freedBytes are released. When even that
// is not enough, the older copy stays and the copy fails for want of space.
bool MustMakeRoom(std::uint64_t freeBytes, std::uint64_t unit, std::uint64_t newSize, std::uint64_t freedBytes);

// What a transfer did beyond copying.
struct STransferOutcome {
  // Targets whose older copy was removed just before the new copy started, as their volume could
  // not hold both (a card full of maps being updated); the regions are still on the computer.
  std::vector<std::string> madeRoom;
  // The bytes of the files copied whole.
  std::uint64_t bytes = 0;
  // After a cancel:
  bool cancelled = false;
  std::vector<std::string> kept;     // complete copies that replaced an older copy of themselves
  std::vector<std::string> removed;  // complete copies of files that were not there before the run
  std::string stopped;               // the target being copied: whatever it held before stays, unless in madeRoom
};

// Without an observer: the blocks of all sources, for the progress range; nothing is copied.
// With one: first removes our temporary files left by earlier runs (only regular files with our
// prefix, of processes that no longer run) from the folders it is about to write, then copies
// every pair in order and answers the blocks copied. A target's folder is made (with its missing
// levels) only when its first file is about to be copied, and goes again at the end when nothing
// stayed in it. A target whose volume cannot hold its older
// and its new copy at once loses the older one just before the new one is written (see
// MustMakeRoom); otherwise the older copy stays until the new one is whole. A cancel answers 0:
// the copy in progress is dropped, the files this run newly created are removed, and those it
// replaced stay (each holds the new, whole copy; removing it would leave neither the old nor the
// new one). `outcome`, when given, says which was which.
std::uint64_t RunTransfer(const CFilePairs& pairs, CCopyObserver* observer, CReportSink& report,
                          STransferOutcome* outcome = nullptr);
