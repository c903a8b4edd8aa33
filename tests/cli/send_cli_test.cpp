// Tests of `transvane-cli send`: the built program onto fake units (a folder named with --unit, or
// a volume of a fake system tree), its files, messages and exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/posix/cli_posix_support.h"
#include "tests/storage/fake_system_tree.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kEjectHint = "The unit is safe to remove after unmounting it.";

class SendCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // The track files' times are local; the golden files are in UTC. The staged files go under
    // the test's own temporary folder, which must be empty again after each run.
    SetEnvironment("TZ", "UTC");
    fs::create_directories(Path("tmp"));
    SetEnvironment("TMPDIR", Path("tmp"));
  }
  void TearDown() override {
    SetEnvironment("TMPDIR", std::nullopt);
    CCliTest::TearDown();
  }

  // What the runs left in the temporary folder (where the fake trees live too).
  std::vector<std::string> StagingLeftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path("tmp"))) {
      if (entry.path().filename().string().rfind("drv_tree_", 0) != 0) names.push_back(entry.path().string());
    }
    return names;
  }

  // A folder standing for the unit's volume, with translated folder names.
  std::string MakeUnit(const std::string& relative) {
    WriteBytes(Path(relative + "/USBTRANS/UNIT_ID.DAT"), "Serial=42\r\nModel=Norvantis 200\r\n");
    WriteBytes(Path(relative + "/USBTRANS/LANGUAGE.DAT"),
               "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\nMyPOIs=Mes POIs\r\nRoutes=Itinéraires\r\n"
               "TrackLogs=Traces\r\n");
    return Path(relative);
  }
};

TEST_F(SendCommandTest, ConvertsIntoTheUnitsFoldersWithUniqueNames) {
  const std::string unit = MakeUnit("unit");
  fs::create_directories(unit + "/TRACES");  // the volume's own spelling of a folder is kept
  WriteBytes(unit + "/Mes POIs/trip.upt", "an older send");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string again = Copy("trip~saved.wpt", "other/trip.WPT");
  const std::string track = Copy("track1000~saved.trk", "in/track1000.trk");

  const SRun run = Run({"send", "--unit", unit, "--no-eject", trip, track, again});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(Lines(run.out),
              ElementsAre(unit + "/Mes POIs/trip.upt", unit + "/Itinéraires/trip.rte", unit + "/TRACES/track1000.log",
                          unit + "/Mes POIs/trip_1.upt", unit + "/Itinéraires/trip_1.rte"));
  const struct {
    const char* output;
    const char* expected;
  } files[] = {{"Mes POIs/trip.upt", "trip~unit.upt"},
               {"Mes POIs/trip_1.upt", "trip~unit.upt"},
               {"Itinéraires/trip.rte", "trip~unit.rte"},
               {"Itinéraires/trip_1.rte", "trip~unit.rte"},
               {"TRACES/track1000.log", "track1000~unit.log"}};
  for (const auto& file : files) {
    EXPECT_TRUE(SameAsFixture(file.expected, ReadBytes(fs::path(unit) / file.output))) << file.output;
  }
  EXPECT_THAT(FilesUnder(unit),
              ElementsAre("Itinéraires/trip.rte", "Itinéraires/trip_1.rte", "Mes POIs/trip.upt", "Mes POIs/trip_1.upt",
                          "TRACES/track1000.log", "USBTRANS/LANGUAGE.DAT", "USBTRANS/UNIT_ID.DAT"));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());  // the staging folder is gone

  // Padding after the last record goes unread, said once for the source's two files.
  const std::string padded = Write("in/padded.wpt", ReadBytes(kGolden / "trip~saved.wpt") + std::string(9, '\0'));
  const SRun warned = Run({"send", "--unit", unit, "--no-eject", padded});
  EXPECT_EQ(warned.status, 0) << warned.err;
  EXPECT_THAT(Lines(warned.err),
              ElementsAre(StartsWith("warning: " + padded + ": 9 byte(s) after the last record were not read")));
}

TEST_F(SendCommandTest, EachFailureGivesTheMessageAndTheReasonAndTheOthersGoThrough) {
  const std::string unit = MakeUnit("unit");
  const std::string notes = Path("in/notes.txt");
  WriteBytes(notes, "not navigation data");
  const std::string broken = Path("in/broken.wpt");
  WriteBytes(broken, "not a waypoint file at all");
  const std::string missing = Path("in/gone.trk");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");

  const SRun run = Run({"send", "--unit", unit, "--no-eject", notes, broken, missing, trip});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.out), ElementsAre(unit + "/Mes POIs/trip.upt", unit + "/Itinéraires/trip.rte"));
  // A .wpt that cannot be read fails both its files for one reason, told once.
  EXPECT_THAT(Lines(run.err), ElementsAre("An error occured while loading file " + notes + ".",
                                          "  unknown kind of file: expected .wpt or .trk",
                                          "An error occured while loading file " + broken + ".", StartsWith("  "),
                                          "An error occured while loading file " + missing + ".",
                                          StartsWith("  cannot open " + missing + ": ")));
  EXPECT_FALSE(fs::exists(unit + "/Mes POIs/broken.upt"));
  EXPECT_FALSE(fs::exists(unit + "/Traces/gone.log"));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());

  // A copy onto the unit that fails names the target; the file of the other folder still goes.
  fs::remove(unit + "/Mes POIs/trip.upt");
  fs::create_directories(unit + "/Mes POIs/trip.upt");
  const SRun blocked = Run({"send", "--unit", unit, "--no-eject", trip});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.out, unit + "/Itinéraires/trip.rte\n");
  EXPECT_THAT(
      Lines(blocked.err),
      ElementsAre("An error occured while transferring file " + unit + "/Mes POIs/trip.upt.", StartsWith("  ")));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());
}

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

TEST_F(SendCommandTest, AFolderThatIsNotAUnitIsAUsageError) {
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  WriteBytes(Path("other/USBTRANS/UNIT_ID.DAT"), "Model=Garvel 12\r\n");
  WriteBytes(Path("empty/.keep"), "");
  for (const char* folder : {"empty", "other"}) {
    const SRun run = Run({"send", "--unit", Path(folder), trip});
    EXPECT_EQ(run.status, 2) << folder;
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, StartsWith("--unit " + Path(folder) + ": not a Norvantis unit"));
  }
  EXPECT_THAT(FilesUnder(Path("empty")), ElementsAre(".keep"));  // nothing made on a stranger's volume
  EXPECT_THAT(FilesUnder(Path("other")), ElementsAre("USBTRANS/UNIT_ID.DAT"));
  EXPECT_EQ(Run({"send", "--unit", Path("nowhere"), trip}).status, 2);
  EXPECT_EQ(Run({"send", "--unit", MakeUnit("unit")}).status, 2);  // no file
  EXPECT_EQ(Run({"send", "--frobnicate", trip}).status, 2);

  const SRun help = Run({"send", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("--no-eject"));
  EXPECT_THAT(help.out, HasSubstr("1 when any failed or no unit was found"));
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
