// The elevation profile of the tracks.
#include "wizard/preview/elevation_profile.h"

#include <GeographicLib/Constants.hpp>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

#include "wizard/preview/label_placer.h"
#include "wizard/preview/picture_style.h"

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;

// Ground distance of the steps along a track, from the WGS84 ellipsoid's radii of curvature at each
// step's middle latitude. The summary measures geodesics with GeographicLib; a million of those
// take about a second, while this takes a few milliseconds and agrees with them far below a pixel
// of the profile for the steps of a track. The radii are worked out again only when the latitude
// has moved by more than kRadiiStep: across that they change by less than 1/5000.
class CStepMeasure {
 public:
  double Metres(const STrackPoint& from, const STrackPoint& to) {
    const double middle = (from.latitude + to.latitude) / 2;
    if (!(std::fabs(middle - m_latitude) <= kRadiiStep)) SetLatitude(middle);
    const double north = (to.latitude - from.latitude) * m_metresNorth;
    const double east = NormalLongitude(to.longitude - from.longitude) * m_metresEast;
    return std::sqrt(north * north + east * east);
  }

 private:
  static constexpr double kRadiiStep = 0.005;

  void SetLatitude(double latitude) {
    static const double a = GeographicLib::Constants::WGS84_a();
    static const double f = GeographicLib::Constants::WGS84_f();
    static const double e2 = f * (2 - f);
    m_latitude = latitude;
    const double sine = std::sin(latitude * kRadians);
    const double w2 = 1 - e2 * sine * sine;
    const double normal = a / std::sqrt(w2);  // prime vertical radius
    m_metresNorth = normal * (1 - e2) / w2 * kRadians;
    m_metresEast = normal * std::cos(latitude * kRadians) * kRadians;
  }

  double m_latitude = std::numeric_limits<double>::quiet_NaN();
  double m_metresNorth = 0;  // per degree
  double m_metresEast = 0;
};

// Walks the points of a track that have a position, with the distance from the track's start.
template <typename Visit>
double WalkTrack(const SNavigationTrack& track, Visit visit) {
  CStepMeasure measure;
  const STrackPoint* previous = nullptr;
  double metres = 0;
  for (std::size_t i = 0; i < track.points.size(); ++i) {
    const STrackPoint& point = track.points[i];
    if (!IsValidPosition(point.latitude, point.longitude)) continue;
    if (previous != nullptr) metres += measure.Metres(*previous, point);
    previous = &point;
    visit(i, point, metres);
  }
  return metres;
}

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

}  // namespace

CElevationProfile::CElevationProfile(const std::vector<SNavigationTrack>& tracks) : m_tracks(tracks) {
  bool any = false;
  for (const SNavigationTrack& track : tracks) {
    m_metres += WalkTrack(track, [&](std::size_t, const STrackPoint& point, double) {
      if (!std::isfinite(point.elevation)) return;
      m_lowest = any ? std::min<double>(m_lowest, point.elevation) : point.elevation;
      m_highest = any ? std::max<double>(m_highest, point.elevation) : point.elevation;
      any = true;
    });
  }
  if (!any) m_metres = 0;
}

void CElevationProfile::Draw(QPainter& painter, const QRectF& band, int textPixels, std::vector<QRectF>& labels) const {
  if (IsEmpty()) return;
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(textPixels);
  painter.setFont(font);
  const QFontMetricsF metrics(font);

  // Heights: at least 10 m from bottom to top, so a flat walk is not a jagged line.
  double lowest = m_lowest;
  double highest = m_highest;
  if (highest - lowest < 10) {
    const double middle = (lowest + highest) / 2;
    lowest = middle - 5;
    highest = middle + 5;
  }
  const QString lowText = QString::number(std::round(lowest), 'f', 0) + QStringLiteral(" m");
  const QString highText = QString::number(std::round(highest), 'f', 0) + QStringLiteral(" m");
  const double axisWidth = std::max(metrics.horizontalAdvance(lowText), metrics.horizontalAdvance(highText)) + 8;
  const double lineHeight = metrics.height();
  const QRectF plot = band.adjusted(axisWidth + 4, lineHeight / 2 + 4,
                                    -metrics.horizontalAdvance(QStringLiteral("000 km")) / 2 - 4, -lineHeight - 6);
  if (plot.width() < 4 || plot.height() < 4) {
    painter.restore();
    return;
  }
  const auto yOf = [&](double metres) {
    return plot.bottom() - (metres - lowest) / (highest - lowest) * plot.height();
  };
  const int columns = std::max(1, static_cast<int>(plot.width()));

  // One pass over the points gathers each column's first, lowest, highest and last elevation;
  // the drawing then costs a few vertices per column, however long the tracks.
  std::vector<SColumn> gathered;
  double before = 0;
  for (const SNavigationTrack& track : m_tracks) {
    const picture_style::CTrackShades shades(track);
    bool started = false;
    before += WalkTrack(track, [&](std::size_t index, const STrackPoint& point, double metres) {
      if (!std::isfinite(point.elevation)) return;
      const int column = std::min(columns - 1, static_cast<int>((before + metres) / m_metres * columns));
      if (!started || gathered.back().column != column) {
        SColumn next;
        next.column = column;
        next.startsTrack = !started;
        next.first = next.lowest = next.highest = point.elevation;
        gathered.push_back(next);
        started = true;
      }
      SColumn& current = gathered.back();
      current.lowest = std::min(current.lowest, point.elevation);
      current.highest = std::max(current.highest, point.elevation);
      current.last = point.elevation;
      current.shade = shades.At(index, point);
    });
  }

  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillRect(band, QColor::fromRgba(picture_style::kMapGround));
  painter.setPen(QPen(QColor::fromRgba(picture_style::kFrame), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(band.adjusted(0.5, 0.5, -0.5, -0.5));

  // The ground under the line, then the line in the tracks' colours.
  const auto xOf = [&](int column) { return plot.left() + column + 0.5; };
  QPolygonF ground;
  ground << QPointF(xOf(gathered.front().column), plot.bottom());
  for (const SColumn& column : gathered) ground << QPointF(xOf(column.column), yOf(column.highest));
  ground << QPointF(xOf(gathered.back().column), plot.bottom());
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor::fromRgba(picture_style::kProfileFill));
  painter.drawPolygon(ground);

  painter.setBrush(Qt::NoBrush);
  QPolygonF run;
  int runShade = -1;
  const auto drawRun = [&] {
    if (run.size() > 1) {
      painter.setPen(QPen(picture_style::TrackShade(runShade), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(run);
    }
  };
  for (const SColumn& column : gathered) {
    if (column.startsTrack) {
      drawRun();
      run.clear();
    } else if (column.shade != runShade) {
      drawRun();
      run = QPolygonF{run.isEmpty() ? QPointF() : run.back()};
    }
    runShade = column.shade;
    const double x = xOf(column.column);
    run << QPointF(x, yOf(column.first)) << QPointF(x, yOf(column.lowest)) << QPointF(x, yOf(column.highest))
        << QPointF(x, yOf(column.last));
  }
  drawRun();

  // Axes: the lowest and highest elevation on the left, the distance in km underneath.
  painter.setPen(QPen(QColor::fromRgba(picture_style::kFrame), 1));
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  painter.setPen(QColor::fromRgba(picture_style::kText));
  // A distance that would run into the elevations (or into the one before it) is left out.
  CLabelPlacer placer(band);
  const auto text = [&](const QRectF& rect, const QString& words, int flags) {
    if (!placer.TryPlace(rect)) return;
    painter.drawText(rect, flags, words);
    labels.push_back(rect);
  };
  text(QRectF(band.left() + 2, plot.top() - lineHeight / 2, axisWidth, lineHeight), highText,
       Qt::AlignRight | Qt::AlignVCenter);
  text(QRectF(band.left() + 2, plot.bottom() - lineHeight / 2, axisWidth, lineHeight), lowText,
       Qt::AlignRight | Qt::AlignVCenter);
  const double step = NiceStep(m_metres, std::max(1, std::min(6, static_cast<int>(plot.width() / 70))));
  for (double at = 0; at <= m_metres * (1 + 1e-9); at += step) {
    const double x = plot.left() + at / m_metres * plot.width();
    painter.setPen(QPen(QColor::fromRgba(picture_style::kFrame), 1));
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
    const QString words = QString::number(at / 1000.0, 'g', 6) + QStringLiteral(" km");
    const double width = metrics.horizontalAdvance(words) + 2;
    const QRectF rect(std::clamp(x - width / 2, band.left() + 1, band.right() - 1 - width), plot.bottom() + 4, width,
                      lineHeight);
    painter.setPen(QColor::fromRgba(picture_style::kText));
    text(rect, words, Qt::AlignCenter);
  }
  painter.restore();
}
