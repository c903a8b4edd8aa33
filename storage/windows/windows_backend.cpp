// The storage calls the rest of the program makes, answered on Windows by the Windows backend.
#include <memory>

#include "storage/installations.h"
#include "storage/removable_drives.h"
#include "storage/volume_limits.h"
#include "storage/windows/storage_api.h"
#include "storage/windows/windows_drives.h"
#include "storage/windows/windows_installations.h"

// A system root names a Linux tree to read the drives under; Windows has no such tree, and the
// shell's list is the only one.
std::unique_ptr<CDriveAccess> CreateDriveAccess(const std::string& /*sysroot*/) {
  return std::make_unique<CWindowsDrives>(Win32StorageApi());
}

bool QueryVolumeType(const std::string& path, SVolumeType& type) {
  return QueryVolumeType(Win32StorageApi(), path, type);
}

// The desktop product runs on this Windows itself: there is no Wine prefix (Prefix() is empty), and
// the registry is Windows' own.
CDesktopInstallations::CDesktopInstallations(std::string /*winePrefix*/) {}

std::vector<std::string> CDesktopInstallations::FindRegionFolders(std::string* searchRoot) const {
  return CWindowsInstallations(Win32StorageApi()).FindRegionFolders(searchRoot);
}

std::string CDesktopInstallations::DesktopDocumentsFolder() const {
  return CWindowsInstallations(Win32StorageApi()).DesktopDocumentsFolder();
}
