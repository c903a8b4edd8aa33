// The cases of `transvane-cli send` that need Linux: a signal placed inside a system call (ptrace),
// and units among the drives of a fake system tree (mount table, sysfs, volumes).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/posix/cli_posix_support.h"
#include "tests/cli/send_fixture.h"
#include "tests/storage/fake_system_tree.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

// Interrupted while a file goes onto the unit: the staging folder and the unit's temporary file go.
TEST_F(SendCommandTest, AnInterruptRemovesTheStagingFolderAndTheTemporaryFile) {
  const std::string unit = MakeUnit("unit");
  WriteBytes(unit + "/Mes POIs/trip.upt", "an older send");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  std::vector<std::string> staged;
  std::vector<std::string> onUnit;
  // The third flush: trip.upt and trip.rte staged whole (one pass makes both), trip.upt's copy
  // whole on the unit, about to replace the old one.
  const SInterruptedRun run =
      RunCliInterrupted({"send", "--unit", unit, "--no-eject", trip}, SYS_fsync, 3, SIGHUP, [&] {
        staged = StagingLeftovers();
        onUnit = FilesUnder(unit + "/Mes POIs");
      });
  if (!run.traced) GTEST_SKIP() << "this system refuses to trace a child (ptrace), so no signal can be placed";
  ASSERT_TRUE(run.stopped) << run.err;
  EXPECT_EQ(staged.size(), 1u);
  EXPECT_EQ(onUnit.size(), 2u) << "the temporary file beside trip.upt";
  EXPECT_EQ(run.status, 129) << run.err;
  EXPECT_THAT(StagingLeftovers(), IsEmpty());
  EXPECT_THAT(FilesUnder(unit + "/Mes POIs"), ElementsAre("trip.upt"));
  EXPECT_EQ(ReadBytes(unit + "/Mes POIs/trip.upt"), "an older send");
  EXPECT_THAT(Lines(run.err),
              ElementsAre("interrupted: nothing more is sent", "  left as it was: " + unit + "/Mes POIs/trip.upt",
                          "  left as it was: " + unit + "/Itinéraires/trip.rte", "  not finished: " + trip,
                          "The unit is safe to remove after unmounting it."));
}

// The unit among the drives of a fake machine; the mount-table source cannot eject, so the run
// ends with the hint, which does not make it a failure.
TEST_F(SendCommandTest, FindsTheUnitAmongTheDrivesAndAsksForTheEject) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  const std::string unit = tree.Path("/media/ann/NORVANTIS");
  tree.WriteFile("/media/ann/NORVANTIS/usbtrans/unit_id.dat", "Model=Norvantis 200\r\n");  // no language file
  tree.WriteFile("/media/ann/SDCARD/USBTRANS/UNIT_ID.DAT", "Model=Garvel 12\r\n");
  const std::string track = Copy("track1000~saved.trk", "in/track1000.trk");

  const SRun run = Run({"send", "--sysroot", tree.Root(), track});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, unit + "/Track Logs/track1000.log\n");
  EXPECT_EQ(run.err, kEjectHint + "\n");
  EXPECT_TRUE(ReadBytes(unit + "/Track Logs/track1000.log") == ReadBytes(kGolden / "track1000~unit.log"));

  // Asked not to eject, or nothing went onto the unit: no hint.
  const SRun kept = Run({"send", "--sysroot", tree.Root(), "--no-eject", track});
  EXPECT_EQ(kept.status, 0);
  EXPECT_EQ(kept.out, unit + "/Track Logs/track1000.log\n");  // names are unique within one run; this replaces
  EXPECT_EQ(kept.err, "");
  const SRun failed = Run({"send", "--sysroot", tree.Root(), Path("in/gone.trk")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_THAT(failed.err, Not(HasSubstr(kEjectHint)));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());
}

TEST_F(SendCommandTest, NoUnitAmongTheDrivesWritesNothing) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  tree.WriteFile("/media/ann/SDCARD/USBTRANS/UNIT_ID.DAT", "Model=Garvel 12\r\n");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");

  const SRun run = Run({"send", "--sysroot", tree.Root(), trip});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, StartsWith("no Norvantis unit found among the removable drives"));
  // The detection pass ends on some ready drive; nothing may be written there or anywhere else.
  EXPECT_THAT(FilesUnder(tree.Path("/media")), ElementsAre("ann/SDCARD/USBTRANS/UNIT_ID.DAT"));
}

}  // namespace
