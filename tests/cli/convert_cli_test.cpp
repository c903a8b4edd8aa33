// Tests of `transvane-cli convert`: the built program on temporary folders, its files, messages
// and exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/cli/posix/cli_posix_support.h"
#include "tests/storage/fat_volume.h"

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::StartsWith;

class ConvertCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // The track files' times are local; the golden files are in UTC.
    SetEnvironment("TZ", "UTC");
  }
};

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
  EXPECT_THAT(Lines(run.out), ElementsAre(out + "/trip.upt", out + "/trip.rte", out + "/track1000.log",
                                          out + "/walk.wpt", out + "/walk_1.wpt", out + "/morning.trk"));
  const struct {
    const char* output;
    const char* expected;
  } files[] = {{"trip.upt", "trip~unit.upt"},           {"trip.rte", "trip~unit.rte"},
               {"track1000.log", "track1000~unit.log"}, {"walk.wpt", "walk~from_upt.wpt"},
               {"walk_1.wpt", "walk~from_rte.wpt"},     {"morning.trk", "morning~desktop.trk"}};
  for (const auto& file : files) {
    EXPECT_TRUE(SameAsFixture(file.expected, ReadBytes(fs::path(out) / file.output))) << file.output;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 6);
}

TEST_F(ConvertCommandTest, DefaultsToTheInputsFolderAndReplacesFiles) {
  const std::string rte = Copy("walk.rte", "trips/walk.rte");
  std::ofstream(Path("trips/walk.wpt")) << "an older conversion";
  const SRun run = Run({"convert", rte});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Path("trips/walk.wpt") + "\n");
  EXPECT_TRUE(ReadBytes(Path("trips/walk.wpt")) == ReadBytes(kGolden / "walk~from_rte.wpt"));

  // An input named without a folder lands in the working folder.
  const SRun here = Run({"convert", "walk.wpt"}, Path("trips"));
  EXPECT_EQ(here.status, 0) << here.err;
  EXPECT_EQ(here.out, "./walk.upt\n./walk.rte\n");
  EXPECT_TRUE(ReadBytes(Path("trips/walk.rte")) == ReadBytes(kGolden / "walk.rte"));
}

// An output never replaces an input of the same run, nor another output, however the paths are
// written: it gets the next free name, as two outputs of one name do.
TEST_F(ConvertCommandTest, OutputsNeverReplaceInputsOrEachOther) {
  const std::string wpt = Copy("trip~saved.wpt", "d/walk.wpt");
  const std::string rte = Copy("walk.rte", "d/walk.rte");
  SRun run = Run({"convert", wpt, rte});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("d/walk.upt"), Path("d/walk_1.rte"), Path("d/walk_1.wpt")));
  EXPECT_TRUE(SameAsFixture("trip~saved.wpt", ReadBytes(wpt)));
  EXPECT_TRUE(SameAsFixture("walk.rte", ReadBytes(rte)));
  EXPECT_TRUE(SameAsFixture("trip~unit.rte", ReadBytes(Path("d/walk_1.rte"))));
  EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(Path("d/walk_1.wpt"))));

  const std::string upt = Copy("walk.upt", "e/walk.upt");
  Copy("walk.rte", "e/walk.rte");
  run = Run({"convert", upt, Path("e/../e/walk.rte")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("e/walk.wpt"), Path("e/../e/walk_1.wpt")));
  EXPECT_TRUE(SameAsFixture("walk~from_upt.wpt", ReadBytes(Path("e/walk.wpt"))));
  EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(Path("e/walk_1.wpt"))));

  const std::string gpx = Copy("weekend.gpx", "g/walk.gpx");
  const std::string gpxUpt = Copy("walk.upt", "g/walk.upt");
  run = Run({"convert", gpx, gpxUpt});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("g/walk_1.upt"), Path("g/walk.rte"), Path("g/walk.log"),
                                          Path("g/walk_1.log"), Path("g/walk.wpt")));
  EXPECT_TRUE(SameAsFixture("walk.upt", ReadBytes(gpxUpt)));
  EXPECT_TRUE(SameAsFixture("weekend~unit.upt", ReadBytes(Path("g/walk_1.upt"))));
}

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

// Two inputs that want one output, where an older file of that name lies: the second output gets
// the next name however its folder is spelled, and neither conversion is lost. With one spelling it
// always did; the older file used to hide the name from every other one.
TEST_F(ConvertCommandTest, AnOlderFileHidesNoOutputsNameUnderAnySpelling) {
  const CFatVolume fat(Path(""), 40);
  fs::create_symlink(Path("g"), Path("gl"));
  struct SSpelling {
    std::string folder;  // where the inputs lie
    std::string other;   // the same folder, spelled otherwise
  };
  std::vector<SSpelling> spellings = {
      {Path("g"), Path("g/../g")}, {Path("g"), Path("g/.")}, {Path("g"), Path("g/")}, {Path("g"), Path("gl")}};
  if (fat.Unavailable().empty()) {
    // Letter case, and a link: the volume's names, not their letters, tell the folder.
    fs::create_symlink(fat.Path() + "/G", Path("fl"));
    spellings.push_back({fat.Path() + "/g", fat.Path() + "/G"});
    spellings.push_back({fat.Path() + "/g", Path("fl")});
  }
  for (const SSpelling& s : spellings) {
    for (const char* to : {"", "gpx"}) {
      fs::remove_all(s.folder);
      // Written, not copied: the FAT volume's driver copies no file.
      WriteBytes(s.folder + "/a.upt", ReadBytes(kGolden / "walk.upt"));
      WriteBytes(s.folder + "/a.rte", ReadBytes(kGolden / "walk.rte"));
      const std::string extension = *to != '\0' ? "gpx" : "wpt";
      WriteBytes(s.folder + "/a." + extension, "an older file");
      std::vector<std::string> arguments = {"convert", s.folder + "/a.upt", s.other + "/a.rte"};
      if (*to != '\0') arguments.insert(arguments.end(), {"--to", to});
      const SRun run = Run(arguments);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_THAT(Lines(run.out), ElementsAre(s.folder + "/a." + extension, s.other + "/a_1." + extension)) << s.other;
      EXPECT_NE(ReadBytes(s.folder + "/a." + extension), "an older file");
      if (*to == '\0') {
        EXPECT_TRUE(SameAsFixture("walk~from_upt.wpt", ReadBytes(s.folder + "/a.wpt"))) << s.other;
        EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(s.folder + "/a_1.wpt"))) << s.other;
      }
    }
  }
  if (!fat.Unavailable().empty()) GTEST_SKIP() << "letter case untried: no FAT32 volume here: " << fat.Unavailable();

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

TEST_F(ConvertCommandTest, EachFailureGivesTheMessageAndTheReason) {
  const std::string notes = Path("in/notes.txt");
  fs::create_directories(Path("in"));
  std::ofstream(notes) << "not navigation data";
  const std::string bare = Path("in/README");
  std::ofstream(bare) << "no extension";
  const std::string missing = Path("in/gone.trk");
  const std::string garbage = Write("in/garbage.wpt", "not a waypoint file");
  std::ofstream(Path("in/broken.log")) << "$PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A,MORNING,061204*1B\n";
  const std::string upt = Copy("walk.upt", "in/walk.upt");

  // When every input fails, the output folder is not made.
  const SRun none = Run({"convert", "-o", Path("none/deeper"), notes, missing, garbage});
  EXPECT_EQ(none.status, 1);
  EXPECT_FALSE(fs::exists(Path("none")));

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
  EXPECT_FALSE(fs::exists(Path("out/gone.log")));
  EXPECT_FALSE(fs::exists(Path("out/broken.trk")));

  // An output folder that cannot be made or used fails every target, each naming the target.
  std::ofstream(Path("taken")) << "a file";
  fs::create_symlink(Path("nowhere"), Path("dangle"));
  const struct {
    std::string folder;
    std::string reason;
  } blocks[] = {
      {Path("taken/sub"),
       "cannot create the folder " + Path("taken/sub/") + ": " + Path("taken") + " is a file, not a folder"},
      {Path("taken"), "cannot use the folder " + Path("taken/") + ": it is a file, not a folder"},
      {Path("dangle"),
       "cannot use the folder " + Path("dangle/") + ": it points to " + Path("nowhere") + ", which does not exist"},
  };
  for (const auto& block : blocks) {
    const SRun blocked = Run({"convert", "-o", block.folder, upt});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.out, "");
    EXPECT_THAT(
        Lines(blocked.err),
        ElementsAre("An error occured while transferring file " + block.folder + "/walk.wpt.", "  " + block.reason));
  }
}

// Bytes after a desktop file's last record are padding to the program: the file converts as it
// would without them, and each run says once how many were not read and where they begin.
TEST_F(ConvertCommandTest, BytesAfterTheLastRecordAreNotReadButSaid) {
  const std::string padding(70000, '\xA5');
  const std::string trip = Write("in/trip.wpt", ReadBytes(kGolden / "trip~saved.wpt") + padding);
  const std::string track = Write("in/track.trk", ReadBytes(kGolden / "track1000~saved.trk") + padding);
  const auto warning = [&](const std::string& source) {
    const std::uint64_t size = fs::file_size(source) - padding.size();
    return "warning: " + source + ": 70000 byte(s) after the last record were not read, the first at offset " +
           std::to_string(size);
  };
  for (const char* to : {"unit", "gpx"}) {
    const SRun run = Run({"convert", "--to", to, "-o", Path(to), trip, track});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(Lines(run.err), ElementsAre(warning(trip), warning(track))) << to;
  }
  EXPECT_TRUE(SameAsFixture("trip~unit.upt", ReadBytes(Path("unit/trip.upt"))));
  EXPECT_TRUE(SameAsFixture("trip~unit.rte", ReadBytes(Path("unit/trip.rte"))));
  EXPECT_TRUE(SameAsFixture("track1000~unit.log", ReadBytes(Path("unit/track.log"))));
  // Read but nothing written (each target is a folder), no warning: the failures alone.
  for (const char* target : {"blocked/trip.upt", "blocked/trip.rte", "blocked/track.log"})
    fs::create_directories(Path(target));
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
  EXPECT_THAT(version.out, ::testing::MatchesRegex("transvane-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

}  // namespace
