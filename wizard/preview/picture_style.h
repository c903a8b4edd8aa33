// The colours and sizes of the navigation picture, shared by the map and the elevation profile.
#pragma once

#include <QColor>
#include <QRgb>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

#include "wizard/preview/navigation_data.h"

namespace picture_style {

inline constexpr QRgb kPaper = 0xfff4f1ea;
inline constexpr QRgb kMapGround = 0xfffcfbf8;
inline constexpr QRgb kGraticule = 0xffd5d2cb;
inline constexpr QRgb kFrame = 0xff9a968e;
inline constexpr QRgb kText = 0xff303030;
inline constexpr QRgb kLabelGround = 0xc8ffffff;
inline constexpr QRgb kWaypoint = 0xffd01c8b;
inline constexpr QRgb kTrackStart = 0xff1a9641;
inline constexpr QRgb kTrackEnd = 0xffa50026;
inline constexpr QRgb kScaleBar = 0xff202020;
inline constexpr QRgb kProfileFill = 0xffe3dfd6;

// Routes take these in turn.
inline constexpr QRgb kRouteColours[] = {0xff7b3294, 0xffe66101, 0xff2166ac, 0xff008837, 0xffb2182b, 0xff5e3c99};

// Tracks are coloured from blue at their start through green and yellow to red at their end.
inline constexpr int kTrackShades = 64;
inline QColor TrackShade(int shade) {
  static constexpr QRgb kStops[] = {0xff2c7bb6, 0xff00a6ca, 0xff4cb849, 0xffe6c229, 0xfff17c1f, 0xffd7191c};
  constexpr int kLast = static_cast<int>(std::size(kStops)) - 1;
  const double at = std::clamp(shade, 0, kTrackShades - 1) * static_cast<double>(kLast) / (kTrackShades - 1);
  const int low = std::min(static_cast<int>(at), kLast - 1);
  const double t = at - low;
  const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(mix(qRed(kStops[low]), qRed(kStops[low + 1])), mix(qGreen(kStops[low]), qGreen(kStops[low + 1])),
                mix(qBlue(kStops[low]), qBlue(kStops[low + 1])));
}
// The shade of a point at this fraction (0..1) of its track's time or order.
inline int TrackShadeAt(double fraction) {
  if (!(fraction > 0)) return 0;
  return std::min(kTrackShades - 1, static_cast<int>(fraction * kTrackShades));
}

// The shade of each point of one track: along its time when every point with a position has one
// and the times differ, otherwise along the points' order.
class CTrackShades {
 public:
  explicit CTrackShades(const SNavigationTrack& track) : m_count(track.points.size()) {
    bool timed = false;
    for (const STrackPoint& point : track.points) {
      if (!IsValidPosition(point.latitude, point.longitude)) continue;
      if (!point.HasTime()) return;
      m_first = timed ? std::min(m_first, point.time) : point.time;
      m_last = timed ? std::max(m_last, point.time) : point.time;
      timed = true;
    }
    m_byTime = timed && m_last > m_first;
  }
  int At(std::size_t index, const STrackPoint& point) const {
    if (m_byTime) return TrackShadeAt((point.time - m_first) / (m_last - m_first));
    return m_count > 1 ? TrackShadeAt(static_cast<double>(index) / static_cast<double>(m_count - 1)) : 0;
  }

 private:
  std::size_t m_count;
  bool m_byTime = false;
  double m_first = 0;
  double m_last = 0;
};

// Text height in pixels for a picture of this size: readable from a thumbnail to a poster.
inline int TextPixels(double width, double height) {
  return std::clamp(static_cast<int>(std::min(width, height) / 50), 9, 14);
}

}  // namespace picture_style
