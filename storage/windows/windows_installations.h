// The desktop product's installations on Windows, found in the registry through the storage
// interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/windows/storage_api.h"

// An absolute Windows path in one spelling: "/" turned into "\", "\\?\" dropped, "." and ".."
// resolved (never above the drive's root or the share), no separator doubled or at the end but
// after a drive ("C:\"). "C:x" counts as "C:\x". Empty for a relative path ("x", "\x") or a UNC
// path without server or share: those name no folder of their own.
std::string NormalizeWindowsPath(std::string_view path);

// The installations are the keys under "SOFTWARE\Tavrelin" whose names begin with "Vexlorn", each
// with a value "Path": the local machine's, in its native view and then in the view of 32-bit
// programs (where the 32-bit product writes), each view from its last subkey to its first; the
// current user's only when the machine has none in either view. Each key is opened on the local
// machine if it is there, else on the current user, and its "Path" read from that one key.
// Nothing is cached: every call reads the registry again. The same rules as the Linux build's
// reading of a Wine prefix.
class CWindowsInstallations {
 public:
  explicit CWindowsInstallations(CWindowsStorageApi& api) : m_api(api) {}

  // The installations' folders in search order, each once (whatever its spelling); searchRoot
  // (if given) becomes the first of them when there is one. Without any installation but with the
  // product's key present, the default installation folder is used if it exists.
  std::vector<std::string> FindRegionFolders(std::string* searchRoot = nullptr) const;
  // The "Docs" folder of the first installation that has one, else the default installation
  // folder on drive C: or D:, else the user's Documents folder if it exists, else the user's
  // profile folder; empty only when Windows names neither.
  std::string DesktopDocumentsFolder() const;

 private:
  CWindowsStorageApi& m_api;
};
