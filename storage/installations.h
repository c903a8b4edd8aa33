// The desktop product's installations, found in the registry: on Linux that of the Wine prefix the
// product runs in (storage/linux/), on Windows the system's own (storage/windows/).
#pragma once

#include <string>
#include <vector>

// On Linux, the desktop product under Wine: $WINEPREFIX, else ~/.wine. Its installations are the keys
// under "Software\Tavrelin" whose names begin with "Vexlorn", each with a value "Path": looked up
// in system.reg (the local machine), both views of a 64-bit prefix ("Software\Tavrelin", then
// the 32-bit "Software\Wow6432Node\Tavrelin"), else in user.reg (the current user), subkeys
// from the last to the first. Windows paths are mapped into the prefix through its dosdevices/ links,
// each element found whatever its letter case, as Wine itself does. Nothing is cached: every
// call reads the registry again.
class CDesktopInstallations {
 public:
  explicit CDesktopInstallations(std::string winePrefix = {});  // empty: $WINEPREFIX, else ~/.wine

  // The installations' folders in search order, each once; searchRoot (if given) becomes the
  // first of them when there is one. Without any installation but with the product's key present, the default
  // installation folder is used if it exists.
  std::vector<std::string> FindRegionFolders(std::string* searchRoot = nullptr) const;
  // The "Docs" folder of the first installation that has one, else the default installation
  // folder on drive C: or D:, else the user's documents folder (as xdg-user-dir DOCUMENTS names
  // it) if it exists, else the home folder.
  std::string DesktopDocumentsFolder() const;

  // The Linux path of a Windows path in the prefix; empty when the path names no drive of the
  // prefix. Elements that do not exist are kept as written.
  std::string MapWindowsPath(const std::string& windowsPath) const;
  const std::string& Prefix() const { return m_prefix; }

 private:
  std::string m_prefix;
};
