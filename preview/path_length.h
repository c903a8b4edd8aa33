// The length of a path on the WGS84 ellipsoid, from its points in order.
#pragma once

#include <cstddef>

// The geodesic distance between two valid positions (see IsValidPosition) in metres.
double GeodesicMetres(double latitude1, double longitude1, double latitude2, double longitude2);

// Sums the geodesics between consecutive points with a position and counts those without one.
class CPathLength {
 public:
  void Add(double latitude, double longitude);
  double Metres() const { return m_metres; }
  std::size_t WithoutPosition() const { return m_withoutPosition; }

 private:
  bool m_started = false;
  double m_latitude = 0;
  double m_longitude = 0;
  double m_metres = 0;
  std::size_t m_withoutPosition = 0;
};
