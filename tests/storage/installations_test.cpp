// Tests of finding the desktop product's folders through a Wine prefix's registry and drive links.
#include "storage/installations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// A Wine prefix: dosdevices links, drive_c, system.reg and user.reg. TMPDIR points into the
// test's own folder so that the last resort can be told apart.
class InstallationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "drv_wine_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = fs::canonical(pattern).string();
    m_prefix = m_root + "/prefix";
    fs::create_directories(m_prefix + "/dosdevices");
    fs::create_directories(m_prefix + "/drive_c");
    fs::create_symlink("../drive_c", m_prefix + "/dosdevices/c:");
    fs::create_symlink("/", m_prefix + "/dosdevices/z:");
    fs::create_directories(m_root + "/tmp");
    const char* old = std::getenv("TMPDIR");
    m_oldTmp = old != nullptr ? old : "";
    m_hadTmp = old != nullptr;
    ::setenv("TMPDIR", (m_root + "/tmp").c_str(), 1);
  }
  void TearDown() override {
    if (m_hadTmp) {
      ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    fs::remove_all(m_root);
  }

  std::string C(const std::string& relative) {
    const std::string path = m_prefix + "/drive_c/" + relative;
    fs::create_directories(path);
    return path;
  }
  void Registry(const std::string& file, const std::string& body) {
    std::ofstream(m_prefix + "/" + file, std::ios::binary) << "WINE REGISTRY Version 2\n;; All keys relative to "
                                                           << "\\\\Machine\n\n#arch=win32\n\n"
                                                           << body;
  }
  static std::string Installation(const std::string& key, const std::string& path) {
    return "[" + key + "] 1700000000\n#time=1d9\n\"Path\"=\"" + path + "\"\n\n";
  }

  std::string m_root;
  std::string m_prefix;
  std::string m_oldTmp;
  bool m_hadTmp = false;
};

TEST_F(InstallationsTest, MapsWindowsPathsThroughTheDriveLinks) {
  const std::string docs = C("Program Files/Tavrelin/Vexlorn 3/Docs");
  const std::string drive = m_prefix + "/drive_c";
  CDesktopInstallations installations(m_prefix);
  struct SCase {
    std::string windows;
    std::string linux;
  };
  const SCase cases[] = {
      {"C:\\Program Files\\Tavrelin\\Vexlorn 3\\Docs", docs},
      {"c:\\PROGRAM FILES\\tavrelin\\VEXLORN 3\\docs", docs},
      {"c:/program files/tavrelin/vexlorn 3/docs/", docs},
      {"\\\\?\\C:\\Program Files\\Tavrelin\\Vexlorn 3\\Docs", docs},
      {"C:\\Program Files\\.\\Tavrelin\\..\\..\\..\\Program Files\\Tavrelin", drive + "/Program Files/Tavrelin"},
      {"C:\\Program Files\\Tavrelin\\Vexlorn 9\\MAPS", drive + "/Program Files/Tavrelin/Vexlorn 9/MAPS"},
      {"C:", drive},
      {"C:\\", drive},
      {"Z:\\" + m_root.substr(1) + "\\PREFIX\\Drive_C", drive},
      {"D:\\Maps", ""},  // no such drive in the prefix
      {"\\\\server\\share\\Maps", ""},
      {"Program Files\\Tavrelin", ""},
      {"1:\\x", ""},
      {"", ""},
  };
  for (const SCase& c : cases) EXPECT_EQ(installations.MapWindowsPath(c.windows), c.linux) << c.windows;

  fs::create_symlink("../nowhere", m_prefix + "/dosdevices/e:");
  EXPECT_EQ(installations.MapWindowsPath("E:\\Maps"), "");
}

TEST_F(InstallationsTest, DocumentsFolderOfTheLastInstallationThatHasOne) {
  const std::string docs2 = C("Program Files/Tavrelin/Vexlorn 2/Docs");
  C("Program Files/Tavrelin/Vexlorn 3");
  Registry("system.reg",
           Installation("Software\\\\Tavrelin\\\\Vexlorn 2", "C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn 2") +
               Installation("Software\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn 3") +
               Installation("Software\\\\Tavrelin\\\\Viewer", "C:\\\\Program Files\\\\Tavrelin\\\\Viewer"));
  C("Program Files/Tavrelin/Viewer/Docs");
  CDesktopInstallations installations(m_prefix);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), docs2);
  const std::string docs3 = C("Program Files/Tavrelin/Vexlorn 3/DOCS");
  EXPECT_EQ(installations.DesktopDocumentsFolder(), docs3);  // looked up again, letter case ignored
}

TEST_F(InstallationsTest, DocumentsFolderFallsBackToTheDefaultFoldersThenTheTemporaryFolder) {
  CDesktopInstallations installations(m_prefix);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), m_root + "/tmp");

  // D: is tried after C:.
  fs::create_directories(m_root + "/d/Program Files/Tavrelin");
  fs::create_symlink(m_root + "/d", m_prefix + "/dosdevices/d:");
  EXPECT_EQ(installations.DesktopDocumentsFolder(), m_root + "/d/Program Files/Tavrelin");
  const std::string onC = C("Program Files/Tavrelin");
  EXPECT_EQ(installations.DesktopDocumentsFolder(), onC);

  // An installation without a Docs folder falls through to them too.
  Registry("system.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\Elsewhere"));
  EXPECT_EQ(installations.DesktopDocumentsFolder(), onC);
}

TEST_F(InstallationsTest, TheCurrentUserIsAskedWhenTheMachineHasNoInstallation) {
  const std::string docs = C("users/ann/Vexlorn/Docs");
  Registry("system.reg", "[Software\\\\Tavrelin] 1\n\"Unused\"=\"x\"\n");
  Registry("user.reg", Installation("Software\\\\Tavrelin\\\\VEXLORN Home", "C:\\\\users\\\\ann\\\\Vexlorn"));
  CDesktopInstallations installations(m_prefix);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), docs);
  std::string root = "unchanged";
  EXPECT_THAT(installations.FindRegionFolders(&root), ElementsAre(m_prefix + "/drive_c/users/ann/Vexlorn"));
  EXPECT_EQ(root, m_prefix + "/drive_c/users/ann/Vexlorn");
}

// The subkey names come from the machine; each key is opened on the machine if it is there,
// else on the current user, and its "Path" read from that one key.
TEST_F(InstallationsTest, EachInstallationKeyIsOpenedOnTheMachineFirst) {
  C("Machine/Docs");
  C("User/Docs");
  Registry("system.reg",
           "[Software\\\\Tavrelin\\\\Vexlorn 1] 1\n\"Path\"=\"C:\\\\Machine\"\n"
           "[Software\\\\Tavrelin\\\\Vexlorn 2] 1\n\"Other\"=\"no path\"\n");
  Registry("user.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 2", "C:\\\\User") +
                           Installation("Software\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\User"));
  CDesktopInstallations installations(m_prefix);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), m_prefix + "/drive_c/Machine/Docs");
  EXPECT_THAT(installations.FindRegionFolders(), ElementsAre(m_prefix + "/drive_c/Machine"));
}

TEST_F(InstallationsTest, RegionFoldersFromTheLastSubkeyToTheFirst) {
  Registry("system.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 2", "C:\\\\program files\\\\tavrelin\\\\v2") +
                             Installation("Software\\\\Tavrelin\\\\Tools", "C:\\\\Tools") +
                             Installation("Software\\\\Tavrelin\\\\Vexlorn 3", "c:\\\\PROGRAM FILES\\\\V3") +
                             Installation("Software\\\\Tavrelin\\\\Vexlorn 4", "Q:\\\\Unmapped") +
                             Installation("Software\\\\Tavrelin\\\\Vexlorn 5", "relative"));
  const std::string v2 = C("Program Files/Tavrelin/V2");
  CDesktopInstallations installations(m_prefix);
  std::string root;
  // Folders that do not exist are kept (as written past the last existing one); paths that name
  // no drive of the prefix are left out.
  EXPECT_THAT(installations.FindRegionFolders(&root), ElementsAre(m_prefix + "/drive_c/Program Files/V3", v2));
  EXPECT_EQ(root, m_prefix + "/drive_c/Program Files/V3");
}

TEST_F(InstallationsTest, DefaultRegionFolderOnlyWithTheProductsKey) {
  const std::string onC = C("Program Files/Tavrelin");
  CDesktopInstallations installations(m_prefix);
  std::string root = "unchanged";
  EXPECT_TRUE(installations.FindRegionFolders(&root).empty());
  EXPECT_EQ(root, "unchanged");

  Registry("user.reg", Installation("Software\\\\Tavrelin\\\\Tools", "C:\\\\Tools"));
  EXPECT_THAT(installations.FindRegionFolders(&root), ElementsAre(onC));
  EXPECT_EQ(root, onC);

  fs::remove_all(onC);
  root = "unchanged";
  EXPECT_TRUE(installations.FindRegionFolders(&root).empty());
  EXPECT_EQ(root, "unchanged");
}

TEST_F(InstallationsTest, A64BitPrefixKeepsTheProductInTheWow6432Node) {
  Registry("system.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 1", "C:\\\\Native") +
                             Installation("Software\\\\Wow6432Node\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\Thirty-two"));
  CDesktopInstallations installations(m_prefix);
  EXPECT_THAT(installations.FindRegionFolders(), ElementsAre(m_prefix + "/drive_c/Thirty-two"));
}

TEST_F(InstallationsTest, ThePrefixComesFromTheEnvironment) {
  const char* old = std::getenv("WINEPREFIX");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("WINEPREFIX", m_prefix.c_str(), 1);
  EXPECT_EQ(CDesktopInstallations().Prefix(), m_prefix);
  ::unsetenv("WINEPREFIX");
  const char* home = std::getenv("HOME");
  if (home != nullptr) {
    EXPECT_EQ(CDesktopInstallations().Prefix(), std::string(home) + "/.wine");
  }
  EXPECT_EQ(CDesktopInstallations("/opt/wine").Prefix(), "/opt/wine");
  if (old != nullptr) ::setenv("WINEPREFIX", saved.c_str(), 1);
}

}  // namespace
