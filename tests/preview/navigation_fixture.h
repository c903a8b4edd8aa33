// Navigation data held whole, for tests: handed to a sink as a file's reading hands it, or gathered
// from a reading to look at.
#pragma once

#include <string>
#include <vector>

#include "preview/navigation_data.h"

struct STestTrack {
  std::string name;
  std::vector<STrackPoint> points;
};

struct STestData {
  std::vector<SNavigationWaypoint> waypoints;
  std::vector<SNavigationRoute> routes;
  std::vector<STestTrack> tracks;
};

inline void Feed(const STestData& data, CNavigationSink& sink) {
  for (const SNavigationWaypoint& waypoint : data.waypoints) sink.AddWaypoint(waypoint);
  for (const SNavigationRoute& route : data.routes) sink.AddRoute(route);
  for (const STestTrack& track : data.tracks) {
    sink.BeginTrack();
    for (const STrackPoint& point : track.points) sink.AddTrackPoint(point);
    sink.EndTrack(track.name);
  }
}

// Everything a reading gives, in order.
class CGatheredData : public CNavigationSink {
 public:
  void AddWaypoint(const SNavigationWaypoint& waypoint) override { data.waypoints.push_back(waypoint); }
  void AddRoute(const SNavigationRoute& route) override { data.routes.push_back(route); }
  void BeginTrack() override { data.tracks.emplace_back(); }
  void AddTrackPoint(const STrackPoint& point) override { data.tracks.back().points.push_back(point); }
  void EndTrack(const std::string& name) override { data.tracks.back().name = name; }

  STestData data;
};
