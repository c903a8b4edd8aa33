// The Windows calls of the storage backend, where Wine answers as Windows does: the registry in
// both views, texts beyond ASCII, free space, volume information, folders and the drives folder.
// The shell's removable and can-rename attributes and the media check are not among them (Wine
// reports no drive as removable and answers the media check with ERROR_NOT_SUPPORTED): the
// recorded answers of windows_drives_test.cpp cover those.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "storage/installations.h"
#include "storage/removable_drives.h"
#include "storage/volume_limits.h"
#include "storage/windows/storage_api.h"
#include "storage/windows/wide_text.h"
#include "storage/windows/windows_drives.h"
#include "tests/temp_folder.h"

namespace {

using ::testing::Contains;
using ::testing::UnorderedElementsAre;

// Writes keys for one test and removes them, in one view of one hive.
class CTestKeys {
 public:
  CTestKeys(HKEY hive, REGSAM view, std::wstring root) : m_hive(hive), m_view(view), m_root(std::move(root)) {
    Remove();
    HKEY key = nullptr;
    m_writable = ::RegCreateKeyExW(m_hive, m_root.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, &key, nullptr) ==
                 ERROR_SUCCESS;
    if (m_writable) ::RegCloseKey(key);
  }
  ~CTestKeys() { Remove(); }
  CTestKeys(const CTestKeys&) = delete;
  CTestKeys& operator=(const CTestKeys&) = delete;

  // The local machine's keys need an administrator on Windows; Wine lets anyone write them.
  bool Writable() const { return m_writable; }

  // Sets a value of the key below the root ("" for the root), made if needed; data in bytes.
  void Set(const std::wstring& subkey, const std::wstring& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    const std::wstring path = subkey.empty() ? m_root : m_root + L"\\" + subkey;
    ASSERT_EQ(::RegCreateKeyExW(m_hive, path.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (!name.empty() || data != nullptr) {
      EXPECT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    ::RegCloseKey(key);
  }
  void SetText(const std::wstring& subkey, const std::wstring& name, const std::wstring& text) {
    Set(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

 private:
  void Remove() { ::RegDeleteKeyExW(m_hive, m_root.c_str(), m_view, 0) == ERROR_SUCCESS || DeleteTree(); }
  bool DeleteTree() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(m_hive, m_root.c_str(), 0, KEY_ALL_ACCESS | m_view, &key) != ERROR_SUCCESS) return false;
    ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
    return ::RegDeleteKeyExW(m_hive, m_root.c_str(), m_view, 0) == ERROR_SUCCESS;
  }

  HKEY m_hive;
  REGSAM m_view;
  std::wstring m_root;
  bool m_writable = false;
};

bool KeyExists(HKEY hive, REGSAM view, const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(hive, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  EXPECT_TRUE(ToWide(utf8, wide)) << utf8;
  return wide;
}

// A drive letter with no volume behind it.
char FreeDriveLetter() {
  const DWORD used = ::GetLogicalDrives();
  for (char letter = 'Z'; letter > 'C'; --letter) {
    if ((used & (1u << (letter - 'A'))) == 0) return letter;
  }
  return '\0';
}

const std::string kZurich = "C:\\Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x97\xBA";  // Zürich 東京 🗺

TEST(WideTextTest, UnicodeBothWaysAndBrokenTextRefused) {
  std::wstring wide;
  ASSERT_TRUE(ToWide(kZurich, wide));
  EXPECT_EQ(wide, L"C:\\Z\u00FCrich \u6771\u4EAC \U0001F5FA");
  std::string utf8;
  ASSERT_TRUE(ToUtf8(wide, utf8));
  EXPECT_EQ(utf8, kZurich);
  EXPECT_FALSE(ToUtf8(std::wstring(1, wchar_t(0xD800)), utf8));  // a lone surrogate
  EXPECT_FALSE(ToWide("\xFF", wide));
  EXPECT_TRUE(ToUtf8(L"", utf8) && utf8.empty());
}

TEST(Win32StorageApiTest, RegistryKeysAndStringValues) {
  const std::string root = "Software\\Transvane tests " + std::to_string(::GetCurrentProcessId());
  CTestKeys keys(HKEY_CURRENT_USER, KEY_WOW64_64KEY, Wide(root));
  ASSERT_TRUE(keys.Writable());
  const std::wstring zurich = Wide(kZurich);
  keys.SetText(L"Vexlorn 2", L"Path", zurich);
  keys.SetText(L"\u00C9tude", L"", L"default");
  keys.Set(L"Vexlorn 3", L"Path", REG_SZ, L"C:\\Maps", 7 * sizeof(wchar_t));  // stored without its NUL
  keys.Set(L"Vexlorn 3", L"Expand", REG_EXPAND_SZ, L"%TEMP%\\x", 9 * sizeof(wchar_t));
  keys.Set(L"Vexlorn 3", L"Two", REG_SZ, L"one\0two", 8 * sizeof(wchar_t));
  const DWORD number = 7;
  keys.Set(L"Vexlorn 3", L"Number", REG_DWORD, &number, sizeof number);

  CWindowsStorageApi& api = Win32StorageApi();
  const SRegistryKey parent{ERegistryHive::kCurrentUser, ERegistryView::k64, root};
  std::vector<std::string> names;
  ASSERT_TRUE(api.SubkeyNames(parent, names));
  EXPECT_THAT(names, UnorderedElementsAre("Vexlorn 2", "Vexlorn 3", "\xC3\x89tude"));
  EXPECT_TRUE(api.KeyExists({ERegistryHive::kCurrentUser, ERegistryView::k64, root + "\\\xC3\x89TUDE"}));
  EXPECT_FALSE(api.KeyExists({ERegistryHive::kCurrentUser, ERegistryView::k64, root + "\\Vexlorn 4"}));
  EXPECT_FALSE(api.SubkeyNames({ERegistryHive::kCurrentUser, ERegistryView::k64, root + "\\Vexlorn 4"}, names));

  const struct {
    const char* key;
    const char* name;
    bool read;
    std::string value;
  } cases[] = {
      {"Vexlorn 2", "Path", true, kZurich},    {"Vexlorn 2", "PATH", true, kZurich},
      {"Vexlorn 3", "Path", true, "C:\\Maps"}, {"Vexlorn 3", "Expand", true, "%TEMP%\\x"},  // not expanded
      {"Vexlorn 3", "Two", true, "one"},       {"Vexlorn 3", "Number", false, ""},
      {"Vexlorn 3", "None", false, ""},        {"Vexlorn 4", "Path", false, ""},
  };
  for (const auto& c : cases) {
    std::string value;
    EXPECT_EQ(api.QueryString({ERegistryHive::kCurrentUser, ERegistryView::k64, root + "\\" + c.key}, c.name, value),
              c.read)
        << c.key << " " << c.name;
    if (c.read) {
      EXPECT_EQ(value, c.value) << c.key << " " << c.name;
    }
  }
}

// Wine keeps the 32-bit view of the machine's software apart as Windows does.
TEST(Win32StorageApiTest, TheMachinesTwoViewsAreApart) {
  const std::string root = "SOFTWARE\\Transvane tests " + std::to_string(::GetCurrentProcessId());
  CTestKeys keys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, Wide(root));
  if (!keys.Writable()) GTEST_SKIP() << "writing the local machine's keys needs an administrator";
  keys.SetText(L"Vexlorn 32", L"Path", L"C:\\Thirty-two");
  CWindowsStorageApi& api = Win32StorageApi();
  std::vector<std::string> names;
  EXPECT_TRUE(api.SubkeyNames({ERegistryHive::kLocalMachine, ERegistryView::k32, root}, names));
  EXPECT_THAT(names, UnorderedElementsAre("Vexlorn 32"));
  EXPECT_FALSE(api.KeyExists({ERegistryHive::kLocalMachine, ERegistryView::k64, root}));
}

TEST(Win32StorageApiTest, TheProductsDocumentsFolderThroughTheRegistry) {
  // The test writes the product's keys; where the product is installed they stay as they are.
  for (const auto& [hive, view] : {std::pair{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                                   {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                                   {HKEY_CURRENT_USER, KEY_WOW64_64KEY}}) {
    if (KeyExists(hive, view, L"SOFTWARE\\Tavrelin")) GTEST_SKIP() << "the desktop product is installed here";
  }
  CDesktopInstallations installations;
  CWindowsStorageApi& api = Win32StorageApi();
  std::string documents;
  // Without the product: the user's Documents folder (the default installation folders do not
  // exist in a fresh Windows).
  ASSERT_FALSE(api.FolderExists("C:\\Program Files\\Tavrelin"));
  ASSERT_TRUE(api.KnownFolder(EKnownFolder::kDocuments, documents));
  ASSERT_TRUE(api.FolderExists(documents)) << documents;
  EXPECT_EQ(installations.DesktopDocumentsFolder(), documents);
  EXPECT_TRUE(installations.FindRegionFolders().empty());

  const CTempFolder temp;
  const std::string folder = temp.Path() + "\\Vexlorn \xC3\xA9t\xC3\xA9";
  std::filesystem::create_directories(CTempFolder::FromUtf8(folder + "\\Docs"));
  CTestKeys keys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\Tavrelin");
  if (!keys.Writable()) GTEST_SKIP() << "writing the local machine's keys needs an administrator";
  keys.SetText(L"Vexlorn 3", L"Path", Wide(folder));
  keys.SetText(L"Vexlorn 2", L"Path", L"C:\\Old installation");
  std::string searchRoot;
  EXPECT_THAT(installations.FindRegionFolders(&searchRoot), testing::ElementsAre(folder, "C:\\Old installation"));
  EXPECT_EQ(searchRoot, folder);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), folder + "\\Docs");
}

TEST(Win32StorageApiTest, FreeSpaceVolumesAndFolders) {
  CWindowsStorageApi& api = Win32StorageApi();
  const char missing = FreeDriveLetter();
  ASSERT_NE(missing, '\0');
  const std::string missingRoot = std::string(1, missing) + ":\\";

  std::uint64_t bytes = 0;
  EXPECT_TRUE(api.FreeBytesAvailable("C:\\", bytes));
  EXPECT_GT(bytes, 0u);
  EXPECT_TRUE(api.FreeBytesAvailable("C:\\windows", bytes));
  EXPECT_FALSE(api.FreeBytesAvailable(missingRoot, bytes));

  SVolumeInformation volume;
  ASSERT_TRUE(api.VolumeInformation("C:\\windows\\system32", volume));
  EXPECT_NE(volume.fileSystem, "");
  SVolumeType type;
  EXPECT_TRUE(QueryVolumeType("C:\\windows", type));
  EXPECT_EQ(type.mountType, volume.fileSystem);
  EXPECT_FALSE(QueryVolumeType(missingRoot, type));
  EXPECT_TRUE(QueryVolumeType(".", type));  // the current folder's volume

  const struct {
    std::string path;
    bool folder;
  } cases[] = {{"C:\\windows", true},         {"c:\\WINDOWS\\", true}, {"C:\\windows\\win.ini", false},
               {"C:\\no such folder", false}, {missingRoot, false},    {"", false}};
  for (const auto& c : cases) EXPECT_EQ(api.FolderExists(c.path), c.folder) << c.path;
}

TEST(Win32StorageApiTest, TheDrivesFolderListsTheDrives) {
  std::vector<SShellItem> items;
  ASSERT_TRUE(Win32StorageApi().EnumerateDrivesFolder(kShellEnumFolders | kShellEnumNonFolders,
                                                      kShellRemovable | kShellCanRename, items));
  std::vector<std::string> names;
  for (const SShellItem& item : items) {
    if (item.nameRead) names.push_back(item.parsingName);
  }
  EXPECT_THAT(names, Contains("C:\\"));

  // Whatever the system calls removable, only drive roots are listed.
  const auto drives = CreateDriveAccess();
  for (const CRemovableDrive& drive : drives->EnumerateRemovableDrives()) {
    EXPECT_NE(DriveLetterOf(drive.rootPath), '\0') << drive.rootPath;
  }
}

TEST(Win32StorageApiTest, ADriveWithoutVolume) {
  const char missing = FreeDriveLetter();
  ASSERT_NE(missing, '\0');
  CRemovableDrive drive;
  drive.rootPath = std::string(1, missing) + ":\\";
  const auto drives = CreateDriveAccess();
  EXPECT_FALSE(drives->IsMediaReady(drive));
  EXPECT_EQ(drives->QueryTotalFreeBytes(drive), 0u);
  EXPECT_EQ(drives->RequestEject(drive.rootPath), EEjectResult::Unsupported);
  EXPECT_FALSE(drives->CanMountRemovableMedia());
}

}  // namespace
