// Tests of `transvane-cli send`: the built program onto a folder standing for the unit (--unit), its
// files, messages and exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/send_fixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

TEST_F(SendCommandTest, ConvertsIntoTheUnitsFoldersWithUniqueNames) {
  const std::string unit = MakeUnit("unit");
  fs::create_directories(U8(unit + "/TRACES"));  // the volume's own spelling of a folder is kept
  WriteBytes(U8(unit + "/Mes POIs/trip.upt"), "an older send");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string again = Copy("trip~saved.wpt", "other/trip.WPT");
  const std::string track = Copy("track1000~saved.trk", "in/track1000.trk");

  const SRun run = Run({"send", "--unit", unit, "--no-eject", trip, track, again});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(Lines(run.out), ElementsAre(Native(unit + "/Mes POIs/trip.upt"), Native(unit + "/Itinéraires/trip.rte"),
                                          Native(unit + "/TRACES/track1000.log"), Native(unit + "/Mes POIs/trip_1.upt"),
                                          Native(unit + "/Itinéraires/trip_1.rte")));
  const struct {
    const char* output;
    const char* expected;
  } files[] = {{"Mes POIs/trip.upt", "trip~unit.upt"},
               {"Mes POIs/trip_1.upt", "trip~unit.upt"},
               {"Itinéraires/trip.rte", "trip~unit.rte"},
               {"Itinéraires/trip_1.rte", "trip~unit.rte"},
               {"TRACES/track1000.log", "track1000~unit.log"}};
  for (const auto& file : files) {
    EXPECT_TRUE(SameAsFixture(file.expected, ReadBytes(U8(unit + "/" + file.output)))) << file.output;
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
  WriteBytes(U8(notes), "not navigation data");
  const std::string broken = Path("in/broken.wpt");
  WriteBytes(U8(broken), "not a waypoint file at all");
  const std::string missing = Path("in/gone.trk");
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");

  const SRun run = Run({"send", "--unit", unit, "--no-eject", notes, broken, missing, trip});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.out), ElementsAre(Native(unit + "/Mes POIs/trip.upt"), Native(unit + "/Itinéraires/trip.rte")));
  // A .wpt that cannot be read fails both its files for one reason, told once.
  EXPECT_THAT(Lines(run.err), ElementsAre("An error occured while loading file " + notes + ".",
                                          "  unknown kind of file: expected .wpt or .trk",
                                          "An error occured while loading file " + broken + ".", StartsWith("  "),
                                          "An error occured while loading file " + missing + ".",
                                          StartsWith("  cannot open " + missing + ": ")));
  EXPECT_FALSE(fs::exists(U8(unit + "/Mes POIs/broken.upt")));
  EXPECT_FALSE(fs::exists(U8(unit + "/Traces/gone.log")));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());

  // A copy onto the unit that fails names the target; the file of the other folder still goes.
  fs::remove(U8(unit + "/Mes POIs/trip.upt"));
  fs::create_directories(U8(unit + "/Mes POIs/trip.upt"));
  const SRun blocked = Run({"send", "--unit", unit, "--no-eject", trip});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.out, Native(unit + "/Itinéraires/trip.rte\n"));
  EXPECT_THAT(Lines(blocked.err),
              ElementsAre("An error occured while transferring file " + Native(unit + "/Mes POIs/trip.upt."),
                          StartsWith("  ")));
  EXPECT_THAT(StagingLeftovers(), IsEmpty());
}

TEST_F(SendCommandTest, AFolderThatIsNotAUnitIsAUsageError) {
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  WriteBytes(U8(Path("other/USBTRANS/UNIT_ID.DAT")), "Model=Garvel 12\r\n");
  WriteBytes(U8(Path("empty/.keep")), "");
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

}  // namespace
