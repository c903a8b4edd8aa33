// The picture and the summary of the benchmark's 1,000,000-point walk: reading it into navigation
// data, measuring it, and drawing it into an 800x600 image (meant to take well under a second).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/generated_track.h"
#include "formats/vexlorn_file.h"
#include "wizard/preview/navigation_picture.h"
#include "wizard/preview/navigation_reader.h"
#include "wizard/preview/navigation_summary.h"

namespace {

constexpr std::size_t kPoints = 1000000;

// walk.trk of the benchmark, written once to a temporary file and read back as the tool reads it.
class CWalk {
 public:
  CWalk() : m_path(std::filesystem::temp_directory_path() / ("transvane-walk-" + std::to_string(::getpid()) + ".trk")) {
    CCodePage codePage;
    if (!SaveVexlornFile(m_path, bench::MakeTrack(bench::BenchmarkWalk(kPoints))) ||
        !ReadNavigationFile(m_path, m_data, codePage)) {
      std::fprintf(stderr, "cannot write and read %s\n", m_path.c_str());
      std::abort();
    }
  }
  ~CWalk() { std::filesystem::remove(m_path); }
  const std::string& Path() const { return m_path; }
  const SNavigationData& Data() const { return m_data; }

 private:
  std::string m_path;
  SNavigationData m_data;
};

const CWalk& Walk() {
  static const CWalk walk;
  return walk;
}

void ReadTrack(benchmark::State& state) {
  for (auto _ : state) {
    SNavigationData data;
    CCodePage codePage;
    if (!ReadNavigationFile(Walk().Path(), data, codePage)) std::abort();
    benchmark::DoNotOptimize(data.tracks.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
}

void SummariseTrack(benchmark::State& state) {
  for (auto _ : state) {
    const SNavigationSummary summary = SummariseNavigation(Walk().Data());
    benchmark::DoNotOptimize(summary.trackLines.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
}

void DrawTrack(benchmark::State& state) {
  const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    CNavigationPicture(Walk().Data()).Draw(painter, QSizeF(size));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
}

}  // namespace

BENCHMARK(ReadTrack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SummariseTrack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DrawTrack)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  // Texts need a Qt application; offscreen needs no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
