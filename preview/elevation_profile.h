// The elevation of the tracks against the distance along them, drawn under the map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "preview/drawing.h"
#include "preview/navigation_data.h"
#include "preview/track_lines.h"

class CTextMeasure;

// The tracks follow each other along one distance axis, in the order they come, each coloured as on
// the map. Points are gathered while they are read into stretches of the distance, a few for each
// pixel column of a profile up to `finestWidth` pixels wide; when the distance outgrows them,
// neighbouring stretches merge, so memory does not grow with the tracks' length.
class CElevationProfile {
 public:
  explicit CElevationProfile(int finestWidth);

  void BeginTrack();
  // `index` numbers the point in its track, for its colour.
  void Add(const STrackPoint& point, double index);
  void EndTrack();

  // Nothing to draw: no track has two points with a position apart and an elevation.
  bool IsEmpty() const { return !(Metres() > 0); }
  double Metres() const { return m_any ? m_metres : 0; }
  // Draws into the band; `lines` are the tracks' lines of the map, in the same order, for their
  // colours. Every text's rectangle is added to `labels`.
  void Draw(SDrawing& drawing, const SRect& band, const CTextMeasure& measure, const std::vector<STrackLine>& lines,
            std::vector<SRect>& labels) const;

 private:
  // The points of one track within one stretch: their first, lowest, highest and last elevation,
  // and the time and number of the last, which give the stretch its colour.
  struct SStretch {
    double at = 0;  // the distance of its first point from the first track's start
    std::uint32_t track = 0;
    bool startsTrack = false;
    float first = 0, lowest = 0, highest = 0, last = 0;
    double time = 0;
    double index = 0;
  };

  // Merges the stretches that share one of the present width.
  void Merge();
  double StepMetres(double latitude, double longitude);

  std::size_t m_most;  // stretches before they are merged
  double m_width;      // metres of one stretch; a power of two
  std::vector<SStretch> m_stretches;
  std::uint32_t m_track = 0;  // the number of the present track
  bool m_trackStarted = false;
  bool m_started = false;                  // the present track has had a point with a position
  double m_before = 0;                     // metres of the tracks before the present one
  double m_along = 0;                      // metres along the present track
  double m_latitude = 0, m_longitude = 0;  // its last point with a position
  double m_metres = 0;
  double m_lowest = 0;
  double m_highest = 0;
  bool m_any = false;  // a point with a position and an elevation
  // The ground metres of a degree north and east at m_radiiLatitude.
  double m_radiiLatitude;
  double m_metresNorth = 0;
  double m_metresEast = 0;
};
