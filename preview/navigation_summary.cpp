// The figures of navigation data.
#include "preview/navigation_summary.h"

#include <algorithm>

void CNavigationSummaryBuilder::AddWaypoint(const SNavigationWaypoint& waypoint) {
  ++m_summary.waypoints;
  if (!IsValidPosition(waypoint.latitude, waypoint.longitude)) ++m_summary.pointsWithoutPosition;
  m_bounds.Add(waypoint.latitude, waypoint.longitude);
}

void CNavigationSummaryBuilder::AddRoute(const SNavigationRoute& route) {
  CPathLength length;
  for (const SNavigationWaypoint& point : route.points) {
    length.Add(point.latitude, point.longitude);
    m_bounds.Add(point.latitude, point.longitude);
  }
  m_summary.routeLines.push_back({route.name, route.points.size(), length.Metres()});
  ++m_summary.routes;
  m_summary.routePoints += route.points.size();
  m_summary.pointsWithoutPosition += length.WithoutPosition();
}

void CNavigationSummaryBuilder::BeginTrack() {
  m_track = CPathLength();
  m_trackPoints = 0;
}

void CNavigationSummaryBuilder::AddTrackPoint(const STrackPoint& point) {
  ++m_trackPoints;
  m_track.Add(point.latitude, point.longitude);
  m_bounds.Add(point.latitude, point.longitude);
  if (!point.HasTime()) {
    ++m_summary.trackPointsWithoutTime;
    return;
  }
  m_summary.firstTime = m_summary.hasTime ? std::min(m_summary.firstTime, point.time) : point.time;
  m_summary.lastTime = m_summary.hasTime ? std::max(m_summary.lastTime, point.time) : point.time;
  m_summary.hasTime = true;
}

void CNavigationSummaryBuilder::EndTrack(const std::string& name) {
  m_summary.trackLines.push_back({name, m_trackPoints, m_track.Metres()});
  ++m_summary.tracks;
  m_summary.trackPoints += m_trackPoints;
  m_summary.pointsWithoutPosition += m_track.WithoutPosition();
}

SNavigationSummary CNavigationSummaryBuilder::Summary() const {
  SNavigationSummary summary = m_summary;
  summary.bounds = m_bounds.Bounds();
  return summary;
}
