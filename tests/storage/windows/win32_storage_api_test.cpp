// The Windows calls of the storage backend where Wine answers as Windows does: the registry in
// both views, text beyond ASCII, free space, volumes, folders and the drives folder. The shell's
// removable and can-rename attributes and the media check are not among them (Wine reports no
// drive as removable and answers the media check with ERROR_NOT_SUPPORTED): the recorded answers
// of windows_drives_test.cpp cover those.
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
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// Keys written for one test, in one view of one hive, and removed after it.
class CTestKeys {
 public:
  CTestKeys(HKEY hive, REGSAM view, std::wstring root) : m_hive(hive), m_view(view), m_root(std::move(root)) {
    Remove();
  }
  ~CTestKeys() { Remove(); }
  CTestKeys(const CTestKeys&) = delete;
  CTestKeys& operator=(const CTestKeys&) = delete;

  // False where the user may not write the keys (the local machine's, without an administrator).
  bool Set(const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data, std::size_t size) {
    HKEY key = nullptr;
    const std::wstring path = m_root + L"\\" + subkey;
    if (::RegCreateKeyExW(m_hive, path.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    const bool set = ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), DWORD(size)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return set;
  }
  bool SetText(const std::wstring& subkey, const wchar_t* name, const std::wstring& text) {
    return Set(subkey, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }

 private:
  void Remove() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(m_hive, m_root.c_str(), 0, KEY_ALL_ACCESS | m_view, &key) != ERROR_SUCCESS) return;
    ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
    ::RegDeleteKeyExW(m_hive, m_root.c_str(), m_view, 0);
  }

  HKEY m_hive;
  REGSAM m_view;
  std::wstring m_root;
};

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  EXPECT_TRUE(ToWide(utf8, wide)) << utf8;
  return wide;
}

const std::string kZurich = "C:\\Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x97\xBA";  // Zürich 東京 🗺

TEST(WideTextTest, UnicodeBothWaysAndBrokenTextRefused) {
  std::string utf8;
  ASSERT_TRUE(ToUtf8(L"C:\\Z\u00FCrich \u6771\u4EAC \U0001F5FA", utf8));
  EXPECT_EQ(utf8, kZurich);
  EXPECT_FALSE(ToUtf8(std::wstring(1, wchar_t(0xD800)), utf8));  // a lone surrogate
  std::wstring wide;
  EXPECT_FALSE(ToWide("\xFF", wide));
}

TEST(Win32StorageApiTest, RegistryKeysAndStringValues) {
  const std::string root = "Software\\Transvane tests " + std::to_string(::GetCurrentProcessId());
  CTestKeys keys(HKEY_CURRENT_USER, KEY_WOW64_64KEY, Wide(root));
  const DWORD number = 7;
  ASSERT_TRUE(keys.SetText(L"Vexlorn 2", L"Path", Wide(kZurich)));
  ASSERT_TRUE(keys.SetText(L"\u00C9tude", L"", L""));
  ASSERT_TRUE(keys.Set(L"Vexlorn 3", L"Path", REG_SZ, L"C:\\Maps", 7 * sizeof(wchar_t)));  // without its NUL
  ASSERT_TRUE(keys.Set(L"Vexlorn 3", L"Expand", REG_EXPAND_SZ, L"%TEMP%\\x", 9 * sizeof(wchar_t)));
  ASSERT_TRUE(keys.Set(L"Vexlorn 3", L"Two", REG_SZ, L"one\0two", 8 * sizeof(wchar_t)));
  ASSERT_TRUE(keys.Set(L"Vexlorn 3", L"Number", REG_DWORD, &number, sizeof number));

  CWindowsStorageApi& api = Win32StorageApi();
  const auto key = [&](const std::string& name) {
    return SRegistryKey{ERegistryHive::kCurrentUser, ERegistryView::k64, name.empty() ? root : root + "\\" + name};
  };
  std::vector<std::string> names;
  ASSERT_TRUE(api.SubkeyNames(key(""), names));
  EXPECT_THAT(names, UnorderedElementsAre("Vexlorn 2", "Vexlorn 3", "\xC3\x89tude"));
  EXPECT_TRUE(api.KeyExists(key("\xC3\x89TUDE")));
  EXPECT_FALSE(api.KeyExists(key("Vexlorn 4")));
  EXPECT_FALSE(api.SubkeyNames(key("Vexlorn 4"), names));

  const struct {
    const char *key, *name;
    bool read;
    std::string value;
  } cases[] = {
      {"Vexlorn 2", "PATH", true, kZurich},       {"Vexlorn 3", "Path", true, "C:\\Maps"},
      {"Vexlorn 3", "Expand", true, "%TEMP%\\x"},  // not expanded
      {"Vexlorn 3", "Two", true, "one"},          {"Vexlorn 3", "Number", false, ""},
      {"Vexlorn 3", "None", false, ""},           {"Vexlorn 4", "Path", false, ""},
  };
  for (const auto& c : cases) {
    std::string value;
    EXPECT_EQ(api.QueryString(key(c.key), c.name, value), c.read) << c.key << " " << c.name;
    EXPECT_EQ(value, c.value) << c.key << " " << c.name;
  }
}

TEST(Win32StorageApiTest, TheProductsFoldersThroughBothViewsOfTheRegistry) {
  // The test writes the product's keys; where the product is installed they stay as they are.
  for (const auto& [hive, view] : {std::pair{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                                   {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                                   {HKEY_CURRENT_USER, KEY_WOW64_64KEY}}) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(hive, L"SOFTWARE\\Tavrelin", 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
      ::RegCloseKey(key);
      GTEST_SKIP() << "the desktop product is installed here";
    }
  }
  CDesktopInstallations installations;
  // Without the product, the user's Documents folder: the default installation folders do not
  // exist on a fresh Windows.
  std::string documents;
  ASSERT_TRUE(Win32StorageApi().KnownFolder(EKnownFolder::kDocuments, documents));
  ASSERT_TRUE(Win32StorageApi().FolderExists(documents)) << documents;
  EXPECT_EQ(installations.DesktopDocumentsFolder(), documents);
  EXPECT_TRUE(installations.FindRegionFolders().empty());

  const CTempFolder temp;
  const std::string folder = temp.Path() + "\\Vexlorn \xC3\xA9t\xC3\xA9";
  std::filesystem::create_directories(CTempFolder::FromUtf8(folder + "\\Docs"));
  // The 32-bit product's installer writes the 32-bit view, which stays apart from the native one.
  CTestKeys keys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\Tavrelin");
  if (!keys.SetText(L"Vexlorn 3", L"Path", Wide(folder))) GTEST_SKIP() << "needs an administrator";
  ASSERT_TRUE(keys.SetText(L"Vexlorn 2", L"Path", L"C:\\Old installation"));
  EXPECT_FALSE(Win32StorageApi().KeyExists({ERegistryHive::kLocalMachine, ERegistryView::k64, "SOFTWARE\\Tavrelin"}));
  std::string searchRoot;
  EXPECT_THAT(installations.FindRegionFolders(&searchRoot), ElementsAre(folder, "C:\\Old installation"));
  EXPECT_EQ(searchRoot, folder);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), folder + "\\Docs");
}

TEST(Win32StorageApiTest, FreeSpaceVolumesAndFolders) {
  CWindowsStorageApi& api = Win32StorageApi();
  char missing = 'Z';  // a drive letter with no volume behind it
  while (missing > 'C' && (::GetLogicalDrives() & (1u << (missing - 'A'))) != 0) --missing;
  ASSERT_GT(missing, 'C');
  const std::string missingRoot = std::string(1, missing) + ":\\";

  std::uint64_t bytes = 0;
  EXPECT_TRUE(api.FreeBytesAvailable("C:\\windows", bytes));
  EXPECT_GT(bytes, 0u);
  const auto drives = CreateDriveAccess();
  CRemovableDrive drive;
  drive.rootPath = missingRoot;
  EXPECT_EQ(drives->QueryTotalFreeBytes(drive), 0u);
  EXPECT_FALSE(drives->IsMediaReady(drive));
  EXPECT_EQ(drives->RequestEject(missingRoot), EEjectResult::Unsupported);

  SVolumeInformation volume;
  ASSERT_TRUE(api.VolumeInformation("C:\\windows\\system32", volume));
  SVolumeType type;
  EXPECT_TRUE(QueryVolumeType("C:\\windows", type));
  EXPECT_EQ(type.mountType, volume.fileSystem);
  EXPECT_NE(type.mountType, "");
  EXPECT_TRUE(QueryVolumeType(".", type));  // the current folder's volume
  EXPECT_FALSE(QueryVolumeType(missingRoot, type));

  const std::pair<std::string, bool> folders[] = {
      {"C:\\windows", true},  {"c:\\WINDOWS\\", true}, {"C:\\windows\\win.ini", false},
      {"C:\\no such", false}, {missingRoot, false},    {"", false}};
  for (const auto& [path, folder] : folders) EXPECT_EQ(api.FolderExists(path), folder) << path;
}

TEST(Win32StorageApiTest, TheDrivesFolderListsTheDrives) {
  std::vector<SShellItem> items;
  ASSERT_TRUE(Win32StorageApi().EnumerateDrivesFolder(kShellEnumFolders | kShellEnumNonFolders,
                                                      kShellRemovable | kShellCanRename, items));
  std::vector<std::string> names;
  for (const SShellItem& item : items) names.push_back(item.parsingName);
  EXPECT_THAT(names, Contains("C:\\"));
  for (const CRemovableDrive& drive : CreateDriveAccess()->EnumerateRemovableDrives()) {
    EXPECT_NE(DriveLetterOf(drive.rootPath), '\0') << drive.rootPath;
  }
}

}  // namespace
