// What a navigation file holds, whatever its kind: named waypoints, routes as ordered points and
// tracks as timed points, in the terms a picture and a summary need.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <utility>
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

// A point of a track. The time is in seconds since 1970-01-01 UTC with its fraction, or NaN when the
// point has none.
struct STrackPoint {
  static constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

  double latitude = 0;
  double longitude = 0;
  double time = kNoTime;
  float elevation = 0;  // metres

  bool HasTime() const { return !std::isnan(time); }
};

// Receives what a navigation file holds while it is read, so that a track of any length is never
// held whole. Tracks come one at a time: BeginTrack, their points in order, then EndTrack with the
// name (a unit log names a track in every point and GPX may name it after its points).
class CNavigationSink {
 public:
  virtual ~CNavigationSink() = default;
  virtual void AddWaypoint(const SNavigationWaypoint& waypoint) = 0;
  virtual void AddRoute(const SNavigationRoute& route) = 0;
  virtual void BeginTrack() = 0;
  virtual void AddTrackPoint(const STrackPoint& point) = 0;
  virtual void EndTrack(const std::string& name) = 0;
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
  // Whether the position lies in the box (edges included).
  bool Holds(double latitude, double longitude) const;
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

// A longitude in [-180, 180).
double NormalLongitude(double longitude);

// Hands everything on to each of several sinks in turn, so that one reading feeds them all.
class CNavigationFanOut : public CNavigationSink {
 public:
  explicit CNavigationFanOut(std::vector<CNavigationSink*> sinks) : m_sinks(std::move(sinks)) {}
  void AddWaypoint(const SNavigationWaypoint& waypoint) override {
    for (CNavigationSink* sink : m_sinks) sink->AddWaypoint(waypoint);
  }
  void AddRoute(const SNavigationRoute& route) override {
    for (CNavigationSink* sink : m_sinks) sink->AddRoute(route);
  }
  void BeginTrack() override {
    for (CNavigationSink* sink : m_sinks) sink->BeginTrack();
  }
  void AddTrackPoint(const STrackPoint& point) override {
    for (CNavigationSink* sink : m_sinks) sink->AddTrackPoint(point);
  }
  void EndTrack(const std::string& name) override {
    for (CNavigationSink* sink : m_sinks) sink->EndTrack(name);
  }

 private:
  std::vector<CNavigationSink*> m_sinks;
};
