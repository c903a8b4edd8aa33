// Recorded answers of the Windows storage calls, as a Windows machine gives them, for the tests of
// the decisions taken on them. The fake keeps Windows' documented rules where a decision depends
// on them: an enumeration yields only the classes of items asked for, an item shows only the
// attributes asked for, and the current user's software is one view.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/ascii_case.h"
#include "storage/windows/storage_api.h"

class CRecordedStorageApi final : public CWindowsStorageApi {
 public:
  struct SItem {
    SShellItem answer;  // attributes: all the bits the item has
    bool folder = true;
  };
  // A volume's answers. Each request answers the errors listed for it in turn, the last one again
  // once they run out, success when none is listed.
  struct SVolume {
    std::uint32_t openError = kWin32Success;
    std::map<EVolumeControl, std::vector<std::uint32_t>> answers;
  };

  // The drives folder.
  bool drivesFolderReachable = true;
  std::vector<SItem> drivesFolder;
  // Volumes by drive letter; any other letter has no volume.
  std::map<char, SVolume> volumes;
  std::map<std::string, std::uint64_t> freeBytes;               // by path as asked
  std::map<std::string, SVolumeInformation> volumeInformation;  // by path as asked
  std::vector<std::string> folders;                             // existing, compared without letter case
  std::map<EKnownFolder, std::string> knownFolders;
  // What the volume requests did, in order: "open E read", "lock", "pause 200", "close"...
  std::vector<std::string> calls;

  // Adds the key with its parents; a new key becomes its parent's last subkey. A value without
  // text is of another type than a string.
  void AddKey(ERegistryHive hive, ERegistryView view, const std::string& path,
              const std::map<std::string, std::optional<std::string>>& values = {}) {
    std::string parent;
    for (std::size_t start = 0; start <= path.size();) {
      std::size_t end = path.find('\\', start);
      if (end == std::string::npos) end = path.size();
      const std::string child = parent.empty() ? path.substr(0, end) : parent + "\\" + path.substr(start, end - start);
      if (m_keys.count(Id(hive, view, child)) == 0) {
        m_keys[Id(hive, view, child)];
        if (!parent.empty()) m_keys[Id(hive, view, parent)].subkeys.push_back(path.substr(start, end - start));
      }
      parent = child;
      start = end + 1;
    }
    for (const auto& [name, value] : values) m_keys[Id(hive, view, path)].values[AsciiLower(name)] = value;
  }

  bool EnumerateDrivesFolder(std::uint32_t contentFlags, std::uint32_t attributes,
                             std::vector<SShellItem>& items) override {
    items.clear();
    if (!drivesFolderReachable) return false;
    for (const SItem& item : drivesFolder) {
      if ((contentFlags & (item.folder ? kShellEnumFolders : kShellEnumNonFolders)) == 0) continue;
      SShellItem answer = item.answer;
      answer.attributes &= attributes;
      items.push_back(answer);
    }
    return true;
  }

  std::uint32_t OpenVolume(char letter, EVolumeAccess access, VolumeHandle& volume) override {
    calls.push_back(std::string("open ") + letter + (access == EVolumeAccess::kRead ? " read" : " read-write"));
    const auto found = volumes.find(letter);
    if (found == volumes.end()) return kWin32FileNotFound;
    volume = static_cast<VolumeHandle>(letter);
    return found->second.openError;
  }

  std::uint32_t ControlVolume(VolumeHandle volume, EVolumeControl control) override {
    static const std::map<EVolumeControl, const char*> kNames = {
        {EVolumeControl::kCheckVerify, "check-verify"},
        {EVolumeControl::kLock, "lock"},
        {EVolumeControl::kDismount, "dismount"},
        {EVolumeControl::kAllowRemoval, "allow-removal"},
        {EVolumeControl::kEject, "eject"},
    };
    calls.push_back(kNames.at(control));
    std::vector<std::uint32_t>& answers = volumes.at(static_cast<char>(volume)).answers[control];
    if (answers.empty()) return kWin32Success;
    const std::uint32_t answer = answers.front();
    if (answers.size() > 1) answers.erase(answers.begin());
    return answer;
  }

  void CloseVolume(VolumeHandle) override { calls.push_back("close"); }
  void Pause(unsigned milliseconds) override { calls.push_back("pause " + std::to_string(milliseconds)); }

  bool FreeBytesAvailable(const std::string& path, std::uint64_t& bytes) override {
    const auto found = freeBytes.find(path);
    if (found == freeBytes.end()) return false;
    bytes = found->second;
    return true;
  }

  bool VolumeInformation(const std::string& path, SVolumeInformation& information) override {
    const auto found = volumeInformation.find(path);
    if (found == volumeInformation.end()) return false;
    information = found->second;
    return true;
  }

  bool KeyExists(const SRegistryKey& key) override { return m_keys.count(Id(key.hive, key.view, key.path)) != 0; }

  bool SubkeyNames(const SRegistryKey& key, std::vector<std::string>& names) override {
    const auto found = m_keys.find(Id(key.hive, key.view, key.path));
    if (found == m_keys.end()) return false;
    names = found->second.subkeys;
    return true;
  }

  bool QueryString(const SRegistryKey& key, const std::string& valueName, std::string& value) override {
    const auto found = m_keys.find(Id(key.hive, key.view, key.path));
    if (found == m_keys.end()) return false;
    const auto named = found->second.values.find(AsciiLower(valueName));
    if (named == found->second.values.end() || !named->second) return false;
    value = *named->second;
    return true;
  }

  bool FolderExists(const std::string& path) override {
    for (const std::string& folder : folders) {
      if (EqualIgnoringCase(folder, path)) return true;
    }
    return false;
  }

  bool KnownFolder(EKnownFolder folder, std::string& path) override {
    const auto found = knownFolders.find(folder);
    if (found == knownFolders.end()) return false;
    path = found->second;
    return true;
  }

 private:
  struct SKey {
    std::vector<std::string> subkeys;
    std::map<std::string, std::optional<std::string>> values;
  };

  static std::string Id(ERegistryHive hive, ERegistryView view, const std::string& path) {
    if (hive == ERegistryHive::kCurrentUser) return "user\\" + AsciiLower(path);
    return (view == ERegistryView::k64 ? "machine64\\" : "machine32\\") + AsciiLower(path);
  }

  std::map<std::string, SKey> m_keys;
};
