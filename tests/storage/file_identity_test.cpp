// Whether two paths name the same file, however they are written.
#include "storage/file_identity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/storage/fat_volume.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct SSameCase {
  std::string a;
  std::string b;
  bool same;
};

void ExpectSameFiles(const std::vector<SSameCase>& cases) {
  for (const SSameCase& c : cases) {
    EXPECT_EQ(IsSameFile(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(IsSameFile(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}

TEST(FileIdentityTest, SameFileHoweverThePathIsSpelled) {
  const CTempFolder temp;
  const std::string root = temp.Path();
  fs::create_directories(root + "/d/sub");
  temp.File("d/trip.rte", "route");
  temp.File("d/other.rte", "other");
  fs::create_hard_link(root + "/d/trip.rte", root + "/d/hard.rte");
  fs::create_symlink(root + "/d", root + "/link");
  ExpectSameFiles({
      {root + "/d/trip.rte", root + "/d/./sub/../trip.rte", true},
      {root + "/d/trip.rte", root + "/d//trip.rte", true},
      {root + "/d/trip.rte", root + "/d/hard.rte", true},
      {root + "/d/trip.rte", root + "/link/trip.rte", true},
      {root + "/d/trip.rte", root + "/d/other.rte", false},
      // Files not written yet are compared by where they would be.
      {root + "/d/new.wpt", root + "/d/sub/../new.wpt", true},
      {root + "/d/new.wpt", root + "/d/./new.wpt", true},
      {root + "/d/new.wpt", root + "//d//new.wpt", true},
      {root + "/d/new.wpt", root + "/link/new.wpt", true},
      {root + "/missing/new.wpt", root + "/missing/x/../new.wpt", true},
      {root + "/d/new.wpt", root + "/d/New.wpt", false},  // this volume keeps letter case
      {root + "/d/new.wpt", root + "/d/trip.rte", false},
  });
}

// A run takes a name's identity when it names an output, and compares later names with it after
// that output was written: the file it replaced, and the folder it made, must not hide the name,
// nor may the replaced file's inode, which the system gives to the next new file.
TEST(FileIdentityTest, AnIdentityOutlivesTheFileItTookAndMeetsTheFolderMadeLater) {
  const CTempFolder temp;
  const std::string root = temp.Path();
  temp.File("d/a.wpt", "an older file");
  fs::create_symlink(root + "/d", root + "/link");
  const CFileIdentity older(root + "/d/a.wpt", false);
  const CFileIdentity before(root + "/d/later.wpt");
  const CFileIdentity unmade(root + "/new/a.wpt");
  // Replaced as every output is: a new file renamed over the old one.
  temp.File("d/a.wpt.new", "the new file");
  fs::rename(root + "/d/a.wpt.new", root + "/d/a.wpt");
  temp.File("d/later.wpt", "now it exists");
  temp.File("new/a.wpt", "the folder is made now");
  for (const char* spelling : {"/d/../d/", "/d/./", "/d//", "/link/"}) {
    EXPECT_TRUE(older.IsSameFile(CFileIdentity(root + spelling + "a.wpt"))) << spelling;
    EXPECT_TRUE(before.IsSameFile(CFileIdentity(root + spelling + "later.wpt"))) << spelling;
  }
  EXPECT_TRUE(unmade.IsSameFile(CFileIdentity(root + "/new/../new/a.wpt")));
  EXPECT_FALSE(older.IsSameFile(CFileIdentity(root + "/d/later.wpt")));
}

TEST(FileIdentityTest, LetterCaseDoesNotCountOnAFatVolume) {
  const CTempFolder temp;
  const CFatVolume fat(temp.Path(), 40);
  if (!fat.Unavailable().empty()) GTEST_SKIP() << "no FAT32 volume can be mounted here: " << fat.Unavailable();
  const std::string card = fat.Path();
  fs::create_directories(card + "/Routes");
  std::ofstream(card + "/Routes/Trip.rte") << "route";
  ExpectSameFiles({
      {card + "/Routes/Trip.rte", card + "/ROUTES/trip.RTE", true},
      {card + "/Routes/new.rte", card + "/routes/NEW.rte", true},
      {card + "/Missing/new.rte", card + "/MISSING/New.rte", true},
      {card + "/Routes/new.rte", card + "/Routes/new_1.rte", false},
  });
}

}  // namespace
