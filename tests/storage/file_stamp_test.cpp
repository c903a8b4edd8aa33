// The file checks behind an interrupted run's note: every spelling of a file gives its stamp, and
// a file renamed into its place gives another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "storage/interruption_backend.h"

namespace fs = std::filesystem;

namespace {

class FileStampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    m_folder = fs::temp_directory_path() /
               ("FileStampTest." + name + "." + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder / "d");
  }
  void TearDown() override { fs::remove_all(m_folder); }

  // The path of a name under the test's folder, as UTF-8.
  std::string Path(const std::string& name) const {
    const std::u8string text = (m_folder / fs::path(std::u8string(name.begin(), name.end()))).u8string();
    return std::string(text.begin(), text.end());
  }
  static void Write(const std::string& path, const char* text) {
    std::ofstream(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary) << text;
  }

  fs::path m_folder;
};

TEST_F(FileStampTest, EverySpellingOfAFileGivesItsStampAndAReplacementAnother) {
  const std::string file = Path("d/Z\xC3\xBCrich.wpt");
  Write(file, "old");
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  ASSERT_TRUE(StampFile(file, volume, index));
  fs::create_hard_link(fs::path(std::u8string(file.begin(), file.end())), m_folder / "link.wpt");

  const struct {
    std::string path;
    bool found;
    bool same;
  } cases[] = {
      {Path("d/./Z\xC3\xBCrich.wpt"), true, true},
      {Path("d/../d/Z\xC3\xBCrich.wpt"), true, true},
      {Path("link.wpt"), true, true},
      {Path("d/missing.wpt"), false, false},
      {Path("d") + "/Z\xFF.wpt", false, false},  // not UTF-8: names no file
      {Path("d"), true, false},
  };
  for (const auto& c : cases) {
    std::uint64_t otherVolume = 0;
    std::uint64_t otherIndex = 0;
    EXPECT_EQ(StampFile(c.path, otherVolume, otherIndex), c.found) << c.path;
    if (c.found) {
      EXPECT_EQ(otherVolume == volume && otherIndex == index, c.same) << c.path;
    }
  }

  // Written beside it and renamed over it, as every output is put in place.
  const std::string beside = Path("d/new.tmp");
  Write(beside, "new");
  fs::rename(fs::path(std::u8string(beside.begin(), beside.end())), fs::path(std::u8string(file.begin(), file.end())));
  std::uint64_t afterVolume = 0;
  std::uint64_t afterIndex = 0;
  ASSERT_TRUE(StampFile(file, afterVolume, afterIndex));
  EXPECT_EQ(afterVolume, volume);
  EXPECT_NE(afterIndex, index);
}

}  // namespace
