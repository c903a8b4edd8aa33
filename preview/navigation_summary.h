// The figures of navigation data: counts, the length of each route and track, time span, box.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "preview/navigation_data.h"
#include "preview/path_length.h"

// One route or track: its name, its number of points and its length along them.
struct SLineSummary {
  std::string name;
  std::size_t points = 0;
  double metres = 0;
};

struct SNavigationSummary {
  std::size_t waypoints = 0;
  std::size_t routes = 0;
  std::size_t routePoints = 0;
  std::size_t tracks = 0;
  std::size_t trackPoints = 0;
  // Waypoints, route and track points whose coordinates are not a position (see IsValidPosition):
  // they are counted above but neither drawn nor measured.
  std::size_t pointsWithoutPosition = 0;
  // Track points without a time (see CUnitTimes for what stands for none).
  std::size_t trackPointsWithoutTime = 0;
  std::vector<SLineSummary> routeLines;
  std::vector<SLineSummary> trackLines;
  // The earliest and latest time of any track point, in seconds since 1970 UTC.
  bool hasTime = false;
  double firstTime = 0;
  double lastTime = 0;
  SGeoBounds bounds;
};

// Sums up what it is given, point by point. Lengths are geodesics on the WGS84 ellipsoid between
// consecutive points with a position; a point without one is passed over.
class CNavigationSummaryBuilder : public CNavigationSink {
 public:
  void AddWaypoint(const SNavigationWaypoint& waypoint) override;
  void AddRoute(const SNavigationRoute& route) override;
  void BeginTrack() override;
  void AddTrackPoint(const STrackPoint& point) override;
  void EndTrack(const std::string& name) override;

  // The figures of everything given so far (the box included).
  SNavigationSummary Summary() const;

 private:
  SNavigationSummary m_summary;
  CGeoBoundsBuilder m_bounds;
  CPathLength m_track;
  std::size_t m_trackPoints = 0;
};
