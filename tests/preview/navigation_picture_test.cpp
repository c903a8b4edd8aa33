// The picture drawn into small images, checked for facts a wrong drawing breaks: where marks land,
// which way is north, the scale bar's truth, texts inside the picture and apart, track colours.
#include "preview/navigation_picture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <variant>

#include "preview/picture_style.h"
#include "preview/qt/qt_drawing.h"
#include "tests/preview/navigation_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Texts need a Qt application with a platform (offscreen, unless the caller chose another); it
// lives through all the tests.
class CGuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_application = std::make_unique<QGuiApplication>(m_argc, m_argv);
  }
  void TearDown() override { m_application.reset(); }

 private:
  int m_argc = 1;
  char m_name[16] = "preview-tests";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QGuiApplication> m_application;
};
::testing::Environment* const kGuiEnvironment = ::testing::AddGlobalTestEnvironment(new CGuiEnvironment);

QImage Render(const STestData& data, const QSize& size, SPictureReport& report) {
  CNavigationPicture picture(std::max(size.width(), size.height()));
  Feed(data, picture);
  const CQtTextMeasure measure;
  return DrawingImage(picture.Draw(size.width(), size.height(), measure, &report), measure);
}

// The middle of the pixels of exactly this colour within 8 pixels of `near` (a mark's inside:
// its antialiased rim has other colours); NaN when there are none.
SPoint CentreOf(const QImage& image, SPoint near, QRgb colour) {
  double x = 0, y = 0, count = 0;
  for (int row = static_cast<int>(near.y) - 8; row <= static_cast<int>(near.y) + 8; ++row) {
    for (int column = static_cast<int>(near.x) - 8; column <= static_cast<int>(near.x) + 8; ++column) {
      if (!image.rect().contains(column, row) || image.pixel(column, row) != colour) continue;
      x += column + 0.5;
      y += row + 0.5;
      ++count;
    }
  }
  return count == 0 ? SPoint{kNaN, kNaN} : SPoint{x / count, y / count};
}

double MercatorY(double latitude) { return std::log(std::tan(kPi / 4 + latitude * kPi / 360)); }

// Where each waypoint's mark is in the image, measured; the facts below then hold between the
// measured marks, whatever the code thinks it drew.
std::vector<SPoint> Marks(const QImage& image, const SPictureReport& report, const STestData& data) {
  std::vector<SPoint> marks;
  for (const SNavigationWaypoint& waypoint : data.waypoints) {
    const SPoint drawnAt = report.projection.ToPixel(waypoint.latitude, waypoint.longitude);
    const SPoint mark = CentreOf(image, drawnAt, picture_style::kWaypoint);
    EXPECT_NEAR(mark.x, drawnAt.x, 1.0) << waypoint.name;
    EXPECT_NEAR(mark.y, drawnAt.y, 1.0) << waypoint.name;
    marks.push_back(mark);
  }
  return marks;
}

// Mercator, north up, east right, one scale both ways, the data in the middle.
TEST(NavigationPictureTest, WaypointsLandWhereMercatorPutsThem) {
  STestData data;
  data.waypoints = {{"A", 46.0, 7.0}, {"B", 47.5, 8.5}, {"C", 46.5, 7.5}};
  SPictureReport report;
  const QImage image = Render(data, QSize(400, 300), report);
  EXPECT_TRUE(report.profile.IsEmpty());
  const std::vector<SPoint> marks = Marks(image, report, data);
  const SPoint a = marks[0], b = marks[1], c = marks[2];
  EXPECT_GT(b.x, a.x);  // east is right
  EXPECT_LT(b.y, a.y);  // north is up
  EXPECT_NEAR((c.x - a.x) / (b.x - a.x), 1.0 / 3, 0.01);
  // Conformal: as many pixels per Mercator unit across as up, which a plain latitude scale
  // (or one of its own for each axis) misses by far at 46°.
  const double across = (b.x - a.x) / (1.5 * kPi / 180);
  EXPECT_NEAR((a.y - b.y) / (MercatorY(47.5) - MercatorY(46.0)) / across, 1.0, 0.01);
  EXPECT_NEAR((c.y - a.y) / (MercatorY(46.5) - MercatorY(46.0)) / -across, 1.0, 0.02);
  EXPECT_NEAR((a.x + b.x) / 2, 200, 1.0);
  EXPECT_NEAR((a.y + b.y) / 2, 150, 1.0);
}

// Islands on both sides of 180° are drawn side by side, not at the two ends of the world.
TEST(NavigationPictureTest, DataAcrossTheAntimeridianStaysTogether) {
  STestData data;
  data.waypoints = {{"WEST", -17.5, 179.8}, {"EAST", -17.6, -179.8}};
  SPictureReport report;
  const QImage image = Render(data, QSize(400, 300), report);
  const std::vector<SPoint> marks = Marks(image, report, data);
  EXPECT_LT(marks[0].x, marks[1].x);
  EXPECT_NEAR(marks[1].x - marks[0].x,
              (0.4 * kPi / 180) / (MercatorY(-17.5) - MercatorY(-17.6)) * (marks[1].y - marks[0].y), 1.5);
}

// The bar's length in pixels times the ground per pixel at the map's middle (measured between two
// marks one degree apart on the parallel of 46.5°N: 76762.080525 m by GeodSolve) is its length in km.
TEST(NavigationPictureTest, ScaleBarMatchesTheGroundAtTheMapsMiddle) {
  STestData data;
  data.waypoints = {{"W", 46.5, 7.5}, {"E", 46.5, 8.5}, {"S", 46.2, 8.0}, {"N", 46.8, 8.0}};
  SPictureReport report;
  const QImage image = Render(data, QSize(600, 400), report);
  const std::vector<SPoint> marks = Marks(image, report, data);
  const double metresPerPixel = 76762.080525 / (marks[1].x - marks[0].x);
  ASSERT_GT(report.scaleBarMetres, 0);
  const SPoint left = report.scaleBarLeft, right = report.scaleBarRight;
  EXPECT_NEAR((right.x - left.x) * metresPerPixel / report.scaleBarMetres, 1.0, 0.01);
  EXPECT_EQ(left.y, right.y);
  EXPECT_LT(qGray(image.pixel(static_cast<int>((left.x + right.x) / 2), static_cast<int>(left.y))), 80)
      << "the bar is drawn where it is said to be";
  EXPECT_TRUE(report.map.Contains(left) && report.map.Contains(right));
}

// Many long names close together: those drawn stay inside the picture and off each other.
TEST(NavigationPictureTest, TextsStayInsideThePictureAndApart) {
  STestData data;
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 16777216.0;
  };
  for (int i = 0; i < 300; ++i) {
    data.waypoints.push_back({"A RATHER LONG WAYPOINT NAME " + std::to_string(i), 46 + next() * 0.1, 7 + next() * 0.1});
  }
  data.routes.push_back({"R", {data.waypoints[0], data.waypoints[1], data.waypoints[2]}});
  STestTrack track;
  for (int i = 0; i < 50; ++i) {
    track.points.push_back({46 + i * 0.002, 7.1 - i * 0.002, 1716010930.0 + i, static_cast<float>(800 + i * i)});
  }
  data.tracks.push_back(track);

  for (const QSize& size : {QSize(320, 240), QSize(900, 150)}) {
    SCOPED_TRACE(size.width());
    SPictureReport report;
    Render(data, size, report);
    EXPECT_EQ(report.profile.IsEmpty(), size.height() < 200);
    if (!report.profile.IsEmpty()) {
      EXPECT_GE(report.profile.top, report.map.Bottom());
    }
    ASSERT_FALSE(report.labels.empty());
    EXPECT_LT(report.labels.size(), data.waypoints.size()) << "names that would overlap are left out";
    const SRect picture{0, 0, static_cast<double>(size.width()), static_cast<double>(size.height())};
    for (std::size_t i = 0; i < report.labels.size(); ++i) {
      EXPECT_TRUE(picture.Contains(report.labels[i])) << i;
      for (std::size_t j = 0; j < i; ++j) {
        EXPECT_FALSE(report.labels[i].Intersects(report.labels[j])) << i << " and " << j;
      }
    }
  }
}

// A track is coloured along its time: a walk that covers its first half in 50 s and its second in
// 5000 s is still at the start's colour halfway along. Without times the order counts.
TEST(NavigationPictureTest, TracksAreColouredAlongTheirTime) {
  for (const bool timed : {true, false}) {
    SCOPED_TRACE(timed ? "timed" : "untimed");
    STestData data;
    STestTrack track;
    for (int i = 0; i <= 100; ++i) {
      const double time = i <= 50 ? i : 50 + (i - 50) * 100.0;
      track.points.push_back({10.0, 10.0 + i * 0.01, timed ? 1716010930.0 + time : STrackPoint::kNoTime});
    }
    data.tracks.push_back(track);
    SPictureReport report;
    const QImage image = Render(data, QSize(400, 300), report);
    const SPoint at = report.projection.ToPixel(10.0, 10.45);
    const QColor seen = image.pixelColor(static_cast<int>(at.x), static_cast<int>(std::floor(at.y)));
    const QColor expected = QColor::fromRgba(picture_style::TrackShade(timed ? 0 : picture_style::TrackShadeAt(0.45)));
    EXPECT_LT(std::abs(seen.red() - expected.red()) + std::abs(seen.green() - expected.green()) +
                  std::abs(seen.blue() - expected.blue()),
              40)
        << seen.name().toStdString() << " instead of " << expected.name().toStdString();
  }
}

// A long track thinned as it is read still shows what stands out: the far point of a spike is a
// corner of the line on the map, and the profile reaches the highest and lowest elevation.
TEST(NavigationPictureTest, ALongTrackStillShowsItsExtremes) {
  for (const int at : {12345, 23457, 34568, 45679}) {
    SCOPED_TRACE(at);
    STestData data;
    STestTrack& track = data.tracks.emplace_back();
    double latitude = 46.5, longitude = 8.0, heading = 0;
    for (int i = 0; i < 50000; ++i) {
      track.points.push_back({latitude, longitude, 1.7e9 + i, static_cast<float>(1000 + 50 * std::sin(i * 0.001))});
      heading += std::sin(i * 0.013) * 0.05;
      latitude += 1.3 * std::cos(heading) / 111320;
      longitude += 1.3 * std::sin(heading) / 76600;
    }
    STrackPoint& spike = track.points[static_cast<std::size_t>(at)];
    spike.latitude += 0.01;
    track.points[static_cast<std::size_t>(at) + 7].elevation = 4000;
    track.points[static_cast<std::size_t>(at) / 2].elevation = -20;

    CNavigationPicture picture(800);
    Feed(data, picture);
    const CQtTextMeasure measure;
    SPictureReport report;
    const SDrawing drawing = picture.Draw(800, 600, measure, &report);
    const SPoint far = report.projection.ToPixel(spike.latitude, spike.longitude);
    double nearest = 1e9;
    double top = 1e9, bottom = -1e9;           // of the profile's line
    double plotTop = kNaN, plotBottom = kNaN;  // of its axis of elevations
    for (const SDrawItem& item : drawing.items) {
      const SPolyline* line = std::get_if<SPolyline>(&item);
      if (line == nullptr) continue;
      for (const SPoint& point : line->points) {
        if (report.map.Contains(point)) nearest = std::min(nearest, std::hypot(point.x - far.x, point.y - far.y));
      }
      if (!report.profile.Contains(line->points.front())) continue;
      if (line->pen.colour == picture_style::kFrame) {
        if (line->points.size() == 2 && line->points[0].x == line->points[1].x &&
            line->points[1].y < line->points[0].y) {
          plotBottom = line->points[0].y;
          plotTop = line->points[1].y;
        }
        continue;
      }
      for (const SPoint& point : line->points) {
        top = std::min(top, point.y);
        bottom = std::max(bottom, point.y);
      }
    }
    EXPECT_LT(nearest, 1.0);
    EXPECT_NEAR(top, plotTop, 0.01);
    EXPECT_NEAR(bottom, plotBottom, 0.01);
  }
}

// Data a file may hold but no map can show draws without fault and keeps its texts inside.
TEST(NavigationPictureTest, AnyDataDraws) {
  STestData nothing;
  STestData noPositions;
  noPositions.waypoints = {{"NAN", kNaN, 1}, {"POLE", 95, 0}};
  noPositions.tracks.push_back({"T", {{kNaN, kNaN}, {100, 0}}});
  noPositions.routes.push_back({"R", {{"X", kNaN, 0}}});
  STestData pointsAtOnePlace;
  pointsAtOnePlace.waypoints = {{"A", 89.9, 0}, {"B", 89.9, 0}};
  pointsAtOnePlace.tracks.push_back({"T", {{89.9, 0, 0, 3e38f}, {89.9, 0, 1, -3e38f}, {89.9, 0}}});
  pointsAtOnePlace.routes.push_back({"R", {{"A", 89.9, 0}, {"B", 89.9, 0}}});
  for (const STestData* data : {&nothing, &noPositions, &pointsAtOnePlace}) {
    SPictureReport report;
    Render(*data, QSize(200, 200), report);
    for (const SRect& label : report.labels) EXPECT_TRUE(SRect({0, 0, 200, 200}).Contains(label));
  }
}

}  // namespace
