// The desktop product's installations on Windows: the registry walk and the documents folder.
#include "storage/windows/windows_installations.h"

#include <algorithm>
#include <utility>

#include "formats/ascii_case.h"

namespace {

constexpr const char* kProductKey = "SOFTWARE\\Tavrelin";
constexpr const char* kInstallationPrefix = "vexlorn";
constexpr const char* kPathValue = "Path";
constexpr const char* kDocsFolder = "Docs";
constexpr const char* kDefaultFolderOnC = "c:\\program files\\Tavrelin";
constexpr const char* kDefaultFolderOnD = "d:\\program files\\Tavrelin";

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// One installation key: its name, and the view of the machine's software it was found in.
struct SInstallationKey {
  ERegistryView view;
  std::string name;
};

std::vector<SInstallationKey> InstallationKeys(CWindowsStorageApi& api) {
  std::vector<SInstallationKey> keys;
  for (const ERegistryView view : {ERegistryView::k64, ERegistryView::k32}) {
    std::vector<std::string> names;
    if (!api.SubkeyNames({ERegistryHive::kLocalMachine, view, kProductKey}, names)) continue;
    for (auto name = names.rbegin(); name != names.rend(); ++name) keys.push_back({view, *name});
  }
  if (keys.empty()) {
    std::vector<std::string> names;
    if (api.SubkeyNames({ERegistryHive::kCurrentUser, ERegistryView::k64, kProductKey}, names)) {
      for (auto name = names.rbegin(); name != names.rend(); ++name) keys.push_back({ERegistryView::k64, *name});
    }
  }
  return keys;
}

// The installation's folder, normalised; false when the key is no installation, has no usable
// "Path" or names no absolute folder.
bool InstallationFolder(CWindowsStorageApi& api, const SInstallationKey& key, std::string& folder) {
  if (!StartsWithIgnoringCase(key.name, kInstallationPrefix)) return false;
  const std::string path = std::string(kProductKey) + "\\" + key.name;
  std::string value;
  const SRegistryKey machine{ERegistryHive::kLocalMachine, key.view, path};
  const SRegistryKey user{ERegistryHive::kCurrentUser, ERegistryView::k64, path};
  if (api.KeyExists(machine)) {
    if (!api.QueryString(machine, kPathValue, value)) return false;
  } else if (!api.KeyExists(user) || !api.QueryString(user, kPathValue, value)) {
    return false;
  }
  folder = NormalizeWindowsPath(value);
  return !folder.empty();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

std::string NormalizeWindowsPath(std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.rfind("\\\\?\\UNC\\", 0) == 0) {
    text.erase(0, 8);
    text.insert(0, "\\\\");
  } else if (text.rfind("\\\\?\\", 0) == 0) {
    text.erase(0, 4);
  }

  std::string root;
  std::size_t start = 0;
  if (text.size() >= 2 && IsLetter(text[0]) && text[1] == ':') {
    root = text.substr(0, 2) + "\\";
    start = 2;
  } else if (text.rfind("\\\\", 0) == 0) {
    const std::size_t serverEnd = text.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2) return {};
    std::size_t shareEnd = text.find('\\', serverEnd + 1);
    if (shareEnd == std::string::npos) shareEnd = text.size();
    if (shareEnd == serverEnd + 1) return {};
    root = text.substr(0, shareEnd);
    start = shareEnd;
  } else {
    return {};
  }

  std::vector<std::string> elements;
  while (start < text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    std::string element = text.substr(start, end - start);
    start = end + 1;
    if (element.empty() || element == ".") continue;
    if (element == "..") {
      if (!elements.empty()) elements.pop_back();
      continue;
    }
    elements.push_back(std::move(element));
  }
  std::string normalized = root;
  for (const std::string& element : elements) normalized = JoinPath(normalized, element);
  return normalized;
}

std::vector<std::string> CWindowsInstallations::FindRegionFolders(std::string* searchRoot) const {
  const std::vector<SInstallationKey> keys = InstallationKeys(m_api);
  // Without the product's key, not even the default folder is searched.
  if (keys.empty()) return {};
  std::vector<std::string> folders;
  std::vector<std::string> seen;  // the folders in letter case alone, as Windows compares names
  for (const SInstallationKey& key : keys) {
    std::string folder;
    if (!InstallationFolder(m_api, key, folder)) continue;
    // Both views may register the same installation: its regions are listed once.
    std::string folded = AsciiLower(folder);
    if (std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
    seen.push_back(std::move(folded));
    folders.push_back(std::move(folder));
  }
  if (folders.empty() && m_api.FolderExists(kDefaultFolderOnC)) folders.push_back(kDefaultFolderOnC);
  if (!folders.empty() && searchRoot != nullptr) *searchRoot = folders.front();
  return folders;
}

std::string CWindowsInstallations::DesktopDocumentsFolder() const {
  for (const SInstallationKey& key : InstallationKeys(m_api)) {
    std::string folder;
    if (!InstallationFolder(m_api, key, folder)) continue;
    const std::string docs = JoinPath(folder, kDocsFolder);
    if (m_api.FolderExists(docs)) return docs;
  }
  for (const char* fallback : {kDefaultFolderOnC, kDefaultFolderOnD}) {
    if (m_api.FolderExists(fallback)) return fallback;
  }
  // Never the temporary folder: it is emptied now and then, and the converted files with it.
  std::string folder;
  if (m_api.KnownFolder(EKnownFolder::kDocuments, folder) && !folder.empty() && m_api.FolderExists(folder)) {
    return folder;
  }
  if (m_api.KnownFolder(EKnownFolder::kProfile, folder)) return folder;
  return {};
}
