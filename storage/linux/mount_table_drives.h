// Removable drives from the kernel's mount table and sysfs, for machines without UDisks2.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/removable_drives.h"

// One line of /proc/self/mountinfo, with the octal escapes of its paths decoded.
struct SMountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;  // the folder of the file system that is mounted; "/" for the whole volume
  std::string mountPoint;
  std::string fsType;
  std::string source;
};

// Lines that do not have the documented shape are skipped.
std::vector<SMountEntry> ParseMountInfo(std::string_view text);

// Decodes the kernel's "\ooo" escapes (space, tab, line feed, backslash); other text is kept.
std::string DecodeMountField(std::string_view field);

// The mounted volumes whose disk is removable, sits on USB, or is an SD card in a built-in slot.
// Everything is read under a system root ("/" normally), so tests and `--sysroot` can point it
// at a fake tree holding proc/self/mountinfo, sys/... and the mounted volumes' files.
class CMountTableDrives : public CDriveAccess {
 public:
  explicit CMountTableDrives(std::string sysroot = "/");

  std::vector<CRemovableDrive> EnumerateRemovableDrives() override;
  bool IsMediaReady(const CRemovableDrive& drive) override;
  std::uint64_t QueryTotalFreeBytes(const CRemovableDrive& drive) override;
  // Flushes the volume; ejecting needs privileges this source does not ask for.
  EEjectResult RequestEject(const std::string& rootPath) override;
  bool CanMountRemovableMedia() const override { return false; }

 private:
  std::vector<SMountEntry> ReadMountTable() const;
  std::string UnderRoot(const std::string& path) const;
  bool IsRemovableDevice(unsigned major, unsigned minor, std::string& blockDevice) const;
  // The label udev found on the device's file system; empty when it has none.
  std::string VolumeLabel(const std::string& blockDevice) const;

  std::string m_sysroot;
};
