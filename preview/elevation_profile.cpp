// The elevation profile of the tracks.
#include "preview/elevation_profile.h"

#include <GeographicLib/Constants.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "preview/label_placer.h"
#include "preview/picture_style.h"
#include "preview/text_measure.h"

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;
// The radii of curvature change by less than 1/5000 across this many degrees of latitude.
constexpr double kRadiiStep = 0.005;
// The first width of a stretch, in metres; it doubles as the tracks grow.
constexpr double kFirstWidth = 0x1p-10;

// What one pixel column of the profile holds of one track.
struct SColumn {
  int column = 0;
  bool startsTrack = false;
  float first = 0, lowest = 0, highest = 0, last = 0;
  int shade = 0;
};

// 1, 2 or 5 times a power of ten: the smallest such step that cuts `range` into at most `parts`.
double NiceStep(double range, int parts) {
  const double rough = range / parts;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10 * power;
}

// Up to six significant digits, without trailing zeros ("500", "0.25", "1e+06").
std::string Short(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

}  // namespace

CElevationProfile::CElevationProfile(int finestWidth)
    : m_most(4 * static_cast<std::size_t>(std::max(1, finestWidth))),
      m_width(kFirstWidth),
      m_radiiLatitude(std::numeric_limits<double>::quiet_NaN()) {}

// Ground distance of a step from the WGS84 ellipsoid's radii of curvature at the step's middle
// latitude. The summary measures the tracks exactly; this takes a few nanoseconds a step and agrees
// with it far below a pixel of the profile for the steps of a track.
double CElevationProfile::StepMetres(double latitude, double longitude) {
  const double middle = (m_latitude + latitude) / 2;
  if (!(std::fabs(middle - m_radiiLatitude) <= kRadiiStep)) {
    static const double a = GeographicLib::Constants::WGS84_a();
    static const double f = GeographicLib::Constants::WGS84_f();
    static const double e2 = f * (2 - f);
    m_radiiLatitude = middle;
    const double sine = std::sin(middle * kRadians);
    const double w2 = 1 - e2 * sine * sine;
    const double normal = a / std::sqrt(w2);  // prime vertical radius
    m_metresNorth = normal * (1 - e2) / w2 * kRadians;
    m_metresEast = normal * std::cos(middle * kRadians) * kRadians;
  }
  const double north = (latitude - m_latitude) * m_metresNorth;
  const double east = NormalLongitude(longitude - m_longitude) * m_metresEast;
  return std::sqrt(north * north + east * east);
}

void CElevationProfile::BeginTrack() {
  if (m_trackStarted) ++m_track;
  m_trackStarted = true;
  m_started = false;
  m_along = 0;
}

void CElevationProfile::Add(const STrackPoint& point, double index) {
  if (!IsValidPosition(point.latitude, point.longitude)) return;
  if (m_started) m_along += StepMetres(point.latitude, point.longitude);
  m_started = true;
  m_latitude = point.latitude;
  m_longitude = point.longitude;
  m_metres = m_before + m_along;
  if (!std::isfinite(point.elevation)) return;
  m_lowest = m_any ? std::min<double>(m_lowest, point.elevation) : point.elevation;
  m_highest = m_any ? std::max<double>(m_highest, point.elevation) : point.elevation;
  m_any = true;

  const double at = m_metres;
  while (at >= m_width * static_cast<double>(m_most)) {
    m_width *= 2;
    Merge();
  }
  if (m_stretches.empty() || m_stretches.back().track != m_track ||
      std::floor(m_stretches.back().at / m_width) != std::floor(at / m_width)) {
    SStretch next;
    next.at = at;
    next.track = m_track;
    next.startsTrack = m_stretches.empty() || m_stretches.back().track != m_track;
    next.first = next.lowest = next.highest = point.elevation;
    m_stretches.push_back(next);
  }
  SStretch& current = m_stretches.back();
  current.lowest = std::min(current.lowest, point.elevation);
  current.highest = std::max(current.highest, point.elevation);
  current.last = point.elevation;
  current.time = point.time;
  current.index = index;
}

void CElevationProfile::EndTrack() { m_before += m_along; }

void CElevationProfile::Merge() {
  std::size_t write = 0;
  for (std::size_t read = 0; read < m_stretches.size(); ++read) {
    const SStretch& next = m_stretches[read];
    if (write > 0) {
      SStretch& kept = m_stretches[write - 1];
      if (kept.track == next.track && std::floor(kept.at / m_width) == std::floor(next.at / m_width)) {
        kept.lowest = std::min(kept.lowest, next.lowest);
        kept.highest = std::max(kept.highest, next.highest);
        kept.last = next.last;
        kept.time = next.time;
        kept.index = next.index;
        continue;
      }
    }
    m_stretches[write++] = next;
  }
  m_stretches.resize(write);
}

void CElevationProfile::Draw(SDrawing& drawing, const SRect& band, const CTextMeasure& measure,
                             const std::vector<STrackLine>& lines, std::vector<SRect>& labels) const {
  if (IsEmpty()) return;
  const int pixels = drawing.textPixels;
  const double metres = Metres();

  // Heights: at least 10 m from bottom to top, so a flat walk is not a jagged line.
  double lowest = m_lowest;
  double highest = m_highest;
  if (highest - lowest < 10) {
    const double middle = (lowest + highest) / 2;
    lowest = middle - 5;
    highest = middle + 5;
  }
  const std::string lowText = std::to_string(std::lround(lowest)) + " m";
  const std::string highText = std::to_string(std::lround(highest)) + " m";
  const double axisWidth = std::max(measure.Width(lowText, pixels), measure.Width(highText, pixels)) + 8;
  const double ascent = measure.Ascent(pixels);
  const double lineHeight = ascent + measure.Descent(pixels);
  const SRect plot =
      band.Adjusted(axisWidth + 4, lineHeight / 2 + 4, -measure.Width("000 km", pixels) / 2 - 4, -lineHeight - 6);
  if (plot.width < 4 || plot.height < 4) return;
  const auto yOf = [&](double height) { return plot.Bottom() - (height - lowest) / (highest - lowest) * plot.height; };
  const int columns = std::max(1, static_cast<int>(plot.width));

  // The stretches into pixel columns: each column's first, lowest, highest and last elevation of
  // each track, so the drawing costs a few vertices per column, however long the tracks.
  std::vector<SColumn> gathered;
  for (const SStretch& stretch : m_stretches) {
    const int column = std::min(columns - 1, static_cast<int>(stretch.at / metres * columns));
    const int shade = stretch.track < lines.size()
                          ? picture_style::TrackShadeOf(lines[stretch.track], stretch.time, stretch.index)
                          : 0;
    if (stretch.startsTrack || gathered.back().column != column) {
      SColumn next;
      next.column = column;
      next.startsTrack = stretch.startsTrack;
      next.first = next.lowest = next.highest = stretch.first;
      gathered.push_back(next);
    }
    SColumn& current = gathered.back();
    current.lowest = std::min(current.lowest, stretch.lowest);
    current.highest = std::max(current.highest, stretch.highest);
    current.last = stretch.last;
    current.shade = shade;
  }

  drawing.Add(SFill{band, picture_style::kMapGround});
  drawing.Add(SShape{SShape::EKind::Rectangle, band.Adjusted(0.5, 0.5, -0.5, -0.5), 0, {picture_style::kFrame, 1}, 0});

  // The ground under the line, then the line in the tracks' colours.
  const auto xOf = [&](int column) { return plot.left + column + 0.5; };
  SPolygon ground;
  ground.fill = picture_style::kProfileFill;
  ground.points.push_back({xOf(gathered.front().column), plot.Bottom()});
  for (const SColumn& column : gathered) ground.points.push_back({xOf(column.column), yOf(column.highest)});
  ground.points.push_back({xOf(gathered.back().column), plot.Bottom()});
  drawing.Add(std::move(ground));

  std::vector<SPoint> run;
  int runShade = -1;
  const auto drawRun = [&] {
    if (run.size() > 1) drawing.Add(SPolyline{run, {picture_style::TrackShade(runShade), 1.5, ECap::Round}});
  };
  for (const SColumn& column : gathered) {
    if (column.startsTrack) {
      drawRun();
      run.clear();
    } else if (column.shade != runShade) {
      drawRun();
      run = {run.empty() ? SPoint() : run.back()};
    }
    runShade = column.shade;
    const double x = xOf(column.column);
    run.insert(run.end(),
               {{x, yOf(column.first)}, {x, yOf(column.lowest)}, {x, yOf(column.highest)}, {x, yOf(column.last)}});
  }
  drawRun();

  // Axes: the lowest and highest elevation on the left, the distance in km underneath.
  const SPen frame{picture_style::kFrame, 1};
  drawing.Add(SPolyline{{{plot.left, plot.Bottom()}, {plot.Right(), plot.Bottom()}}, frame});
  drawing.Add(SPolyline{{{plot.left, plot.Bottom()}, {plot.left, plot.top}}, frame});
  // A distance that would run into the elevations (or into the one before it) is left out.
  CLabelPlacer placer(band);
  const auto text = [&](const SRect& rect, const std::string& words, SText::EAlign align) {
    if (!placer.TryPlace(rect)) return;
    const double baseline = rect.top + (rect.height - lineHeight) / 2 + ascent;
    drawing.Add(SText{rect, baseline, words, picture_style::kText, align});
    labels.push_back(rect);
  };
  text({band.left + 2, plot.top - lineHeight / 2, axisWidth, lineHeight}, highText, SText::EAlign::RightMiddle);
  text({band.left + 2, plot.Bottom() - lineHeight / 2, axisWidth, lineHeight}, lowText, SText::EAlign::RightMiddle);
  const double step = NiceStep(metres, std::max(1, std::min(6, static_cast<int>(plot.width / 70))));
  for (double at = 0; at <= metres * (1 + 1e-9); at += step) {
    const double x = plot.left + at / metres * plot.width;
    drawing.Add(SPolyline{{{x, plot.Bottom()}, {x, plot.Bottom() + 3}}, frame});
    const std::string words = Short(at / 1000.0) + " km";
    const double width = measure.Width(words, pixels) + 2;
    const SRect rect{std::max(band.left + 1, std::min(x - width / 2, band.Right() - 1 - width)), plot.Bottom() + 4,
                     width, lineHeight};
    text(rect, words, SText::EAlign::Centre);
  }
}
