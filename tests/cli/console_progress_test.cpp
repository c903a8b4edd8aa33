// Tests of the map copy's progress line, on a clock the test moves.
#include "cli/console_progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/temp_folder.h"

namespace {

// However fast the blocks come, the line is redrawn at most once per 100 ms of the clock, the
// first time at once; the time left is reckoned on the same clock.
TEST(ConsoleProgressTest, RedrawsAtMostTenTimesASecond) {
  const struct {
    bool shown;
    std::uint32_t start;
    std::uint32_t stepMs;
    int blocks;
    std::uint64_t totalBlocks;
    int draws;
    const char* lastLine;
  } cases[] = {
      {true, 0, 0, 1000, 1000, 1, "\r\033[Kx.imi   0%  total   0%  time left -"},
      {true, 0, 1, 999, 999, 10, nullptr},
      {true, 0, 10, 100, 100, 11, nullptr},
      {true, 0, 100, 5, 5, 6, nullptr},
      {true, 0, 250, 4, 4, 5, nullptr},
      {true, 0xFFFFFFF0u, 10, 30, 30, 4, nullptr},  // the tick wraps
      {true, 0, 2000, 10, 100, 11, "\r\033[Kx.imi   0%  total  10%  time left 0:03:00"},
      {false, 0, 100, 5, 5, 0, nullptr},
  };
  for (const auto& c : cases) {
    // A file stands for the terminal: what was drawn is read back from it.
    const CTempFolder folder;
    std::FILE* out = std::fopen(folder.Path("line").c_str(), "w+b");
    ASSERT_NE(out, nullptr);
    std::uint32_t now = c.start;
    {
      CConsoleProgress progress(c.shown, c.totalBlocks, out, [&now] { return now; });
      progress.OnFileStart("/nowhere/x.imi");
      for (int i = 0; i < c.blocks; ++i) {
        now += c.stepMs;
        progress.OnBlockCopied();
      }
    }
    std::string text;
    std::rewind(out);
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text += static_cast<char>(c);
    std::fclose(out);
    int draws = 0;
    for (std::size_t at = text.find("\r\033[K"); at != std::string::npos; at = text.find("\r\033[K", at + 1)) ++draws;
    EXPECT_EQ(draws, c.draws) << "step " << c.stepMs << " ms";
    if (c.lastLine != nullptr) {
      EXPECT_EQ(text.substr(text.rfind('\r')), c.lastLine);
    }
  }
}

}  // namespace
