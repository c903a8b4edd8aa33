// Installations of the desktop product: the Wine prefix's registry and its drive links.
#include "storage/installations.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "formats/ascii_case.h"
#include "storage/entry_names.h"
#include "storage/file_system.h"
#include "storage/linux/wine_registry.h"

namespace {

constexpr const char* kProductKey = "Software\\Tavrelin";
// The desktop product is a 32-bit program: in a 64-bit prefix its local-machine keys live in the
// 32-bit view, Wow6432Node; an installer run as a 64-bit program writes the native view. Both
// are read.
constexpr const char* kProductKey32On64 = "Software\\Wow6432Node\\Tavrelin";
constexpr const char* kInstallationPrefix = "vexlorn";
constexpr const char* kPathValue = "Path";
constexpr const char* kDocsFolder = "Docs";
constexpr const char* kDefaultFolderOnC = "c:\\program files\\Tavrelin";
constexpr const char* kDefaultFolderOnD = "d:\\program files\\Tavrelin";

std::string DefaultPrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') return prefix;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return std::string(home != nullptr ? home : "") + "/.wine";
}

struct SRegistry {
  CWineRegistryFile machine;
  CWineRegistryFile user;
};

// One installation key: its name under the product key of a registry view.
struct SInstallationKey {
  std::string productKey;
  std::string name;
};

void LoadRegistry(const std::string& prefix, SRegistry& registry) {
  registry.machine.Load(prefix + "/system.reg");
  registry.user.Load(prefix + "/user.reg");
}

// The installation keys in search order: the local machine's, native view first, each view from
// its last subkey to its first; the current user's only when the machine has none in either view.
// Empty when neither has any.
std::vector<SInstallationKey> InstallationKeys(const SRegistry& registry) {
  std::vector<SInstallationKey> keys;
  for (const char* view : {kProductKey, kProductKey32On64}) {
    const std::vector<std::string> names = registry.machine.SubkeyNames(view);
    for (auto name = names.rbegin(); name != names.rend(); ++name) keys.push_back({view, *name});
  }
  if (keys.empty()) {
    const std::vector<std::string> names = registry.user.SubkeyNames(kProductKey);
    for (auto name = names.rbegin(); name != names.rend(); ++name) keys.push_back({kProductKey, *name});
  }
  return keys;
}

bool IsInstallationName(const std::string& name) { return StartsWithIgnoringCase(name, kInstallationPrefix); }

// The installation key is opened on the local machine if it exists there, else on the current
// user; its "Path" is read from that one key only.
bool InstallationPath(const SRegistry& registry, const SInstallationKey& key, std::string& path) {
  if (!IsInstallationName(key.name)) return false;
  const std::string machineKey = key.productKey + "\\" + key.name;
  if (registry.machine.HasKey(machineKey)) return registry.machine.QueryString(machineKey, kPathValue, path);
  const std::string userKey = std::string(kProductKey) + "\\" + key.name;
  if (registry.user.HasKey(userKey)) return registry.user.QueryString(userKey, kPathValue, path);
  return false;
}

// The user's documents folder as xdg-user-dir DOCUMENTS names it (XDG_DOCUMENTS_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs), else ~/Documents, each only if it exists; else the home folder.
std::string UserDocumentsFolder() {
  const QString home = QDir::homePath();
  for (const QString& folder :
       {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), home + QStringLiteral("/Documents")}) {
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return QFile::encodeName(folder).toStdString();
  }
  return QFile::encodeName(home).toStdString();
}

}  // namespace

CDesktopInstallations::CDesktopInstallations(std::string winePrefix)
    : m_prefix(winePrefix.empty() ? DefaultPrefix() : std::move(winePrefix)) {}

std::string CDesktopInstallations::MapWindowsPath(const std::string& windowsPath) const {
  std::string text = windowsPath;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.rfind("\\\\?\\", 0) == 0) text.erase(0, 4);
  const bool hasDrive =
      text.size() >= 2 && text[1] == ':' && ((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z'));
  if (!hasDrive) return {};  // relative, UNC or not a path at all: nothing in the prefix to map it to

  SECFileSystem fs;
  const std::string devices = m_prefix + "/dosdevices";
  std::string link = fs.JoinPath(devices, MatchEntryName(devices, text.substr(0, 2)));
  char* resolved = ::realpath(link.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string path(resolved);
  std::free(resolved);
  if (!fs.IsFolder(path)) return {};

  std::vector<std::string> elements;
  std::size_t start = 2;
  while (start <= text.size()) {
    auto end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    const std::string element = text.substr(start, end - start);
    start = end + 1;
    if (element.empty() || element == ".") continue;
    if (element == "..") {
      // Windows resolves ".." in the text, never above the drive's root.
      if (!elements.empty()) elements.pop_back();
      continue;
    }
    std::string folder = path;
    for (const std::string& done : elements) folder = fs.JoinPath(folder, done);
    elements.push_back(MatchEntryName(folder, element));
  }
  for (const std::string& element : elements) path = fs.JoinPath(path, element);
  return path;
}

std::vector<std::string> CDesktopInstallations::FindRegionFolders(std::string* searchRoot) const {
  SRegistry registry;
  LoadRegistry(m_prefix, registry);
  const std::vector<SInstallationKey> keys = InstallationKeys(registry);
  // Without the product's key, not even the default folder is searched.
  if (keys.empty()) return {};
  std::vector<std::string> folders;
  for (const SInstallationKey& key : keys) {
    std::string path;
    if (!InstallationPath(registry, key, path)) continue;
    std::string folder = MapWindowsPath(path);
    // Both views may register the same installation: its regions are listed once.
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(std::move(folder));
    }
  }
  if (folders.empty()) {
    std::string folder = MapWindowsPath(kDefaultFolderOnC);
    if (!folder.empty() && SECFileSystem().IsFolder(folder)) folders.push_back(std::move(folder));
  }
  if (!folders.empty() && searchRoot != nullptr) *searchRoot = folders.front();
  return folders;
}

std::string CDesktopInstallations::DesktopDocumentsFolder() const {
  SECFileSystem fs;
  SRegistry registry;
  LoadRegistry(m_prefix, registry);
  for (const SInstallationKey& key : InstallationKeys(registry)) {
    std::string path;
    if (!InstallationPath(registry, key, path)) continue;
    const std::string docs = MapWindowsPath(fs.JoinPath(path, kDocsFolder));
    if (!docs.empty() && fs.IsFolder(docs)) return docs;
  }
  for (const char* fallback : {kDefaultFolderOnC, kDefaultFolderOnD}) {
    const std::string folder = MapWindowsPath(fallback);
    if (!folder.empty() && fs.IsFolder(folder)) return folder;
  }
  // Never the temporary folder: it is emptied at boot, and the converted files with it.
  return UserDocumentsFolder();
}
