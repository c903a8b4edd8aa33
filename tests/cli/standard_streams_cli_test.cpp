// Tests of standard input ("-" with --from) and standard output (-o -) in `transvane-cli convert`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class StandardStreamsTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    SetEnvironment("TZ", "UTC");
    // The run's own folder for the streams goes here, so that the test sees it gone afterwards.
    fs::create_directories(Path("tmp"));
    if (const char* kept = std::getenv(kTemporaryFolderVariable)) m_keptTemporaryFolder = kept;
    SetEnvironment(kTemporaryFolderVariable, Path("tmp"));
  }
  void TearDown() override {
    SetEnvironment(kTemporaryFolderVariable, m_keptTemporaryFolder);
    CCliTest::TearDown();
  }
  bool NothingStaged() const { return fs::is_empty(Path("tmp")); }

 private:
  std::optional<std::string> m_keptTemporaryFolder;
};

// Through a pipe, the binary files too: each kind converts as the same file would.
TEST_F(StandardStreamsTest, StandardInputConvertsAsAFileOfItsKind) {
  const struct {
    const char* golden;
    const char* from;
    std::vector<std::pair<std::string, std::string>> outputs;  // name, the fixture it equals
  } cases[] = {
      {"walk.upt", "upt", {{"stdin.wpt", "walk~from_upt.wpt"}}},
      {"walk.rte", "rte", {{"stdin.wpt", "walk~from_rte.wpt"}}},
      {"morning.log", "log", {{"stdin.trk", "morning~desktop.trk"}}},
      {"trip~saved.wpt", "wpt", {{"stdin.upt", "trip~unit.upt"}, {"stdin.rte", "trip~unit.rte"}}},
      {"track1000~saved.trk", "trk", {{"stdin.log", "track1000~unit.log"}}},
      {"weekend.gpx",
       "gpx",
       {{"stdin.upt", "weekend~unit.upt"}, {"stdin.rte", "weekend~unit.rte"}, {"stdin.log", ""}, {"stdin_1.log", ""}}},
  };
  for (const auto& c : cases) {
    const std::string out = Path(std::string("out-") + c.from);
    const SRun run = Run({"convert", "--from", c.from, "-o", out, "-"}, {}, ReadBytes(kGolden / c.golden));
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> printed;
    for (const auto& [name, fixture] : c.outputs) {
      printed.push_back(Native(out + "/" + name));
      if (!fixture.empty()) {
        EXPECT_TRUE(SameAsFixture(fixture, ReadBytes(U8(out + "/" + name)))) << name;
      }
    }
    EXPECT_THAT(Lines(run.out), ElementsAreArray(printed));
    EXPECT_TRUE(NothingStaged());
  }
  // Without -o, into the working folder.
  fs::create_directories(U8(Path("here")));
  const SRun here = Run({"convert", "--from", "upt", "-"}, Path("here"), ReadBytes(kGolden / "walk.upt"));
  EXPECT_EQ(here.status, 0) << here.err;
  EXPECT_EQ(here.out, Native("./stdin.wpt\n"));
}

TEST_F(StandardStreamsTest, TheOneOutputGoesToStandardOutput) {
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  const std::string trk = Copy("track1000~saved.trk", "in/track1000.trk");
  const struct {
    std::vector<std::string> arguments;
    std::string input;
    const char* fixture;
  } cases[] = {
      {{"convert", "-o", "-", upt}, "", "walk~from_upt.wpt"},
      {{"convert", "-o", "-", trk}, "", "track1000~unit.log"},
      {{"convert", "--from", "rte", "-o", "-", "-"}, ReadBytes(kGolden / "walk.rte"), "walk~from_rte.wpt"},
      {{"convert", "--from", "trk", "--to", "gpx", "-o", "-", "-"},
       ReadBytes(kGolden / "track1000~saved.trk"),
       "track1000~gpx.gpx"},
  };
  for (const auto& c : cases) {
    const SRun run = Run(c.arguments, {}, c.input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(SameAsFixture(c.fixture, run.out)) << c.fixture;
    EXPECT_TRUE(NothingStaged());
  }
  EXPECT_THAT(FilesUnder(Path("in")), ElementsAre("track1000.trk", "walk.upt"));
}

// Refused before anything is read or written: exit 2, nothing on standard output, nothing left.
TEST_F(StandardStreamsTest, StreamsThatCannotWorkAreRefused) {
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  const std::string wpt = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string gpx = ReadBytes(kGolden / "weekend.gpx");
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"convert", "-"},
       "\"-\" reads standard input, which has no extension: say what it holds with --from "
       "wpt|trk|upt|rte|log|gpx"},
      {{"convert", "--from", "gpx", upt}, "--from says what standard input holds: name it \"-\" among the files"},
      {{"convert", "--from", "gpx", "-", "-"}, "standard input can be read once: \"-\" is given more than once"},
      {{"convert", "--from", "txt", "-"}, "--from: txt not in {wpt,trk,upt,rte,log,gpx}"},
      {{"convert", "-o", "-", upt, upt},
       "-o - writes one file to standard output, but several files are given: "
       "name a folder with -o"},
      {{"convert", "-o", "-", wpt},
       "-o - writes one file to standard output, but this file gives several: name a "
       "folder with -o"},
      {{"convert", "--from", "gpx", "-o", "-", "-"},
       "-o - writes one file to standard output, but the input gives 4 (stdin.upt, stdin.rte, stdin.log, "
       "stdin_1.log): name a folder with -o"},
  };
  for (const auto& c : cases) {
    const SRun run = Run(c.arguments, Path("in"), gpx);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_THAT(run.out, IsEmpty());
    EXPECT_THAT(run.err, HasSubstr(c.err));
    EXPECT_TRUE(NothingStaged());
  }
  EXPECT_THAT(FilesUnder(Path("in")), ElementsAre("trip.wpt", "walk.upt"));
}

// A refusal names standard input, not the file it went through.
TEST_F(StandardStreamsTest, AFailureNamesStandardInput) {
  const SRun run = Run({"convert", "--from", "log", "-o", "-", "-"}, {}, "$PTVLTRK,4830.000,N\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, IsEmpty());
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(Lines(run.err).front(), "An error occured while loading file standard input.");
  EXPECT_THAT(run.err, ::testing::Not(HasSubstr(Path("tmp"))));
  EXPECT_TRUE(NothingStaged());
}

}  // namespace
