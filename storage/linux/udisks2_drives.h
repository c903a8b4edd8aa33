// Removable drives as the desktop sees them, through the UDisks2 service on the system bus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/removable_drives.h"

class QCoreApplication;

// File systems that UDisks2 neither hides nor counts as the system's own: udisks clears
// HintSystem for drives with removable media or on USB, while built-in eMMC stays a system drive.
// Blocking calls only, so it works without a running event loop; QtDBus expects an application
// object, so one is made for a program that has none (the command-line tool) and kept as long as
// the drives are.
class CUDisks2Drives : public CDriveAccess {
 public:
  // Null when there is no system bus or the service does not answer.
  static std::unique_ptr<CUDisks2Drives> Connect();
  ~CUDisks2Drives() override;

  // Also mounts, without asking the user anything, a listed file system that is not mounted and
  // that the desktop would have mounted itself (HintAuto): the wizard asks the desktop not to
  // automount while it runs, so it does that part of the desktop's work.
  std::vector<CRemovableDrive> EnumerateRemovableDrives() override;
  bool IsMediaReady(const CRemovableDrive& drive) override;
  std::uint64_t QueryTotalFreeBytes(const CRemovableDrive& drive) override;
  // Unmounts every mounted file system of the drive, then ejects it or powers it off.
  EEjectResult RequestEject(const std::string& rootPath) override;
  bool CanMountRemovableMedia() const override { return true; }

 private:
  CUDisks2Drives() = default;
  std::unique_ptr<QCoreApplication> m_application;
  struct SFileSystem;
  std::vector<SFileSystem> ListFileSystems(bool* answered = nullptr) const;
};
