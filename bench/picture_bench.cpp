// The summary and the picture of the benchmark's 1,000,000-point walk as .trk, .log and .gpx: the
// two ways of keeping memory flat side by side (one pass that thins the lines to a grid set from
// the box so far, against a first pass for the box and a second that thins to the final pixels),
// the lengths by GeographicLib's inverse against the closed form for short steps, and the layout
// and painting of an 800x600 picture. `transvane-cli show` end to end is in scripts/bench.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <GeographicLib/Geodesic.hpp>
#include <QGuiApplication>
#include <QImage>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/generated_track.h"
#include "formats/code_page.h"
#include "formats/file_conversion.h"
#include "formats/gpx_writer.h"
#include "formats/vexlorn_file.h"
#include "preview/elevation_profile.h"
#include "preview/map_projection.h"
#include "preview/navigation_picture.h"
#include "preview/navigation_reader.h"
#include "preview/navigation_summary.h"
#include "preview/path_length.h"
#include "preview/qt/qt_drawing.h"

namespace {

constexpr std::size_t kPoints = 1000000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// walk.trk of the benchmark and the same walk as .log and .gpx, written once to a temporary folder.
class CWalkFiles {
 public:
  CWalkFiles()
      : m_folder(std::filesystem::temp_directory_path() / ("transvane-picture-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_folder);
    SGpxDocument doc;
    doc.tracks.push_back(bench::MakeTrack(bench::BenchmarkWalk(kPoints)));
    CCodePage codePage;
    if (!SaveVexlornFile(Path("trk"), doc.tracks[0]) || !ConvertTrackFileToUnit(Path("trk"), Path("log")).done ||
        !WriteGpxFile(Path("gpx"), doc, codePage)) {
      std::fprintf(stderr, "cannot write the walk into %s\n", m_folder.c_str());
      std::abort();
    }
  }
  ~CWalkFiles() { std::filesystem::remove_all(m_folder); }
  std::string Path(const char* extension) const { return (m_folder / "walk.").string() + extension; }

 private:
  std::filesystem::path m_folder;
};

const CWalkFiles& Files() {
  static const CWalkFiles files;
  return files;
}

const char* const kKinds[] = {"trk", "log", "gpx"};

void Read(const std::string& path, CNavigationSink& sink) {
  CCodePage codePage;
  if (!ReadNavigationFile(path, sink, codePage)) std::abort();
}

// The second pass of the two-pass way: with the box known, each track keeps a point only where it
// falls on another pixel of the final picture than the point kept before it.
class CProjectedLines : public CNavigationSink {
 public:
  explicit CProjectedLines(const CMapProjection& projection) : m_projection(projection), m_profile(kWidth) {}
  void AddWaypoint(const SNavigationWaypoint&) override {}
  void AddRoute(const SNavigationRoute&) override {}
  void BeginTrack() override {
    m_profile.BeginTrack();
    m_x = m_y = LLONG_MIN;
    m_index = 0;
  }
  void AddTrackPoint(const STrackPoint& point) override {
    m_profile.Add(point, m_index);
    const double index = m_index++;
    if (!IsValidPosition(point.latitude, point.longitude)) return;
    const SPoint pixel = m_projection.ToPixel(point.latitude, point.longitude);
    const long long x = static_cast<long long>(std::floor(pixel.x));
    const long long y = static_cast<long long>(std::floor(pixel.y));
    if (x == m_x && y == m_y) return;
    m_x = x;
    m_y = y;
    m_kept.push_back({pixel.x, pixel.y, point.time, index});
  }
  void EndTrack(const std::string&) override { m_profile.EndTrack(); }
  std::size_t Kept() const { return m_kept.size(); }

 private:
  struct SKept {
    double x, y, time, index;
  };
  const CMapProjection& m_projection;
  CElevationProfile m_profile;
  std::vector<SKept> m_kept;
  long long m_x = LLONG_MIN, m_y = LLONG_MIN;
  double m_index = 0;
};

// One pass: the summary and the thinned lines together.
void OnePass(benchmark::State& state) {
  const std::string path = Files().Path(kKinds[state.range(0)]);
  std::size_t kept = 0;
  for (auto _ : state) {
    CNavigationSummaryBuilder summary;
    CNavigationPicture picture(std::max(kWidth, kHeight));
    CNavigationFanOut both({&summary, &picture});
    Read(path, both);
    benchmark::DoNotOptimize(summary.Summary().trackLines.data());
    kept = picture.Tracks().Points().size();
  }
  state.counters["kept"] = static_cast<double>(kept);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
  state.SetLabel(kKinds[state.range(0)]);
}

// Two passes: the summary and its box, then the lines thinned to the final pixels.
void TwoPasses(benchmark::State& state) {
  const std::string path = Files().Path(kKinds[state.range(0)]);
  std::size_t kept = 0;
  for (auto _ : state) {
    CNavigationSummaryBuilder summary;
    Read(path, summary);
    const SNavigationSummary figures = summary.Summary();
    const CMapProjection projection(figures.bounds, {0, 0, kWidth, kHeight * 3 / 4});
    CProjectedLines lines(projection);
    Read(path, lines);
    kept = lines.Kept();
  }
  state.counters["kept"] = static_cast<double>(kept);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
  state.SetLabel(kKinds[state.range(0)]);
}

// The walk's points in memory, for the length and drawing rows.
struct SWalkPoints : CNavigationSink {
  void AddWaypoint(const SNavigationWaypoint&) override {}
  void AddRoute(const SNavigationRoute&) override {}
  void BeginTrack() override {}
  void AddTrackPoint(const STrackPoint& point) override { points.push_back(point); }
  void EndTrack(const std::string&) override {}
  std::vector<STrackPoint> points;
};

const std::vector<STrackPoint>& WalkPoints() {
  static const std::vector<STrackPoint> points = [] {
    SWalkPoints walk;
    Read(Files().Path("trk"), walk);
    return walk.points;
  }();
  return points;
}

void LengthByInverse(benchmark::State& state) {
  const std::vector<STrackPoint>& points = WalkPoints();
  for (auto _ : state) {
    double metres = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
      double step = 0;
      GeographicLib::Geodesic::WGS84().Inverse(points[i - 1].latitude, points[i - 1].longitude, points[i].latitude,
                                               points[i].longitude, step);
      metres += step;
    }
    benchmark::DoNotOptimize(metres);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}

void LengthByShortSteps(benchmark::State& state) {
  const std::vector<STrackPoint>& points = WalkPoints();
  for (auto _ : state) {
    CPathLength length;
    for (const STrackPoint& point : points) length.Add(point.latitude, point.longitude);
    benchmark::DoNotOptimize(length.Metres());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}

// Laying out the picture of the thinned walk, and painting it.
void LayOut(benchmark::State& state) {
  CNavigationPicture picture(std::max(kWidth, kHeight));
  picture.BeginTrack();
  for (const STrackPoint& point : WalkPoints()) picture.AddTrackPoint(point);
  picture.EndTrack("WALK");
  const CQtTextMeasure measure;
  for (auto _ : state) {
    const SDrawing drawing = picture.Draw(kWidth, kHeight, measure);
    if (state.range(0) != 0) benchmark::DoNotOptimize(DrawingImage(drawing, measure).constBits());
    benchmark::DoNotOptimize(drawing.items.data());
  }
  state.SetLabel(state.range(0) != 0 ? "and paint" : "layout");
}

}  // namespace

BENCHMARK(OnePass)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TwoPasses)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LengthByInverse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LengthByShortSteps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LayOut)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  // Texts need a Qt application; offscreen needs no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
