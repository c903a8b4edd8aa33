// The cases of `transvane-cli maps` that need Linux: the regions of a Wine prefix (listed, and
// named as listed), size-limited tmpfs and FAT volumes, sparse files beyond the free space, a signal placed inside a
// system call (ptrace), and Ctrl-C on a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/posix/cli_posix_support.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/storage/fat_volume.h"
#include "tests/storage/tmpfs_volume.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class MapsInAPrefixTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    m_prefix = Path("prefix");
    m_maps = m_prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
    m_card = Path("card");
    fs::create_directories(m_card);
    region_fixtures::MakeWinePrefix(m_prefix, {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
    SetEnvironment("TZ", "UTC");
  }

  std::int64_t Region(const std::string& relative, const std::string& content, std::int64_t after = 0,
                      std::int64_t size = 0) {
    return region_fixtures::MakeFileAfter(m_maps + "/" + relative, size, after, content);
  }

  std::string m_prefix;
  std::string m_maps;
  std::string m_card;
};

TEST_F(MapsInAPrefixTest, ListShowsTheRegionsNewestFirst) {
  std::int64_t t = Region("North.imi", std::string(2'500'000, 'n'));
  t = Region("sub/South.IMI", "s", t);
  t = Region("World.tdx", "", t, 10'040'000);
  ASSERT_GT(t, 0);
  std::ofstream(m_maps + "/notes.txt") << "not a region";

  const SRun run = Run({"maps", "list", "--wineprefix", m_prefix});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string today = [] {
    char text[16];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    std::strftime(text, sizeof text, "%m/%d/%y", &utc);
    return std::string(text);
  }();
  EXPECT_THAT(Lines(run.out),
              ElementsAre("NAME\tSIZE\tDATE\tPATH", "World.tdx\t10.0 MB\t" + today + "\t" + m_maps + "/World.tdx",
                          "South.IMI\t0.0 MB\t" + today + "\t" + m_maps + "/sub/South.IMI",
                          "North.imi\t2.5 MB\t" + today + "\t" + m_maps + "/North.imi"));
}

// With nothing found, the listing says which prefix and folders it searched, and how to name another.
TEST_F(MapsInAPrefixTest, ListWithoutRegionsSaysWhereItLooked) {
  const std::string empty = Path("empty");
  fs::create_directories(empty);
  const std::string hint = "the desktop product may be in another prefix: name it with --wineprefix DIR";
  const struct {
    std::string prefix;
    std::vector<std::string> err;
  } cases[] = {
      {m_prefix,
       {"no map region (*.imi, *.tdx) found in the installations of the Wine prefix " + m_prefix + ":",
        "  " + m_prefix + "/drive_c/Program Files/Tavrelin/Vexlorn", hint}},
      {empty,
       {"no map region found: the Wine prefix " + empty +
            " registers no installation of the desktop product (Software\\Tavrelin in its system.reg or user.reg)",
        hint}},
  };
  for (const auto& c : cases) {
    const SRun none = Run({"maps", "list", "--wineprefix", c.prefix});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.out, IsEmpty());
    EXPECT_EQ(Lines(none.err), c.err);
  }
}

// Updating the regions of a nearly full card: each counts by what it adds, and one whose older
// copy leaves no room for the new one beside it replaces it in place, which the run says.
TEST_F(MapsInAPrefixTest, UpdatesOnAFullCardGoThroughAndSayWhatMadeRoom) {
  const CTmpfsVolume card(Path("small"), 1024 * 1024);
  if (!card.Unavailable().empty()) GTEST_SKIP() << "no size-limited volume here: " << card.Unavailable();
  ASSERT_GT(Region("A.imi", std::string(700'000, 'a')), 0);
  WriteBytes(card.Path() + "/Detail Maps/A.imi", std::string(600'000, 'o'));
  const SRun run = Run({"maps", "copy", "--to", card.Path(), "--wineprefix", m_prefix, "A.imi"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(ReadBytes(card.Path() + "/Detail Maps/A.imi") == std::string(700'000, 'a'));
  EXPECT_THAT(Lines(run.out), ElementsAre(card.Path() +
                                              "/Detail Maps/A.imi: its older copy was removed just before the new one "
                                              "was written, as " +
                                              card.Path() + " had no room for both",
                                          "1 region(s) copied to " + card.Path() + ", 0.7 MB; 0 failed"));
}

// Regions named as listed, in any letter case, go into the map folders of their kind.
TEST_F(MapsInAPrefixTest, CopyTakesRegionsByName) {
  const std::string north(200'000, 'n');
  const std::string world(70'000, 'w');
  ASSERT_GT(Region("North.imi", north), 0);
  ASSERT_GT(Region("sub/World.TDX", world), 0);
  const SRun run = Run({"maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "north.IMI", "World.tdx"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(m_card + "/Detail Maps/North.imi"), north);
  EXPECT_EQ(ReadBytes(m_card + "/Background Maps/World.TDX"), world);
}

TEST_F(MapsInAPrefixTest, UnknownOrAmbiguousRegionsCopyNothing) {
  ASSERT_GT(Region("a/Same.imi", "1"), 0);
  ASSERT_GT(Region("b/Same.imi", "2"), 0);
  ASSERT_GT(Region("Other.imi", "3"), 0);

  SRun run = Run({"maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "Other.imi", "Missing.imi"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("Missing.imi: no region of that name"));
  run = Run({"maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "Other.imi", "Same.imi"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr(m_maps + "/b/Same.imi"));
  EXPECT_TRUE(fs::is_empty(m_card));
}

TEST_F(MapsInAPrefixTest, RegionsThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
  struct statvfs status {};
  ASSERT_EQ(::statvfs(m_card.c_str(), &status), 0);
  const auto free = static_cast<std::int64_t>(status.f_bavail * status.f_frsize);
  // Sparse: the file claims more than the card's free space without taking it.
  ASSERT_GT(Region("Huge.tdx", "", 0, free + 100'000'000), 0);
  ASSERT_GT(Region("Small.imi", "small"), 0);

  const SRun run = Run({"maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "Small.imi", "Huge.tdx"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("nothing was copied"));
  EXPECT_TRUE(fs::is_empty(m_card)) << "not even the folders are made";
}

// A real FAT32 volume cannot hold a file of 4 GiB: such a region is refused before anything is copied.
TEST_F(MapsInAPrefixTest, ARegionOf4GiBIsRefusedForAFat32Volume) {
  // Room for the region, so that only the file system can refuse it.
  const CFatVolume fat(Path(""), 4400);
  if (!fat.Unavailable().empty()) GTEST_SKIP() << "no FAT32 volume can be mounted here: " << fat.Unavailable();
  ASSERT_GT(Region("Huge.imi", "", 0, std::int64_t{4} << 30), 0);  // sparse
  ASSERT_GT(Region("Small.tdx", "small"), 0);
  const SRun run = Run({"maps", "copy", "--to", fat.Path(), "--wineprefix", m_prefix, "Small.tdx", "Huge.imi"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.err), ElementsAre(m_maps + "/Huge.imi: 4295.0 MB, but the FAT32 file system of " + fat.Path() +
                                              " holds no file of 4 GiB or more",
                                          "nothing was copied"));
  EXPECT_TRUE(fs::is_empty(fat.Path()));
}

// A TERM signal mid-copy cancels like Ctrl-C: the region that replaced an older copy stays (it is
// whole), the new one goes, the one in progress leaves no temporary file; the report says which.
TEST_F(MapsInAPrefixTest, ATermSignalKeepsReplacedRegionsAndRemovesNewOnes) {
  ASSERT_GT(Region("A.imi", std::string(100'000, 'a')), 0);  // 2 blocks
  ASSERT_GT(Region("B.imi", "new b"), 0);                    // 1 block
  ASSERT_GT(Region("C.imi", "", 0, 1'000'000), 0);
  WriteBytes(m_card + "/Detail Maps/B.imi", "older b");
  std::vector<std::string> atStop;
  // Each block is flushed: the fourth flush is C.imi's first block.
  const SInterruptedRun run =
      RunCliInterrupted({"maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "A.imi", "B.imi", "C.imi"},
                        SYS_fdatasync, 4, SIGTERM, [&] { atStop = FilesUnder(m_card); });
  if (!run.traced) GTEST_SKIP() << "this system refuses to trace a child (ptrace), so no signal can be placed";
  ASSERT_TRUE(run.stopped) << run.err;
  ASSERT_EQ(atStop.size(), 3u);
  EXPECT_THAT(atStop[0], ::testing::StartsWith("Detail Maps/.transvane-tmp."));
  EXPECT_EQ(run.status, 143) << run.err;
  EXPECT_THAT(FilesUnder(m_card), ElementsAre("Detail Maps/B.imi"));
  EXPECT_EQ(ReadBytes(m_card + "/Detail Maps/B.imi"), "new b");
  EXPECT_THAT(Lines(run.err),
              ElementsAre("cancelled: nothing more is copied",
                          "  kept, complete (it replaced an older copy): " + m_card + "/Detail Maps/B.imi",
                          "  removed (it was not there before): " + m_card + "/Detail Maps/A.imi",
                          "  not copied, left as it was: " + m_card + "/Detail Maps/C.imi"));
}

TEST_F(MapsInAPrefixTest, CtrlCStopsTheCopyAndRemovesWhatItWrote) {
  ASSERT_GT(Region("A.imi", std::string(100'000, 'a')), 0);
  ASSERT_GT(Region("B.imi", "", 0, 32 * 1024 * 1024), 0);  // 512 blocks: far from done when the signal lands
  ASSERT_GT(Region("C.tdx", "new"), 0);
  // A file the copy will not reach before the cancel: it is the user's and stays.
  fs::create_directories(m_card + "/Background Maps");
  std::ofstream(m_card + "/Background Maps/C.tdx") << "kept";

  int terminal = -1;
  const pid_t child = StartOnTerminal(
      {TRANSVANE_CLI_PATH, "maps", "copy", "--to", m_card, "--wineprefix", m_prefix, "A.imi", "B.imi", "C.tdx"},
      terminal);
  ASSERT_GE(child, 0);
  // The signal goes once the progress line shows: the copy has begun, and B.imi (512 blocks) keeps
  // it busy long after. (The line is redrawn at most ten times a second, so on a fast volume it
  // may never name B.imi.)
  std::string shown;
  char buffer[4096];
  bool sent = false;
  for (;;) {
    const ssize_t count = ::read(terminal, buffer, sizeof buffer);
    if (count <= 0) break;
    shown.append(buffer, static_cast<std::size_t>(count));
    if (!sent && shown.find("time left") != std::string::npos) {
      ::kill(child, SIGINT);
      sent = true;
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(terminal);
  ASSERT_TRUE(sent) << shown;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << shown;
  EXPECT_FALSE(fs::exists(m_card + "/Detail Maps/A.imi"));
  EXPECT_FALSE(fs::exists(m_card + "/Detail Maps/B.imi"));
  EXPECT_EQ(ReadBytes(m_card + "/Background Maps/C.tdx"), "kept");
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(m_card)) left.push_back(entry.path().string());
  std::sort(left.begin(), left.end());
  // The folder made for the regions taken back goes with them.
  EXPECT_THAT(left, ElementsAre(m_card + "/Background Maps", m_card + "/Background Maps/C.tdx"));
}

}  // namespace
