// Folder entries found whatever the letter case of the name asked for.
#include "storage/entry_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

TEST(EntryNamesTest, FindsTheEntryWhateverTheLetterCase) {
  const fs::path folder = fs::temp_directory_path() /
                          ("EntryNamesTest." + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(folder);
  fs::create_directories(folder / "Garmin");
  for (const char* name : {"\xC3\x89t\xC3\xA9.txt", "b.TXT"}) std::ofstream(folder / PathOf(name)) << name;
  const std::u8string text = folder.u8string();
  const std::string where(text.begin(), text.end());
  const struct {
    std::string asked;
    std::string found;
  } cases[] = {
      {"GARMIN", "Garmin"},
      {"Garmin", "Garmin"},
      {"\xC3\xA9T\xC3\x89.TXT", "\xC3\x89t\xC3\xA9.txt"},  // éTÉ.TXT finds Été.txt
      {"b.txt", "b.TXT"},
      {"missing.txt", "missing.txt"},
      {"b\xFF.txt", "b\xFF.txt"},  // not UTF-8: matches nothing
  };
  for (const auto& c : cases) EXPECT_EQ(MatchEntryName(where, c.asked), c.found) << c.asked;
  EXPECT_EQ(MatchEntryName(where + "/none", "GARMIN"), "GARMIN");
  fs::remove_all(folder);
}

}  // namespace
