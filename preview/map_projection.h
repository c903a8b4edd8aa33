// Web Mercator fitted to a rectangle of pixels: north up, east right, one scale on both axes.
#pragma once

#include "preview/drawing.h"
#include "preview/navigation_data.h"

// Conformal, so shapes keep their angles at any latitude; latitudes beyond ±85° (where the
// projection runs off to infinity) are drawn at ±85°. The bounds are centred in the area with a
// margin; a box of no size (one point) gets a view about 2 km across.
class CMapProjection {
 public:
  static constexpr double kLatitudeLimit = 85.0;

  CMapProjection() = default;
  CMapProjection(const SGeoBounds& bounds, const SRect& area);

  SPoint ToPixel(double latitude, double longitude) const;
  double LatitudeAt(double y) const;
  // Unwrapped from the view's middle meridian, so it may pass ±180.
  double LongitudeAt(double x) const;
  // Ground metres that one pixel spans along the parallel of this latitude, on WGS84.
  double MetresPerPixel(double latitude) const;
  const SRect& Area() const { return m_area; }

 private:
  SRect m_area;
  double m_centreLongitude = 0;  // degrees at the area's middle
  double m_originY = 0;          // pixel y of the equator
  double m_scale = 1;            // pixels per radian of longitude
};

// The Mercator ordinate of a latitude (within ±kLatitudeLimit), in radians of longitude.
double MercatorY(double latitude);
