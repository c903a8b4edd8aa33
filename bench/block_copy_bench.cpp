// Times the block copy of one large file, for comparison with dd and cp on the same file system.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/block_copy.h"

namespace {

// The file to copy: $TRANSVANE_BENCH_SOURCE when set (scripts/bench-block-copy makes a 256 MB one
// there), otherwise a 16 MiB file made in the temporary folder for a quick run.
class CBenchSource {
 public:
  CBenchSource() {
    if (const char* given = std::getenv("TRANSVANE_BENCH_SOURCE"); given != nullptr && *given != '\0') {
      m_path = given;
      return;
    }
    m_path = (std::filesystem::temp_directory_path() / ("transvane_bench_" + std::to_string(::getpid()))).string();
    m_owned = true;
    std::ofstream out(m_path, std::ios::binary);
    const std::string block(kCopyBlockSize, 'm');
    for (int i = 0; i < 256; ++i) out << block;
  }
  ~CBenchSource() {
    if (m_owned) std::filesystem::remove(m_path);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  bool m_owned = false;
};

void BM_CopyInBlocks(benchmark::State& state) {
  const CBenchSource source;
  const std::string destination = source.Path() + ".copy";
  std::error_code ignored;
  const auto size = std::filesystem::file_size(source.Path(), ignored);
  CReportLines report;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CopyInBlocks(source.Path(), destination, nullptr, report));
    state.PauseTiming();
    std::filesystem::remove(destination, ignored);
    state.ResumeTiming();
  }
  if (!report.Empty()) state.SkipWithError(report.Lines().front().text.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_CopyInBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
