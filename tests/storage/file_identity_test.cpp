// Whether two paths name the same file, however they are written.
#include "storage/file_identity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(FileIdentityTest, SameFileByInodeOrByCanonicalPlace) {
  std::string pattern = (fs::temp_directory_path() / "identity_XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const std::string root = pattern;
  fs::create_directories(root + "/d/sub");
  std::ofstream(root + "/d/trip.rte") << "route";
  std::ofstream(root + "/d/other.rte") << "other";
  fs::create_hard_link(root + "/d/trip.rte", root + "/d/hard.rte");
  fs::create_symlink(root + "/d", root + "/link");

  const struct {
    std::string a;
    std::string b;
    bool same;
  } cases[] = {
      {root + "/d/trip.rte", root + "/d/./sub/../trip.rte", true},
      {root + "/d/trip.rte", root + "/d/hard.rte", true},
      {root + "/d/trip.rte", root + "/link/trip.rte", true},
      {root + "/d/trip.rte", root + "/d/other.rte", false},
      // Files not written yet are compared by where they would be.
      {root + "/d/new.wpt", root + "/d/sub/../new.wpt", true},
      {root + "/d/new.wpt", root + "/link/new.wpt", true},
      {root + "/missing/new.wpt", root + "/missing/x/../new.wpt", true},
      {root + "/d/new.wpt", root + "/d/New.wpt", false},
      {root + "/d/new.wpt", root + "/d/trip.rte", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSameFile(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(IsSameFile(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
  // An identity taken before the file existed still meets the file by its place.
  const CFileIdentity before(root + "/d/later.wpt");
  std::ofstream(root + "/d/later.wpt") << "now it exists";
  EXPECT_TRUE(before.IsSameFile(CFileIdentity(root + "/link/later.wpt")));
  fs::remove_all(root);
}

}  // namespace
