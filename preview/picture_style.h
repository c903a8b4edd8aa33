// The colours and sizes of the navigation picture, shared by the map and the elevation profile.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

#include "preview/drawing.h"
#include "preview/track_lines.h"

namespace picture_style {

inline constexpr ARGB kPaper = 0xfff4f1ea;
inline constexpr ARGB kMapGround = 0xfffcfbf8;
inline constexpr ARGB kGraticule = 0xffd5d2cb;
inline constexpr ARGB kFrame = 0xff9a968e;
inline constexpr ARGB kText = 0xff303030;
inline constexpr ARGB kLabelGround = 0xc8ffffff;
inline constexpr ARGB kWaypoint = 0xffd01c8b;
inline constexpr ARGB kTrackStart = 0xff1a9641;
inline constexpr ARGB kTrackEnd = 0xffa50026;
inline constexpr ARGB kScaleBar = 0xff202020;
inline constexpr ARGB kProfileFill = 0xffe3dfd6;
inline constexpr ARGB kWhite = 0xffffffff;
inline constexpr ARGB kHalo = 0xdcffffff;

// Routes take these in turn.
inline constexpr ARGB kRouteColours[] = {0xff7b3294, 0xffe66101, 0xff2166ac, 0xff008837, 0xffb2182b, 0xff5e3c99};

// Tracks are coloured from blue at their start through green and yellow to red at their end.
inline constexpr int kTrackShades = 64;
inline ARGB TrackShade(int shade) {
  static constexpr ARGB kStops[] = {0xff2c7bb6, 0xff00a6ca, 0xff4cb849, 0xffe6c229, 0xfff17c1f, 0xffd7191c};
  constexpr int kLast = static_cast<int>(std::size(kStops)) - 1;
  const double at = std::clamp(shade, 0, kTrackShades - 1) * static_cast<double>(kLast) / (kTrackShades - 1);
  const int low = std::min(static_cast<int>(at), kLast - 1);
  const double t = at - low;
  const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return Rgb(mix(RedOf(kStops[low]), RedOf(kStops[low + 1])), mix(GreenOf(kStops[low]), GreenOf(kStops[low + 1])),
             mix(BlueOf(kStops[low]), BlueOf(kStops[low + 1])));
}
// The shade of a point at this fraction (0..1) of its track's time or order.
inline int TrackShadeAt(double fraction) {
  if (!(fraction > 0)) return 0;
  return std::min(kTrackShades - 1, static_cast<int>(fraction * kTrackShades));
}

// The shade of a point of a track: along its time when every point with a position has one and
// the times differ, otherwise along the points' order.
inline int TrackShadeOf(const STrackLine& line, double time, double index) {
  if (line.ColouredByTime()) return TrackShadeAt((time - line.firstTime) / (line.lastTime - line.firstTime));
  return line.count > 1 ? TrackShadeAt(index / static_cast<double>(line.count - 1)) : 0;
}

// Text height in pixels for a picture of this size: readable from a thumbnail to a poster.
inline int TextPixels(double width, double height) {
  return std::clamp(static_cast<int>(std::min(width, height) / 50), 9, 14);
}

}  // namespace picture_style
