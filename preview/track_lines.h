// The tracks' lines for the map, thinned while they are read, so that memory does not grow with
// the length of a track.
#pragma once

#include <cstddef>
#include <vector>

#include "preview/navigation_data.h"

// A point kept of a track: where it is, its time (NaN when none) and its number in the track.
struct SLinePoint {
  double latitude = 0;
  double longitude = 0;
  double time = STrackPoint::kNoTime;
  double index = 0;
};

// One track: where its kept points are, and what its colours go by.
struct STrackLine {
  std::size_t begin = 0;  // in CTrackLines::Points()
  std::size_t end = 0;
  std::size_t count = 0;  // all points of the track, with a position or not
  bool timed = true;      // every point with a position has a time
  bool anyTime = false;
  double firstTime = 0;  // the earliest and latest of the points with a position
  double lastTime = 0;

  // Whether the track's colours go along its time (rather than along its points' order).
  bool ColouredByTime() const { return timed && anyTime && lastTime > firstTime; }
};

// Keeps of each track its first and last point with a position and, between them, a point only
// where it leaves the cell of the point kept before it. The cells are a grid on the Mercator plane
// at most half a pixel wide in any picture of the data up to `finestSide` pixels: the grid is set
// from the tracks' box so far, which can only grow into the picture's, and when that lets the cells
// double, the points kept are thinned again. So a track that wanders about one place keeps a few
// points per pixel it crosses, and every point that stands out (the far end of a spike, a corner)
// is kept. Beyond `most` points kept in all, the cells grow past that size (and if that is not
// enough, every other point goes), so memory stays bounded whatever the data.
class CTrackLines {
 public:
  static constexpr std::size_t kMostPoints = std::size_t{1} << 19;

  explicit CTrackLines(int finestSide, std::size_t most = kMostPoints);

  void BeginTrack();
  void Add(const STrackPoint& point);
  void EndTrack();

  const std::vector<SLinePoint>& Points() const { return m_points; }
  const std::vector<STrackLine>& Lines() const { return m_lines; }

 private:
  struct SCell {
    long long x = 0;
    long long y = 0;
    bool operator==(const SCell&) const = default;
  };

  SCell CellOf(const SLinePoint& point) const;
  // Sets the cells from the box; answers whether they grew.
  bool SetCells();
  // Thins every line again with the present cells.
  void Thin();
  // Drops every other point within each line, its first and last kept.
  void Halve();
  // Brings the points kept down to three quarters of the most, as far as the lines' ends allow.
  void Bound();

  int m_finestSide;
  std::size_t m_most;
  std::size_t m_limit;   // Bound() is called past this many
  double m_coarser = 1;  // how much wider than the picture needs the cells are made
  std::vector<SLinePoint> m_points;
  std::vector<STrackLine> m_lines;
  CGeoBoundsBuilder m_boundsBuilder;
  SGeoBounds m_bounds;
  double m_span = 0;           // the box's width or height on the Mercator plane, radians
  double m_cell = 0;           // on the Mercator plane, radians; a power of two
  double m_cellLongitude = 0;  // degrees
  double m_cellLatitude = 0;
  SLinePoint m_last;  // the track's last point with a position so far
  bool m_lastKept = true;
};
