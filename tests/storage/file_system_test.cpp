// Tests of path splitting, file queries, folder chains and wildcard listings.
#include "storage/file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "tests/storage/file_system_fixture.h"

namespace {

using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

TEST(PathSplittingTest, SplitsOnBothSeparators) {
  struct SCase {
    const char* path;
    const char* name;
    const char* folder;
    const char* folderWithoutDrive;
    const char* extension;
    const char* stem;
  };
  const SCase cases[] = {
      {"a/b\\c.imi", "c.imi", "a/b\\", "a/b\\", "imi", "c"},
      {"E:\\x\\y.tdx", "y.tdx", "E:\\x\\", "\\x\\", "tdx", "y"},
      {"maps/name.", "name.", "maps/", "maps/", "", "name"},
      {"a.b.c", "a.b.c", "", "", "c", "a.b"},
      {"abc.", "abc.", "", "", "", "abc"},
      {".x", ".x", "", "", "x", ""},
      {"plain", "plain", "", "", "", "plain"},
      {"v1.2/plain", "plain", "v1.2/", "v1.2/", "", "plain"},
      {"/media/ann/a:b/c.imi", "c.imi", "/media/ann/a:b/", "/media/ann/a:b/", "imi", "c"},
      {"/", "", "/", "/", "", ""},
  };
  const SECFileSystem fileSystem;
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fileSystem.FileNameOf(c.path), c.name);
    EXPECT_EQ(fileSystem.FolderOf(c.path), c.folder);
    EXPECT_EQ(fileSystem.FolderOf(c.path, false), c.folderWithoutDrive);
    EXPECT_EQ(fileSystem.ExtensionOf(c.path), c.extension);
    EXPECT_EQ(fileSystem.StemOf(c.path), c.stem);
  }
}

TEST(PathSplittingTest, JoinWritesOneSlash) {
  const SECFileSystem fileSystem;
  EXPECT_EQ(fileSystem.JoinPath("E:\\", "maps"), "E:\\maps");
  EXPECT_EQ(fileSystem.JoinPath("/", "media"), "/media");
  EXPECT_EQ(fileSystem.JoinPath("", "a.imi"), "a.imi");
  EXPECT_EQ(fileSystem.JoinPath("/media/ann", "a.imi"), "/media/ann/a.imi");
  EXPECT_EQ(fileSystem.JoinPath("a\\b", "c"), "a\\b/c");
}

// Paths are shown with the one separator the system writes, whichever the parts were joined with.
TEST(PathSplittingTest, ShownPathsHaveTheSystemsSeparator) {
  const bool windows = fs::path::preferred_separator == L'\\';
  EXPECT_EQ(platform::kFolderSeparator, windows ? '\\' : '/');
  const std::string mixed = "C:\\Users\\ann/Temp/a.upt";
  EXPECT_EQ(platform::NativePath(mixed), windows ? "C:\\Users\\ann\\Temp\\a.upt" : mixed);
}

TEST_F(FileSystemTest, QueriesFilesAndFolders) {
  const std::string file = Touch("five.bin", "12345");
  std::int64_t size = -1;
  EXPECT_TRUE(m_fs.QueryFileSize(file, size));
  EXPECT_EQ(size, 5);
  EXPECT_FALSE(m_fs.QueryFileSize(m_root + "missing", size));
  EXPECT_TRUE(m_fs.IsFolder(m_root));
  EXPECT_FALSE(m_fs.IsFolder(file));
  EXPECT_FALSE(m_fs.IsFolder(m_root + "missing"));

  const auto NowNs = [] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
  const std::int64_t before = NowNs();
  const std::string fresh = Touch("fresh.bin");
  const std::int64_t after = NowNs();
  std::int64_t created = 0;
  ASSERT_TRUE(m_fs.QueryCreationTime(fresh, created));
  // File system clocks are coarser than the system clock: allow a second either side.
  EXPECT_GE(created, before - 1'000'000'000);
  EXPECT_LE(created, after + 1'000'000'000);
  EXPECT_FALSE(m_fs.QueryCreationTime(m_root + "missing", created));
}

TEST_F(FileSystemTest, FreeBytesAre64Bit) {
  EXPECT_EQ(m_fs.QueryFreeBytes(m_root + "missing/"), -1);
  const std::int64_t free = m_fs.QueryFreeBytes(m_root);
  EXPECT_GT(free, 0);
  if (fs::space(CTempFolder::FromUtf8(m_root)).available > (std::uint64_t{1} << 32)) {
    EXPECT_GT(free, std::int64_t{1} << 32);
  }
}

TEST_F(FileSystemTest, CreatesFolderChains) {
  EXPECT_FALSE(m_fs.CreateFolderChain(""));
  EXPECT_TRUE(m_fs.CreateFolderChain(m_root + "a/b\\c"));
  EXPECT_TRUE(m_fs.IsFolder(m_root + "a/b/c"));
  EXPECT_TRUE(m_fs.CreateFolderChain(m_root + "a/b/d/"));
  EXPECT_TRUE(m_fs.IsFolder(m_root + "a/b/d"));
  // Only the last level decides: a chain that exists already answers false and is left as it is.
  EXPECT_FALSE(m_fs.CreateFolderChain(m_root + "a/b"));
  EXPECT_TRUE(m_fs.IsFolder(m_root + "a/b/c"));
  const std::string file = Touch("file");
  EXPECT_FALSE(m_fs.CreateFolderChain(file + "/x"));
}

TEST_F(FileSystemTest, ListsByPatternAndFilter) {
  const std::string a = Touch("A.IMI");
  const std::string b = Touch("b.imi");
  const std::string tdx = Touch("c.tdx");
  const std::string readme = Touch("README");
  const std::string bracket = Touch("r[1].imi");
  const std::string readOnly = Touch("locked.imi");
  fs::permissions(CTempFolder::FromUtf8(readOnly),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  const std::string folder = m_root + "dir.imi";
  fs::create_directory(CTempFolder::FromUtf8(folder));

  EXPECT_THAT(m_fs.ListEntries(m_root + "*.imi", 0), UnorderedElementsAre(a, b, bracket, readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.IMI", 128), UnorderedElementsAre(a, b, bracket, readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.imi", -1), UnorderedElementsAre(a, b, bracket, readOnly, folder));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.*", 16), UnorderedElementsAre(folder));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.*", 1), UnorderedElementsAre(readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "r[1].imi", 0), UnorderedElementsAre(bracket));
  EXPECT_THAT(m_fs.ListEntries(m_root + "?.tdx", 0), UnorderedElementsAre(tdx));
  // "*.*" matches names without a dot too, and never the folder's "." and "..".
  const auto all = m_fs.ListEntries(m_root + "*.*", -1);
  EXPECT_EQ(all.size(), 7u);
  EXPECT_THAT(all, ::testing::Contains(readme));
  EXPECT_THAT(all, ::testing::Not(::testing::Contains(m_root + ".")));
  EXPECT_THAT(all, ::testing::Not(::testing::Contains(m_root + "..")));
  EXPECT_TRUE(m_fs.ListEntries(m_root + "missing/*.*", -1).empty());
  fs::permissions(CTempFolder::FromUtf8(readOnly), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(FileSystemTest, ListsSubfoldersDepthFirst) {
  const std::string top = Touch("top.imi");
  const std::string one = Touch("one/one.IMI");
  const std::string deep = Touch("one/deeper/deep.imi");
  const std::string two = Touch("two/two.imi");
  Touch("two/skip.tdx");
  // A link back to the top must not make the walk endless. Windows lets only some users make
  // links: there the walk goes without one.
  std::error_code noLink;
  fs::create_directory_symlink(CTempFolder::FromUtf8(m_root), CTempFolder::FromUtf8(m_root + "one/loop"), noLink);

  EXPECT_THAT(m_fs.ListSubfolders(m_root), UnorderedElementsAre(m_root + "one", m_root + "two"));
  EXPECT_THAT(m_fs.ListFiles(m_root + "*.imi", 0, false), UnorderedElementsAre(top));
  const auto found = m_fs.ListFiles(m_root + "*.imi", 0, true);
  ASSERT_THAT(found, UnorderedElementsAre(top, one, deep, two));
  const auto at = [&](const std::string& path) { return std::find(found.begin(), found.end(), path) - found.begin(); };
  EXPECT_EQ(at(top), 0);
  EXPECT_LT(at(one), at(deep));
  // Depth first: "two" comes entirely before or entirely after the "one" branch.
  EXPECT_TRUE(at(two) < at(one) || at(two) > at(deep));
}

TEST_F(FileSystemTest, RemovesFilesOnly) {
  const std::string file = Touch("gone.imi");
  EXPECT_TRUE(m_fs.RemoveFile(file));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(m_fs.RemoveFile(file));
  ASSERT_TRUE(m_fs.CreateFolderChain(m_root + "folder"));
  EXPECT_FALSE(m_fs.RemoveFile(m_root + "folder"));
  EXPECT_TRUE(m_fs.IsFolder(m_root + "folder"));
}

}  // namespace
