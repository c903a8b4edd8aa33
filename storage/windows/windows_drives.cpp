// Removable drives on Windows, decided on the answers of the storage interface.
#include "storage/windows/windows_drives.h"

#include <algorithm>

namespace {

// Explorer's own enumeration: drives are folder items, and the flags choose which classes of
// item come back, so no flag at all yields no drive.
constexpr std::uint32_t kContentFlags = kShellEnumFolders | kShellEnumNonFolders;
// Only the bits the decision needs: asking for every bit makes the shell probe each drive for
// all of them.
constexpr std::uint32_t kWantedAttributes = kShellRemovable | kShellCanRename;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The drives folder also holds items that are no volume (a phone, a media server) and may be
// removable too; only a drive root names a volume that the rest of the program can use.
bool IsDriveRoot(const std::string& name) {
  return name.size() == 3 && IsLetter(name[0]) && name[1] == ':' && name[2] == '\\';
}

// Closes the volume however the requests end.
class CVolume {
 public:
  CVolume(CWindowsStorageApi& api, char letter, EVolumeAccess access) : m_api(api) {
    m_error = api.OpenVolume(letter, access, m_handle);
  }
  ~CVolume() {
    if (m_error == kWin32Success) m_api.CloseVolume(m_handle);
  }
  CVolume(const CVolume&) = delete;
  CVolume& operator=(const CVolume&) = delete;

  std::uint32_t OpenError() const { return m_error; }
  std::uint32_t Control(EVolumeControl control) { return m_api.ControlVolume(m_handle, control); }

 private:
  CWindowsStorageApi& m_api;
  CWindowsStorageApi::VolumeHandle m_handle = 0;
  std::uint32_t m_error = kWin32Success;
};

}  // namespace

char DriveLetterOf(const std::string& root) {
  if (root.size() < 2 || root.size() > 3 || !IsLetter(root[0]) || root[1] != ':') return '\0';
  if (root.size() == 3 && root[2] != '\\' && root[2] != '/') return '\0';
  return Upper(root[0]);
}

std::vector<CRemovableDrive> CWindowsDrives::EnumerateRemovableDrives() {
  std::vector<SShellItem> items;
  if (!m_api.EnumerateDrivesFolder(kContentFlags, kWantedAttributes, items)) return {};
  std::vector<CRemovableDrive> drives;
  for (const SShellItem& item : items) {
    if (!item.attributesRead || (item.attributes & kWantedAttributes) != kWantedAttributes) continue;
    if (!item.nameRead || !IsDriveRoot(item.parsingName)) continue;
    const char letter = Upper(item.parsingName[0]);
    if (letter == 'A' || letter == 'B') continue;  // floppy drives
    CRemovableDrive drive;
    drive.rootPath = item.parsingName;
    SVolumeInformation volume;
    if (m_api.VolumeInformation(drive.rootPath, volume)) drive.label = volume.label;
    drives.push_back(std::move(drive));
  }
  std::stable_sort(drives.begin(), drives.end(), [](const CRemovableDrive& a, const CRemovableDrive& b) {
    return Upper(a.rootPath[0]) < Upper(b.rootPath[0]);
  });
  return drives;
}

bool CWindowsDrives::IsMediaReady(const CRemovableDrive& drive) {
  const char letter = DriveLetterOf(drive.rootPath);
  if (letter == '\0') return false;
  CVolume volume(m_api, letter, EVolumeAccess::kRead);
  std::uint32_t error = volume.OpenError();
  if (error == kWin32Success) error = volume.Control(EVolumeControl::kCheckVerify);
  return error == kWin32Success || error == kWin32SharingViolation;
}

std::uint64_t CWindowsDrives::QueryTotalFreeBytes(const CRemovableDrive& drive) {
  std::uint64_t bytes = 0;
  if (drive.rootPath.empty() || !m_api.FreeBytesAvailable(drive.rootPath, bytes)) return 0;
  return bytes;
}

EEjectResult CWindowsDrives::RequestEject(const std::string& rootPath) {
  const char letter = DriveLetterOf(rootPath);
  if (letter == '\0') return EEjectResult::Unsupported;
  CVolume volume(m_api, letter, EVolumeAccess::kReadWrite);
  switch (volume.OpenError()) {
    case kWin32Success:
      break;
    case kWin32AccessDenied:
    case kWin32SharingViolation:
      return EEjectResult::Refused;
    default:
      return EEjectResult::Unsupported;  // no such volume
  }
  std::uint32_t locked = volume.Control(EVolumeControl::kLock);
  for (int attempt = 1; locked != kWin32Success && attempt < kLockAttempts; ++attempt) {
    m_api.Pause(kLockPauseMs);
    locked = volume.Control(EVolumeControl::kLock);
  }
  if (locked != kWin32Success) return EEjectResult::Refused;
  if (volume.Control(EVolumeControl::kDismount) != kWin32Success) return EEjectResult::Refused;
  // A device that cannot lock its media refuses this too; the eject request then tells.
  volume.Control(EVolumeControl::kAllowRemoval);
  switch (volume.Control(EVolumeControl::kEject)) {
    case kWin32Success:
      return EEjectResult::Ejected;
    case kWin32InvalidFunction:
    case kWin32NotSupported:
      return EEjectResult::Unsupported;
    default:
      return EEjectResult::Refused;
  }
}

bool QueryVolumeType(CWindowsStorageApi& api, const std::string& path, SVolumeType& type) {
  SVolumeInformation volume;
  if (path.empty() || !api.VolumeInformation(path, volume)) return false;
  type.magic = 0;
  type.mountType = volume.fileSystem;
  return true;
}
