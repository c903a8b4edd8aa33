// The platform's removable drives behind one small interface: listing, media test, free space, eject.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One removable volume as the drive sources see it. rootPath is the volume's mount point, the
// counterpart of a drive root such as "E:\"; the other fields let a source find the device again.
struct CRemovableDrive {
  std::string rootPath;
  std::string blockDevice;       // /dev/sdb1
  std::string driveObject;       // UDisks2 drive object path; empty without UDisks2
  std::string filesystemObject;  // UDisks2 block object carrying the file system; empty without UDisks2
  std::string label;             // the file system's label; empty when it has none
};

// What an eject request achieved. On Linux ejecting unmounts, so a refusal (busy, not authorised)
// or a source that cannot eject is not an error: the data was flushed, the user is shown a hint.
enum class EEjectResult { Ejected, Refused, Unsupported };

// The one small interface over the platform's removable drives.
class CDriveAccess {
 public:
  virtual ~CDriveAccess() = default;
  // Removable volumes in a stable order (by mount point), floppy drives left out.
  virtual std::vector<CRemovableDrive> EnumerateRemovableDrives() = 0;
  virtual bool IsMediaReady(const CRemovableDrive& drive) = 0;
  // Bytes available to the user; 0 on failure.
  virtual std::uint64_t QueryTotalFreeBytes(const CRemovableDrive& drive) = 0;
  // Flushes the volume mounted at rootPath and asks its device to eject.
  virtual EEjectResult RequestEject(const std::string& rootPath) = 0;
  // True when listing may mount a volume that the desktop would have mounted itself.
  virtual bool CanMountRemovableMedia() const = 0;
};

// UDisks2 when it answers on the system bus and sysroot is "/", otherwise the mount table read
// under sysroot (a fake tree in tests, like `lsblk --sysroot`).
std::unique_ptr<CDriveAccess> CreateDriveAccess(const std::string& sysroot = "/");
