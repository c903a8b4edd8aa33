// A picture of navigation data: the map with its graticule, scale bar, waypoints, routes and
// tracks, and under it the tracks' elevation profile. Laid out in plain C++ as a drawing that any
// painter can paint (see drawing.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "preview/drawing.h"
#include "preview/elevation_profile.h"
#include "preview/map_projection.h"
#include "preview/navigation_data.h"
#include "preview/track_lines.h"

class CTextMeasure;

// Where the parts of one drawing went, in the picture's pixels.
struct SPictureReport {
  SRect map;
  SRect profile;  // empty when there is no profile
  CMapProjection projection;
  SPoint scaleBarLeft;  // the scale bar's ends
  SPoint scaleBarRight;
  double scaleBarMetres = 0;  // 0 when there is none
  std::vector<SRect> labels;  // every text drawn
};

// Gathers what it is given into what a picture needs: the waypoints and routes whole, the tracks
// thinned to what a picture up to `finestSide` pixels wide or high can show (see CTrackLines and
// CElevationProfile), so memory does not grow with the tracks' length. Then lays out pictures of
// any size. Lines are thinned once more to the pixels they cover, so drawing costs what the
// picture's size does. Routes are numbered from 1 in the order they came, as the summary's lines
// number them; a waypoint's name is left out where it would cover another name or mark.
class CNavigationPicture : public CNavigationSink {
 public:
  explicit CNavigationPicture(int finestSide);

  void AddWaypoint(const SNavigationWaypoint& waypoint) override;
  void AddRoute(const SNavigationRoute& route) override;
  void BeginTrack() override;
  void AddTrackPoint(const STrackPoint& point) override;
  void EndTrack(const std::string& name) override;

  SDrawing Draw(double width, double height, const CTextMeasure& measure, SPictureReport* report = nullptr) const;

  const CTrackLines& Tracks() const { return m_tracks; }

 private:
  std::vector<SNavigationWaypoint> m_waypoints;
  std::vector<SNavigationRoute> m_routes;
  CTrackLines m_tracks;
  CElevationProfile m_profile;
  CGeoBoundsBuilder m_bounds;
  double m_trackIndex = 0;  // of the next point in its track
};
