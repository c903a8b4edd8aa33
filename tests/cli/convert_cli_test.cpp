// Tests of `transvane-cli convert`: the built program on temporary folders, its files, messages
// and exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tests/cli/convert_fixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::StartsWith;

TEST_F(ConvertCommandTest, ConvertsEachKindIntoTheOutputFolder) {
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string track = Copy("track1000~saved.trk", "in/track1000.TRK");
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  const std::string rte = Copy("walk.rte", "in/walk.Rte");
  const std::string log = Copy("morning.log", "in/morning.log");
  const std::string out = Path("made/on/demand");

  const SRun run = Run({"convert", "-o", out, trip, track, upt, rte, log});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("made/on/demand/trip.upt"), Path("made/on/demand/trip.rte"),
                                          Path("made/on/demand/track1000.log"), Path("made/on/demand/walk.wpt"),
                                          Path("made/on/demand/walk_1.wpt"), Path("made/on/demand/morning.trk")));
  const struct {
    const char* output;
    const char* expected;
  } files[] = {{"trip.upt", "trip~unit.upt"},           {"trip.rte", "trip~unit.rte"},
               {"track1000.log", "track1000~unit.log"}, {"walk.wpt", "walk~from_upt.wpt"},
               {"walk_1.wpt", "walk~from_rte.wpt"},     {"morning.trk", "morning~desktop.trk"}};
  for (const auto& file : files) {
    EXPECT_TRUE(SameAsFixture(file.expected, ReadBytes(U8(out) / file.output))) << file.output;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(U8(out)), fs::directory_iterator()), 6);
}

TEST_F(ConvertCommandTest, DefaultsToTheInputsFolderAndReplacesFiles) {
  const std::string rte = Copy("walk.rte", "trips/walk.rte");
  Write("trips/walk.wpt", "an older conversion");
  const SRun run = Run({"convert", rte});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Path("trips/walk.wpt") + "\n");
  EXPECT_TRUE(ReadBytes(U8(Path("trips/walk.wpt"))) == ReadBytes(kGolden / "walk~from_rte.wpt"));

  // An input named without a folder lands in the working folder.
  const SRun here = Run({"convert", "walk.wpt"}, Path("trips"));
  EXPECT_EQ(here.status, 0) << here.err;
  EXPECT_EQ(here.out, Native("./walk.upt\n./walk.rte\n"));
  EXPECT_TRUE(ReadBytes(U8(Path("trips/walk.rte"))) == ReadBytes(kGolden / "walk.rte"));
}

// An output never replaces an input of the same run, nor another output, however the paths are
// written: it gets the next free name, as two outputs of one name do.
TEST_F(ConvertCommandTest, OutputsNeverReplaceInputsOrEachOther) {
  const std::string wpt = Copy("trip~saved.wpt", "d/walk.wpt");
  const std::string rte = Copy("walk.rte", "d/walk.rte");
  SRun run = Run({"convert", wpt, rte});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("d/walk.upt"), Path("d/walk_1.rte"), Path("d/walk_1.wpt")));
  EXPECT_TRUE(SameAsFixture("trip~saved.wpt", ReadBytes(U8(wpt))));
  EXPECT_TRUE(SameAsFixture("walk.rte", ReadBytes(U8(rte))));
  EXPECT_TRUE(SameAsFixture("trip~unit.rte", ReadBytes(U8(Path("d/walk_1.rte")))));
  EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(U8(Path("d/walk_1.wpt")))));

  const std::string upt = Copy("walk.upt", "e/walk.upt");
  Copy("walk.rte", "e/walk.rte");
  run = Run({"convert", upt, Path("e/../e/walk.rte")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("e/walk.wpt"), Path("e/../e/walk_1.wpt")));
  EXPECT_TRUE(SameAsFixture("walk~from_upt.wpt", ReadBytes(U8(Path("e/walk.wpt")))));
  EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(U8(Path("e/walk_1.wpt")))));

  const std::string gpx = Copy("weekend.gpx", "g/walk.gpx");
  const std::string gpxUpt = Copy("walk.upt", "g/walk.upt");
  run = Run({"convert", gpx, gpxUpt});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("g/walk_1.upt"), Path("g/walk.rte"), Path("g/walk.log"),
                                          Path("g/walk_1.log"), Path("g/walk.wpt")));
  EXPECT_TRUE(SameAsFixture("walk.upt", ReadBytes(U8(gpxUpt))));
  EXPECT_TRUE(SameAsFixture("weekend~unit.upt", ReadBytes(U8(Path("g/walk_1.upt")))));
}

// Two inputs that want one output, where an older file of that name lies: the second output gets
// the next name however its folder is spelled, and neither conversion is lost. With one spelling it
// always did; the older file used to hide the name from every other one.
TEST_F(ConvertCommandTest, AnOlderFileHidesNoOutputsNameUnderAnySpelling) {
  for (const char* other : {"g/../g", "g/.", "g/"}) ExpectTheNextNameUnderASpelling(Path("g"), Path(other));
}

TEST_F(ConvertCommandTest, EachFailureGivesTheMessageAndTheReason) {
  const std::string notes = Write("in/notes.txt", "not navigation data");
  const std::string bare = Write("in/README", "no extension");
  const std::string missing = Path("in/gone.trk");
  const std::string garbage = Write("in/garbage.wpt", "not a waypoint file");
  Write("in/broken.log", "$PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A,MORNING,061204*1B\n");
  const std::string upt = Copy("walk.upt", "in/walk.upt");

  // When every input fails, the output folder is not made.
  const SRun none = Run({"convert", "-o", Path("none/deeper"), notes, missing, garbage});
  EXPECT_EQ(none.status, 1);
  EXPECT_FALSE(fs::exists(U8(Path("none"))));

  const SRun run = Run({"convert", "-o", Path("out"), notes, missing, garbage, Path("in/broken.log"), upt, bare});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path("out/walk.wpt") + "\n");  // the good file still went through
  // A .wpt that cannot be read fails both its outputs for one reason, told once.
  EXPECT_THAT(
      Lines(run.err),
      ElementsAre("An error occured while loading file " + notes + ".",
                  "  unknown kind of file: expected .wpt, .trk, .upt, .rte, .log or .gpx",
                  "An error occured while loading file " + missing + ".", StartsWith("  cannot open " + missing + ": "),
                  "An error occured while loading file " + garbage + ".", StartsWith("  "),
                  "An error occured while loading file " + Path("in/broken.log") + ".",
                  "  file ends without the end sentence", "An error occured while loading file " + bare + ".",
                  "  unknown kind of file: expected .wpt, .trk, .upt, .rte, .log or .gpx"));
  EXPECT_FALSE(fs::exists(U8(Path("out/gone.log"))));
  EXPECT_FALSE(fs::exists(U8(Path("out/broken.trk"))));

  // An output folder that cannot be made or used fails every target, each naming the target.
  // (The reasons keep the '/' that the tool joins a folder and a name with.)
  Write("taken", "a file");
  const struct {
    std::string folder;
    std::string reason;
  } blocks[] = {
      {Path("taken/sub"),
       "cannot create the folder " + Path("taken/sub") + "/: " + Path("taken") + " is a file, not a folder"},
      {Path("taken"), "cannot use the folder " + Path("taken") + "/: it is a file, not a folder"},
  };
  for (const auto& block : blocks) {
    const SRun blocked = Run({"convert", "-o", block.folder, upt});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.out, "");
    EXPECT_THAT(Lines(blocked.err),
                ElementsAre("An error occured while transferring file " + Native(block.folder + "/walk.wpt."),
                            "  " + block.reason));
  }
}

// Bytes after a desktop file's last record are padding to the program: the file converts as it
// would without them, and each run says once how many were not read and where they begin.
TEST_F(ConvertCommandTest, BytesAfterTheLastRecordAreNotReadButSaid) {
  const std::string padding(70000, '\xA5');
  const std::string trip = Write("in/trip.wpt", ReadBytes(kGolden / "trip~saved.wpt") + padding);
  const std::string track = Write("in/track.trk", ReadBytes(kGolden / "track1000~saved.trk") + padding);
  const auto warning = [&](const std::string& source) {
    const std::uint64_t size = fs::file_size(U8(source)) - padding.size();
    return "warning: " + source + ": 70000 byte(s) after the last record were not read, the first at offset " +
           std::to_string(size);
  };
  for (const char* to : {"unit", "gpx"}) {
    const SRun run = Run({"convert", "--to", to, "-o", Path(to), trip, track});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(Lines(run.err), ElementsAre(warning(trip), warning(track))) << to;
  }
  EXPECT_TRUE(SameAsFixture("trip~unit.upt", ReadBytes(U8(Path("unit/trip.upt")))));
  EXPECT_TRUE(SameAsFixture("trip~unit.rte", ReadBytes(U8(Path("unit/trip.rte")))));
  EXPECT_TRUE(SameAsFixture("track1000~unit.log", ReadBytes(U8(Path("unit/track.log")))));
  // Read but nothing written (each target is a folder), no warning: the failures alone.
  for (const char* target : {"blocked/trip.upt", "blocked/trip.rte", "blocked/track.log"})
    fs::create_directories(U8(Path(target)));
  const SRun blocked = Run({"convert", "-o", Path("blocked"), trip, track});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_THAT(Lines(blocked.err), Each(Not(StartsWith("warning: "))));
}

TEST_F(ConvertCommandTest, UsageErrorsHelpAndVersion) {
  EXPECT_EQ(Run({"convert"}).status, 2);
  EXPECT_EQ(Run({"convert", "--frobnicate", Path("x.wpt")}).status, 2);
  EXPECT_EQ(Run({"convert", Path("x.wpt"), "-o"}).status, 2);
  const SRun help = Run({"convert", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, ::testing::HasSubstr("-o,--output"));
  const SRun version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  // "transvane-cli 1.2.3" (no regular expression: Windows' gtest knows no brackets).
  const std::vector<std::string> words = Words(version.out);
  ASSERT_EQ(words.size(), 2u) << version.out;
  EXPECT_EQ(words[0], "transvane-cli");
  EXPECT_EQ(words[1].find_first_not_of("0123456789."), std::string::npos) << version.out;
  EXPECT_EQ(std::count(words[1].begin(), words[1].end(), '.'), 2) << version.out;
}

}  // namespace
