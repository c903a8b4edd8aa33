// Tests of the map region catalogue: order, listing, displayed texts, the capacity rule, targets.
#include "jobs/map_regions.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "jobs/map_transfer.h"
#include "storage/installations.h"
#include "storage/volume_limits.h"
#include "tests/formats/local_time_support.h"
#include "tests/jobs/region_fixtures.h"

namespace {

namespace fs = std::filesystem;
using region_fixtures::MakeFileAfter;

class MapRegionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "map_regions_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
  }
  void TearDown() override { fs::remove_all(m_root); }

  std::string m_root;
};

std::vector<std::string> Paths(const CMapRegionArray& regions) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < regions.Count(); ++i) paths.push_back(regions[i].path);
  return paths;
}

TEST(MapRegionArrayTest, InsertByDateKeepsNewestFirstAndLastInsertedFirstAmongEqualTimes) {
  struct SCase {
    const char* name;
    std::vector<std::pair<const char*, std::int64_t>> inserted;
    std::vector<std::string> expected;
  };
  const SCase cases[] = {
      {"ascending", {{"a", 1}, {"b", 2}, {"c", 3}}, {"c", "b", "a"}},
      {"descending", {{"a", 3}, {"b", 2}, {"c", 1}}, {"a", "b", "c"}},
      {"mixed", {{"a", 2}, {"b", 5}, {"c", 1}, {"d", 3}}, {"b", "d", "a", "c"}},
      {"equal times", {{"a", 7}, {"b", 7}, {"c", 7}}, {"c", "b", "a"}},
      {"equal among others", {{"a", 5}, {"b", 9}, {"c", 5}, {"d", 1}, {"e", 5}}, {"b", "e", "c", "a", "d"}},
      {"zero time of an unreadable file last", {{"a", 0}, {"b", 4}}, {"b", "a"}},
  };
  for (const SCase& c : cases) {
    CMapRegionArray regions;
    for (const auto& [path, created] : c.inserted) regions.InsertByDate({path, 1, created});
    EXPECT_EQ(Paths(regions), c.expected) << c.name;
  }
}

TEST(MapRegionArrayTest, IsNewPathIgnoresLetterCaseAndRemoveAllEmpties) {
  CMapRegionArray regions;
  regions.InsertByDate({"/maps/Alps/North.IMI", 10, 1});
  EXPECT_FALSE(regions.IsNewPath("/maps/Alps/North.IMI"));
  EXPECT_FALSE(regions.IsNewPath("/MAPS/alps/north.imi"));
  EXPECT_TRUE(regions.IsNewPath("/maps/Alps/North.tdx"));
  EXPECT_TRUE(regions.IsNewPath("/maps/Alps/North.IMI "));
  regions.RemoveAll();
  EXPECT_EQ(regions.Count(), 0u);
  EXPECT_TRUE(regions.IsNewPath("/maps/Alps/North.IMI"));
}

TEST(MapRegionTextsTest, MegabytesRoundAsPrintfDoesInAnyLocale) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  for (std::uint64_t bytes : {0ull, 1ull, 49999ull, 50000ull, 149999ull, 150000ull, 250000ull, 10030000ull, 10040000ull,
                              10049999ull, 10050000ull, 2147483648ull, 5000000000ull, 123456789012ull}) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.1lf", static_cast<double>(bytes) / 1000000.0);
    EXPECT_EQ(FormatMegabytes(bytes), expected) << bytes;
  }
  // A locale with a decimal comma must not change the text the capacity rule reads back.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(FormatMegabytes(10040000), "10.0");
    EXPECT_DOUBLE_EQ(LeadingNumber("10.1 MB"), 10.1);
    std::setlocale(LC_ALL, "C");
  }
}

TEST(MapRegionTextsTest, SizeTextFillsOnlyItsNumberField) {
  EXPECT_EQ(FormatSizeText("%.1lf MB", 10030000), "10.0 MB");
  EXPECT_EQ(FormatSizeText("Taille : %.1lf Mo", 2500000), "Taille : 2.5 Mo");
  // A translated text with other fields is never used as a format.
  EXPECT_EQ(FormatSizeText("%s %n MB", 1000000), "%s %n MB 1.0");
  EXPECT_EQ(FormatSizeText("", 1000000), "1.0");
}

TEST(MapRegionTextsTest, DateIsMonthDayYearInLocalTime) {
  struct SCase {
    const char* tz;
    std::int64_t seconds;
    const char* expected;
  };
  const SCase cases[] = {
      {"UTC", 0, "01/01/70"},
      {"America/New_York", 0, "12/31/69"},
      {"UTC", 1709596800, "03/05/24"},  // 2024-03-05 00:00 UTC
      {"America/Los_Angeles", 1709596800, "03/04/24"},
      {"Asia/Tokyo", 946652400, "01/01/00"},  // 1999-12-31 15:00 UTC
      {"UTC", -1, "12/31/69"},
  };
  for (const SCase& c : cases) {
    const CTimeZoneGuard zone(c.tz);
    ASSERT_TRUE(zone.IsSet()) << c.tz;
    EXPECT_EQ(FormatRegionDate(c.seconds * 1'000'000'000), c.expected) << c.tz << " " << c.seconds;
  }
  const CTimeZoneGuard zone("UTC");
  EXPECT_EQ(FormatRegionDate(-1), "12/31/69") << "a nanosecond before 1970";
}

TEST(MapRegionTextsTest, NextRuleComparesTheValuesAsDisplayed) {
  struct SCase {
    std::uint64_t available;
    std::uint64_t total;
    bool fits;
  };
  const SCase cases[] = {
      {10040000, 10030000, true},   // both show 10.0
      {10030000, 10040000, true},   // larger total, same display: allowed
      {10000000, 10100000, false},  // 10.0 against 10.1
      {10049999, 10050000, false},  // 10.0 against 10.1 by a byte
      {0, 0, true},
      {0, 49999, true},  // a region that shows 0.0 MB fits anywhere
      {0, 50000, false},
      {5000000000, 4999999999, true},
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(FitsAsDisplayed(FormatSizeText("%.1lf MB", c.available), FormatSizeText("%.1lf MB", c.total)), c.fits)
        << c.available << " " << c.total;
  }
  EXPECT_DOUBLE_EQ(LeadingNumber("  12.5 MB"), 12.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("MB 12.5"), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
}

TEST_F(MapRegionsTest, TargetsGoByExtensionUnderTheDestinationsDefaultFolders) {
  const std::string card = m_root + "/card";
  fs::create_directories(card);
  CFilePairs pairs;
  FillRegionPairs({"/a/Alps.IMI", "/a/Alps.tdx", "/b/Coast.imi", "/b/odd.bin", "/c/Alps.IMI", "/b/noext"}, card, pairs);
  ASSERT_EQ(pairs.Count(), 5u);
  // The second Alps.IMI replaces the first in its place: the lower row's file is copied.
  EXPECT_EQ(pairs[0].target, card + "/Detail Maps/Alps.IMI");
  EXPECT_EQ(pairs[0].source, "/c/Alps.IMI");
  EXPECT_EQ(pairs[1].target, card + "/Background Maps/Alps.tdx");
  EXPECT_EQ(pairs[2].target, card + "/Detail Maps/Coast.imi");
  EXPECT_EQ(pairs[3].target, card + "/Background Maps/odd.bin");
  EXPECT_EQ(pairs[4].target, card + "/Background Maps/noext");

  // Without a destination no pair is made, so nothing can land in the working folder.
  FillRegionPairs({"/a/Alps.IMI"}, "", pairs);
  EXPECT_TRUE(pairs.Empty());
}

TEST_F(MapRegionsTest, FoldersComeFromTheUnitsLanguageFileOnlyWhenTheDestinationHoldsIt) {
  const std::string unit = m_root + "/unit";
  const std::string card = m_root + "/card";
  fs::create_directories(unit + "/USBTRANS");
  fs::create_directories(card + "/DETAIL MAPS");
  std::ofstream(unit + "/USBTRANS/LANGUAGE.DAT", std::ios::binary)
      << "BackgroundMaps=Cartes de fond\r\nDetailMaps=Cartes detaillees\r\nMyPOIs=Mes POI\r\n";

  SRegionFolders onUnit = RegionFoldersOn(unit);
  EXPECT_EQ(onUnit.background, unit + "/Cartes de fond");
  EXPECT_EQ(onUnit.detail, unit + "/Cartes detaillees");
  // The card holds no unit: default names, matched to an existing folder whatever its case.
  SRegionFolders onCard = RegionFoldersOn(card);
  EXPECT_EQ(onCard.background, card + "/Background Maps");
  EXPECT_EQ(onCard.detail, card + "/DETAIL MAPS");

  // A language file that names only one of the two leaves the other at its default name, not
  // at the volume's root.
  std::ofstream(unit + "/USBTRANS/LANGUAGE.DAT", std::ios::binary) << "DetailMaps=Karten\n";
  onUnit = RegionFoldersOn(unit);
  EXPECT_EQ(onUnit.background, unit + "/Background Maps");
  EXPECT_EQ(onUnit.detail, unit + "/Karten");
}

TEST_F(MapRegionsTest, ARegionIsRefusedWhenItIsItsOwnTargetOrTooLargeForTheVolume) {
  const std::string card = m_root + "/card";
  fs::create_directories(card + "/Detail Maps");
  std::ofstream(card + "/Detail Maps/Own.imi") << "own";
  const std::int64_t fourGiB = std::int64_t{4} << 30;
  const struct {
    std::string path;
    std::int64_t size;
    std::string target;
    std::uint64_t max;
    ERegionRefusal refusal;
  } cases[] = {
      {"/maps/A.imi", fourGiB - 1, card + "/Detail Maps/A.imi", kFatMaxFileSize, ERegionRefusal::kNone},
      {"/maps/A.imi", fourGiB, card + "/Detail Maps/A.imi", kFatMaxFileSize, ERegionRefusal::kTooLarge},
      {"/maps/A.imi", fourGiB, card + "/Detail Maps/A.imi", kNoFileSizeLimit, ERegionRefusal::kNone},
      {card + "/Detail Maps/../Detail Maps/Own.imi", 3, card + "/Detail Maps/Own.imi", kNoFileSizeLimit,
       ERegionRefusal::kSameFile},
  };
  for (const auto& c : cases) {
    CMapRegionEntry region;
    region.path = c.path;
    region.size = c.size;
    EXPECT_EQ(RegionRefusal(region, c.target, c.max), c.refusal) << c.path << " " << c.size;
  }
}

// An update counts by what it adds to the destination, so a full card can take new versions of
// its regions.
TEST_F(MapRegionsTest, ARegionCountsByTheSizeItAddsToItsTarget) {
  const std::string card = m_root + "/card/";
  fs::create_directories(card + "folder.imi");
  std::ofstream(card + "old.imi") << std::string(300, 'o');
  const struct {
    std::int64_t size;
    std::string target;
    std::uint64_t added;
  } cases[] = {
      {1000, card + "new.imi", 1000},     // not there yet
      {1000, card + "old.imi", 700},      // a larger new version
      {300, card + "old.imi", 0},         // the same size
      {200, card + "old.imi", 0},         // a smaller one: never below 0
      {1000, card + "folder.imi", 1000},  // a folder is no older copy
      {-1, card + "new.imi", 0},          // a size that could not be read
      {1000, "", 1000},                   // no destination chosen
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AddedSize({"/maps/x.imi", c.size, 0}, c.target), c.added) << c.size << " " << c.target;
  }
}

TEST_F(MapRegionsTest, LoadRegionsListsImiThenTdxOfEachFolderNewestFirst) {
  namespace rf = region_fixtures;
  const std::string first = m_root + "/drive_c/Vexlorn/Maps";
  const std::string second = m_root + "/drive_c/Vexlorn2";
  // Made in this order, each later than the one before: the expected list is the reverse.
  std::int64_t t = 0;
  const std::vector<std::string> made = {
      first + "/Alps.imi",   first + "/sub/deeper/Coast.IMI", first + "/World.tdx",
      second + "/Lakes.imi", first + "/sub/Islands.tdx",      second + "/Overview.TDX",
  };
  for (const std::string& path : made) {
    t = rf::MakeFileAfter(path, 1000, t);
    ASSERT_GT(t, 0) << path;
  }
  std::ofstream(first + "/readme.txt") << "not a region";
  std::ofstream(first + "/Alps.imi.bak") << "not a region";

  CMapRegionArray regions;
  regions.InsertByDate({"stale", 1, 1});
  LoadRegions({first, second}, regions);
  EXPECT_EQ(Paths(regions), std::vector<std::string>(made.rbegin(), made.rend()));
  for (std::size_t i = 0; i < regions.Count(); ++i) EXPECT_EQ(regions[i].size, 1000) << regions[i].path;

  // A folder reached twice lists its files twice.
  LoadRegions({second, second}, regions);
  EXPECT_EQ(regions.Count(), 4u);
}

TEST_F(MapRegionsTest, RegionsOfTheRegisteredInstallationsAndEntriesOfUnreadableFiles) {
  const std::string prefix = m_root + "/prefix";
  region_fixtures::MakeWinePrefix(prefix, {{"Vexlorn 3", "C:\\Program Files\\Tavrelin\\Vexlorn 3"}});
  const std::string folder = prefix + "/drive_c/Program Files/Tavrelin/Vexlorn 3/Maps";
  ASSERT_GT(region_fixtures::MakeFileAfter(folder + "/Bay.imi", 6'000'000'000, 0), 0);

  std::string searchRoot;
  const auto folders = CDesktopInstallations(prefix).FindRegionFolders(&searchRoot);
  CMapRegionArray regions;
  LoadRegions(folders, regions);
  ASSERT_EQ(regions.Count(), 1u);
  EXPECT_EQ(regions[0].path, folder + "/Bay.imi");
  EXPECT_EQ(regions[0].size, 6'000'000'000) << "sizes past 4 GiB are kept whole";
  EXPECT_EQ(FormatMegabytes(static_cast<std::uint64_t>(regions[0].size)), "6000.0");

  const CMapRegionEntry missing = MakeRegionEntry(folder + "/gone.imi");
  EXPECT_EQ(missing.size, 0);
  EXPECT_EQ(missing.created, 0);
}

TEST(MapTransferTest, TimeLeftIsElapsedTimesBlocksLeftOverBlocksDone) {
  struct SCase {
    std::uint32_t elapsedMs;
    std::uint64_t done;
    std::uint64_t total;
    const char* expected;
  };
  const SCase cases[] = {
      {20000, 10, 100, "0:03:00"},
      {1500, 1, 3, "0:00:03"},
      {900, 1000, 101000, "0:01:30"},  // 0.9 ms a block: not 0:00:00
      {1500, 1000, 41000, "0:01:00"},  // 1.5 ms a block: not 0:00:40
      {20009, 10, 100, "0:03:00"},     // 180,081 ms
      {999, 1, 2, "0:00:00"},          // seconds are cut, not rounded
      {7200000, 1, 2, "2:00:00"},
      {3600000, 1, 101, "100:00:00"},                                   // hours are not padded
      {4000000000u, 1, 3, "2222:13:20"},                                // no wrap past 49.7 days
      {4000000000u, 1, std::uint64_t{1} << 40, "5124095576030:25:51"},  // the longest time, not a wrap
      {5000, 0, 10, ""},                                                // before the first block
      {5000, 10, 10, "0:00:00"},
      {5000, 12, 10, "0:00:00"},  // files grew after the sizing
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(FormatTimeLeft(c.elapsedMs, c.done, c.total), c.expected)
        << c.elapsedMs << " " << c.done << "/" << c.total;
  }
}

}  // namespace
