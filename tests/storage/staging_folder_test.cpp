// Private folders for staged files: a new one each time, gone with what it holds at the end.
#include "storage/staging_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

TEST(StagingFolderTest, EachFolderIsNewAndGoesWithItsFiles) {
  const fs::path parent = fs::temp_directory_path() /
                          ("StagingFolderTest." + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(parent);
  // Gone however the test ends.
  const std::unique_ptr<const fs::path, void (*)(const fs::path*)> removed(&parent, [](const fs::path* path) {
    std::error_code ignored;
    fs::remove_all(*path, ignored);
  });
  fs::create_directories(parent / PathOf("Z\xC3\xBCrich"));
  const std::u8string text = (parent / PathOf("Z\xC3\xBCrich")).u8string();
  const std::string where(text.begin(), text.end());
  std::string kept;
  {
    const CStagingFolder first("transvane-test", where);
    const CStagingFolder second("transvane-test", where);
    ASSERT_FALSE(first.Path().empty()) << first.Error();
    ASSERT_FALSE(second.Path().empty()) << second.Error();
    EXPECT_NE(first.Path(), second.Path());
    const std::string name = PathOf(first.Path()).filename().string();
    EXPECT_EQ(name.size(), std::string("transvane-test.").size() + 6) << name;
    EXPECT_EQ(name.rfind("transvane-test.", 0), 0u) << name;
    EXPECT_TRUE(fs::is_directory(PathOf(first.Path())));
    std::ofstream(PathOf(first.Path() + "/staged.wpt")) << "staged";
    kept = first.Path();
  }
  EXPECT_FALSE(fs::exists(PathOf(kept)));

  const CStagingFolder nowhere("transvane-test", where + "/missing");
  EXPECT_TRUE(nowhere.Path().empty());
  EXPECT_EQ(nowhere.Error().rfind(where + "/missing: ", 0), 0u) << nowhere.Error();
}

}  // namespace
