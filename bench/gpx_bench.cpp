// A 1,000,000-point track through GPX to a unit track log and back, beside the same trip through
// the desktop's .trk file: GPX is meant to cost at most twice as much.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/code_page.h"
#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"

namespace {

constexpr int kPoints = 1000000;

// A walk of one point per second with fractions, altitudes and now and then a lost fix.
CVexlornFileTrk MakeTrack() {
  CVexlornFileTrk track;
  track.SetName("BENCH");
  track.GetNodes().Reserve(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    SVexlornTnodBlock node;
    node.SetLongitude(11.25 + i * 1e-6);
    node.SetLatitude(-47.5 - i * 7e-7);
    node.SetAltitude(800.0f + static_cast<float>(i % 1000) * 0.25f);
    node.SetTime(1686384930 + i);
    node.SetValidFix(i % 97 == 0 ? 0 : 1);
    node.SetHundredths(static_cast<std::uint8_t>(i % 100));
    track.GetNodes().Add(std::move(node));
  }
  return track;
}

// The inputs of every direction, made once: the track as .trk bytes, as GPX text and as a .log.
struct SInputs {
  std::vector<std::uint8_t> trk;
  std::string gpx;
  std::string log;
};

const SInputs& Inputs() {
  static const SInputs inputs = [] {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    SInputs made;
    SGpxDocument doc;
    doc.tracks.push_back(MakeTrack());
    CCodePage codePage;
    CUnitTrackFile unit;
    if (!SaveVexlornBytes(doc.tracks[0], made.trk) || !WriteGpxText(doc, codePage, made.gpx) ||
        !ConvertTrackToUnit(doc.tracks[0], unit)) {
      std::abort();
    }
    WriteUnitText(unit, made.log);
    return made;
  }();
  return inputs;
}

void GpxToLog(benchmark::State& state) {
  const SInputs& inputs = Inputs();
  for (auto _ : state) {
    SGpxDocument doc;
    CCodePage codePage;
    CUnitTrackFile unit;
    std::string log;
    if (!ReadGpxText(inputs.gpx, doc, codePage) || !ConvertTrackToUnit(doc.tracks.at(0), unit)) std::abort();
    WriteUnitText(unit, log);
    benchmark::DoNotOptimize(log.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(inputs.gpx.size()));
}

void LogToGpx(benchmark::State& state) {
  const SInputs& inputs = Inputs();
  for (auto _ : state) {
    CUnitTrackFile unit;
    SGpxDocument doc;
    doc.tracks.emplace_back();
    CCodePage codePage;
    std::string gpx;
    if (!ReadUnitText(inputs.log, "BENCH", unit) || !ConvertTrackToDesktop(unit, doc.tracks[0]) ||
        !WriteGpxText(doc, codePage, gpx)) {
      std::abort();
    }
    benchmark::DoNotOptimize(gpx.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void TrkToLog(benchmark::State& state) {
  const SInputs& inputs = Inputs();
  for (auto _ : state) {
    CVexlornFileTrk track;
    CUnitTrackFile unit;
    std::string log;
    if (!LoadVexlornBytes(inputs.trk.data(), inputs.trk.size(), track) || !ConvertTrackToUnit(track, unit)) {
      std::abort();
    }
    WriteUnitText(unit, log);
    benchmark::DoNotOptimize(log.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void LogToTrk(benchmark::State& state) {
  const SInputs& inputs = Inputs();
  for (auto _ : state) {
    CUnitTrackFile unit;
    CVexlornFileTrk track;
    std::vector<std::uint8_t> trk;
    if (!ReadUnitText(inputs.log, "BENCH", unit) || !ConvertTrackToDesktop(unit, track) ||
        !SaveVexlornBytes(track, trk)) {
      std::abort();
    }
    benchmark::DoNotOptimize(trk.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

// The GPX halves alone, to see where the time of a GPX trip goes.
void ReadGpx(benchmark::State& state) {
  const SInputs& inputs = Inputs();
  for (auto _ : state) {
    SGpxDocument doc;
    CCodePage codePage;
    if (!ReadGpxText(inputs.gpx, doc, codePage)) std::abort();
    benchmark::DoNotOptimize(&doc);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void WriteGpx(benchmark::State& state) {
  SGpxDocument doc;
  doc.tracks.push_back(MakeTrack());
  for (auto _ : state) {
    CCodePage codePage;
    std::string gpx;
    if (!WriteGpxText(doc, codePage, gpx)) std::abort();
    benchmark::DoNotOptimize(gpx.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

}  // namespace

BENCHMARK(TrkToLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GpxToLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LogToTrk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LogToGpx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadGpx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteGpx)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
