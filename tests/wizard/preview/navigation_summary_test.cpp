// The summary's figures and lines. The expected lengths were computed apart from this code, with
// GeographicLib's GeodSolve (geographiclib-tools): `echo "lat1 lon1 lat2 lon2" | GeodSolve -i -p 6`.
#include "wizard/preview/navigation_summary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "wizard/preview/summary_text.h"

namespace {

using ::testing::ElementsAre;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct SLengthCase {
  const char* what;
  std::vector<SNavigationWaypoint> points;
  double metres;  // GeodSolve's sum over the legs
};

SNavigationTrack TrackThrough(const std::vector<SNavigationWaypoint>& points) {
  SNavigationTrack track;
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
    SNavigationData data;
    data.routes.push_back({c.what, c.points});
    data.tracks.push_back(TrackThrough(c.points));
    const SNavigationSummary summary = SummariseNavigation(data);
    ASSERT_EQ(summary.routeLines.size(), 1u);
    ASSERT_EQ(summary.trackLines.size(), 1u);
    EXPECT_NEAR(summary.routeLines[0].metres, c.metres, 1e-3);
    EXPECT_NEAR(summary.trackLines[0].metres, c.metres, 1e-3);
    EXPECT_EQ(summary.routeLines[0].points, c.points.size());
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
    SNavigationData data;
    data.waypoints = c.waypoints;
    const SNavigationSummary summary = SummariseNavigation(data);
    ASSERT_TRUE(summary.bounds.valid);
    EXPECT_DOUBLE_EQ(summary.bounds.south, c.south);
    EXPECT_DOUBLE_EQ(summary.bounds.north, c.north);
    EXPECT_NEAR(summary.bounds.west, c.west, 1e-9);
    EXPECT_NEAR(summary.bounds.east, c.east, 1e-9);
  }
  EXPECT_FALSE(SummariseNavigation({}).bounds.valid);
}

// The lines name what they count; times are local (TZ is Berlin in these tests), numbers have a
// decimal point, routes and tracks are numbered from where the caller says.
TEST(NavigationSummaryTest, LinesSayEveryFigure) {
  SNavigationData data;
  data.waypoints = {{"HOME", 46.618, 8.041}, {"HUT", 46.6299, 8.0631}, {"LOST", kNaN, kNaN}};
  data.routes.push_back({"LOOP", {{"HOME", 46.618, 8.041}, {"HUT", 46.6299, 8.0631}}});
  SNavigationTrack track = TrackThrough({{"", 46.618, 8.041}, {"", 46.6299, 8.0631}, {"", 46.62, 8.05}});
  track.name = "MORNING";
  track.points[0].time = 1716010930;  // 2024-05-18 07:42:10 in Berlin
  track.points[1].time = 1716011520.5;
  data.tracks.push_back(track);
  data.tracks.push_back({});

  // The route's leg is 2148.207617 m; the track adds 1489.201321 m.
  EXPECT_THAT(SummaryLines(SummariseNavigation(data), {}, 3, 1),
              ElementsAre("Waypoints: 3", "Routes: 1", "Route points: 2", "Tracks: 2", "Track points: 3",
                          "Points without a valid position: 1", "Track points without a time: 1",
                          "Route 3 \"LOOP\": 2 points, 2.148 km", "Track 1 \"MORNING\": 3 points, 3.637 km",
                          "Track 2: 0 points, 0.000 km",
                          "Time span: 2024-05-18 07:42:10 +0200 \xE2\x80\x93 2024-05-18 07:52:01 +0200 (0:09:51)",
                          "Bounding box: 46.618000\xC2\xB0N \xE2\x80\x93 46.629900\xC2\xB0N, 8.041000\xC2\xB0"
                          "E "
                          "\xE2\x80\x93 8.063100\xC2\xB0"
                          "E"));
  EXPECT_THAT(SummaryLines(SummariseNavigation({})),
              ElementsAre("Waypoints: 0", "Routes: 0", "Route points: 0", "Tracks: 0", "Track points: 0"));
}

}  // namespace
