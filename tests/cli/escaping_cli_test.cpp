// Arguments the command-line parser quotes in its messages are escaped as names are: no control
// byte or escape sequence reaches the terminal, and the message's own line breaks stay.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_test_support.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(ParserEscapingTest, TheParsersMessagesQuoteArgumentsEscaped) {
  // (No lone byte that is not UTF-8: Windows' command line carries characters only.)
  const std::string hostile = "x\x1b]0;owned\x07\x1b[2J\t\xc2\x9b\xc3\xa9\nz";
  for (const char* command : {"convert", "show"}) {
    const SRun usage = RunCli({command, "--frobnicate=" + hostile, "x.upt"});
    EXPECT_EQ(usage.status, 2) << command;
    EXPECT_THAT(usage.err, HasSubstr("x\\x1b]0;owned\\x07\\x1b[2J\\t\\xc2\\x9b\xc3\xa9\nz")) << usage.err;
    EXPECT_THAT(usage.err, Not(HasSubstr("\x1b")));
  }
  const SRun to = RunCli({"convert", "--to", hostile, "x.upt"});
  EXPECT_EQ(to.status, 2);
  EXPECT_THAT(to.err, HasSubstr("--to: x\\x1b]0;owned\\x07\\x1b[2J\\t"));
  EXPECT_THAT(to.err, Not(HasSubstr("\x1b")));
}

}  // namespace
