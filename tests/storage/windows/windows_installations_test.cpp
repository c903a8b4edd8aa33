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
  const struct {
    const char* path;
    const char* normalized;
  } cases[] = {
      {"C:\\Program Files\\Tavrelin", "C:\\Program Files\\Tavrelin"},
      {"c:/program files//tavrelin/", "c:\\program files\\tavrelin"},
      {"\\\\?\\C:\\Maps\\", "C:\\Maps"},
      {"C:\\Maps\\.\\Old\\..\\..\\..\\Maps", "C:\\Maps"},
      {"C:", "C:\\"},
      {"C:\\", "C:\\"},
      {"C:Maps", "C:\\Maps"},
      {"\\\\server\\share\\Maps\\..\\..\\Maps", "\\\\server\\share\\Maps"},
      {"//server/share", "\\\\server\\share"},
      {"\\\\?\\UNC\\server\\share\\Maps", "\\\\server\\share\\Maps"},
      {"\\\\server", ""},
      {"\\\\server\\", ""},
      {"\\\\\\share", ""},
      {"Maps", ""},
      {"\\Maps", ""},
      {"1:\\Maps", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeWindowsPath(c.path), c.normalized) << c.path;
}

TEST_F(WindowsInstallationsTest, DocumentsFolderOfTheLastInstallationThatHasOne) {
  Installation(kMachine, k64, "Vexlorn 2", "C:\\Program Files\\Tavrelin\\Vexlorn 2");
  Installation(kMachine, k64, "Vexlorn 3", "C:\\Program Files\\Tavrelin\\Vexlorn 3\\");
  Installation(kMachine, k64, "Viewer", "C:\\Program Files\\Tavrelin\\Viewer");
  m_api.folders = {"C:\\Program Files\\Tavrelin\\Vexlorn 2\\Docs", "C:\\Program Files\\Tavrelin\\Viewer\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Program Files\\Tavrelin\\Vexlorn 2\\Docs");
  // Looked up again at every call.
  m_api.folders.push_back("c:\\program files\\tavrelin\\VEXLORN 3\\DOCS");
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Program Files\\Tavrelin\\Vexlorn 3\\Docs");
}

// Never the temporary folder, which Windows empties now and then.
TEST_F(WindowsInstallationsTest, DocumentsFolderFallsBackToTheDefaultFoldersThenTheUsersOwn) {
  Installation(kMachine, k64, "Vexlorn 3", "C:\\Elsewhere");  // without a Docs folder
  Installation(kMachine, k64, "Vexlorn 4", "relative");
  m_api.folders = {"relative\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "");  // Windows names no folder of the user

  m_api.knownFolders[EKnownFolder::kProfile] = "C:\\Users\\Ann";
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Users\\Ann");
  m_api.knownFolders[EKnownFolder::kDocuments] = "D:\\Ann\\Documents";  // moved, and gone
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Users\\Ann");
  m_api.folders.push_back("D:\\Ann\\Documents");
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "D:\\Ann\\Documents");
  m_api.folders.push_back("D:\\Program Files\\Tavrelin");
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "d:\\program files\\Tavrelin");
  m_api.folders.push_back("C:\\Program Files\\Tavrelin");
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "c:\\program files\\Tavrelin");
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
  Installation(kUser, k64, "Vexlorn 2", "C:\\User");
  Installation(kUser, k64, "Vexlorn 3", "C:\\User");
  Installation(kUser, k64, "Vexlorn 4", "C:\\User");
  m_api.folders = {"C:\\Machine\\Docs", "C:\\User\\Docs"};
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Machine\\Docs");
  EXPECT_THAT(m_installations.FindRegionFolders(), ElementsAre("C:\\Machine"));
}

TEST_F(WindowsInstallationsTest, RegionFoldersFromTheLastSubkeyToTheFirstEachOnce) {
  Installation(kMachine, k64, "Vexlorn 2", "C:\\Program Files\\Tavrelin\\V2");
  Installation(kMachine, k64, "Tools", "C:\\Tools");
  Installation(kMachine, k64, "Vexlorn 3", "c:\\PROGRAM FILES\\V3");
  Installation(kMachine, k64, "Vexlorn 4", "Q:\\Maps");
  Installation(kMachine, k64, "Vexlorn 5", "relative");
  Installation(kMachine, k64, "vexlorn 6", "c:/program files/tavrelin/v2/");
  std::string root;
  // Folders that do not exist are kept: the listing finds nothing in them.
  EXPECT_THAT(m_installations.FindRegionFolders(&root),
              ElementsAre("c:\\program files\\tavrelin\\v2", "Q:\\Maps", "c:\\PROGRAM FILES\\V3"));
  EXPECT_EQ(root, "c:\\program files\\tavrelin\\v2");
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
  root = "unchanged";
  EXPECT_TRUE(m_installations.FindRegionFolders(&root).empty());
  EXPECT_EQ(root, "unchanged");
}

// A 64-bit Windows shows 32-bit programs, such as the product's installer, a view of the machine's
// software of their own. Both count, the native view's installations first, each folder once.
TEST_F(WindowsInstallationsTest, BothViewsOfTheMachineAreSearched) {
  Installation(kMachine, k64, "Vexlorn 1", "C:\\Native");
  Installation(kMachine, k64, "Vexlorn 2", "C:\\Shared");
  Installation(kMachine, k32, "Vexlorn 3", "C:\\Thirty-two");
  Installation(kMachine, k32, "Vexlorn 4", "c:\\SHARED");
  Installation(kUser, k64, "Vexlorn 5", "C:\\User");
  m_api.folders = {"C:\\Thirty-two\\Docs", "C:\\User\\Docs"};
  EXPECT_THAT(m_installations.FindRegionFolders(), ElementsAre("C:\\Shared", "C:\\Native", "C:\\Thirty-two"));
  EXPECT_EQ(m_installations.DesktopDocumentsFolder(), "C:\\Thirty-two\\Docs");
}

TEST_F(WindowsInstallationsTest, AMachineWithTheProductInThe32BitViewOnly) {
  Installation(kMachine, k32, "Vexlorn 3", "C:\\Program Files (x86)\\Tavrelin\\Vexlorn 3");
  Installation(kUser, k64, "Vexlorn 5", "C:\\User");
  EXPECT_THAT(m_installations.FindRegionFolders(), ElementsAre("C:\\Program Files (x86)\\Tavrelin\\Vexlorn 3"));
}

}  // namespace
