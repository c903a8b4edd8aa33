// What the storage code asks the system about entries, with the same cases on every system.
#include "storage/disk_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "storage/file_identity.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(DiskEntriesTest, WildcardsMatchAsTheDesktopProductsSearchesDo) {
  struct SCase {
    const char* wildcard;
    const char* name;
    bool matches;
  };
  const SCase cases[] = {
      {"*.rgn", "ALPS.RGN", true},  {"*.RGN", "alps.rgn", true},  {"*.rgn", "alps.rgn.bak", false},
      {"a?ps.*", "alps.rgn", true}, {"a?ps.*", "aps.rgn", false}, {"*", "anything", true},
      {"[a].rgn", "[a].rgn", true}, {"[a].rgn", "a.rgn", false},  {"*s*.rgn", "alps.rgn", true},
      {"*.rgn", ".rgn", true},      {"trip", "trip.wpt", false},  {"*a*b", "aXbYb", true},
  };
  for (const SCase& c : cases) EXPECT_EQ(WildcardMatches(c.wildcard, c.name), c.matches) << c.wildcard << " " << c.name;
}

TEST(DiskEntriesTest, EntriesAreListedAndTold) {
  const CTempFolder temp;
  ASSERT_FALSE(temp.Path().empty());
  const std::string file = temp.File("d/trip.wpt", "12345");
  temp.File("d/fixed.wpt", "x");
  fs::permissions(CTempFolder::FromUtf8(temp.Path("d/fixed.wpt")),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  ASSERT_TRUE(MakeFolder(temp.Path("d/sub")));
  EXPECT_FALSE(MakeFolder(temp.Path("d/sub"))) << "an existing folder is not made again";

  std::vector<std::string> names;
  ASSERT_TRUE(ListFolderNames(temp.Path("d"), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"fixed.wpt", "sub", "trip.wpt"}));
  EXPECT_FALSE(ListFolderNames(temp.Path("missing"), names));

  SEntryStatus status;
  ASSERT_TRUE(QueryEntry(file, status));
  EXPECT_TRUE(status.regular && !status.folder && !status.readOnly && !status.link);
  EXPECT_EQ(status.links, 1u);
  ASSERT_TRUE(QueryEntry(temp.Path("d/fixed.wpt"), status));
  EXPECT_TRUE(status.readOnly);
  ASSERT_TRUE(QueryEntry(temp.Path("d/sub"), status, false));
  EXPECT_TRUE(status.folder && !status.regular);
  EXPECT_FALSE(QueryEntry(temp.Path("d/missing.wpt"), status));

  std::int64_t created = 0;
  EXPECT_TRUE(QueryCreationTime(file, created));
  EXPECT_GT(created, 1'600'000'000LL * 1'000'000'000);
  std::uint64_t freeBytes = 0;
  std::uint64_t unit = 0;
  ASSERT_TRUE(QueryRoom(temp.Path("d"), freeBytes, unit));
  EXPECT_GT(freeBytes, 0u);
  EXPECT_GT(unit, 0u);

  EXPECT_FALSE(RemoveEmptyFolder(temp.Path("d"))) << "a folder with files stays";
  EXPECT_TRUE(RemoveEmptyFolder(temp.Path("d/sub")));
  EXPECT_FALSE(ProcessIsGone(platform::ProcessId()));
  fs::permissions(CTempFolder::FromUtf8(temp.Path("d/fixed.wpt")), fs::perms::owner_write, fs::perm_options::add);
}

// An output must never land on an input: every spelling of a file, and every name of it, is the
// file itself, whether the file is there yet or not.
TEST(DiskEntriesTest, AFileIsItselfUnderEverySpelling) {
  const CTempFolder temp;
  ASSERT_FALSE(temp.Path().empty());
  const std::string root = temp.Path();
  temp.File("d/sub/keep.txt");
  temp.File("d/trip.rte", "route");
  temp.File("d/other.rte", "other");
  fs::create_hard_link(CTempFolder::FromUtf8(root + "/d/trip.rte"), CTempFolder::FromUtf8(root + "/d/hard.rte"));
  struct SCase {
    std::string a;
    std::string b;
    bool same;
  };
  const std::vector<SCase> cases = {
      {root + "/d/trip.rte", root + "/d/./sub/../trip.rte", true},
      {root + "/d/trip.rte", root + "/d//trip.rte", true},
      {root + "/d/trip.rte", root + "/d/hard.rte", true},
      {root + "/d/trip.rte", root + "/d/other.rte", false},
      {root + "/d/new.wpt", root + "/d/sub/../new.wpt", true},
      {root + "/missing/new.wpt", root + "/missing/x/../new.wpt", true},
      {root + "/d/new.wpt", root + "/d/trip.rte", false},
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(IsSameFile(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(IsSameFile(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
  SEntryStatus first;
  SEntryStatus second;
  ASSERT_TRUE(QueryEntry(root + "/d/trip.rte", first));
  ASSERT_TRUE(QueryEntry(root + "/d/hard.rte", second));
  EXPECT_EQ(first.links, 2u);
  EXPECT_EQ(first.file, second.file);
  EXPECT_EQ(first.volume, second.volume);
}

}  // namespace
