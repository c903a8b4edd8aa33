// Removable drives on Windows: the shell's drive list, the media check, free space and eject,
// decided on the answers of the storage interface.
#pragma once

#include <string>
#include <vector>

#include "storage/removable_drives.h"
#include "storage/volume_limits.h"
#include "storage/windows/storage_api.h"

// The drive letter of a drive root ("E:\", "E:"), upper-cased; '\0' for any other text.
char DriveLetterOf(const std::string& root);

// The removable drives that Explorer shows under This PC, by drive root ("E:\"); floppy drives
// A: and B: left out.
class CWindowsDrives final : public CDriveAccess {
 public:
  // Locking waits out a program that still holds a file on the volume for a moment.
  static constexpr int kLockAttempts = 5;
  static constexpr unsigned kLockPauseMs = 200;

  explicit CWindowsDrives(CWindowsStorageApi& api) : m_api(api) {}

  std::vector<CRemovableDrive> EnumerateRemovableDrives() override;
  // Media is there when the volume answers the media check, or when another program holds the
  // volume so that it cannot even be opened.
  bool IsMediaReady(const CRemovableDrive& drive) override;
  std::uint64_t QueryTotalFreeBytes(const CRemovableDrive& drive) override;
  // Locks the volume (which flushes it), dismounts it, allows removal and ejects the media. A
  // volume that another program uses is left as it is: Refused.
  EEjectResult RequestEject(const std::string& rootPath) override;
  // Windows mounts removable volumes itself.
  bool CanMountRemovableMedia() const override { return false; }

 private:
  CWindowsStorageApi& m_api;
};

// The file system of the volume holding path; false when Windows cannot tell.
bool QueryVolumeType(CWindowsStorageApi& api, const std::string& path, SVolumeType& type);
