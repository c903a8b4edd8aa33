// The input the XML parser candidates share: the benchmark's walk as GPX text.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

inline constexpr std::size_t kPoints = 1000000;
// What a parser is handed at a time.
inline constexpr std::size_t kChunk = 256 * 1024;

// The 1,000,000-point walk of scripts/bench as GPX, made once.
const std::string& Gpx();
// The figures of a run that counted `elements`; an error when elements were lost.
void Report(benchmark::State& state, std::uint64_t elements);

}  // namespace bench
