// The picture of navigation data.
#include "wizard/preview/navigation_picture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_set>

#include "wizard/preview/label_placer.h"
#include "wizard/preview/picture_style.h"

namespace style = picture_style;

namespace {

// A text waiting to be drawn once every line is down, so no line runs over a name.
struct STextItem {
  enum class EKind { Label, Badge };
  EKind kind = EKind::Label;
  QRectF rect;
  QString text;
  QColor ground;
};

// Collects the texts in the order of their priority: whatever is placed first keeps its room.
class CTexts {
 public:
  CTexts(CLabelPlacer& placer, const QFontMetricsF& metrics) : m_placer(placer), m_metrics(metrics) {}

  QSizeF SizeOf(const QString& text) const { return {m_metrics.horizontalAdvance(text) + 4, m_metrics.height()}; }
  // Tries the top-left corners in turn; answers whether one was free.
  bool Add(STextItem item, std::initializer_list<QPointF> corners) {
    for (const QPointF& corner : corners) {
      item.rect.moveTopLeft(corner);
      if (!m_placer.TryPlace(item.rect)) continue;
      m_items.push_back(item);
      return true;
    }
    return false;
  }
  // Places the text where it is, whatever lies there.
  void Force(const STextItem& item) {
    m_placer.Reserve(item.rect);
    m_items.push_back(item);
  }
  void Draw(QPainter& painter, SPictureReport& report) const {
    for (const STextItem& item : m_items) {
      painter.setPen(Qt::NoPen);
      if (item.kind == STextItem::EKind::Badge) {
        painter.setBrush(item.ground);
        const double radius = item.rect.height() / 2;
        painter.drawRoundedRect(item.rect, radius, radius);
        painter.setPen(Qt::white);
      } else {
        painter.setBrush(QColor::fromRgba(style::kLabelGround));
        painter.drawRect(item.rect);
        painter.setPen(QColor::fromRgba(style::kText));
      }
      painter.drawText(item.rect, Qt::AlignCenter, item.text);
      report.labels.push_back(item.rect);
    }
  }

 private:
  CLabelPlacer& m_placer;
  const QFontMetricsF& m_metrics;
  std::vector<STextItem> m_items;
};

// Keeps a point of a line only when it falls on another pixel than the point kept before it
// (and always the line's last point), so a line costs what the pixels it crosses cost.
class CPixelThinner {
 public:
  bool Keep(const QPointF& point, bool last) {
    const QPoint pixel(static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y())));
    if (pixel == m_pixel && !last) return false;
    m_pixel = pixel;
    return true;
  }

 private:
  QPoint m_pixel{INT_MIN, INT_MIN};
};

// The last index of a list whose point has a position, or the list's size when none has one.
template <typename Points>
std::size_t LastWithPosition(const Points& points) {
  for (std::size_t i = points.size(); i-- > 0;) {
    if (IsValidPosition(points[i].latitude, points[i].longitude)) return i;
  }
  return points.size();
}

// The graticule's spacing: the smallest of these steps that gives at most `lines` lines.
double GraticuleStep(double degrees, int lines) {
  static constexpr double kSteps[] = {0.0001, 0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2,
                                      0.25,   0.5,    1,      2,     5,     10,    15,   30,   45,   90};
  for (double step : kSteps) {
    if (degrees / step <= lines) return step;
  }
  return 90;
}

// "48.5°N", "0.25°W", "0°", "180°": as many decimals as the step needs.
QString DegreesText(double value, double step, QChar positive, QChar negative) {
  int decimals = 0;
  while (decimals < 4 &&
         std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
    ++decimals;
  const double rounded = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
  QString text = QString::number(std::fabs(rounded), 'f', decimals) + QChar(0x00B0);
  if (rounded != 0 && std::fabs(rounded) != 180) text += rounded > 0 ? positive : negative;
  return text;
}

// 1, 2 or 5 times a power of ten metres: the longest such length not above `metres`.
double ScaleBarMetres(double metres) {
  const double power = std::pow(10.0, std::floor(std::log10(metres)));
  for (double factor : {5.0, 2.0, 1.0}) {
    if (factor * power <= metres) return factor * power;
  }
  return power;
}

// What every part of the map drawing shares.
struct SMapContext {
  QPainter& painter;
  const CMapProjection& projection;
  const QRectF& map;
  CLabelPlacer& placer;
  CTexts& texts;
  int textPixels;
};

// Parallels and meridians at a round step, with their degrees as texts of the lowest priority:
// they take what room the data's own texts leave.
void DrawGraticule(SMapContext& context, std::vector<STextItem>& degrees) {
  const CMapProjection& projection = context.projection;
  const QRectF& map = context.map;
  const double south = projection.LatitudeAt(map.bottom());
  const double north = projection.LatitudeAt(map.top());
  const double west = projection.LongitudeAt(map.left());
  const double east = projection.LongitudeAt(map.right());
  const double latitudeStep = GraticuleStep(north - south, std::max(2, static_cast<int>(map.height() / 90)));
  const double longitudeStep = GraticuleStep(east - west, std::max(2, static_cast<int>(map.width() / 110)));

  context.painter.setPen(QPen(QColor::fromRgba(style::kGraticule), 1));
  // The steps keep far fewer lines than this on any picture; the bound only makes that certain.
  constexpr int kMostLines = 64;
  const double firstParallel = std::ceil(south / latitudeStep);
  for (int i = 0; i < kMostLines && (firstParallel + i) * latitudeStep <= north; ++i) {
    const double latitude = (firstParallel + i) * latitudeStep;
    const double y = projection.ToPixel(latitude, projection.LongitudeAt(map.center().x())).y();
    context.painter.drawLine(QPointF(map.left(), y), QPointF(map.right(), y));
    STextItem item;
    item.text = DegreesText(latitude, latitudeStep, QLatin1Char('N'), QLatin1Char('S'));
    item.rect = QRectF(QPointF(map.left() + 4, y - context.texts.SizeOf(item.text).height() - 1),
                       context.texts.SizeOf(item.text));
    degrees.push_back(item);
  }
  const double firstMeridian = std::ceil(west / longitudeStep);
  const double pixelsPerDegree = map.width() / (east - west);
  for (int i = 0; i < kMostLines && (firstMeridian + i) * longitudeStep <= east; ++i) {
    const double longitude = (firstMeridian + i) * longitudeStep;
    const double x = map.left() + (longitude - west) * pixelsPerDegree;
    context.painter.drawLine(QPointF(x, map.top()), QPointF(x, map.bottom()));
    STextItem item;
    item.text = DegreesText(NormalLongitude(longitude), longitudeStep, QLatin1Char('E'), QLatin1Char('W'));
    item.rect = QRectF(QPointF(x + 2, map.top() + 4), context.texts.SizeOf(item.text));
    degrees.push_back(item);
  }
}

// Each track as a line whose colour runs along its time, thinned to the pixels it crosses, with
// its start and end marked.
void DrawTracks(SMapContext& context, const std::vector<SNavigationTrack>& tracks) {
  QPainter& painter = context.painter;
  const double width = std::max(2.0, context.textPixels / 5.0);
  for (const SNavigationTrack& track : tracks) {
    const std::size_t last = LastWithPosition(track.points);
    const style::CTrackShades shades(track);
    CPixelThinner thinner;
    QPolygonF run;
    int runShade = -1;
    const auto drawRun = [&] {
      if (run.size() < 2) return;
      painter.setPen(QPen(style::TrackShade(runShade), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(run);
    };
    for (std::size_t i = 0; i <= last && i < track.points.size(); ++i) {
      const STrackPoint& point = track.points[i];
      if (!IsValidPosition(point.latitude, point.longitude)) continue;
      const QPointF pixel = context.projection.ToPixel(point.latitude, point.longitude);
      if (!thinner.Keep(pixel, i == last)) continue;
      const int shade = shades.At(i, point);
      if (shade != runShade && !run.isEmpty()) {
        drawRun();
        run = QPolygonF{run.back()};
      }
      runShade = shade;
      run << pixel;
    }
    drawRun();
  }

  // The marks go over every line: a green dot where a track starts, a red square where it ends.
  const double size = context.textPixels * 0.8;
  for (const SNavigationTrack& track : tracks) {
    const std::size_t last = LastWithPosition(track.points);
    if (last == track.points.size()) continue;
    std::size_t first = 0;
    while (!IsValidPosition(track.points[first].latitude, track.points[first].longitude)) ++first;
    const QPointF start = context.projection.ToPixel(track.points[first].latitude, track.points[first].longitude);
    const QPointF end = context.projection.ToPixel(track.points[last].latitude, track.points[last].longitude);
    const QRectF startRect(start - QPointF(size / 2, size / 2), QSizeF(size, size));
    const QRectF endRect(end - QPointF(size / 2, size / 2), QSizeF(size, size));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(QColor::fromRgba(style::kTrackStart));
    painter.drawEllipse(startRect);
    painter.setBrush(QColor::fromRgba(style::kTrackEnd));
    painter.drawRect(endRect);
    context.placer.Reserve(startRect);
    context.placer.Reserve(endRect);
  }
}

// Each route as a dashed line through its points, in a colour of its own. Answers where each
// route starts, or NaN for a route without a position.
std::vector<QPointF> DrawRoutes(SMapContext& context, const std::vector<SNavigationRoute>& routes) {
  QPainter& painter = context.painter;
  const double width = std::max(2.0, context.textPixels / 6.0);
  std::vector<QPointF> starts;
  for (std::size_t r = 0; r < routes.size(); ++r) {
    const SNavigationRoute& route = routes[r];
    const std::size_t last = LastWithPosition(route.points);
    CPixelThinner thinner;
    QPolygonF line;
    for (std::size_t i = 0; i <= last && i < route.points.size(); ++i) {
      const SNavigationWaypoint& point = route.points[i];
      if (!IsValidPosition(point.latitude, point.longitude)) continue;
      const QPointF pixel = context.projection.ToPixel(point.latitude, point.longitude);
      if (thinner.Keep(pixel, i == last)) line << pixel;
    }
    starts.push_back(line.isEmpty() ? QPointF(qQNaN(), qQNaN()) : line.front());
    if (line.size() < 2) continue;
    const QColor colour = QColor::fromRgba(style::kRouteColours[r % std::size(style::kRouteColours)]);
    painter.setPen(QPen(colour, width, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
  }
  return starts;
}

// Each route's number, off its start.
void AddRouteNumbers(SMapContext& context, const std::vector<QPointF>& starts) {
  for (std::size_t r = 0; r < starts.size(); ++r) {
    if (std::isnan(starts[r].x())) continue;
    STextItem badge;
    badge.kind = STextItem::EKind::Badge;
    badge.text = QString::number(r + 1);
    badge.ground = QColor::fromRgba(style::kRouteColours[r % std::size(style::kRouteColours)]);
    const QSizeF size = context.texts.SizeOf(badge.text);
    badge.rect = QRectF(QPointF(), QSizeF(std::max(size.width() + 4, size.height()), size.height()));
    const QPointF at = starts[r];
    const double w = badge.rect.width();
    const double h = badge.rect.height();
    // Clear of a waypoint's dot or a track's start mark on the same spot.
    const double gap = context.textPixels * 0.5 + 2;
    context.texts.Add(badge, {at + QPointF(-w - gap, -h - gap), at + QPointF(gap, -h - gap),
                              at + QPointF(-w - gap, gap), at + QPointF(gap, gap)});
  }
}

// Waypoints as dots, one per pixel at most. Answers the waypoints drawn.
std::vector<std::size_t> DrawWaypoints(SMapContext& context, const std::vector<SNavigationWaypoint>& waypoints) {
  QPainter& painter = context.painter;
  const double radius = std::max(3.0, context.textPixels / 3.5);
  std::unordered_set<unsigned long long> marked;
  std::vector<std::size_t> shown;
  painter.setPen(QPen(Qt::white, 1.2));
  painter.setBrush(QColor::fromRgba(style::kWaypoint));
  for (std::size_t i = 0; i < waypoints.size(); ++i) {
    const SNavigationWaypoint& waypoint = waypoints[i];
    if (!IsValidPosition(waypoint.latitude, waypoint.longitude)) continue;
    const QPointF at = context.projection.ToPixel(waypoint.latitude, waypoint.longitude);
    const unsigned long long pixel =
        static_cast<unsigned long long>(static_cast<unsigned>(static_cast<int>(std::floor(at.x())))) << 32 |
        static_cast<unsigned>(static_cast<int>(std::floor(at.y())));
    if (!marked.insert(pixel).second) continue;
    const QRectF mark(at - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    painter.drawEllipse(mark);
    context.placer.Reserve(mark);
    shown.push_back(i);
  }
  return shown;
}

// The names of the waypoints drawn, beside their dots where there is room.
void AddWaypointNames(SMapContext& context, const std::vector<SNavigationWaypoint>& waypoints,
                      const std::vector<std::size_t>& shown) {
  const double radius = std::max(3.0, context.textPixels / 3.5);
  for (std::size_t i : shown) {
    const SNavigationWaypoint& waypoint = waypoints[i];
    if (waypoint.name.empty()) continue;
    STextItem label;
    label.text = QString::fromStdString(waypoint.name);
    label.rect = QRectF(QPointF(), context.texts.SizeOf(label.text));
    const QPointF at = context.projection.ToPixel(waypoint.latitude, waypoint.longitude);
    const double w = label.rect.width();
    const double h = label.rect.height();
    const double gap = radius + 2;
    context.texts.Add(label, {at + QPointF(gap, -h / 2), at + QPointF(-gap - w, -h / 2), at + QPointF(-w / 2, -gap - h),
                              at + QPointF(-w / 2, gap)});
  }
}

// The scale bar in the map's lower left corner: a round length in km, true at the map's middle
// latitude (Mercator stretches it away from there).
void DrawScaleBar(SMapContext& context, SPictureReport& report) {
  const QRectF& map = context.map;
  const double metresPerPixel = context.projection.MetresPerPixel(context.projection.LatitudeAt(map.center().y()));
  const double longest = std::min(180.0, map.width() * 0.3) * metresPerPixel;
  if (!(longest > 0) || !std::isfinite(longest)) return;
  const double metres = ScaleBarMetres(longest);
  const double left = map.left() + 12;
  const double y = map.bottom() - 12;
  report.scaleBar = QLineF(left, y, left + metres / metresPerPixel, y);
  report.scaleBarMetres = metres;
  context.placer.Reserve(QRectF(left - 3, y - 7, report.scaleBar.length() + 6, 10));

  const QPen halo(QColor(255, 255, 255, 220), 5, Qt::SolidLine, Qt::FlatCap);
  const QPen bar(QColor::fromRgba(style::kScaleBar), 2, Qt::SolidLine, Qt::FlatCap);
  for (const QPen& pen : {halo, bar}) {
    context.painter.setPen(pen);
    context.painter.drawLine(report.scaleBar);
    context.painter.drawLine(report.scaleBar.p1(), report.scaleBar.p1() - QPointF(0, 5));
    context.painter.drawLine(report.scaleBar.p2(), report.scaleBar.p2() - QPointF(0, 5));
  }
  STextItem text;
  text.text = QString::number(metres / 1000.0, 'g', 6) + QStringLiteral(" km");
  text.rect = QRectF(QPointF(), context.texts.SizeOf(text.text));
  text.rect.moveTopLeft(QPointF(left - 2, y - 7 - text.rect.height()));
  context.texts.Force(text);
}

}  // namespace

CNavigationPicture::CNavigationPicture(const SNavigationData& data)
    : m_data(data), m_bounds(BoundsOf(data)), m_profile(data.tracks) {}

SPictureReport CNavigationPicture::Draw(QPainter& painter, const QSizeF& size) const {
  SPictureReport report;
  const QRectF whole(QPointF(0, 0), size);
  const int textPixels = style::TextPixels(size.width(), size.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  QFont font = painter.font();
  font.setPixelSize(textPixels);
  painter.setFont(font);
  painter.fillRect(whole, QColor::fromRgba(style::kPaper));

  report.map = whole;
  if (!m_profile.IsEmpty() && size.height() >= 200) {
    const double band = std::max(60.0, std::round(size.height() / 4));
    report.map = QRectF(0, 0, size.width(), size.height() - band - 4);
    report.profile = QRectF(0, size.height() - band, size.width(), band);
  }
  report.projection = CMapProjection(m_bounds, report.map);
  painter.fillRect(report.map, QColor::fromRgba(style::kMapGround));

  // Lines first, then the scale bar and marks, then every text over them; texts are placed by
  // priority: the scale, route numbers, waypoint names, and last the graticule's degrees.
  const QFontMetricsF metrics(font);
  CLabelPlacer placer(report.map.adjusted(2, 2, -2, -2));
  CTexts texts(placer, metrics);
  SMapContext context{painter, report.projection, report.map, placer, texts, textPixels};
  std::vector<STextItem> degrees;
  painter.save();
  painter.setClipRect(report.map);
  DrawGraticule(context, degrees);
  DrawTracks(context, m_data.tracks);
  const std::vector<QPointF> routeStarts = DrawRoutes(context, m_data.routes);
  DrawScaleBar(context, report);
  const std::vector<std::size_t> shown = DrawWaypoints(context, m_data.waypoints);
  AddRouteNumbers(context, routeStarts);
  AddWaypointNames(context, m_data.waypoints, shown);
  for (const STextItem& item : degrees) texts.Add(item, {item.rect.topLeft()});
  texts.Draw(painter, report);
  painter.restore();

  painter.setPen(QPen(QColor::fromRgba(style::kFrame), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(report.map.adjusted(0.5, 0.5, -0.5, -0.5));
  if (!report.profile.isEmpty()) m_profile.Draw(painter, report.profile, textPixels, report.labels);
  painter.restore();
  return report;
}
