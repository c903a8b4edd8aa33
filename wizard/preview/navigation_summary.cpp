// The figures of navigation data, lengths measured with GeographicLib.
#include "wizard/preview/navigation_summary.h"

#include <GeographicLib/Geodesic.hpp>
#include <algorithm>

namespace {

// Sums the geodesics between consecutive points with a position and counts those without one.
class CPathLength {
 public:
  void Add(double latitude, double longitude) {
    if (!IsValidPosition(latitude, longitude)) {
      ++m_withoutPosition;
      return;
    }
    if (m_started) {
      double metres = 0;
      GeographicLib::Geodesic::WGS84().Inverse(m_latitude, m_longitude, latitude, longitude, metres);
      m_metres += metres;
    }
    m_started = true;
    m_latitude = latitude;
    m_longitude = longitude;
  }
  double Metres() const { return m_metres; }
  std::size_t WithoutPosition() const { return m_withoutPosition; }

 private:
  bool m_started = false;
  double m_latitude = 0;
  double m_longitude = 0;
  double m_metres = 0;
  std::size_t m_withoutPosition = 0;
};

}  // namespace

SNavigationSummary SummariseNavigation(const SNavigationData& data) {
  SNavigationSummary summary;
  summary.waypoints = data.waypoints.size();
  summary.routes = data.routes.size();
  summary.tracks = data.tracks.size();
  for (const SNavigationWaypoint& waypoint : data.waypoints) {
    if (!IsValidPosition(waypoint.latitude, waypoint.longitude)) ++summary.pointsWithoutPosition;
  }
  for (const SNavigationRoute& route : data.routes) {
    CPathLength length;
    for (const SNavigationWaypoint& point : route.points) length.Add(point.latitude, point.longitude);
    summary.routeLines.push_back({route.name, route.points.size(), length.Metres()});
    summary.routePoints += route.points.size();
    summary.pointsWithoutPosition += length.WithoutPosition();
  }
  for (const SNavigationTrack& track : data.tracks) {
    CPathLength length;
    for (const STrackPoint& point : track.points) {
      length.Add(point.latitude, point.longitude);
      if (!point.HasTime()) {
        ++summary.trackPointsWithoutTime;
        continue;
      }
      summary.firstTime = summary.hasTime ? std::min(summary.firstTime, point.time) : point.time;
      summary.lastTime = summary.hasTime ? std::max(summary.lastTime, point.time) : point.time;
      summary.hasTime = true;
    }
    summary.trackLines.push_back({track.name, track.points.size(), length.Metres()});
    summary.trackPoints += track.points.size();
    summary.pointsWithoutPosition += length.WithoutPosition();
  }
  summary.bounds = BoundsOf(data);
  return summary;
}
