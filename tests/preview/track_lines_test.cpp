// The tracks' lines thinned while they are read: what a picture needs survives (the ends, every
// point that stands out), and memory stays bounded whatever the track does.
#include "preview/track_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "preview/map_projection.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kFinest = 800;

struct SCase {
  std::string what;
  std::vector<STrackPoint> points;
};

// A wandering walk of 1.3 m steps about 46.5°N 8°E, the same on every run.
std::vector<STrackPoint> Walk(int steps) {
  std::vector<STrackPoint> points;
  double latitude = 46.5, longitude = 8.0, heading = 0;
  for (int i = 0; i < steps; ++i) {
    points.push_back({latitude, longitude, 1.7e9 + i, 1000});
    heading += std::sin(i * 0.013) * 0.05 + std::sin(i * 0.0007) * 0.02;
    latitude += 1.3 * std::cos(heading) / 111320;
    longitude += 1.3 * std::sin(heading) / 76600;
  }
  return points;
}

std::vector<SCase> Cases() {
  std::vector<SCase> cases;
  cases.push_back({"a walk", Walk(100000)});
  SCase spike{"a walk with one point far off", Walk(100000)};
  spike.points[50000].latitude += 0.05;
  spike.points[70000].longitude -= 0.08;
  cases.push_back(spike);
  SCase lost{"a walk that starts and ends without a fix", Walk(20000)};
  lost.points.front() = {kNaN, kNaN};
  lost.points.back() = {95, 0};
  cases.push_back(lost);
  SCase still{"a receiver left on a table", std::vector<STrackPoint>(50000, {46.5, 8.0})};
  cases.push_back(still);
  return cases;
}

// The box of the valid points in Mercator pixels of a square picture of the finest size.
struct SPixelBox {
  double left = 1e300, right = -1e300, top = 1e300, bottom = -1e300;
  void Add(const SPoint& p) {
    left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
};

TEST(TrackLinesTest, ThinnedLinesKeepTheirEndsAndEveryExtreme) {
  for (const SCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    CTrackLines lines(kFinest);
    lines.BeginTrack();
    CGeoBoundsBuilder bounds;
    for (const STrackPoint& point : c.points) {
      lines.Add(point);
      bounds.Add(point.latitude, point.longitude);
    }
    lines.EndTrack();
    ASSERT_EQ(lines.Lines().size(), 1u);
    const STrackLine& line = lines.Lines()[0];
    const std::vector<SLinePoint> kept(lines.Points().begin() + static_cast<std::ptrdiff_t>(line.begin),
                                       lines.Points().begin() + static_cast<std::ptrdiff_t>(line.end));
    EXPECT_EQ(line.count, c.points.size());
    ASSERT_FALSE(kept.empty());
    std::size_t first = 0, last = c.points.size() - 1;
    while (!IsValidPosition(c.points[first].latitude, c.points[first].longitude)) ++first;
    while (!IsValidPosition(c.points[last].latitude, c.points[last].longitude)) --last;
    EXPECT_EQ(kept.front().index, first);
    EXPECT_EQ(kept.back().index, last);

    const CMapProjection projection(bounds.Bounds(), {0, 0, kFinest, kFinest});
    SPixelBox all, thinned;
    std::size_t crossings = 0;  // from one pixel into another
    SPoint before{kNaN, kNaN};
    for (const STrackPoint& p : c.points) {
      if (!IsValidPosition(p.latitude, p.longitude)) continue;
      const SPoint pixel = projection.ToPixel(p.latitude, p.longitude);
      all.Add(pixel);
      if (std::floor(pixel.x) != std::floor(before.x) || std::floor(pixel.y) != std::floor(before.y)) ++crossings;
      before = pixel;
    }
    // A walk keeps two to four points a crossing, a track that stays put its two ends.
    EXPECT_LE(kept.size(), 5 * crossings + 1) << "a few points for each pixel crossed";
    for (const SLinePoint& p : kept) thinned.Add(projection.ToPixel(p.latitude, p.longitude));
    EXPECT_NEAR(thinned.left, all.left, 0.5);
    EXPECT_NEAR(thinned.right, all.right, 0.5);
    EXPECT_NEAR(thinned.top, all.top, 0.5);
    EXPECT_NEAR(thinned.bottom, all.bottom, 0.5);
  }
}

// Lines that jump from one end of their box to the other on every point, and many tracks, keep no
// more than the most they are given (a track's ends stay).
TEST(TrackLinesTest, MemoryStaysBoundedWhateverTheTracksDo) {
  constexpr std::size_t kMost = 1000;
  CTrackLines lines(kFinest, kMost);
  for (int track = 0; track < 3; ++track) {
    lines.BeginTrack();
    for (int i = 0; i < 100000; ++i) {
      const double across = (i * 7919 % 1000) / 1000.0;  // scattered over the box
      lines.Add({46 + across * 0.1, 8 + (i % 2) * 0.1});
      ASSERT_LE(lines.Points().size(), kMost);
    }
    lines.EndTrack();
  }
  for (int track = 0; track < 2000; ++track) {
    lines.BeginTrack();
    lines.Add({46, 8});
    lines.Add({47, 9});
    lines.EndTrack();
  }
  EXPECT_LE(lines.Points().size(), 2 * (2000 * 2 + 3 * 2));
  for (const STrackLine& line : lines.Lines()) EXPECT_GE(line.end - line.begin, 2u);
}

}  // namespace
