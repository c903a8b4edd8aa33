// The summary's figures and lines. The expected lengths were computed apart from this code, with
// GeographicLib's GeodSolve (geographiclib-tools): `echo "lat1 lon1 lat2 lon2" | GeodSolve -i -p 6`,
// or with GeographicLib's own inverse solution over every step.
#include "preview/navigation_summary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "preview/summary_text.h"
#include "tests/preview/navigation_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

SNavigationSummary Summarise(const STestData& data) {
  CNavigationSummaryBuilder builder;
  Feed(data, builder);
  return builder.Summary();
}

struct SLengthCase {
  const char* what;
  std::vector<SNavigationWaypoint> points;
  double metres;  // GeodSolve's sum over the legs
};

STestTrack TrackThrough(const std::vector<SNavigationWaypoint>& points) {
  STestTrack track;
  for (const SNavigationWaypoint& point : points) track.points.push_back({point.latitude, point.longitude});
  return track;
}

TEST(NavigationSummaryTest, LengthsAreGeodesicsOnTheEllipsoid) {
  const std::vector<SLengthCase> cases = {
      // 1310.874090 + 1789.692598 + 980.662837 + 2148.207617
      {"a loop in the hills",
       {{"HOME", 46.618, 8.041},
        {"BRIDGE", 46.6262, 8.0533},
        {"SUMMIT", 46.6371, 8.0705},
        {"HUT", 46.6299, 8.0631},
        {"HOME", 46.618, 8.041}},
       6229.437142},
      // A sphere of any radius is kilometres off over this one leg.
      {"London to New York", {{"LHR", 51.47, -0.4543}, {"JFK", 40.6413, -73.7781}}, 5554908.790548},
      // 252732.014086 + 152199.004792, the short way across 180°; the point without a position
      // is passed over.
      {"across the antimeridian",
       {{"", -17.5, 178.5}, {"", kNaN, 0}, {"", -18.1, -179.2}, {"", 95, 0}, {"", -16.9, 180.1}},
       404931.018878},
      {"one point", {{"", 10, 10}}, 0},
  };
  for (const SLengthCase& c : cases) {
    SCOPED_TRACE(c.what);
    STestData data;
    data.routes.push_back({c.what, c.points});
    data.tracks.push_back(TrackThrough(c.points));
    const SNavigationSummary summary = Summarise(data);
    ASSERT_EQ(summary.routeLines.size(), 1u);
    ASSERT_EQ(summary.trackLines.size(), 1u);
    EXPECT_NEAR(summary.routeLines[0].metres, c.metres, 1e-3);
    EXPECT_NEAR(summary.trackLines[0].metres, c.metres, 1e-3);
    EXPECT_EQ(summary.routeLines[0].points, c.points.size());
  }
}

// Tracks of millions of short steps are measured in closed form; over any track the length stays
// within a millimetre of GeographicLib's inverse solution summed over every step, from the equator
// to the pole, across the antimeridian and at the longest steps the closed form takes.
TEST(NavigationSummaryTest, TrackLengthsAgreeWithGeodesicsStepByStep) {
  struct SWalk {
    const char* what;
    double latitude, longitude;
    double metres;  // of a step
    int steps;
  } walks[] = {
      {"a walk in the Alps, a point a second", 46.5, 8.0, 1.3, 200000},
      {"a drive near the equator, 400 m steps", 0.5, 30.0, 400, 20000},
      {"a ski tour at 89.9°N", 89.9, 0.0, 5, 20000},
      {"a voyage across 180°", -17.5, 179.9, 120, 20000},
      {"legs of 50 km", 40.0, -70.0, 50000, 200},
  };
  for (const SWalk& walk : walks) {
    SCOPED_TRACE(walk.what);
    STestData data;
    STestTrack& track = data.tracks.emplace_back();
    double latitude = walk.latitude, longitude = walk.longitude, heading = 0.3;
    for (int i = 0; i <= walk.steps; ++i) {
      track.points.push_back({latitude, longitude});
      heading += std::sin(i * 0.37) * 0.2;  // a wandering course, the same on every run
      GeographicLib::Geodesic::WGS84().Direct(latitude, longitude, heading * 180 / kPi, walk.metres, latitude,
                                              longitude);
    }
    double expected = 0;
    for (std::size_t i = 1; i < track.points.size(); ++i) {
      double step = 0;
      GeographicLib::Geodesic::WGS84().Inverse(track.points[i - 1].latitude, track.points[i - 1].longitude,
                                               track.points[i].latitude, track.points[i].longitude, step);
      expected += step;
    }
    EXPECT_NEAR(Summarise(data).trackLines.at(0).metres, expected, 1e-3);
  }
}

TEST(NavigationSummaryTest, BoundingBoxTakesTheShortWayRoundAndLeavesOutWhatIsNoPosition) {
  struct SCase {
    std::vector<SNavigationWaypoint> waypoints;
    double south, north, west, east;
  } cases[] = {
      {{{"", 46.0, 7.0}, {"", 47.5, 8.5}, {"", 46.5, 7.5}}, 46.0, 47.5, 7.0, 8.5},
      {{{"", -17.5, 178.5}, {"", -18.1, -179.2}, {"", -16.9, 539.9}}, -18.1, -16.9, 178.5, -179.2},
      {{{"", 10, -170}, {"", 20, 170}, {"", kNaN, 0}, {"", 0, std::numeric_limits<double>::infinity()}},
       10,
       20,
       170,
       -170},
  };
  for (const SCase& c : cases) {
    STestData data;
    data.waypoints = c.waypoints;
    const SNavigationSummary summary = Summarise(data);
    ASSERT_TRUE(summary.bounds.valid);
    EXPECT_DOUBLE_EQ(summary.bounds.south, c.south);
    EXPECT_DOUBLE_EQ(summary.bounds.north, c.north);
    EXPECT_NEAR(summary.bounds.west, c.west, 1e-9);
    EXPECT_NEAR(summary.bounds.east, c.east, 1e-9);
  }
  EXPECT_FALSE(Summarise({}).bounds.valid);
}

// The lines name what they count; times are local (TZ is Berlin in these tests), numbers have a
// decimal point, routes and tracks are numbered from where the caller says.
TEST(NavigationSummaryTest, LinesSayEveryFigure) {
  STestData data;
  data.waypoints = {{"HOME", 46.618, 8.041}, {"HUT", 46.6299, 8.0631}, {"LOST", kNaN, kNaN}};
  data.routes.push_back({"LOOP", {{"HOME", 46.618, 8.041}, {"HUT", 46.6299, 8.0631}}});
  STestTrack track = TrackThrough({{"", 46.618, 8.041}, {"", 46.6299, 8.0631}, {"", 46.62, 8.05}});
  track.name = "MORNING";
  track.points[0].time = 1716010930;  // 2024-05-18 07:42:10 in Berlin
  track.points[1].time = 1716011520.5;
  data.tracks.push_back(track);
  data.tracks.push_back({});

  // The route's leg is 2148.207617 m; the track adds 1489.201321 m.
  EXPECT_THAT(SummaryLines(Summarise(data), {}, 3, 1),
              ElementsAre("Waypoints: 3", "Routes: 1", "Route points: 2", "Tracks: 2", "Track points: 3",
                          "Points without a valid position: 1", "Track points without a time: 1",
                          "Route 3 \"LOOP\": 2 points, 2.148 km", "Track 1 \"MORNING\": 3 points, 3.637 km",
                          "Track 2: 0 points, 0.000 km",
                          "Time span: 2024-05-18 07:42:10 +0200 \xE2\x80\x93 2024-05-18 07:52:01 +0200 (0:09:51)",
                          "Bounding box: 46.618000\xC2\xB0N \xE2\x80\x93 46.629900\xC2\xB0N, 8.041000\xC2\xB0"
                          "E "
                          "\xE2\x80\x93 8.063100\xC2\xB0"
                          "E"));
  EXPECT_THAT(SummaryLines(Summarise({})),
              ElementsAre("Waypoints: 0", "Routes: 0", "Route points: 0", "Tracks: 0", "Track points: 0"));
}

}  // namespace
