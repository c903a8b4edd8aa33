// Thinning the tracks' lines while they are read.
#include "preview/track_lines.h"

#include <algorithm>
#include <cmath>

#include "preview/map_projection.h"

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;
// A few micrometres: the cells of a box of no size (one place).
constexpr double kSmallestCell = 0x1p-40;

}  // namespace

CTrackLines::CTrackLines(int finestSide, std::size_t most)
    : m_finestSide(std::max(1, finestSide)), m_most(std::max<std::size_t>(most, 16)), m_limit(m_most) {}

void CTrackLines::BeginTrack() {
  STrackLine line;
  line.begin = line.end = m_points.size();
  m_lines.push_back(line);
  m_lastKept = true;
}

CTrackLines::SCell CTrackLines::CellOf(const SLinePoint& point) const {
  return {static_cast<long long>(std::floor(NormalLongitude(point.longitude) / m_cellLongitude)),
          static_cast<long long>(std::floor(point.latitude / m_cellLatitude))};
}

bool CTrackLines::SetCells() {
  const double south = std::clamp(m_bounds.south, -CMapProjection::kLatitudeLimit, CMapProjection::kLatitudeLimit);
  const double north = std::clamp(m_bounds.north, -CMapProjection::kLatitudeLimit, CMapProjection::kLatitudeLimit);
  m_span = std::max(m_bounds.LongitudeSpan() * kRadians, MercatorY(north) - MercatorY(south));
  // Cells wider than the box would hold no more than one as wide.
  const double wanted = std::min(m_span / (2.0 * m_finestSide) * m_coarser, m_span);
  double cell = kSmallestCell;
  if (wanted > cell) {
    int exponent = 0;
    std::frexp(wanted, &exponent);
    cell = std::ldexp(1.0, exponent - 1);  // the largest power of two not above it
  }
  const bool grew = cell > m_cell;
  m_cell = std::max(m_cell, cell);
  // A cell of the latitudes spans m_cell or less on the Mercator plane at every latitude of the
  // box, where the plane is stretched least at the widest one.
  const double widest = std::max(std::fabs(south), std::fabs(north));
  m_cellLongitude = m_cell / kRadians;
  m_cellLatitude = m_cell * std::cos(widest * kRadians) / kRadians;
  return grew;
}

void CTrackLines::Add(const STrackPoint& point) {
  STrackLine& line = m_lines.back();
  const double index = static_cast<double>(line.count++);
  if (!IsValidPosition(point.latitude, point.longitude)) return;
  if (!point.HasTime()) {
    line.timed = false;
  } else {
    line.firstTime = line.anyTime ? std::min(line.firstTime, point.time) : point.time;
    line.lastTime = line.anyTime ? std::max(line.lastTime, point.time) : point.time;
    line.anyTime = true;
  }
  m_last = {point.latitude, point.longitude, point.time, index};
  if (!m_bounds.Holds(point.latitude, point.longitude)) {
    m_boundsBuilder.Add(point.latitude, point.longitude);
    m_bounds = m_boundsBuilder.Bounds();
    if (SetCells()) Thin();
  }
  // Thin() may have moved the line's points: ask for it again.
  STrackLine& thinned = m_lines.back();
  if (thinned.end > thinned.begin && CellOf(m_points[thinned.end - 1]) == CellOf(m_last)) {
    m_lastKept = false;
    return;
  }
  m_points.push_back(m_last);
  ++thinned.end;
  m_lastKept = true;
  if (m_points.size() > m_limit) Bound();
}

void CTrackLines::EndTrack() {
  if (m_lastKept) return;
  m_points.push_back(m_last);
  ++m_lines.back().end;
  m_lastKept = true;
}

void CTrackLines::Thin() {
  std::size_t write = 0;
  for (STrackLine& line : m_lines) {
    const std::size_t begin = write;
    SCell kept;
    for (std::size_t read = line.begin; read < line.end; ++read) {
      const SCell cell = CellOf(m_points[read]);
      if (write > begin && read + 1 < line.end && cell == kept) continue;
      kept = cell;
      m_points[write++] = m_points[read];
    }
    line.begin = begin;
    line.end = write;
  }
  m_points.resize(write);
}

void CTrackLines::Halve() {
  std::size_t write = 0;
  for (STrackLine& line : m_lines) {
    const std::size_t begin = write;
    for (std::size_t read = line.begin; read < line.end; ++read) {
      if ((read - line.begin) % 2 == 0 || read + 1 == line.end) m_points[write++] = m_points[read];
    }
    line.begin = begin;
    line.end = write;
  }
  m_points.resize(write);
}

void CTrackLines::Bound() {
  const std::size_t goal = m_most / 4 * 3;
  while (m_points.size() > goal) {
    const std::size_t before = m_points.size();
    if (2 * m_cell <= m_span) {
      m_coarser *= 2;
      SetCells();
      Thin();
    }
    // Wider cells do little for a line that jumps from one end of the box to the other.
    if (m_points.size() > before / 4 * 3) Halve();
    if (m_points.size() == before) break;  // every line is down to its ends
  }
  // Many short tracks can keep more than the most; they are not bounded again before they double.
  m_limit = m_points.size() > goal ? m_points.size() * 2 : m_most;
}
