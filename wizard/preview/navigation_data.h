// What a navigation file holds, whatever its kind: named waypoints, routes as ordered points and
// tracks as timed points, in the terms a picture and a summary need.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

// Positions here are north-positive decimal degrees (the desktop files' south-positive latitudes
// are turned round when a file is read), names UTF-8.
struct SNavigationWaypoint {
  std::string name;
  double latitude = 0;
  double longitude = 0;
};

struct SNavigationRoute {
  std::string name;
  std::vector<SNavigationWaypoint> points;
};

// A point of a track: 32 bytes, so that a track of a million points stays small. The time is in
// seconds since 1970-01-01 UTC with its fraction, or NaN when the point has none.
struct STrackPoint {
  static constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

  double latitude = 0;
  double longitude = 0;
  double time = kNoTime;
  float elevation = 0;  // metres

  bool HasTime() const { return !std::isnan(time); }
};

struct SNavigationTrack {
  std::string name;
  std::vector<STrackPoint> points;
};

struct SNavigationData {
  std::vector<SNavigationWaypoint> waypoints;
  std::vector<SNavigationRoute> routes;
  std::vector<SNavigationTrack> tracks;

  bool IsEmpty() const { return waypoints.empty() && routes.empty() && tracks.empty(); }
  // Moves everything of `other` behind what is held, in order.
  void Append(SNavigationData&& other);
};

// The files do not range-check coordinates: a position is drawn and measured only when both are
// finite numbers and the latitude lies within ±90°. Longitudes of any size are taken modulo 360°.
inline bool IsValidPosition(double latitude, double longitude) {
  return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0;
}

// The smallest box holding a set of positions. A box across the antimeridian has east < west;
// longitudes are in [-180, 180).
struct SGeoBounds {
  bool valid = false;
  double south = 0;
  double north = 0;
  double west = 0;
  double east = 0;

  // Degrees from west to east, going east (0..360).
  double LongitudeSpan() const;
};

// Gathers positions into the box. Longitudes are bounded twice, in [-180, 180) and in [0, 360),
// and the narrower interval wins, so that a voyage across the antimeridian gets a narrow box
// instead of one around the world; data spread over more than half the globe may get a box that
// is wider than it needs, never one that leaves a position out.
class CGeoBoundsBuilder {
 public:
  void Add(double latitude, double longitude);
  SGeoBounds Bounds() const;

 private:
  bool m_any = false;
  double m_south = 0, m_north = 0;
  double m_west180 = 0, m_east180 = 0;  // in [-180, 180)
  double m_west360 = 0, m_east360 = 0;  // in [0, 360)
};

// The box of every valid position of waypoints, route points and track points.
SGeoBounds BoundsOf(const SNavigationData& data);

// A longitude in [-180, 180).
double NormalLongitude(double longitude);
