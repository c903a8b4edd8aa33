// A picture of navigation data: the map with its graticule, scale bar, waypoints, routes and
// tracks, and under it the tracks' elevation profile. Qt Gui only, so it draws into any QPainter
// (a QImage, an SVG, a widget) on any thread.
#pragma once

#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <vector>

#include "wizard/preview/elevation_profile.h"
#include "wizard/preview/map_projection.h"
#include "wizard/preview/navigation_data.h"

class QPainter;

// Where the parts of one drawing went, in the picture's pixels.
struct SPictureReport {
  QRectF map;
  QRectF profile;  // empty when there is no profile
  CMapProjection projection;
  QLineF scaleBar;  // from its left end to its right end
  double scaleBarMetres = 0;
  std::vector<QRectF> labels;  // every text drawn
};

// Drawing thins every line to the pixels it covers, so the time goes with the picture's size
// more than with the number of points. Routes are numbered from 1 in data order, as the
// summary's lines number them; a waypoint's name is left out where it would cover another name
// or mark.
class CNavigationPicture {
 public:
  // The data must outlive the picture.
  explicit CNavigationPicture(const SNavigationData& data);

  SPictureReport Draw(QPainter& painter, const QSizeF& size) const;

 private:
  const SNavigationData& m_data;
  SGeoBounds m_bounds;
  CElevationProfile m_profile;
};
