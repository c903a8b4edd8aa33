// Web Mercator fitted to a rectangle of pixels.
#include "preview/map_projection.h"

#include <GeographicLib/Ellipsoid.hpp>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadians = kPi / 180.0;
constexpr double kSmallestViewMetres = 2000.0;
constexpr double kEarthRadius = 6378137.0;

}  // namespace

double MercatorY(double latitude) {
  const double phi = std::clamp(latitude, -CMapProjection::kLatitudeLimit, CMapProjection::kLatitudeLimit) * kRadians;
  return std::log(std::tan(kPi / 4 + phi / 2));
}

CMapProjection::CMapProjection(const SGeoBounds& bounds, const SRect& area) : m_area(area) {
  const double south = bounds.valid ? bounds.south : 0.0;
  const double north = bounds.valid ? bounds.north : 0.0;
  const double spanX = bounds.LongitudeSpan() * kRadians;
  const double bottom = MercatorY(south);
  const double top = MercatorY(north);
  // A view no smaller than kSmallestViewMetres on the ground, so that one point or a short line
  // is not blown up to fill the picture.
  const double middle = std::clamp((south + north) / 2, -kLatitudeLimit, kLatitudeLimit);
  const double smallest = kSmallestViewMetres / (kEarthRadius * std::cos(middle * kRadians));
  const double marginX = std::max(12.0, area.width * 0.06);
  const double marginY = std::max(12.0, area.height * 0.06);
  const double width = std::max(1.0, area.width - 2 * marginX);
  const double height = std::max(1.0, area.height - 2 * marginY);
  m_scale = std::min(width / std::max(spanX, smallest), height / std::max(top - bottom, smallest));
  m_centreLongitude = NormalLongitude((bounds.valid ? bounds.west : 0.0) + bounds.LongitudeSpan() / 2);
  m_originY = area.Centre().y + (top + bottom) / 2 * m_scale;
}

SPoint CMapProjection::ToPixel(double latitude, double longitude) const {
  // Longitudes are measured from the view's middle meridian the short way round, so a view across
  // the antimeridian holds both 179° and -179° side by side.
  const double east = NormalLongitude(longitude - m_centreLongitude);
  return {m_area.Centre().x + east * kRadians * m_scale, m_originY - MercatorY(latitude) * m_scale};
}

double CMapProjection::LatitudeAt(double y) const {
  return (2 * std::atan(std::exp((m_originY - y) / m_scale)) - kPi / 2) / kRadians;
}

double CMapProjection::LongitudeAt(double x) const {
  return m_centreLongitude + (x - m_area.Centre().x) / m_scale / kRadians;
}

double CMapProjection::MetresPerPixel(double latitude) const {
  return GeographicLib::Ellipsoid::WGS84().CircleRadius(latitude) / m_scale;
}
