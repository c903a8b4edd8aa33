// Reading every navigation file kind into a sink: the same places and times whatever the kind,
// latitudes north-positive, refusals with their reason, and a reading that stops when asked.
#include "preview/navigation_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "bench/generated_track.h"
#include "formats/file_conversion.h"
#include "formats/gpx_writer.h"
#include "formats/vexlorn_file.h"
#include "tests/formats/golden_support.h"
#include "tests/preview/navigation_fixture.h"
#include "tests/temp_folder.h"

namespace {

struct SPlace {
  const char* name;
  double latitude;
  double longitude;
};

// A unit file holds minutes to three decimals: 1/60000 of a degree.
constexpr double kUnitPrecision = 2e-5;

STestData Read(const std::string& path, bool& read, std::string* reason = nullptr) {
  CGatheredData gathered;
  CCodePage codePage;
  CDiagnostic why;
  read = ReadNavigationFile(path, gathered, codePage, &why);
  if (reason != nullptr) *reason = why.Reason();
  return gathered.data;
}

// The trip fixtures are one waypoint file in every kind: the desktop's, the unit's two, GPX.
TEST(NavigationReaderTest, EveryWaypointFileKindGivesTheSamePlacesNorthPositive) {
  const SPlace places[] = {{"HOME", 48.5, 2.25}, {"CAMP", 45.125, 6.875}, {"SPRING", -33.5, -3.5}};
  for (const char* fixture : {"trip~saved.wpt", "trip~unit.upt", "trip~unit.rte", "trip~saved~gpx.gpx"}) {
    SCOPED_TRACE(fixture);
    bool read = false;
    const STestData data = Read(FixturePath(fixture), read);
    ASSERT_TRUE(read);
    ASSERT_EQ(data.waypoints.size(), std::size(places));
    for (std::size_t i = 0; i < std::size(places); ++i) {
      EXPECT_EQ(data.waypoints[i].name, places[i].name);
      EXPECT_NEAR(data.waypoints[i].latitude, places[i].latitude, kUnitPrecision);
      EXPECT_NEAR(data.waypoints[i].longitude, places[i].longitude, kUnitPrecision);
    }
    if (std::string(fixture).ends_with(".upt")) {
      EXPECT_TRUE(data.routes.empty());
      continue;
    }
    ASSERT_EQ(data.routes.size(), 2u);
    EXPECT_EQ(data.routes[0].name, "TRIP");
    ASSERT_EQ(data.routes[0].points.size(), 2u);
    EXPECT_EQ(data.routes[0].points[1].name, "CAMP");
    EXPECT_NEAR(data.routes[0].points[1].latitude, 45.125, kUnitPrecision);
    EXPECT_NEAR(data.routes[0].points[1].longitude, 6.875, kUnitPrecision);
    EXPECT_TRUE(data.routes[1].points.empty());
    EXPECT_TRUE(data.tracks.empty());
  }
}

// A unit track log goes through the conversion the jobs use: its local times (Berlin here) become
// UTC, seconds above 59 carried into the next minute.
TEST(NavigationReaderTest, UnitTrackLogTimesAreTheConversionsUtc) {
  bool read = false;
  const STestData log = Read(FixturePath("morning.log"), read);
  ASSERT_TRUE(read);
  ASSERT_EQ(log.tracks.size(), 1u);
  EXPECT_EQ(log.tracks[0].name, "MORNING");
  const std::vector<STrackPoint>& points = log.tracks[0].points;
  ASSERT_EQ(points.size(), 5u);
  EXPECT_NEAR(points[0].latitude, 48.5, 1e-9);
  EXPECT_NEAR(points[0].longitude, 2.25, 1e-9);
  EXPECT_FLOAT_EQ(points[0].elevation, 35.0f);
  EXPECT_DOUBLE_EQ(points[0].time, 1102324530.25);  // 2004-12-06 10:15:30.25 +0100
  EXPECT_DOUBLE_EQ(points[2].time, 1102324599.5);   // 10:15:99.50 is 10:16:39.50
  EXPECT_DOUBLE_EQ(points[4].time, 1080437400);     // 2004-03-28 02:30, a time summer time skips: +0100
}

// GPX: a point without a time has none (not 1970), names come back in UTF-8, every segment of a
// track is one line.
TEST(NavigationReaderTest, GpxPointsWithoutTimeHaveNoneAndNamesAreUtf8) {
  const CTempFolder folder;
  const std::string gpx = folder.File("times.gpx", R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="-12.5" lon="130.75"><name>Café</name></wpt>
  <trk><name>Bäche</name>
    <trkseg><trkpt lat="1" lon="2"><ele>5</ele></trkpt></trkseg>
    <trkseg><trkpt lat="1.5" lon="2.5"><time>2024-05-18T05:42:10Z</time></trkpt></trkseg>
  </trk>
</gpx>
)");
  bool read = false;
  const STestData data = Read(gpx, read);
  ASSERT_TRUE(read);
  ASSERT_EQ(data.waypoints.size(), 1u);
  EXPECT_EQ(data.waypoints[0].name, "Café");
  EXPECT_DOUBLE_EQ(data.waypoints[0].latitude, -12.5);
  ASSERT_EQ(data.tracks.size(), 1u);
  EXPECT_EQ(data.tracks[0].name, "Bäche");
  ASSERT_EQ(data.tracks[0].points.size(), 2u);
  EXPECT_FALSE(data.tracks[0].points[0].HasTime());
  EXPECT_DOUBLE_EQ(data.tracks[0].points[1].time, 1716010930);
}

TEST(NavigationReaderTest, RefusesWhatItCannotRead) {
  const CTempFolder folder;
  const std::string text = folder.File("notes.txt", "HOME 48.5 2.25\n");
  const std::string wpt = folder.File("broken.wpt",
                                      "\x0d"
                                      "56583336 VX");
  const std::string rte = folder.File("nameless.rte", "$PTVLRTE,1,1,c,1,WALK,HOME,a*5C\r\n$PTVLCMD,END*37\r\n");
  for (const std::string& path : {text, wpt, rte, FixturePath("absent.gpx")}) {
    SCOPED_TRACE(path);
    bool read = true;
    std::string reason;
    Read(path, read, &reason);
    EXPECT_FALSE(read);
    EXPECT_FALSE(reason.empty());
  }
}

// Stops a reading once it has been given a number of points, as the wizard does when the user
// picks another file, and counts what comes after.
class CStoppingSink : public CGatheredData {
 public:
  CStoppingSink(std::atomic<bool>& stop, std::size_t after) : m_stop(stop), m_after(after) {}
  void AddTrackPoint(const STrackPoint&) override {
    if (++points == m_after) m_stop = true;
  }
  std::size_t points = 0;

 private:
  std::atomic<bool>& m_stop;
  std::size_t m_after;
};

// A long track of every streamed kind ends within a block of its file once asked to stop, and says
// so; asked before it starts, it reads nothing.
TEST(NavigationReaderTest, StopsWithinABlockWhenAsked) {
  constexpr std::size_t kPoints = 60000;
  const CTempFolder folder;
  SGpxDocument doc;
  doc.tracks.push_back(bench::MakeTrack(bench::BenchmarkWalk(kPoints)));
  CCodePage codePage;
  ASSERT_TRUE(SaveVexlornFile(folder.Path("walk.trk"), doc.tracks[0]));
  ASSERT_TRUE(ConvertTrackFileToUnit(folder.Path("walk.trk"), folder.Path("walk.log")).done);
  ASSERT_TRUE(WriteGpxFile(folder.Path("walk.gpx"), doc, codePage));
  doc = SGpxDocument();
  // A block of the file holds far fewer points than this.
  constexpr std::size_t kBlockPoints = 20000;
  for (const char* name : {"walk.trk", "walk.log", "walk.gpx"}) {
    for (const std::size_t after : {std::size_t{0}, std::size_t{1000}}) {
      SCOPED_TRACE(std::string(name) + " after " + std::to_string(after));
      std::atomic<bool> stop = after == 0;
      CStoppingSink sink(stop, after);
      CDiagnostic why;
      EXPECT_FALSE(ReadNavigationFile(folder.Path(name), sink, codePage, &why, &stop));
      EXPECT_EQ(why.Reason(), "stopped");
      EXPECT_LT(sink.points, after + kBlockPoints);
    }
  }
}

}  // namespace
