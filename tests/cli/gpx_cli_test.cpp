// Tests of `transvane-cli convert` with GPX: .gpx to the unit's and the desktop's files, any file to
// .gpx, code pages, several tracks, and requests that would give empty files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"
#include "tests/formats/xml_check.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class GpxConvertCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // Unit track logs hold local time; the golden files were made in Berlin.
    SetEnvironment("TZ", "Europe/Berlin");
  }
  void TearDown() override {
    CCliTest::TearDown();
    SetEnvironment("TZ", "UTC");
  }

  std::vector<std::string> FilesIn(const std::string& relative) const {
    std::vector<std::string> names;
    if (!fs::exists(Path(relative))) return names;
    for (const auto& entry : fs::directory_iterator(Path(relative))) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(GpxConvertCommandTest, GpxGoesToTheUnitByDefaultAndToTheDesktopOnRequest) {
  if (kTimeZoneIgnoredBecause != nullptr) GTEST_SKIP() << kTimeZoneIgnoredBecause;
  const std::string gpx = Copy("weekend.gpx", "in/weekend.gpx");
  const SRun unit = Run({"convert", "-o", Path("unit"), gpx});
  EXPECT_EQ(unit.status, 0) << unit.err;
  EXPECT_THAT(Lines(unit.out), ElementsAre(Path("unit/weekend.upt"), Path("unit/weekend.rte"), Path("unit/weekend.log"),
                                           Path("unit/weekend_1.log")));
  EXPECT_THAT(Lines(unit.err),
              ElementsAre("warning: " + gpx + ": 2 character(s) not held by CP1252 or by XML became '?'"));
  EXPECT_EQ(ReadBytes(Path("unit/weekend.upt")), ReadBytes(kGolden / "weekend~unit.upt"));
  EXPECT_EQ(ReadBytes(Path("unit/weekend.rte")), ReadBytes(kGolden / "weekend~unit.rte"));
  EXPECT_EQ(ReadBytes(Path("unit/weekend.log")), ReadBytes(kGolden / "weekend~unit.log"));
  // The second track has no name: the unit gives it the file's name when it reads it.
  EXPECT_THAT(ReadBytes(Path("unit/weekend_1.log")),
              StartsWith("$PTVLTRK,4726.778,N,01132.646,E,0000,M,090000.00,A,weekend_,"));  // named after its file

  const SRun desktop = Run({"convert", "--to", "desktop", "-o", Path("desktop"), gpx});
  EXPECT_EQ(desktop.status, 0) << desktop.err;
  EXPECT_THAT(Lines(desktop.out),
              ElementsAre(Path("desktop/weekend.wpt"), Path("desktop/weekend.trk"), Path("desktop/weekend_1.trk")));
  EXPECT_EQ(ReadBytes(Path("desktop/weekend.wpt")), ReadBytes(kGolden / "weekend~desktop.wpt"));
  EXPECT_EQ(ReadBytes(Path("desktop/weekend.trk")), ReadBytes(kGolden / "weekend~desktop.trk"));
}

// Desktop → GPX → desktop gives the same bytes; unit → GPX → unit the same lines.
TEST_F(GpxConvertCommandTest, RoundTripsThroughGpx) {
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string track = Copy("track1000~saved.trk", "in/track1000.trk");
  const std::string walk = Copy("walk.rte", "in/walk.rte");
  const std::string morning = Copy("morning.log", "in/morning.log");
  const SRun out = Run({"convert", "--to", "gpx", "-o", Path("gpx"), trip, track, walk, morning});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_THAT(Lines(out.out), ElementsAre(Path("gpx/trip.gpx"), Path("gpx/track1000.gpx"), Path("gpx/walk.gpx"),
                                          Path("gpx/morning.gpx")));
  EXPECT_EQ(ReadBytes(Path("gpx/trip.gpx")), ReadBytes(kGolden / "trip~saved~gpx.gpx"));

  const SRun back =
      Run({"convert", "--to", "desktop", "-o", Path("desktop"), Path("gpx/trip.gpx"), Path("gpx/track1000.gpx")});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(ReadBytes(Path("desktop/trip.wpt")), ReadBytes(trip));
  EXPECT_EQ(ReadBytes(Path("desktop/track1000.trk")), ReadBytes(track));

  const SRun unit = Run({"convert", "-o", Path("unit"), Path("gpx/walk.gpx"), Path("gpx/morning.gpx")});
  EXPECT_EQ(unit.status, 0) << unit.err;
  EXPECT_THAT(Lines(unit.out), ElementsAre(Path("unit/walk.upt"), Path("unit/walk.rte"), Path("unit/morning.log")));
  EXPECT_EQ(ReadBytes(Path("unit/walk.rte")), ReadBytes(walk));
  // The log's last point falls in Berlin's spring-forward hour.
  if (kTimeZoneIgnoredBecause != nullptr) {
    GTEST_SKIP() << kTimeZoneIgnoredBecause << (XmlLintRuns() ? "" : std::string("; ") + kNoXmlLint);
  }
  EXPECT_EQ(ReadBytes(Path("unit/morning.log")), ReadBytes(kGolden / "morning~rewrite.log"));
  if (!XmlLintRuns()) GTEST_SKIP() << kNoXmlLint;
  for (const char* name : {"trip", "track1000", "walk", "morning"}) {
    EXPECT_TRUE(IsWellFormedXml(Path("gpx/") + name + ".gpx"));
  }
}

TEST_F(GpxConvertCommandTest, SeveralTracksWithoutWaypoints) {
  const std::string gpx = Write("in/days.gpx", R"(<?xml version="1.0"?>
<gpx version="1.1" creator="x" xmlns="http://www.topografix.com/GPX/1/1">
  <trk><name>One</name><trkseg><trkpt lat="47" lon="11"><time>2023-06-10T08:00:00Z</time></trkpt></trkseg></trk>
  <trk><name>Empty</name><trkseg/></trk>
  <trk><name>Two</name><trkseg><trkpt lat="47" lon="11"><time>2023-06-11T08:00:00Z</time></trkpt></trkseg></trk>
  <trk><name>Three</name><trkseg><trkpt lat="47" lon="11"><time>2023-06-12T08:00:00Z</time></trkpt></trkseg></trk>
</gpx>)");
  const SRun run = Run({"convert", "-o", Path("out"), gpx});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(Lines(run.out), ElementsAre(Path("out/days.log"), Path("out/days_1.log"), Path("out/days_2.log")));
  EXPECT_THAT(FilesIn("out"), ElementsAre("days.log", "days_1.log", "days_2.log"));
  EXPECT_NE(ReadBytes(Path("out/days_1.log")).find(",A,Two,110623*"), std::string::npos);
  EXPECT_NE(ReadBytes(Path("out/days_2.log")).find(",A,Three,120623*"), std::string::npos);
}

// A request that would give only empty files says so, writes nothing and fails.
TEST_F(GpxConvertCommandTest, NothingToConvertWritesNothing) {
  const std::string bare = Write("in/bare.gpx", R"(<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1">
  <metadata><name>nothing here</name></metadata><trk><name>Empty</name></trk></gpx>)");
  const std::string emptyTrack = Copy("empty~saved.trk", "in/empty.trk");
  const std::string emptyPoints = Copy("empty~saved.wpt", "in/none.wpt");
  const SRun run = Run({"convert", "-o", Path("out"), bare});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(Lines(run.err), ElementsAre("An error occured while converting file " + bare + ".",
                                          "  nothing to convert: the file holds no waypoint, route or track point"));
  const SRun toGpx = Run({"convert", "--to", "gpx", "-o", Path("out"), emptyTrack, emptyPoints});
  EXPECT_EQ(toGpx.status, 1);
  EXPECT_EQ(toGpx.out, "");
  EXPECT_EQ(Lines(toGpx.err).size(), 4u);
  EXPECT_THAT(FilesIn("out"), IsEmpty());
}

TEST_F(GpxConvertCommandTest, CodePages) {
  const std::string gpx = Write("in/piter.gpx", R"(<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1">
<wpt lat="59.9386" lon="30.3141"><name>Жук</name><cmt>Café</cmt></wpt></gpx>)");
  const SRun cyrillic = Run({"convert", "--codepage", "CP1251", "-o", Path("ru"), gpx});
  EXPECT_EQ(cyrillic.status, 0) << cyrillic.err;
  EXPECT_THAT(ReadBytes(Path("ru/piter.upt")), StartsWith("$PTVLWPL,5956.316,N,03018.846,E,0000,M,\xC6\xF3\xEA,Caf?,"));
  EXPECT_THAT(Lines(cyrillic.err),
              ElementsAre("warning: " + gpx + ": 1 character(s) not held by CP1251 or by XML became '?'"));

  const SRun latin = Run({"convert", "-o", Path("latin"), gpx});
  EXPECT_EQ(latin.status, 0);
  EXPECT_NE(ReadBytes(Path("latin/piter.upt")).find(",???,Caf\xE9,"), std::string::npos);
  EXPECT_THAT(Lines(latin.err), ElementsAre(StartsWith("warning: " + gpx + ": 3 character(s) not held by CP1252")));

  const SRun unknown = Run({"convert", "--codepage", "NO-SUCH-PAGE", "-o", Path("none"), gpx});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "--codepage: unknown code page NO-SUCH-PAGE\n");
  EXPECT_FALSE(fs::exists(Path("none")));

  // The unit shows ANSI text only: a Unicode encoding, in any spelling, is a usage error of every
  // command that converts, before a unit is even looked for.
  for (const char* command : {"convert", "send"}) {
    for (const char* unicode : {"UTF-8", "utf16"}) {
      const SRun refused = Run({command, "--codepage", unicode, gpx});
      EXPECT_EQ(refused.status, 2) << command << ' ' << unicode;
      EXPECT_THAT(refused.err, StartsWith("--codepage: ")) << command;
      EXPECT_THAT(refused.err, HasSubstr(std::string(unicode) + " is a Unicode encoding, not a code page")) << command;
    }
  }
}

// A time its file cannot hold makes a point one without a time, whichever way it goes, with one
// warning per source: where the first such point is, how many, and the files written that hold
// them. A GPX file's .trk is the same whether made at once or through the unit's log.
TEST_F(GpxConvertCommandTest, ATimeTheFileCannotHoldIsNoTimeWithOneWarningPerSource) {
  const std::string gpx =
      Write("in/t.gpx",
            "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>2001-05-18T00:00:00Z</time></trkpt>\n"
            "<trkpt lat=\"1\" lon=\"2\"><time>1901-05-18T00:00:00Z</time></trkpt>\n"
            "<trkpt lat=\"1\" lon=\"3\"><time>2040-01-01T00:00:00Z</time></trkpt></trkseg></trk></gpx>");
  const std::string toTrk =
      " track point(s) without a time a .trk file can hold (1901-12-13 20:45:52 to 2038-01-19 03:14:07 UTC), the first "
      "at ";
  const std::string given = ": given the unit's \"no time\" (2000-01-01 00:00:00 local time) in ";
  const struct {
    std::vector<std::string> arguments;
    std::string warning;
  } runs[] = {
      {{"--to", "desktop", "-o", Path("od"), gpx},
       gpx + ": 2" + toTrk + "line 2, column 2 (1901-05-18 00:00:00 UTC)" + given + Path("od/t.trk")},
      {{"-o", Path("ou"), gpx},
       gpx +
           ": 1 track point(s) without a time a .log file can hold (2000-01-01 00:00:00 to 2099-12-31 23:59:59 local "
           "time), the first at line 2, column 2 (1901-05-18 00:00:00 UTC)" +
           given + Path("ou/t.log")},
      {{"-o", Path("ol"), Path("ou/t.log")},
       Path("ou/t.log") + ": 2" + toTrk + "line 2 (no time)" + given + Path("ol/t.trk")},
      {{"--to", "gpx", "-o", Path("og"), Path("od/t.trk")},
       Path("od/t.trk") +
           ": 2 track point(s) at the unit's \"no time\" (2000-01-01 00:00:00 local time), the first at node 2 at "
           "offset 53: written without <time> in " +
           Path("og/t.gpx")},
  };
  for (const auto& each : runs) {
    std::vector<std::string> arguments = {"convert"};
    arguments.insert(arguments.end(), each.arguments.begin(), each.arguments.end());
    const SRun run = Run(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(Lines(run.err), ElementsAre("warning: " + each.warning));
  }
  EXPECT_EQ(ReadBytes(Path("od/t.trk")), ReadBytes(Path("ol/t.trk")));
}

TEST_F(GpxConvertCommandTest, RefusalsAndUsageErrors) {
  const std::string gpx = Copy("weekend.gpx", "in/weekend.gpx");
  const std::string wpt = Copy("trip~saved.wpt", "in/trip.wpt");
  const std::string broken = Write("in/broken.gpx", "<gpx version=\"1.1\">\n  <wpt lat=\"1\" lon=\"2\">\n</gpx>\n");
  const std::string kml = Write("in/area.gpx", "<kml/>");
  const SRun run = Run({"convert", "-o", Path("out"), "--to", "gpx", gpx});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.err), ElementsAre("An error occured while converting file " + gpx + ".",
                                          "  the file is GPX already: --to unit or --to desktop"));
  const SRun mismatch = Run({"convert", "-o", Path("out"), "--to", "desktop", wpt});
  EXPECT_EQ(mismatch.status, 1);
  EXPECT_THAT(Lines(mismatch.err), ElementsAre("An error occured while converting file " + wpt + ".",
                                               "  a desktop file goes to the unit (--to unit) or to GPX (--to gpx)"));
  const SRun bad = Run({"convert", "-o", Path("out"), broken, kml});
  EXPECT_EQ(bad.status, 1);
  EXPECT_THAT(Lines(bad.err), ElementsAre("An error occured while loading file " + broken + ".",
                                          "  line 3, column 7: <wpt> of line 2 ends with </gpx>",
                                          "An error occured while loading file " + kml + ".",
                                          "  line 1, column 2: not a GPX file: the root element is <kml>"));
  EXPECT_THAT(FilesIn("out"), IsEmpty());
  EXPECT_EQ(Run({"convert", "--to", "kml", gpx}).status, 2);
}

}  // namespace
