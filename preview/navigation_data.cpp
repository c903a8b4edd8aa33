// Bounding navigation data.
#include "preview/navigation_data.h"

#include <algorithm>

double SGeoBounds::LongitudeSpan() const {
  if (!valid) return 0;
  return east >= west ? east - west : east + 360.0 - west;
}

bool SGeoBounds::Holds(double latitude, double longitude) const {
  if (!valid || !IsValidPosition(latitude, longitude) || latitude < south || latitude > north) return false;
  const double normal = NormalLongitude(longitude);
  return east >= west ? normal >= west && normal <= east : normal >= west || normal <= east;
}

double NormalLongitude(double longitude) {
  if (longitude >= -180.0 && longitude < 180.0) return longitude;  // nearly always: no division
  double normal = std::fmod(longitude + 180.0, 360.0);
  if (normal < 0) normal += 360.0;
  return normal - 180.0;
}

void CGeoBoundsBuilder::Add(double latitude, double longitude) {
  if (!IsValidPosition(latitude, longitude)) return;
  const double lon180 = NormalLongitude(longitude);
  const double lon360 = lon180 < 0 ? lon180 + 360.0 : lon180;
  if (!m_any) {
    m_any = true;
    m_south = m_north = latitude;
    m_west180 = m_east180 = lon180;
    m_west360 = m_east360 = lon360;
    return;
  }
  m_south = std::min(m_south, latitude);
  m_north = std::max(m_north, latitude);
  m_west180 = std::min(m_west180, lon180);
  m_east180 = std::max(m_east180, lon180);
  m_west360 = std::min(m_west360, lon360);
  m_east360 = std::max(m_east360, lon360);
}

SGeoBounds CGeoBoundsBuilder::Bounds() const {
  SGeoBounds bounds;
  if (!m_any) return bounds;
  bounds.valid = true;
  bounds.south = m_south;
  bounds.north = m_north;
  if (m_east360 - m_west360 < m_east180 - m_west180) {
    bounds.west = NormalLongitude(m_west360);
    bounds.east = NormalLongitude(m_east360);
  } else {
    bounds.west = m_west180;
    bounds.east = m_east180;
  }
  return bounds;
}
