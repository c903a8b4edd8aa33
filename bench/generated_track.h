// The benchmark's generated walk, shared by the file generator and the benchmarks that need the
// same track in memory: deterministic, shaped like a real log.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/vexlorn_records.h"

namespace bench {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;  // along a meridian, near enough for a made-up walk

// SplitMix64: the same numbers on every platform and library, unlike the std distributions.
class CRandom {
 public:
  explicit CRandom(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Between(double low, double high) { return low + (high - low) * Unit(); }
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t m_state;
};

// The shape of one generated walk.
struct STrackShape {
  std::string name;
  std::size_t nodes = 0;
  std::int32_t startTime = 0;  // seconds since 1970 UTC
  std::int32_t secondsPerNode = 1;
  double latitude = 0;  // north positive here; the document stores south positive
  double longitude = 0;
  double altitude = 0;
  double speed = 1.3;  // metres per second, a steady walking pace
  std::uint64_t seed = 1;
};

// A walker whose heading wanders a little each step and whose height follows the slopes, so that
// neighbouring nodes differ the way a real log's do (no repeated or random-looking positions).
inline CVexlornFileTrk MakeTrack(const STrackShape& shape) {
  CVexlornFileTrk doc;
  doc.SetName(shape.name);
  CRandom random(shape.seed);
  double latitude = shape.latitude;
  double longitude = shape.longitude;
  double heading = random.Between(0, 2 * kPi);
  double turn = 0;
  double climb = 0;
  doc.GetNodes().Reserve(shape.nodes);
  for (std::size_t i = 0; i < shape.nodes; ++i) {
    const double elapsed = static_cast<double>(i) * shape.secondsPerNode;
    const double altitude = shape.altitude + 150.0 * std::sin(elapsed / 1800.0) + climb;
    SVexlornTnodBlock node;
    node.SetLatitude(-latitude);
    node.SetLongitude(longitude);
    node.SetAltitude(static_cast<float>(altitude));
    node.SetTime(shape.startTime + static_cast<std::int32_t>(i) * shape.secondsPerNode);
    node.SetHundredths(static_cast<std::uint8_t>(random.Below(100)));
    node.SetValidFix(1);
    doc.GetNodes().Add(node);

    turn = 0.9 * turn + random.Between(-0.02, 0.02);
    heading += turn;
    climb += random.Between(-0.3, 0.3);
    const double step = shape.speed * shape.secondsPerNode;
    latitude += step * std::cos(heading) / kMetresPerDegree;
    longitude += step * std::sin(heading) / (kMetresPerDegree * std::cos(latitude * kPi / 180.0));
  }
  return doc;
}

// walk.trk of the benchmark: one node a second from 2024-06-01 05:00:00 UTC in the Alps.
inline STrackShape BenchmarkWalk(std::size_t nodes) {
  STrackShape walk;
  walk.name = "WALK";
  walk.nodes = nodes;
  walk.startTime = 1717218000;
  walk.latitude = 46.5;
  walk.longitude = 8.0;
  walk.altitude = 1200;
  return walk;
}

}  // namespace bench
