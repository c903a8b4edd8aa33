// The help on a terminal: the terminal's own width wins over $COLUMNS.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/cli/posix/cli_posix_support.h"

namespace {

class TerminalWidthTest : public CCliTest {
 protected:
  void TearDown() override {
    SetEnvironment("COLUMNS", std::nullopt);
    CCliTest::TearDown();
  }
};

TEST_F(TerminalWidthTest, HelpIsWrappedToTheTerminalsWidth) {
  SetEnvironment("COLUMNS", "9999");
  const std::string whole = Run({"convert", "--help"}).out;
  SetEnvironment("COLUMNS", "200");
  winsize size{};
  size.ws_col = 60;
  size.ws_row = 24;
  int terminal = -1;
  const pid_t child = StartOnTerminal({TRANSVANE_CLI_PATH, "convert", "--help"}, terminal, &size);
  ASSERT_GE(child, 0);
  std::string shown;
  char buffer[4096];
  for (ssize_t count; (count = ::read(terminal, buffer, sizeof buffer)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(count));
  }
  ::waitpid(child, nullptr, 0);
  ::close(terminal);
  shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
  EXPECT_EQ(Words(shown), Words(whole));
  for (const std::string& line : Lines(shown)) {
    if (Words(line).size() > 1) {
      EXPECT_LE(Width(line), 60u) << line;
    }
  }
}

}  // namespace
