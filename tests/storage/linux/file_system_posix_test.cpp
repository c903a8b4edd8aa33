// Listings of what only POSIX systems have: names starting with a dot, which a Windows search
// shows as hidden, and pipes, which it shows as system entries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/storage/file_system_fixture.h"

namespace {

using ::testing::UnorderedElementsAre;

TEST_F(FileSystemTest, DotNamesAreHiddenAndPipesAreSystemEntries) {
  const std::string a = Touch("A.IMI");
  const std::string b = Touch("b.imi");
  const std::string tdx = Touch("c.tdx");
  const std::string readme = Touch("README");
  const std::string hidden = Touch(".hidden.imi");
  const std::string bracket = Touch("r[1].imi");
  const std::string readOnly = Touch("locked.imi");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  const std::string folder = m_root + "dir.imi";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string fifo = m_root + "pipe.imi";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

  EXPECT_THAT(m_fs.ListEntries(m_root + "*.imi", 0), UnorderedElementsAre(a, b, bracket, readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.IMI", 128), UnorderedElementsAre(a, b, bracket, readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.imi", -1),
              UnorderedElementsAre(a, b, bracket, readOnly, hidden, folder, fifo));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.*", 16), UnorderedElementsAre(folder));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.imi", 2), UnorderedElementsAre(hidden));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.*", 4), UnorderedElementsAre(fifo));
  EXPECT_THAT(m_fs.ListEntries(m_root + "*.*", 1), UnorderedElementsAre(readOnly));
  EXPECT_THAT(m_fs.ListEntries(m_root + "r[1].imi", 0), UnorderedElementsAre(bracket));
  EXPECT_THAT(m_fs.ListEntries(m_root + "?.tdx", 0), UnorderedElementsAre(tdx));
  // "*.*" matches names without a dot too, and never the folder's "." and "..".
  const auto all = m_fs.ListEntries(m_root + "*.*", -1);
  EXPECT_EQ(all.size(), 9u);
  EXPECT_THAT(all, ::testing::Contains(readme));
  EXPECT_THAT(all, ::testing::Not(::testing::Contains(m_root + ".")));
  EXPECT_THAT(all, ::testing::Not(::testing::Contains(m_root + "..")));
  EXPECT_TRUE(m_fs.ListEntries(m_root + "missing/*.*", -1).empty());
}

}  // namespace
