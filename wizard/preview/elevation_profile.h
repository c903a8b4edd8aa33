// The elevation of the tracks against the distance along them, drawn under the map.
#pragma once

#include <QRectF>
#include <vector>

#include "wizard/preview/navigation_data.h"

class QPainter;

// The tracks follow each other along one distance axis, in file order, each coloured as on the
// map. The tracks must outlive the profile.
class CElevationProfile {
 public:
  explicit CElevationProfile(const std::vector<SNavigationTrack>& tracks);

  // Nothing to draw: no track has two points with a position apart and an elevation.
  bool IsEmpty() const { return !(m_metres > 0); }
  double Metres() const { return m_metres; }
  // Draws into the band; every text's rectangle is added to `labels`.
  void Draw(QPainter& painter, const QRectF& band, int textPixels, std::vector<QRectF>& labels) const;

 private:
  const std::vector<SNavigationTrack>& m_tracks;
  double m_metres = 0;
  double m_lowest = 0;
  double m_highest = 0;
};
