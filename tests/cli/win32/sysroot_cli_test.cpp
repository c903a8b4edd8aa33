// --sysroot reads a Linux system tree (mount table, sysfs), which Windows has not: transvane-cli.exe
// neither offers nor takes it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using SysrootTest = CCliTest;

TEST_F(SysrootTest, IsNeitherOfferedNorTaken) {
  const std::vector<std::string> commands[] = {{"devices", "--sysroot", "C:\\"},
                                               {"send", "--sysroot", "C:\\", "a.wpt"}};
  for (const auto& arguments : commands) {
    const SRun run = Run(arguments);
    EXPECT_EQ(run.status, 2) << arguments.front();
    EXPECT_THAT(run.err, HasSubstr("--sysroot")) << arguments.front();
    EXPECT_THAT(Run({arguments.front(), "--help"}).out, Not(HasSubstr("sysroot"))) << arguments.front();
  }
}

}  // namespace
