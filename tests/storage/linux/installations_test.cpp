// Tests of finding the desktop product's folders through a Wine prefix's registry and drive links.
#include "storage/installations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// A Wine prefix: dosdevices links, drive_c, system.reg and user.reg. TMPDIR, HOME and
// XDG_CONFIG_HOME point into the test's own folder, so that the last resort can be told apart.
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
    for (const char* name : {"tmp", "home", "config"}) {
      fs::create_directories(m_root + "/" + name);
    }
    for (const auto& [name, folder] :
         {std::pair{"TMPDIR", "/tmp"}, {"HOME", "/home"}, {"XDG_CONFIG_HOME", "/config"}}) {
      const char* old = std::getenv(name);
      m_saved.push_back({name, old != nullptr ? old : "", old != nullptr});
      ::setenv(name, (m_root + folder).c_str(), 1);
    }
  }
  void TearDown() override {
    for (const SSaved& saved : m_saved) {
      if (saved.set) {
        ::setenv(saved.name, saved.value.c_str(), 1);
      } else {
        ::unsetenv(saved.name);
      }
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

  struct SSaved {
    const char* name;
    std::string value;
    bool set;
  };
  std::string m_root;
  std::string m_prefix;
  std::vector<SSaved> m_saved;
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

TEST_F(InstallationsTest, DocumentsFolderFallsBackToTheDefaultFoldersThenTheUsersDocuments) {
  CDesktopInstallations installations(m_prefix);
  EXPECT_EQ(installations.DesktopDocumentsFolder(), m_root + "/home");

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

// The last resort is the user's documents folder as xdg-user-dir names it, else the home folder;
// never the temporary folder, which is emptied at boot.
TEST_F(InstallationsTest, TheLastResortIsTheUsersDocumentsFolder) {
  const std::string home = m_root + "/home";
  const std::string dirs = m_root + "/config/user-dirs.dirs";
  const struct {
    std::string userDirs;  // empty: no user-dirs.dirs
    std::vector<std::string> folders;
    std::string expected;
  } cases[] = {
      {"", {}, home},
      {"", {"Documents"}, home + "/Documents"},
      {"XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
       {"Documents", "Dokumente"},
       home + "/Dokumente"},
      {"XDG_DOCUMENTS_DIR=\"" + m_root + "/papers\"\n", {"Documents", "../papers"}, m_root + "/papers"},
      // A named folder that does not exist is not invented.
      {"XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n", {"Documents"}, home + "/Documents"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n", {}, home},
  };
  CDesktopInstallations installations(m_prefix);
  for (const auto& c : cases) {
    fs::remove_all(home);
    fs::remove_all(m_root + "/papers");
    fs::remove(dirs);
    for (const std::string& folder : c.folders) fs::create_directories(home + "/" + folder);
    if (!c.userDirs.empty()) std::ofstream(dirs) << c.userDirs;
    EXPECT_EQ(installations.DesktopDocumentsFolder(), c.expected) << c.userDirs;
  }
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

// A 64-bit prefix has two views of the machine's software: the native one and Wow6432Node, where
// the 32-bit product writes. Both count, the native view's installations first, each folder once.
TEST_F(InstallationsTest, BothViewsOfA64BitPrefixAreSearched) {
  const std::string docs = C("Thirty-two/Docs");
  Registry("system.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 1", "C:\\\\Native") +
                             Installation("Software\\\\Tavrelin\\\\Vexlorn 2", "C:\\\\Shared") +
                             Installation("Software\\\\Wow6432Node\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\Thirty-two") +
                             Installation("Software\\\\Wow6432Node\\\\Tavrelin\\\\Vexlorn 4", "c:\\\\SHARED"));
  C("Shared");
  Registry("user.reg", Installation("Software\\\\Tavrelin\\\\Vexlorn 5", "C:\\\\User"));
  CDesktopInstallations installations(m_prefix);
  EXPECT_THAT(installations.FindRegionFolders(), ElementsAre(m_prefix + "/drive_c/Shared", m_prefix + "/drive_c/Native",
                                                             m_prefix + "/drive_c/Thirty-two"));
  EXPECT_EQ(installations.DesktopDocumentsFolder(), docs);

  // A prefix whose product lives only in the 32-bit view.
  Registry("system.reg", Installation("Software\\\\Wow6432Node\\\\Tavrelin\\\\Vexlorn 3", "C:\\\\Thirty-two"));
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
