// Tests of the command line's own words: unknown commands, the help command, keywords in any
// letter case and the help's width.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class UsageTest : public CCliTest {
 protected:
  void TearDown() override {
    SetEnvironment("COLUMNS", std::nullopt);
    CCliTest::TearDown();
  }
};

TEST_F(UsageTest, AnUnknownCommandIsNamedWithTheNearestOne) {
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"conver", "a.wpt"}, "unknown command \"conver\": did you mean convert?"},
      {{"shwo", "a.wpt"}, "unknown command \"shwo\": did you mean show?"},
      {{"Devices"}, "unknown command \"Devices\": did you mean devices?"},
      {{"conv"}, "unknown command \"conv\": did you mean convert?"},
      {{"maps", "lst", "--wineprefix", "/"}, "unknown command \"maps lst\": did you mean maps list?"},
      {{"help", "mpas"}, "unknown command \"mpas\": did you mean maps?"},
      {{"frobnicate"}, "unknown command \"frobnicate\": the commands are convert, devices, help, maps, send, show"},
      {{"help", "convert", "x"}, "unknown command \"convert x\": convert takes no command"},
      {{"co\x1b[2J"}, "unknown command \"co\\x1b[2J\": the commands are convert, devices, help, maps, send, show"},
  };
  for (const auto& c : cases) {
    const SRun run = Run(c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments.front();
    EXPECT_THAT(run.out, IsEmpty());
    EXPECT_THAT(Lines(run.err), ElementsAre(c.err));
  }
}

TEST_F(UsageTest, HelpCommandPrintsWhatTheHelpOptionPrints) {
  const std::vector<std::string> paths[] = {{}, {"convert"}, {"maps"}, {"maps", "copy"}, {"help"}};
  for (const auto& path : paths) {
    std::vector<std::string> help = {"help"};
    help.insert(help.end(), path.begin(), path.end());
    std::vector<std::string> option = path;
    option.push_back("--help");
    const SRun byCommand = Run(help);
    const SRun byOption = Run(option);
    EXPECT_EQ(byCommand.status, 0) << byCommand.err;
    EXPECT_THAT(byCommand.out, ::testing::HasSubstr("Usage: transvane-cli"));
    EXPECT_EQ(byCommand.out, byOption.out);
  }
}

TEST_F(UsageTest, KeywordsAreTakenInAnyLetterCase) {
  const std::string upt = Copy("walk.upt", "in/walk.upt");
  const std::string gpx = Copy("weekend.gpx", "in/weekend.gpx");
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string firstLine;
  } cases[] = {
      {{"convert", "--to", "GPX", "-o", Path("a"), upt}, 0, Path("a/walk.gpx")},
      {{"convert", "--to=Desktop", "-o", Path("b"), gpx}, 0, Path("b/weekend.wpt")},
      {{"convert", "--from", "UPT", "-o", Path("c"), "-"}, 0, Path("c/stdin.wpt")},
      {{"convert", "--to", "gpxx", "-o", Path("d"), upt}, 2, ""},
  };
  for (const auto& c : cases) {
    const SRun run = Run(c.arguments, {}, ReadBytes(upt));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), c.firstLine);
  }
}

// Lines are broken at spaces to fit $COLUMNS, else 80 columns (never fewer than 40), and nothing
// is lost; a terminal's own width is tested where the program can be given one (posix/).
TEST_F(UsageTest, HelpIsWrappedToTheWidth) {
  SetEnvironment("COLUMNS", "9999");
  const std::string whole = Run({"convert", "--help"}).out;
  const struct {
    const char* columns;  // nullptr: unset
    std::size_t width;
  } cases[] = {{"50", 50}, {"120", 120}, {nullptr, 80}, {"wide", 80}, {"10", 40}};
  for (const auto& c : cases) {
    SetEnvironment("COLUMNS", c.columns != nullptr ? std::optional<std::string>(c.columns) : std::nullopt);
    const SRun run = Run({"convert", "--help"});
    EXPECT_EQ(run.status, 0);
    std::size_t widest = 0;
    for (const std::string& line : Lines(run.out)) {
      if (Words(line).size() > 1) {
        EXPECT_LE(Width(line), c.width) << line;
      }
      widest = std::max(widest, Width(line));
    }
    EXPECT_GT(widest, c.width - 20) << "the lines fill the width";
    EXPECT_EQ(Words(run.out), Words(whole));
  }
}

}  // namespace
