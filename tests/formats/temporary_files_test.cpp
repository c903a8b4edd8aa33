// Our temporary files: one recognisable name, room for long target names, and the registry an
// interrupt empties.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/atomic_file.h"
#include "platform/files.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class TemporaryFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_folder.Path().empty());
    m_root = m_folder.Path();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_root)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  CTempFolder m_folder;
  std::string m_root;
};

TEST_F(TemporaryFilesTest, NamesCarryThePrefixAndTheProcessAndFitTheFolder) {
  const std::string path = TemporaryPathFor(m_root + "/trip.rte", 7);
  EXPECT_EQ(path, m_root + "/" + kTemporaryPrefix + std::to_string(platform::ProcessId()) + ".7.trip.rte");
  std::uint64_t pid = 0;
  EXPECT_TRUE(IsTemporaryName(fs::path(path).filename().string(), &pid));
  EXPECT_EQ(pid, platform::ProcessId());

  const struct {
    const char* name;
    bool ours;
  } names[] = {
      {".transvane-tmp.12.0.trip.rte", true},
      {".transvane-tmp.12.0.", true},
      {".transvane-tmp.12.trip", false},
      {".transvane-tmp.x.0.trip.rte", false},
      {".transvane-tmp..0.trip", false},
      {"transvane-tmp.12.0.trip", false},
      {".trip.rte.AbC123", false},
      {".transvane-tmp.", false},
  };
  for (const auto& each : names) EXPECT_EQ(IsTemporaryName(each.name), each.ours) << each.name;

  // Names of 241 to 255 bytes: the temporary name keeps what fits, never half a character.
  const std::string accent = "\xC3\xA9";  // é, two bytes
  for (const std::string& name :
       {std::string(241, 'a'), std::string(255, 'b'), std::string(200, 'c') + accent + std::string(53, 'd')}) {
    const std::string temporary = fs::path(TemporaryPathFor(m_root + "/" + name, 123456)).filename().string();
    EXPECT_LE(temporary.size(), 255u) << name.size();
    EXPECT_TRUE(IsTemporaryName(temporary));
    const std::string kept = temporary.substr(temporary.find(".123456.") + 8);
    EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
    EXPECT_NE(static_cast<unsigned char>(name[kept.size()]) & 0xC0, 0x80) << "cut inside a character";
  }
}

TEST_F(TemporaryFilesTest, TargetsWithNamesUpToTheLimitAreWritten) {
  for (std::size_t length : {241, 250, 255}) {
    const std::string target = m_root + "/" + std::string(length - 4, 'n') + ".upt";
    CDiagnostic why;
    CAtomicFile file(target);
    ASSERT_TRUE(file.Open(&why) && file.Write("text", &why) && file.Commit(&why)) << length << ": " << why.Reason();
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "text");
  }
  EXPECT_EQ(Names().size(), 3u) << "no temporary file left";
}

TEST_F(TemporaryFilesTest, AnInterruptRemovesEveryRegisteredFileAndFolder) {
  CAtomicFile first(m_root + "/first.log");
  CAtomicFile second(m_root + "/second.log");
  ASSERT_TRUE(first.Open() && second.Open());
  ASSERT_TRUE(first.Write("a") && second.Write("b"));
  ASSERT_TRUE(second.Commit());
  const std::string staging = m_root + "/staging";
  fs::create_directories(staging);
  for (int i = 0; i < 300; ++i) std::ofstream(staging + "/staged" + std::to_string(i) + ".upt") << i;
  int folderSlot = RegisterTemporaryFolder(staging);
  ASSERT_GE(folderSlot, 0);
  ASSERT_EQ(Names().size(), 3u);  // first's temporary file, second.log, the staging folder

  RemoveRegisteredTemporaries();
  EXPECT_EQ(Names(), std::vector<std::string>{"second.log"});
  ReleaseTemporary(folderSlot);
  EXPECT_EQ(folderSlot, -1);
}

}  // namespace
