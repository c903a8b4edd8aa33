// Windows spellings of one file: either separator, and any letter case, which Windows ignores on
// every volume it writes.
#include <gtest/gtest.h>

#include <string>

#include "storage/file_identity.h"
#include "tests/temp_folder.h"

namespace {

TEST(FileIdentityWindowsTest, SeparatorsAndLetterCaseDoNotMakeAnotherFile) {
  const CTempFolder temp;
  ASSERT_FALSE(temp.Path().empty());
  const std::string root = temp.Path();
  temp.File("g/b.txt", "one file");
  struct SCase {
    std::string a;
    std::string b;
    bool same;
  };
  const SCase cases[] = {
      {root + "/g/b.txt", root + "\\g\\b.txt", true},
      {root + "/g/b.txt", root + "\\G\\B.TXT", true},
      {root + "/g/b.txt", root + "\\g\\..\\g\\b.txt", true},
      {root + "/g/new.wpt", root + "\\G\\NEW.WPT", true},  // not there yet
      {root + "/g/b.txt", root + "\\g\\c.txt", false},
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(IsSameFile(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(IsSameFile(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}

}  // namespace
