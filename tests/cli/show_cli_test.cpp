// Tests of `transvane-cli show`: the summary of each file, the picture as PNG and SVG, failures
// that keep a former picture, usage errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/sentences.h"
#include "tests/cli/cli_test_support.h"
#include "tests/formats/xml_check.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ShowCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    SetEnvironment("TZ", "Europe/Berlin");  // unit track logs hold local time; times are shown in it
  }
  void TearDown() override {
    CCliTest::TearDown();
    SetEnvironment("TZ", "UTC");
  }
};

// A PNG's width and height, from its header chunk; zeros when the bytes are no PNG.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  const auto word = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  return {word(16), word(20)};
}

// Routes and tracks are numbered across the files; the trip's route is 514948.781128 m by GeodSolve.
// The log's latest point, 23:59:59.99 on 31 February 2005, is 3 March, shown to the second.
TEST_F(ShowCommandTest, PrintsTheSummaryOfEachFile) {
  if (kTimeZoneIgnoredBecause != nullptr) GTEST_SKIP() << kTimeZoneIgnoredBecause;
  const std::string trip = Copy("trip~unit.rte", "trip.rte");
  const std::string morning = Copy("morning.log", "morning.log");
  const std::string gpx = Copy("weekend.gpx", "weekend.gpx");
  const SRun run = Run({"show", trip, morning, gpx});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.err, IsEmpty());
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GE(lines.size(), 20u) << run.out;
  EXPECT_THAT(
      std::vector<std::string>(lines.begin(), lines.begin() + 19),
      ElementsAre(trip, "  Waypoints: 3", "  Routes: 2", "  Route points: 2", "  Tracks: 0", "  Track points: 0",
                  "  Route 1 \"TRIP\": 2 points, 514.949 km", "  Route 2 \"EMPTY\": 0 points, 0.000 km",
                  "  Bounding box: 33.500000\xC2\xB0S \xE2\x80\x93 48.500000\xC2\xB0N, 3.500000\xC2\xB0W "
                  "\xE2\x80\x93 6.875000\xC2\xB0"
                  "E",
                  morning, "  Waypoints: 0", "  Routes: 0", "  Route points: 0", "  Tracks: 1", "  Track points: 5",
                  "  Track 1 \"MORNING\": 5 points, 0.000 km",
                  "  Time span: 2004-03-28 03:30:00 +0200 \xE2\x80\x93 2005-03-04 00:00:00 +0100 (8181:30:00)",
                  "  Bounding box: 48.500000\xC2\xB0N \xE2\x80\x93 48.500000\xC2\xB0N, 2.250000\xC2\xB0"
                  "E \xE2\x80\x93 2.250000\xC2\xB0"
                  "E",
                  gpx));
  EXPECT_THAT(run.out, HasSubstr("  Route 3 \"Day one\": 4 points, "));
  EXPECT_THAT(run.out, HasSubstr("  Track 2 \"Saturday\": 4 points, "));
}

TEST_F(ShowCommandTest, DrawsThePictureAsPngOrSvgOfTheAskedSize) {
  const std::string trip = Copy("trip~unit.rte", "trip.rte");
  const std::string morning = Copy("morning.log", "morning.log");
  const SRun png = Run({"show", "--png", Path("all.png"), "--size", "320x200", trip, morning});
  EXPECT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(Lines(png.out).back(), Path("all.png"));
  EXPECT_EQ(PngSize(ReadBytes(Path("all.png"))), std::make_pair(320u, 200u));

  const SRun svg = Run({"show", trip, "--svg", Path("trip.svg")});
  EXPECT_EQ(svg.status, 0) << svg.err;
  EXPECT_EQ(Lines(svg.out).back(), Path("trip.svg"));
  EXPECT_THAT(ReadBytes(Path("trip.svg")), HasSubstr("viewBox=\"0 0 800 600\""));
  EXPECT_THAT(ReadBytes(Path("trip.svg")), HasSubstr(">HOME</text>"));
  if (!XmlLintRuns()) GTEST_SKIP() << kNoXmlLint;
  EXPECT_TRUE(IsWellFormedXml(Path("trip.svg")));
}

// A unit sentence with its checksum and line end.
std::string Sentence(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X\r\n", Checksum(body));
  return "$" + body + sum;
}

// Names hold whatever bytes the file has: the SVG stays well-formed, markup in a name is text, and
// a character XML cannot hold (control characters) is shown as U+FFFD.
TEST_F(ShowCommandTest, TheSvgIsWellFormedWhateverTheNamesHold) {
  const std::string points =
      Write("odd.upt", Sentence("PTVLWPL,4830.000,N,00215.000,E,0035,M,A\x01<B,,a") +
                           Sentence("PTVLWPL,4831.000,N,00216.000,E,0035,M,&\"C\x1b,,a") + Sentence("PTVLCMD,END"));
  const SRun run = Run({"show", "--svg", Path("odd.svg"), points});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string svg = ReadBytes(Path("odd.svg"));
  EXPECT_THAT(svg, HasSubstr(">A\xEF\xBF\xBD&lt;B</text>"));
  EXPECT_THAT(svg, HasSubstr(">&amp;&quot;C\xEF\xBF\xBD</text>"));
  if (!XmlLintRuns()) GTEST_SKIP() << kNoXmlLint;
  EXPECT_TRUE(IsWellFormedXml(Path("odd.svg")));
}

// A picture without one of the files would pass for all of them: the former picture stays.
TEST_F(ShowCommandTest, AFileThatCannotBeReadIsNamedAndThePictureIsNotReplaced) {
  const std::string trip = Copy("trip~unit.rte", "trip.rte");
  const std::string notes = Write("notes.txt", "HOME 48.5 2.25\n");
  const std::string broken = Write("broken.log", "$PTVLTRK,bad*00\r\n");
  const std::string picture = Write("old.png", "the former picture");
  const SRun run = Run({"show", "--png", picture, notes, trip, broken});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.out).front(), trip);
  const std::vector<std::string> errors = Lines(run.err);
  ASSERT_EQ(errors.size(), 5u) << run.err;
  EXPECT_EQ(errors[0], "An error occured while loading file " + notes + ".");
  EXPECT_EQ(errors[2], "An error occured while loading file " + broken + ".");
  EXPECT_EQ(errors[4], picture + " was not written: not every file could be read");
  EXPECT_EQ(ReadBytes(picture), "the former picture");
}

TEST_F(ShowCommandTest, UsageErrorsExitWithTwo) {
  const std::string trip = Copy("trip~unit.rte", "trip.rte");
  const std::vector<std::vector<std::string>> runs = {
      {"show"},
      {"show", "--size", "10x10", trip},
      {"show", "--size", "800", trip},
      {"show", "--size", "-800x600", trip},
      {"show", "--png", Path("a.png"), "--svg", Path("a.svg"), trip},
      {"show", "--codepage", "NO-SUCH-CODEPAGE", trip},
  };
  for (const std::vector<std::string>& arguments : runs) {
    const SRun run = Run(arguments);
    EXPECT_EQ(run.status, 2) << arguments.size() << ": " << run.err;
    EXPECT_FALSE(run.err.empty());
  }
}

}  // namespace
