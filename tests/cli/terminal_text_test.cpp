// Text from files made safe to print: control characters escaped, paths as the system writes them.
#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Where a backslash separates folders, it is printed as typed; elsewhere it is doubled, so that an
// escape and a name cannot be told apart.
constexpr bool kBackslashSeparates = std::filesystem::path::preferred_separator == '\\';

TEST(TerminalText, ControlCharactersAreEscapedAndPathsPrintNatively) {
  const struct {
    std::string text;
    std::string escaped;
    std::string asPath;
  } cases[] = {
      {"plain caf\xC3\xA9", "plain caf\xC3\xA9", "plain caf\xC3\xA9"},
      {"a\tb\r\n\x1b[2J\x7f", "a\\tb\\r\\n\\x1b[2J\\x7f", "a\\tb\\r\\n\\x1b[2J\\x7f"},
      {"\xC2\x9B\xFF", "\\xc2\\x9b\\xff", "\\xc2\\x9b\\xff"},  // a C1 control, a byte that is no UTF-8
      {"maps\\x.imi", kBackslashSeparates ? "maps\\x.imi" : "maps\\\\x.imi",
       kBackslashSeparates ? "maps\\x.imi" : "maps\\\\x.imi"},
      {"E:\\maps/sub/x.imi", kBackslashSeparates ? "E:\\maps/sub/x.imi" : "E:\\\\maps/sub/x.imi",
       kBackslashSeparates ? "E:\\maps\\sub\\x.imi" : "E:\\\\maps/sub/x.imi"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeForTerminal(c.text), c.escaped) << c.text;
    EXPECT_EQ(ShownPath(c.text), c.asPath) << c.text;
  }
  EXPECT_EQ(EscapeForTerminal("one\ntwo", true), "one\ntwo");
}

}  // namespace
