// The desktop product's installations on Windows, on recorded registry answers: the walk over
// both views of the machine and the current user, and where converted files go.
#include "storage/windows/windows_installations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/storage/windows/recorded_storage_api.h"

namespace {

using ::testing::ElementsAre;
constexpr ERegistryHive kMachine = ERegistryHive::kLocalMachine;
constexpr ERegistryHive kUser = ERegistryHive::kCurrentUser;
constexpr ERegistryView k64 = ERegistryView::k64;
constexpr ERegistryView k32 = ERegistryView::k32;

class WindowsInstallationsTest : public ::testing::Test {
 protected:
  void Installation(ERegistryHive hive, ERegistryView view, const std::string& name, const std::string& path) {
    m_api.AddKey(hive, view, "SOFTWARE\\Tavrelin\\" + name, {{"Path", path}});
  }

  CRecordedStorageApi m_api;
  CWindowsInstallations m_installations{m_api};
};

TEST(NormalizeWindowsPathTest, OneSpellingOfEachAbsolutePath) {
  const std::pair<const char*, const char*> cases[] = {
      {"c:/program files//tavrelin/", "c:\\program files\\tavrelin"},
      {"\\\\?\\C:\\Maps\\", "C:\\Maps"},
      {"C:\\Maps\\.\\Old\\..\\..\\..\\Maps", "C:\\Maps"},
      {"C:", "C:\\"},
      {"C:Maps", "C:\\Maps"},
      {"//server/share/Maps/../../Maps", "\\\\server\\share\\Maps"},
      {"\\\\?\\UNC\\server\\share", "\\\\server\\share"},
      {"\\\\server\\", ""},
      {"\\\\\\share", ""},
      {"Maps", ""},
      {"\\Maps", ""},
      {"1:\\Maps", ""},
  };
  for (const auto& [path, normalized] : cases) EXPECT_EQ(NormalizeWindowsPath(path), normalized) << path;
}

TEST_F(WindowsInstallationsTest, DocumentsFolderOfTheLastInstallationThatHasOneElseTheUsersOwn) {
  Installation(kMachine, k64, "Vexlorn 2", "C:\\Vexlorn 2");
  Installation(kMachine, k64, "Vexlorn 3", "C:\\Vexlorn 3\\");
  Installation(kMachine, k64, "Viewer", "C:\\Viewer");
  Installation(kMachine, k64, "Vexlorn 4", "relative");
  m_api.folders = {"relative\\Docs", "C:\\Viewer\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "");  // Windows names no folder of the user
  m_api.knownFolders = {{EKnownFolder::kProfile, "C:\\Users\\Ann"}, {EKnownFolder::kDocuments, "D:\\Ann\\Docs"}};
  // Each step makes a folder, and the lookup finds it: nothing is cached. Never the temporary
  // folder, which Windows empties now and then.
  const std::pair<const char*, const char*> steps[] = {
      {"", "C:\\Users\\Ann"},  // the Documents folder was moved, and is gone
      {"D:\\Ann\\Docs", "D:\\Ann\\Docs"},
      {"D:\\Program Files\\Tavrelin", "d:\\program files\\Tavrelin"},
      {"C:\\Program Files\\Tavrelin", "c:\\program files\\Tavrelin"},
      {"C:\\Vexlorn 2\\Docs", "C:\\Vexlorn 2\\Docs"},
      {"c:\\VEXLORN 3\\DOCS", "C:\\Vexlorn 3\\Docs"},
  };
  for (const auto& [made, documents] : steps) {
    m_api.folders.push_back(made);
    EXPECT_EQ(m_installations.DesktopDocumentsFolder(), documents) << made;
  }
}

TEST_F(WindowsInstallationsTest, TheCurrentUserIsAskedWhenTheMachineHasNoInstallation) {
  m_api.AddKey(kMachine, k64, "SOFTWARE\\Tavrelin", {{"Unused", "x"}});
  m_api.AddKey(kMachine, k32, "SOFTWARE\\Tavrelin");
  Installation(kUser, k64, "VEXLORN Home", "C:\\Users\\Ann\\Vexlorn");
  m_api.folders = {"C:\\Users\\Ann\\Vexlorn\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Users\\Ann\\Vexlorn\\Docs");
  std::string root = "unchanged";
  EXPECT_THAT(m_installations.FindRegionFolders(&root), ElementsAre("C:\\Users\\Ann\\Vexlorn"));
  EXPECT_EQ(root, "C:\\Users\\Ann\\Vexlorn");
}

// The subkey names come from the machine; each key is opened on the machine if it is there, else
// on the current user, and its "Path" read from that one key.
TEST_F(WindowsInstallationsTest, EachInstallationKeyIsOpenedOnTheMachineFirst) {
  Installation(kMachine, k64, "Vexlorn 1", "C:\\Machine");
  m_api.AddKey(kMachine, k64, "SOFTWARE\\Tavrelin\\Vexlorn 2", {{"Other", "no path"}});
  m_api.AddKey(kMachine, k64, "SOFTWARE\\Tavrelin\\Vexlorn 3", {{"Path", std::nullopt}});  // a number
  for (const char* name : {"Vexlorn 2", "Vexlorn 3", "Vexlorn 4"}) Installation(kUser, k64, name, "C:\\User");
  m_api.folders = {"C:\\Machine\\Docs", "C:\\User\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Machine\\Docs");
  EXPECT_THAT(m_installations.FindRegionFolders(), ElementsAre("C:\\Machine"));
}

// A 64-bit Windows shows 32-bit programs, such as the product's installer, a view of the machine's
// software of their own. Both count, the native view first, each view from its last subkey to its
// first, each folder once whatever its spelling; folders that do not exist are kept.
TEST_F(WindowsInstallationsTest, RegionFoldersOfBothViewsEachOnce) {
  Installation(kMachine, k64, "Vexlorn 1", "C:\\Native");
  Installation(kMachine, k64, "Tools", "C:\\Tools");
  Installation(kMachine, k64, "Vexlorn 2", "C:\\Shared");
  Installation(kMachine, k64, "vexlorn 5", "relative");
  Installation(kMachine, k32, "Vexlorn 3", "Q:\\Thirty-two");
  Installation(kMachine, k32, "Vexlorn 4", "c:/SHARED/");
  Installation(kUser, k64, "Vexlorn 6", "C:\\User");
  m_api.folders = {"Q:\\Thirty-two\\Docs", "C:\\User\\Docs"};
  std::string root;
  EXPECT_THAT(m_installations.FindRegionFolders(&root), ElementsAre("C:\\Shared", "C:\\Native", "Q:\\Thirty-two"));
  EXPECT_EQ(root, "C:\\Shared");
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "Q:\\Thirty-two\\Docs");
}

TEST_F(WindowsInstallationsTest, DefaultRegionFolderOnlyWithTheProductsKey) {
  m_api.folders = {"C:\\Program Files\\Tavrelin"};
  std::string root = "unchanged";
  EXPECT_TRUE(m_installations.FindRegionFolders(&root).empty());
  EXPECT_EQ(root, "unchanged");
  Installation(kUser, k64, "Tools", "C:\\Tools");
  EXPECT_THAT(m_installations.FindRegionFolders(&root), ElementsAre("c:\\program files\\Tavrelin"));
  EXPECT_EQ(root, "c:\\program files\\Tavrelin");
  m_api.folders.clear();
  EXPECT_TRUE(m_installations.FindRegionFolders().empty());
}

}  // namespace
