// Tests of `transvane-cli maps copy` with regions named by their paths: copies into the map
// folders, failures and the regions that cannot go.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class MapsCopyTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    m_maps = Path("maps");
    m_card = Path("card");
    fs::create_directories(U8(m_card));
    // A prefix that registers no installation: every region is named by its path.
    fs::create_directories(U8(Path("prefix")));
  }

  // A region file; answers its path.
  std::string Region(const std::string& relative, const std::string& content) {
    const std::string path = m_maps + "/" + relative;
    WriteBytes(U8(path), content);
    return path;
  }

  // `maps copy --to` the card, in the prefix where the system has one, of the regions given.
  SRun Copy(const std::vector<std::string>& regions, const std::string& to = {}) {
    std::vector<std::string> arguments = {"maps", "copy", "--to", to.empty() ? m_card : to};
    if (kWinePrefixOption != nullptr) arguments.insert(arguments.end(), {kWinePrefixOption, Path("prefix")});
    arguments.insert(arguments.end(), regions.begin(), regions.end());
    return Run(arguments);
  }

  std::string m_maps;
  std::string m_card;
};

TEST_F(MapsCopyTest, CopyPutsRegionsIntoTheMapFoldersOfTheirKind) {
  const std::string north(200'000, 'n');
  const std::string world(70'000, 'w');
  const SRun run = Copy({Region("North.imi", north), Region("sub/World.TDX", world), Region("Extra.imi", "extra")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(U8(m_card + "/Detail Maps/North.imi")), north);
  EXPECT_EQ(ReadBytes(U8(m_card + "/Background Maps/World.TDX")), world);
  EXPECT_EQ(ReadBytes(U8(m_card + "/Detail Maps/Extra.imi")), "extra");
  EXPECT_EQ(run.out, "3 region(s) copied to " + m_card + ", 0.3 MB; 0 failed\n");
  EXPECT_THAT(run.err, Not(HasSubstr("time left"))) << "no progress line off a terminal";

  // The destination holds a unit: its language file names the folders.
  WriteBytes(U8(m_card + "/USBTRANS/LANGUAGE.DAT"), "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\n");
  EXPECT_EQ(Copy({m_maps + "/North.imi"}).status, 0);
  EXPECT_EQ(ReadBytes(U8(m_card + "/Cartes/North.imi")), north);
}

TEST_F(MapsCopyTest, AMissingRegionOrDestinationCopiesNothing) {
  const std::string other = Region("Other.imi", "3");
  const SRun run = Copy({other, Path("nothere.imi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, Path("nothere.imi") + ": no such region file\n");
  EXPECT_TRUE(fs::is_empty(U8(m_card)));
  EXPECT_EQ(Run({"maps", "copy", other}).status, 2);
  EXPECT_EQ(Copy({other}, Path("nodrive")).status, 2);
}

TEST_F(MapsCopyTest, AFileThatFailsIsReportedAndTheOthersStillGo) {
  // A folder stands where the first target should go, so that target cannot be written.
  fs::create_directories(U8(m_card + "/Detail Maps/Blocked.imi"));
  const SRun run = Copy({Region("Blocked.imi", "b"), Region("Fine.tdx", "f")});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err,
              HasSubstr("An error occured while transferring file " + Native(m_card + "/Detail Maps/Blocked.imi.")));
  EXPECT_EQ(ReadBytes(U8(m_card + "/Background Maps/Fine.tdx")), "f");
  EXPECT_EQ(run.out, "1 region(s) copied to " + m_card + ", 0.0 MB; 1 failed\n");
}

// A region given by its own path on the card would replace itself: refused before anything is copied.
TEST_F(MapsCopyTest, ARegionThatIsItsOwnTargetIsRefused) {
  WriteBytes(U8(m_card + "/Detail Maps/North.imi"), "the card's copy");
  const SRun run = Copy({Region("Other.imi", "other"), m_card + "/Detail Maps/../Detail Maps/North.imi"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr(Native("/North.imi: this is the region's own copy on the destination")));
  EXPECT_THAT(run.err, HasSubstr("nothing was copied"));
  EXPECT_THAT(FilesUnder(m_card), ElementsAre("Detail Maps/North.imi"));
  EXPECT_EQ(ReadBytes(U8(m_card + "/Detail Maps/North.imi")), "the card's copy");
}

// Two regions of one file name can only be one file on the card: the run says which one went.
TEST_F(MapsCopyTest, RegionsSharingAFileNameAreNamed) {
  const SRun run = Copy({Region("a/Same.imi", "first"), Region("b/Same.imi", "second")});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.err),
              ElementsAre(Native(m_card + "/Detail Maps/Same.imi") + ": several regions have this file name; only " +
                              Native(m_maps + "/b/Same.imi") + " is copied, not:",
                          "  " + Native(m_maps + "/a/Same.imi")));
  EXPECT_EQ(run.out, "1 region(s) copied to " + m_card + ", 0.0 MB; 0 failed\n");
  EXPECT_EQ(ReadBytes(U8(m_card + "/Detail Maps/Same.imi")), "second");
}

}  // namespace
