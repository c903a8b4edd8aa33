// The unit: which removable drive it is, the names of its folders, and putting files onto it.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "formats/diagnostic.h"
#include "storage/removable_drives.h"

// The Norvantis unit, one record for the whole application. `drive` is the unit volume's mount
// point (the counterpart of "E:"); the unit names itself in USBTRANS/UNIT_ID.DAT and lists its
// (possibly translated) folder names in USBTRANS/LANGUAGE.DAT. Names on the volume are matched
// whatever their letter case, as the unit's FAT volume does.
class CUnitDevice {
 public:
  // Folder kinds, the index of GetUnitFolder.
  static constexpr int kBackgroundMaps = 0;
  static constexpr int kDetailMaps = 1;
  static constexpr int kPointsOfInterest = 2;
  static constexpr int kRoutes = 3;
  static constexpr int kTrackLogs = 4;
  static constexpr int kFolderCount = 5;

  explicit CUnitDevice(CDriveAccess* drives = nullptr);
  void SetDriveAccess(CDriveAccess* drives);

  // One detection pass over the removable drives, filling drives (if given) with the mount point
  // of every ready one. With no unit found, `drive` keeps the last ready drive of the pass (or its
  // former value when none was ready): the map job relies on it to name the card reader.
  bool FindUnit(std::vector<std::string>* drives = nullptr);
  // How the user knows a ready drive of the last pass: the unit's model when it is a unit, else its
  // volume label; empty when it has neither or the pass did not see it.
  std::string DriveName(const std::string& rootPath) const;
  bool CheckIdentity();
  bool LookupIdentity(const std::string& key, std::string& value) const;
  // The folder of a kind, read afresh from the language file; joined with `drive` when asked.
  std::string GetUnitFolder(int index, bool withDrive);
  // Copies safely (the old file survives a failure) and flushes the file and the unit's volume.
  // It does not eject: on Linux ejecting unmounts the volume, and the next copy of the same job
  // would fail. Call RequestEject once at the end of a job that put files on the unit.
  bool CopyFileToUnit(const std::string& source, const std::string& destination, CDiagnostic* why = nullptr);
  EEjectResult RequestEject();

  const std::string& Drive() const { return m_drive; }
  void SetDrive(const std::string& drive) { m_drive = drive; }

 private:
  std::string TransferFilePath(const char* fileName) const;

  CDriveAccess* m_drives = nullptr;
  std::string m_drive;
  std::vector<std::string> m_identityKeys;
  std::vector<std::string> m_identityValues;
  std::string m_languagePath;
  std::string m_identityPath;
  std::array<std::string, kFolderCount> m_folderNames;
  std::map<std::string, std::string> m_driveNames;
};
