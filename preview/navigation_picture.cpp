// The picture of navigation data.
#include "preview/navigation_picture.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <unordered_set>

#include "preview/label_placer.h"
#include "preview/picture_style.h"
#include "preview/text_measure.h"

namespace style = picture_style;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A text waiting to be drawn once every line is down, so no line runs over a name.
struct STextItem {
  enum class EKind { Label, Badge };
  EKind kind = EKind::Label;
  SRect rect;
  std::string text;
  ARGB ground = 0;
};

// Collects the texts in the order of their priority: whatever is placed first keeps its room.
class CTexts {
 public:
  CTexts(CLabelPlacer& placer, const CTextMeasure& measure, int pixels)
      : m_placer(placer),
        m_measure(measure),
        m_pixels(pixels),
        m_ascent(measure.Ascent(pixels)),
        m_height(m_ascent + measure.Descent(pixels)) {}

  SRect SizeOf(const std::string& text) const { return {0, 0, m_measure.Width(text, m_pixels) + 4, m_height}; }
  // Tries the top-left corners in turn; answers whether one was free.
  bool Add(STextItem item, std::initializer_list<SPoint> corners) {
    for (const SPoint& corner : corners) {
      item.rect = item.rect.MovedTo(corner);
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
  void Draw(SDrawing& drawing, SPictureReport& report) const {
    for (const STextItem& item : m_items) {
      const bool badge = item.kind == STextItem::EKind::Badge;
      if (badge) {
        drawing.Add(SShape{SShape::EKind::RoundedRectangle, item.rect, item.rect.height / 2, {}, item.ground});
      } else {
        drawing.Add(SShape{SShape::EKind::Rectangle, item.rect, 0, {}, style::kLabelGround});
      }
      const double baseline = item.rect.top + (item.rect.height - m_height) / 2 + m_ascent;
      drawing.Add(SText{item.rect, baseline, item.text, badge ? style::kWhite : style::kText, SText::EAlign::Centre});
      report.labels.push_back(item.rect);
    }
  }

 private:
  CLabelPlacer& m_placer;
  const CTextMeasure& m_measure;
  int m_pixels;
  double m_ascent;
  double m_height;
  std::vector<STextItem> m_items;
};

// Keeps a point of a line only when it falls on another pixel than the point kept before it
// (and always the line's last point), so a line costs what the pixels it crosses cost.
class CPixelThinner {
 public:
  bool Keep(const SPoint& point, bool last) {
    const long long x = static_cast<long long>(std::floor(point.x));
    const long long y = static_cast<long long>(std::floor(point.y));
    if (x == m_x && y == m_y && !last) return false;
    m_x = x;
    m_y = y;
    return true;
  }

 private:
  long long m_x = LLONG_MIN;
  long long m_y = LLONG_MIN;
};

// The last index of a list whose point has a position, or the list's size when none has one.
template <typename Points>
std::size_t LastWithPosition(const Points& points) {
  for (std::size_t i = points.size(); i-- > 0;) {
    if (IsValidPosition(points[i].latitude, points[i].longitude)) return i;
  }
  return points.size();
}

std::string Fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
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
std::string DegreesText(double value, double step, char positive, char negative) {
  int decimals = 0;
  while (decimals < 4 &&
         std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
    ++decimals;
  const double rounded = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
  std::string text = Fixed(std::fabs(rounded), decimals) + "\xC2\xB0";
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

// Up to six significant digits, without trailing zeros.
std::string Short(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

SPolyline Line(SPoint from, SPoint to, const SPen& pen) { return {{from, to}, pen}; }

// What every part of the map drawing shares.
struct SMapContext {
  SDrawing& drawing;
  const CMapProjection& projection;
  const SRect& map;
  CLabelPlacer& placer;
  CTexts& texts;
  int textPixels;
};

// Parallels and meridians at a round step, with their degrees as texts of the lowest priority:
// they take what room the data's own texts leave.
void DrawGraticule(SMapContext& context, std::vector<STextItem>& degrees) {
  const CMapProjection& projection = context.projection;
  const SRect& map = context.map;
  const double south = projection.LatitudeAt(map.Bottom());
  const double north = projection.LatitudeAt(map.top);
  const double west = projection.LongitudeAt(map.left);
  const double east = projection.LongitudeAt(map.Right());
  const double latitudeStep = GraticuleStep(north - south, std::max(2, static_cast<int>(map.height / 90)));
  const double longitudeStep = GraticuleStep(east - west, std::max(2, static_cast<int>(map.width / 110)));

  const SPen pen{style::kGraticule, 1};
  // The steps keep far fewer lines than this on any picture; the bound only makes that certain.
  constexpr int kMostLines = 64;
  const double firstParallel = std::ceil(south / latitudeStep);
  for (int i = 0; i < kMostLines && (firstParallel + i) * latitudeStep <= north; ++i) {
    const double latitude = (firstParallel + i) * latitudeStep;
    const double y = projection.ToPixel(latitude, projection.LongitudeAt(map.Centre().x)).y;
    context.drawing.Add(Line({map.left, y}, {map.Right(), y}, pen));
    STextItem item;
    item.text = DegreesText(latitude, latitudeStep, 'N', 'S');
    const SRect size = context.texts.SizeOf(item.text);
    item.rect = size.MovedTo({map.left + 4, y - size.height - 1});
    degrees.push_back(item);
  }
  const double firstMeridian = std::ceil(west / longitudeStep);
  const double pixelsPerDegree = map.width / (east - west);
  for (int i = 0; i < kMostLines && (firstMeridian + i) * longitudeStep <= east; ++i) {
    const double longitude = (firstMeridian + i) * longitudeStep;
    const double x = map.left + (longitude - west) * pixelsPerDegree;
    context.drawing.Add(Line({x, map.top}, {x, map.Bottom()}, pen));
    STextItem item;
    item.text = DegreesText(NormalLongitude(longitude), longitudeStep, 'E', 'W');
    item.rect = context.texts.SizeOf(item.text).MovedTo({x + 2, map.top + 4});
    degrees.push_back(item);
  }
}

// Each track as a line whose colour runs along its time, thinned to the pixels it crosses, with
// its start and end marked.
void DrawTracks(SMapContext& context, const CTrackLines& tracks) {
  const std::vector<SLinePoint>& points = tracks.Points();
  const double width = std::max(2.0, context.textPixels / 5.0);
  for (const STrackLine& line : tracks.Lines()) {
    CPixelThinner thinner;
    std::vector<SPoint> run;
    int runShade = -1;
    const auto drawRun = [&] {
      if (run.size() < 2) return;
      context.drawing.Add(SPolyline{run, {style::TrackShade(runShade), width, ECap::Round}});
    };
    for (std::size_t i = line.begin; i < line.end; ++i) {
      const SLinePoint& point = points[i];
      const SPoint pixel = context.projection.ToPixel(point.latitude, point.longitude);
      if (!thinner.Keep(pixel, i + 1 == line.end)) continue;
      const int shade = style::TrackShadeOf(line, point.time, point.index);
      if (shade != runShade && !run.empty()) {
        drawRun();
        run = {run.back()};
      }
      runShade = shade;
      run.push_back(pixel);
    }
    drawRun();
  }

  // The marks go over every line: a green dot where a track starts, a red square where it ends.
  const double size = context.textPixels * 0.8;
  const SPen outline{style::kWhite, 1.5};
  for (const STrackLine& line : tracks.Lines()) {
    if (line.begin == line.end) continue;
    const SLinePoint& first = points[line.begin];
    const SLinePoint& last = points[line.end - 1];
    const SPoint start = context.projection.ToPixel(first.latitude, first.longitude);
    const SPoint end = context.projection.ToPixel(last.latitude, last.longitude);
    const SRect startRect{start.x - size / 2, start.y - size / 2, size, size};
    const SRect endRect{end.x - size / 2, end.y - size / 2, size, size};
    context.drawing.Add(SShape{SShape::EKind::Ellipse, startRect, 0, outline, style::kTrackStart});
    context.drawing.Add(SShape{SShape::EKind::Rectangle, endRect, 0, outline, style::kTrackEnd});
    context.placer.Reserve(startRect);
    context.placer.Reserve(endRect);
  }
}

// Each route as a dashed line through its points, in a colour of its own. Answers where each
// route starts, or NaN for a route without a position.
std::vector<SPoint> DrawRoutes(SMapContext& context, const std::vector<SNavigationRoute>& routes) {
  const double width = std::max(2.0, context.textPixels / 6.0);
  std::vector<SPoint> starts;
  for (std::size_t r = 0; r < routes.size(); ++r) {
    const SNavigationRoute& route = routes[r];
    const std::size_t last = LastWithPosition(route.points);
    CPixelThinner thinner;
    std::vector<SPoint> line;
    for (std::size_t i = 0; i <= last && i < route.points.size(); ++i) {
      const SNavigationWaypoint& point = route.points[i];
      if (!IsValidPosition(point.latitude, point.longitude)) continue;
      const SPoint pixel = context.projection.ToPixel(point.latitude, point.longitude);
      if (thinner.Keep(pixel, i == last)) line.push_back(pixel);
    }
    starts.push_back(line.empty() ? SPoint{kNaN, kNaN} : line.front());
    if (line.size() < 2) continue;
    const ARGB colour = style::kRouteColours[r % std::size(style::kRouteColours)];
    context.drawing.Add(SPolyline{std::move(line), {colour, width, ECap::Round, true}});
  }
  return starts;
}

// Each route's number, off its start.
void AddRouteNumbers(SMapContext& context, const std::vector<SPoint>& starts) {
  for (std::size_t r = 0; r < starts.size(); ++r) {
    if (std::isnan(starts[r].x)) continue;
    STextItem badge;
    badge.kind = STextItem::EKind::Badge;
    badge.text = std::to_string(r + 1);
    badge.ground = style::kRouteColours[r % std::size(style::kRouteColours)];
    const SRect size = context.texts.SizeOf(badge.text);
    badge.rect = {0, 0, std::max(size.width + 4, size.height), size.height};
    const SPoint at = starts[r];
    const double w = badge.rect.width;
    const double h = badge.rect.height;
    // Clear of a waypoint's dot or a track's start mark on the same spot.
    const double gap = context.textPixels * 0.5 + 2;
    context.texts.Add(badge, {at + SPoint{-w - gap, -h - gap}, at + SPoint{gap, -h - gap}, at + SPoint{-w - gap, gap},
                              at + SPoint{gap, gap}});
  }
}

// Waypoints as dots, one per pixel at most. Answers the waypoints drawn.
std::vector<std::size_t> DrawWaypoints(SMapContext& context, const std::vector<SNavigationWaypoint>& waypoints) {
  const double radius = std::max(3.0, context.textPixels / 3.5);
  std::unordered_set<unsigned long long> marked;
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < waypoints.size(); ++i) {
    const SNavigationWaypoint& waypoint = waypoints[i];
    if (!IsValidPosition(waypoint.latitude, waypoint.longitude)) continue;
    const SPoint at = context.projection.ToPixel(waypoint.latitude, waypoint.longitude);
    const unsigned long long pixel =
        static_cast<unsigned long long>(static_cast<unsigned>(static_cast<int>(std::floor(at.x)))) << 32 |
        static_cast<unsigned>(static_cast<int>(std::floor(at.y)));
    if (!marked.insert(pixel).second) continue;
    const SRect mark{at.x - radius, at.y - radius, 2 * radius, 2 * radius};
    context.drawing.Add(SShape{SShape::EKind::Ellipse, mark, 0, {style::kWhite, 1.2}, style::kWaypoint});
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
    label.text = waypoint.name;
    label.rect = context.texts.SizeOf(label.text);
    const SPoint at = context.projection.ToPixel(waypoint.latitude, waypoint.longitude);
    const double w = label.rect.width;
    const double h = label.rect.height;
    const double gap = radius + 2;
    context.texts.Add(label, {at + SPoint{gap, -h / 2}, at + SPoint{-gap - w, -h / 2}, at + SPoint{-w / 2, -gap - h},
                              at + SPoint{-w / 2, gap}});
  }
}

// The scale bar in the map's lower left corner: a round length in km, true at the map's middle
// latitude (Mercator stretches it away from there).
void DrawScaleBar(SMapContext& context, SPictureReport& report) {
  const SRect& map = context.map;
  const double metresPerPixel = context.projection.MetresPerPixel(context.projection.LatitudeAt(map.Centre().y));
  const double longest = std::min(180.0, map.width * 0.3) * metresPerPixel;
  if (!(longest > 0) || !std::isfinite(longest)) return;
  const double metres = ScaleBarMetres(longest);
  const double left = map.left + 12;
  const double y = map.Bottom() - 12;
  const double length = metres / metresPerPixel;
  report.scaleBarLeft = {left, y};
  report.scaleBarRight = {left + length, y};
  report.scaleBarMetres = metres;
  context.placer.Reserve({left - 3, y - 7, length + 6, 10});

  const SPen halo{style::kHalo, 5, ECap::Flat};
  const SPen bar{style::kScaleBar, 2, ECap::Flat};
  for (const SPen& pen : {halo, bar}) {
    context.drawing.Add(Line(report.scaleBarLeft, report.scaleBarRight, pen));
    context.drawing.Add(Line(report.scaleBarLeft, report.scaleBarLeft - SPoint{0, 5}, pen));
    context.drawing.Add(Line(report.scaleBarRight, report.scaleBarRight - SPoint{0, 5}, pen));
  }
  STextItem text;
  text.text = Short(metres / 1000.0) + " km";
  const SRect size = context.texts.SizeOf(text.text);
  text.rect = size.MovedTo({left - 2, y - 7 - size.height});
  context.texts.Force(text);
}

}  // namespace

CNavigationPicture::CNavigationPicture(int finestSide) : m_tracks(finestSide), m_profile(finestSide) {}

void CNavigationPicture::AddWaypoint(const SNavigationWaypoint& waypoint) {
  m_waypoints.push_back(waypoint);
  m_bounds.Add(waypoint.latitude, waypoint.longitude);
}

void CNavigationPicture::AddRoute(const SNavigationRoute& route) {
  m_routes.push_back(route);
  for (const SNavigationWaypoint& point : route.points) m_bounds.Add(point.latitude, point.longitude);
}

void CNavigationPicture::BeginTrack() {
  m_tracks.BeginTrack();
  m_profile.BeginTrack();
  m_trackIndex = 0;
}

void CNavigationPicture::AddTrackPoint(const STrackPoint& point) {
  m_tracks.Add(point);
  m_profile.Add(point, m_trackIndex++);
  m_bounds.Add(point.latitude, point.longitude);
}

void CNavigationPicture::EndTrack(const std::string&) {
  m_tracks.EndTrack();
  m_profile.EndTrack();
}

SDrawing CNavigationPicture::Draw(double width, double height, const CTextMeasure& measure,
                                  SPictureReport* report) const {
  SPictureReport own;
  SPictureReport& out = report != nullptr ? *report : own;
  out = SPictureReport();
  SDrawing drawing;
  drawing.width = width;
  drawing.height = height;
  drawing.fontFamily = measure.Family();
  drawing.textPixels = style::TextPixels(width, height);
  const SRect whole{0, 0, width, height};
  drawing.Add(SFill{whole, style::kPaper});

  out.map = whole;
  if (!m_profile.IsEmpty() && height >= 200) {
    const double band = std::max(60.0, std::round(height / 4));
    out.map = {0, 0, width, height - band - 4};
    out.profile = {0, height - band, width, band};
  }
  out.projection = CMapProjection(m_bounds.Bounds(), out.map);
  drawing.Add(SFill{out.map, style::kMapGround});

  // Lines first, then the scale bar and marks, then every text over them; texts are placed by
  // priority: the scale, route numbers, waypoint names, and last the graticule's degrees.
  CLabelPlacer placer(out.map.Adjusted(2, 2, -2, -2));
  CTexts texts(placer, measure, drawing.textPixels);
  SMapContext context{drawing, out.projection, out.map, placer, texts, drawing.textPixels};
  std::vector<STextItem> degrees;
  drawing.Add(SClip{true, out.map});
  DrawGraticule(context, degrees);
  DrawTracks(context, m_tracks);
  const std::vector<SPoint> routeStarts = DrawRoutes(context, m_routes);
  DrawScaleBar(context, out);
  const std::vector<std::size_t> shown = DrawWaypoints(context, m_waypoints);
  AddRouteNumbers(context, routeStarts);
  AddWaypointNames(context, m_waypoints, shown);
  for (const STextItem& item : degrees) texts.Add(item, {item.rect.TopLeft()});
  texts.Draw(drawing, out);
  drawing.Add(SClip{});

  drawing.Add(SShape{SShape::EKind::Rectangle, out.map.Adjusted(0.5, 0.5, -0.5, -0.5), 0, {style::kFrame, 1}, 0});
  if (!out.profile.IsEmpty()) m_profile.Draw(drawing, out.profile, measure, m_tracks.Lines(), out.labels);
  return drawing;
}
