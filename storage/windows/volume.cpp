// The volume calls on Windows.
#include "storage/volume.h"

#include <windows.h>

#include "platform/files.h"
#include "storage/disk_entries.h"
#include "storage/volume_limits.h"
#include "storage/windows/storage_api.h"
#include "storage/windows/wide_text.h"

// Every file is flushed before its rename, and the rename is written through to the device (see
// platform::RenameOver): the volume holds nothing of ours still to write. Flushing the whole
// volume would need the administrator's rights.
bool SyncVolume(const std::string& path) {
  SEntryStatus status;
  return QueryEntry(path, status);
}

std::uint64_t AvailableBytes(const std::string& path) {
  std::uint64_t bytes = 0;
  if (path.empty() || !Win32StorageApi().FreeBytesAvailable(path, bytes)) return 0;
  return bytes;
}

// Windows looks names up without regard to letter case on every volume it writes.
bool IgnoresLetterCase(const std::string& folder) {
  SEntryStatus status;
  return QueryEntry(folder, status) && status.folder;
}

std::size_t MaxNameLength(const std::string& folder) { return platform::MaxNameLength(folder); }
