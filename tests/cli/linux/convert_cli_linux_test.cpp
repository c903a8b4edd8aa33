// The cases of `transvane-cli convert` that need Linux: signals placed inside a system call
// (ptrace), symbolic links, and a FAT volume mounted with FUSE.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/convert_fixture.h"
#include "tests/cli/posix/cli_posix_support.h"
#include "tests/storage/fat_volume.h"

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;

// Interrupted while a file is written: its temporary file goes, the older file stays whole, and
// the exit status tells the signal.
TEST_F(ConvertCommandTest, AnInterruptLeavesNoTemporaryFile) {
  const std::string wpt = Copy("trip~saved.wpt", "in/trip.wpt");
  WriteBytes(Path("out/trip.upt"), "an older conversion");
  for (const auto& [signal, expected] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
    std::vector<std::string> atStop;
    // The first flush is trip.upt's temporary file's, whole, just before it replaces trip.upt
    // (trip.rte's, written in the same pass, is there too).
    const SInterruptedRun run = RunCliInterrupted({"convert", "-o", Path("out"), wpt}, SYS_fsync, 1, signal,
                                                  [&] { atStop = FilesUnder(Path("out")); });
    if (!run.traced) GTEST_SKIP() << "this system refuses to trace a child (ptrace), so no signal can be placed";
    ASSERT_TRUE(run.stopped) << run.err;
    EXPECT_THAT(atStop, Contains(StartsWith(".transvane-tmp."))) << "the temporary file beside trip.upt";
    EXPECT_EQ(run.status, expected) << run.err;
    EXPECT_THAT(FilesUnder(Path("out")), ElementsAre("trip.upt"));
    EXPECT_EQ(ReadBytes(Path("out/trip.upt")), "an older conversion");
    EXPECT_THAT(Lines(run.err),
                ElementsAre("interrupted: nothing more is converted", "  left as it was: " + Path("out/trip.upt"),
                            "  left as it was: " + Path("out/trip.rte"), "  not finished: " + wpt));
  }
}

// Interrupted in the middle of a run: it says which files it finished, which it left as they were,
// and which inputs it did not finish or begin.
TEST_F(ConvertCommandTest, AnInterruptTellsWhatWasFinishedAndWhatWasLeft) {
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  const std::string wpt = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string log = Copy("morning.log", "in/morning.log");
  // The second rename puts trip.upt in place (the call goes through before the signal lands);
  // trip.rte's comes after it.
  const SInterruptedRun run = RunCliInterrupted({"convert", "-o", Path("out"), upt, wpt, log}, SYS_rename, 2, SIGINT);
  if (!run.traced) GTEST_SKIP() << "this system refuses to trace a child (ptrace), so no signal can be placed";
  ASSERT_TRUE(run.stopped) << run.err;
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_THAT(FilesUnder(Path("out")), ElementsAre("trip.upt", "walk.wpt"));
  EXPECT_THAT(Lines(run.err),
              ElementsAre("interrupted: nothing more is converted", "  written whole: " + Path("out/walk.wpt"),
                          "  written whole: " + Path("out/trip.upt"), "  left as it was: " + Path("out/trip.rte"),
                          "  not finished: " + wpt, "  not converted: " + log));
}

// The other spellings of a folder an older file must not hide an output's name behind: a link to
// it, and on a FAT volume its name in other letters or through a link.
TEST_F(ConvertCommandTest, AnOlderFileHidesNoOutputsNameThroughALinkOrLetterCase) {
  const CFatVolume fat(Path(""), 40);
  fs::create_symlink(Path("g"), Path("gl"));
  ExpectTheNextNameUnderASpelling(Path("g"), Path("gl"));
  if (!fat.Unavailable().empty()) GTEST_SKIP() << "letter case untried: no FAT32 volume here: " << fat.Unavailable();
  // Letter case, and a link: the volume's names, not their letters, tell the folder.
  fs::create_symlink(fat.Path() + "/G", Path("fl"));
  ExpectTheNextNameUnderASpelling(fat.Path() + "/g", fat.Path() + "/G");
  ExpectTheNextNameUnderASpelling(fat.Path() + "/g", Path("fl"));
  // Such a volume loses bytes written over earlier ones: with nowhere to build the file first,
  // the conversion fails and the older file stays.
  const std::string older = fat.Path() + "/g/a.wpt";
  WriteBytes(older, "an older file");
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string kept = tmpdir != nullptr ? tmpdir : "";
  SetEnvironment("TMPDIR", Path("no such folder"));
  const SRun run = Run({"convert", fat.Path() + "/g/a.upt"});
  SetEnvironment("TMPDIR", tmpdir != nullptr ? std::optional<std::string>(kept) : std::nullopt);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, ::testing::HasSubstr(older + ": no room to build it in " + Path("no such folder")));
  EXPECT_EQ(ReadBytes(older), "an older file");
}

// An output folder that is a link to nowhere fails every target, naming the target and where the
// link points.
TEST_F(ConvertCommandTest, AnOutputFolderLinkedToNowhereFailsEachTarget) {
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  fs::create_symlink(Path("nowhere"), Path("dangle"));
  const SRun blocked = Run({"convert", "-o", Path("dangle"), upt});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.out, "");
  EXPECT_THAT(Lines(blocked.err), ElementsAre("An error occured while transferring file " + Path("dangle/walk.wpt."),
                                              "  cannot use the folder " + Path("dangle/") + ": it points to " +
                                                  Path("nowhere") + ", which does not exist"));
}

}  // namespace
