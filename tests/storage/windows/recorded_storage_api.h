// Recorded answers of the Windows storage calls, for the tests of the decisions taken on them. The
// fake keeps the documented rules a decision depends on: an enumeration yields only the classes of
// items asked for, an item shows only the attributes asked for, and the current user's software
// is one view.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/ascii_case.h"
#include "storage/windows/storage_api.h"

class CRecordedStorageApi final : public CWindowsStorageApi {
 public:
  // A volume: each request answers the errors listed for it in turn, the last one again once they
  // run out, success when none is listed.
  struct SVolume {
    std::uint32_t openError = kWin32Success;
    std::map<EVolumeControl, std::vector<std::uint32_t>> answers;
  };

  bool drivesFolderReachable = true;
  std::vector<SShellItem> drivesFolder;  // all folders; attributes: every bit the item has
  std::map<char, SVolume> volumes;       // any other letter has no volume
  std::map<std::string, std::uint64_t> freeBytes;
  std::map<std::string, SVolumeInformation> volumeInformation;
  std::vector<std::string> folders;  // existing ones, letter case ignored
  std::map<EKnownFolder, std::string> knownFolders;
  std::string calls;  // the volume requests: "open E read, check-verify, close, "

  // Adds the key and its parents; a new key becomes its parent's last subkey. A value without text
  // is of another type than a string.
  void AddKey(ERegistryHive hive, ERegistryView view, const std::string& path,
              const std::map<std::string, std::optional<std::string>>& values = {}) {
    for (std::size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
      AddKey(hive, view, path.substr(0, end));
    }
    const std::size_t cut = path.rfind('\\');
    if (m_keys.count(Id(hive, view, path)) == 0 && cut != std::string::npos) {
      m_keys[Id(hive, view, path.substr(0, cut))].subkeys.push_back(path.substr(cut + 1));
    }
    for (const auto& [name, value] : values) m_keys[Id(hive, view, path)].values[AsciiLower(name)] = value;
    m_keys[Id(hive, view, path)];
  }

  bool EnumerateDrivesFolder(std::uint32_t contentFlags, std::uint32_t attributes,
                             std::vector<SShellItem>& items) override {
    items.clear();
    if (!drivesFolderReachable) return false;
    if ((contentFlags & kShellEnumFolders) != 0) items = drivesFolder;
    for (SShellItem& item : items) item.attributes &= attributes;
    return true;
  }
  std::uint32_t OpenVolume(char letter, EVolumeAccess access, VolumeHandle& volume) override {
    calls += std::string("open ") + letter + (access == EVolumeAccess::kRead ? " read, " : " read-write, ");
    volume = static_cast<VolumeHandle>(letter);
    return volumes.count(letter) != 0 ? volumes[letter].openError : kWin32FileNotFound;
  }
  std::uint32_t ControlVolume(VolumeHandle volume, EVolumeControl control) override {
    static const char* const kNames[] = {"check-verify", "lock", "dismount", "allow-removal", "eject"};
    calls += kNames[static_cast<int>(control)] + std::string(", ");
    std::vector<std::uint32_t>& answers = volumes[static_cast<char>(volume)].answers[control];
    if (answers.empty()) return kWin32Success;
    const std::uint32_t answer = answers.front();
    if (answers.size() > 1) answers.erase(answers.begin());
    return answer;
  }
  void CloseVolume(VolumeHandle) override { calls += "close"; }
  void Pause(unsigned milliseconds) override { calls += "pause " + std::to_string(milliseconds) + ", "; }

  bool FreeBytesAvailable(const std::string& path, std::uint64_t& bytes) override {
    return Find(freeBytes, path, bytes);
  }
  bool VolumeInformation(const std::string& path, SVolumeInformation& information) override {
    return Find(volumeInformation, path, information);
  }
  bool KeyExists(const SRegistryKey& key) override { return m_keys.count(Id(key)) != 0; }
  bool SubkeyNames(const SRegistryKey& key, std::vector<std::string>& names) override {
    if (m_keys.count(Id(key)) == 0) return false;
    names = m_keys[Id(key)].subkeys;
    return true;
  }
  bool QueryString(const SRegistryKey& key, const std::string& valueName, std::string& value) override {
    std::optional<std::string> found;
    if (m_keys.count(Id(key)) == 0 || !Find(m_keys[Id(key)].values, AsciiLower(valueName), found) || !found) {
      return false;
    }
    value = *found;
    return true;
  }
  bool FolderExists(const std::string& path) override {
    for (const std::string& folder : folders) {
      if (EqualIgnoringCase(folder, path)) return true;
    }
    return false;
  }
  bool KnownFolder(EKnownFolder folder, std::string& path) override { return Find(knownFolders, folder, path); }

 private:
  struct SKey {
    std::vector<std::string> subkeys;
    std::map<std::string, std::optional<std::string>> values;
  };

  template <typename Map, typename Key, typename Value>
  static bool Find(const Map& map, const Key& key, Value& value) {
    const auto found = map.find(key);
    if (found == map.end()) return false;
    value = found->second;
    return true;
  }
  static std::string Id(ERegistryHive hive, ERegistryView view, const std::string& path) {
    if (hive == ERegistryHive::kCurrentUser) return "user\\" + AsciiLower(path);
    return (view == ERegistryView::k64 ? "machine64\\" : "machine32\\") + AsciiLower(path);
  }
  static std::string Id(const SRegistryKey& key) { return Id(key.hive, key.view, key.path); }

  std::map<std::string, SKey> m_keys;
};
