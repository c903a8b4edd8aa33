// Reading every navigation file kind into navigation data: the same places and times whatever the
// kind, latitudes north-positive, and refusals that leave nothing behind.
#include "wizard/preview/navigation_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/formats/golden_support.h"

namespace {

struct SPlace {
  const char* name;
  double latitude;
  double longitude;
};

// A unit file holds minutes to three decimals: 1/60000 of a degree.
constexpr double kUnitPrecision = 2e-5;

SNavigationData Read(const std::string& path, bool& read, std::string* reason = nullptr) {
  SNavigationData data;
  CCodePage codePage;
  CDiagnostic why;
  read = ReadNavigationFile(path, data, codePage, &why);
  if (reason != nullptr) *reason = why.Reason();
  return data;
}

// A file of its own in the temporary folder, removed at the end of the test.
class CScratchFile {
 public:
  CScratchFile(const std::string& name, const std::string& bytes)
      : m_path(::testing::TempDir() + "preview_" + std::to_string(::getpid()) + "_" + name) {
    WriteBytes(m_path, bytes);
  }
  ~CScratchFile() { std::filesystem::remove(m_path); }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// The trip fixtures are one waypoint file in every kind: the desktop's, the unit's two, GPX.
TEST(NavigationReaderTest, EveryWaypointFileKindGivesTheSamePlacesNorthPositive) {
  const SPlace places[] = {{"HOME", 48.5, 2.25}, {"CAMP", 45.125, 6.875}, {"SPRING", -33.5, -3.5}};
  for (const char* fixture : {"trip~saved.wpt", "trip~unit.upt", "trip~unit.rte", "trip~saved~gpx.gpx"}) {
    SCOPED_TRACE(fixture);
    bool read = false;
    const SNavigationData data = Read(FixturePath(fixture), read);
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
  const SNavigationData log = Read(FixturePath("morning.log"), read);
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
  const CScratchFile gpx("times.gpx", R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="-12.5" lon="130.75"><name>Café</name></wpt>
  <trk><name>Bäche</name>
    <trkseg><trkpt lat="1" lon="2"><ele>5</ele></trkpt></trkseg>
    <trkseg><trkpt lat="1.5" lon="2.5"><time>2024-05-18T05:42:10Z</time></trkpt></trkseg>
  </trk>
</gpx>
)");
  bool read = false;
  const SNavigationData data = Read(gpx.Path(), read);
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

TEST(NavigationReaderTest, RefusesWhatItCannotReadAndKeepsNothing) {
  const CScratchFile text("notes.txt", "HOME 48.5 2.25\n");
  const CScratchFile wpt("broken.wpt",
                         "\x0d"
                         "56583336 VX");
  const CScratchFile rte("nameless.rte", "$PTVLRTE,1,1,c,1,WALK,HOME,a*5C\r\n$PTVLCMD,END*37\r\n");
  for (const std::string& path : {text.Path(), wpt.Path(), rte.Path(), FixturePath("absent.gpx")}) {
    SCOPED_TRACE(path);
    bool read = true;
    std::string reason;
    const SNavigationData data = Read(path, read, &reason);
    EXPECT_FALSE(read);
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(data.IsEmpty());
  }
}

}  // namespace
